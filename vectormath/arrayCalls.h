#pragma once

// One instruction set's Functions table (vectorMath.h): the kernels applied
// in place to arrays, a vector at a time; a last part shorter than a vector
// goes through a padded one, so that every value is computed alike. No
// standard library templates here: an unoptimised build would emit them
// for this instruction set where another source's copy could be linked.

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
        for (int j = 0; j < kWidth; ++j) part[j] = i + j < count ? x[i + j] : 1.0f;
        f(F::load(part)).store(part);
        for (int j = 0; i + j < count; ++j) x[i + j] = part[j];
    }

    static void power(float* x, const float* y, int count) {
        int i = 0;
        for (; i + kWidth <= count; i += kWidth) Math::pow(F::load(x + i), F::load(y + i)).store(x + i);
        if (i == count) return;
        float base[kWidth], exponent[kWidth];
        for (int j = 0; j < kWidth; ++j) {
            base[j] = i + j < count ? x[i + j] : 1.0f;
            exponent[j] = i + j < count ? y[i + j] : 1.0f;
        }
        Math::pow(F::load(base), F::load(exponent)).store(base);
        for (int j = 0; i + j < count; ++j) x[i + j] = base[j];
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
