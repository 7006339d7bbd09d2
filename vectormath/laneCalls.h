#pragma once

// A libmvec function applied in place to the first `lanes` values of an
// array, one vector of kBytes at a time (`lanes` a multiple of kLanes): a
// vector of that size travels in the register of that width (ymm, zmm), as
// the functions expect. Included only by sources built for one instruction set: the
// unnamed namespace gives each its own copy, so that no copy built for a
// wider set is picked by the linker for a narrower one.

#include <cstring>

namespace sorvane::vectormath {
namespace {

template <class Value, int kBytes>
struct LaneCalls {
    typedef Value Vector __attribute__((vector_size(kBytes)));
    static constexpr int kLanes = kBytes / static_cast<int>(sizeof(Value));
    using Unary = Vector (*)(Vector);
    using Binary = Vector (*)(Vector, Vector);

    static Vector load(const Value* p) {
        Vector v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(Value* p, Vector v) { std::memcpy(p, &v, sizeof v); }

    template <Unary* f>
    static void unary(Value* x, int lanes) {
        for (int i = 0; i < lanes; i += kLanes) store(x + i, (*f)(load(x + i)));
    }

    template <Binary* f>
    static void binary(Value* x, const Value* y, int lanes) {
        for (int i = 0; i < lanes; i += kLanes) store(x + i, (*f)(load(x + i), load(y + i)));
    }
};

}  // namespace
}  // namespace sorvane::vectormath
