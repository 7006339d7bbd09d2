#pragma once

// One instruction set's Functions table (vectorMath.h): the kernels applied
// in place to arrays, a vector at a time; a last part shorter than a vector
// goes through a padded one, so that every value is computed alike.

#include <algorithm>

#include "vectormath/mathKernels.h"
#include "vectormath/vectorMath.h"

namespace sorvane::vectormath {
namespace {

template <class Isa>
struct ArrayCalls {
    using Math = MathKernels<Isa>;
    using F = typename Math::F;
    static constexpr int kWidth = F::kLanes;

    template <F (*f)(F)>
    static void unary(float* x, int count) {
        int i = 0;
        for (; i + kWidth <= count; i += kWidth) f(F::load(x + i)).store(x + i);
        if (i == count) return;
        // 1 is an ordinary argument of every function.
        float part[kWidth];
        std::fill(part, part + kWidth, 1.0f);
        std::copy(x + i, x + count, part);
        f(F::load(part)).store(part);
        std::copy(part, part + (count - i), x + i);
    }

    static void power(float* x, const float* y, int count) {
        int i = 0;
        for (; i + kWidth <= count; i += kWidth) Math::pow(F::load(x + i), F::load(y + i)).store(x + i);
        if (i == count) return;
        float base[kWidth], exponent[kWidth];
        std::fill(base, base + kWidth, 1.0f);
        std::fill(exponent, exponent + kWidth, 1.0f);
        std::copy(x + i, x + count, base);
        std::copy(y + i, y + count, exponent);
        Math::pow(F::load(base), F::load(exponent)).store(base);
        std::copy(base, base + (count - i), x + i);
    }

    static constexpr Functions kFunctions = {Isa::kName,
                                             &unary<&Math::cos>,
                                             &unary<&Math::exp>,
                                             &unary<&Math::tan>,
                                             &unary<&Math::acos>,
                                             &unary<&Math::log>,
                                             &unary<&Math::sqrt>,
                                             &power,
                                             &unary<&Math::powThreeHalves>};
};

}  // namespace
}  // namespace sorvane::vectormath
