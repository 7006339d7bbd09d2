#pragma once

// The tables' functions: a libmvec function applied in place to the first
// `lanes` values of an array, one vector of kBytes at a time. A vector of
// that size travels in the register of that width (ymm, zmm), as the
// functions expect. Included only by sources built for one instruction set:
// the unnamed namespace gives each its own copy, so that no copy built for a
// wider set is picked by the linker for a narrower one.

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "vectormath/vectorMath.h"

namespace sorvane::vectormath {
namespace {

template <class Value, int kBytes>
struct LaneCalls {
    typedef Value Vector __attribute__((vector_size(kBytes)));
    static constexpr int kVectorLanes = kBytes / static_cast<int>(sizeof(Value));
    using Unary = Vector (*)(Vector);
    using Binary = Vector (*)(Vector, Vector);

    static inline Unary cos, exp, tan, acos;
    static inline Binary pow;
    static inline Table<Value> narrower{};  // for lanes short of one vector

    static Vector load(const Value* p) {
        Vector v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(Value* p, Vector v) { std::memcpy(p, &v, sizeof v); }

    // A call shorter than one vector goes straight on, without the frame
    // that the wide registers need.
    template <Unary* f, void (*Table<Value>::*narrow)(Value*, int)>
    static void unary(Value* x, int lanes) {
        if (lanes >= kVectorLanes) return wideUnary<f, narrow>(x, lanes);
        if (lanes > 0) (narrower.*narrow)(x, lanes);
    }

    static void power(Value* x, const Value* y, int lanes) {
        if (lanes >= kVectorLanes) return widePower(x, y, lanes);
        if (lanes > 0) narrower.pow(x, y, lanes);
    }

    template <Unary* f, void (*Table<Value>::*narrow)(Value*, int)>
    [[gnu::noinline]] static void wideUnary(Value* x, int lanes) {
        const int whole = lanes / kVectorLanes * kVectorLanes;
        for (int i = 0; i < whole; i += kVectorLanes) store(x + i, (*f)(load(x + i)));
        if (whole < lanes) (narrower.*narrow)(x + whole, lanes - whole);
    }

    [[gnu::noinline]] static void widePower(Value* x, const Value* y, int lanes) {
        const int whole = lanes / kVectorLanes * kVectorLanes;
        for (int i = 0; i < whole; i += kVectorLanes) store(x + i, pow(load(x + i), load(y + i)));
        if (whole < lanes) narrower.pow(x + whole, y + whole, lanes - whole);
    }

    // glibc's vector names: _ZGV, the instruction set's letter, N, the
    // lanes, a v per argument, _ and the scalar name (cosf for float).
    template <class Function>
    static bool bound(Function& f, void* library, char isa, const char* arguments, const char* function) {
        char name[48];
        std::snprintf(name, sizeof name, "_ZGV%cN%d%s_%s%s", isa, kVectorLanes, arguments, function,
                      sizeof(Value) == sizeof(float) ? "f" : "");
        f = reinterpret_cast<Function>(dlsym(library, name));
        return f != nullptr;
    }

    // Binds the table; `narrower` must be bound first where a call may be
    // shorter than one vector.
    static bool bind(Table<Value>& table, void* library, char isa, const char* name) {
        if (!bound(cos, library, isa, "v", "cos") || !bound(exp, library, isa, "v", "exp") ||
            !bound(tan, library, isa, "v", "tan") || !bound(acos, library, isa, "v", "acos") ||
            !bound(pow, library, isa, "vv", "pow"))
            return false;
        table = {name,
                 &unary<&cos, &Table<Value>::cos>,
                 &unary<&exp, &Table<Value>::exp>,
                 &unary<&tan, &Table<Value>::tan>,
                 &unary<&acos, &Table<Value>::acos>,
                 &power};
        return true;
    }
};

}  // namespace
}  // namespace sorvane::vectormath
