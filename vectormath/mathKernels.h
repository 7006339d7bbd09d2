#pragma once

// The single-precision math of the scattering model, a vector of lanes at a
// time: cos, tan, exp, log, pow (and pow(x, 1.5) alone), acos and sqrt.
// Each is worked in double precision on the float arguments and rounded
// once to float, so it is within an ulp of the correctly rounded result
// (the tests sweep them); and since nothing fuses, every instruction set
// gives the same bits.
//
// Arguments outside the ranges worked here (the cosine and tangent of huge
// angles, logarithms and powers of zero, negatives, subnormals and
// infinities) go lane by lane to the C library, so those lanes get its
// answers exactly. NaN, the infinities and the signed zeros that the
// vector code does handle come out as the C library's do.

#include <cmath>
#include <cstdint>
#include <limits>

#include "vectormath/lanes.h"

namespace sorvane::vectormath {

#if defined(_MSC_VER) && !defined(__clang__)
#define SORVANE_COLD __declspec(noinline)
#else
#define SORVANE_COLD __attribute__((noinline, cold))
#endif

template <class Isa>
struct MathKernels {
    using F = Vector<Isa, float>;
    using D = Vector<Isa, double>;
    using DMask = Mask<Isa, double>;
    static constexpr int kWidth = F::kLanes;
    static constexpr unsigned kAllLanes = (1u << kWidth) - 1;

    static F cos(F x) {
        const unsigned library = kAllLanes & ~(abs(x) <= F(kLargestAngle)).bits();
        return withLibrary<&::cosf>(inDouble<cosine>(x), x, library);
    }
    static F tan(F x) {
        const unsigned library = kAllLanes & ~(abs(x) <= F(kLargestAngle)).bits();
        return withLibrary<&::tanf>(inDouble<tangent>(x), x, library);
    }
    static F exp(F x) { return inDouble<exponential>(x); }
    static F log(F x) {
        const unsigned library = kAllLanes & ~ordinaryPositive(x);
        return withLibrary<&::logf>(inDouble<logarithm>(x), x, library);
    }
    // x to the power y.
    static F pow(F x, F y) {
        const unsigned library = kAllLanes & ~(ordinaryPositive(x) & (abs(y) <= F(kFloatMax)).bits());
        const F result = Isa::halves(power(Isa::lowerHalf(x.v), Isa::lowerHalf(y.v)).v,
                                     power(Isa::upperHalf(x.v), Isa::upperHalf(y.v)).v);
        if (library == 0) return result;
        return powerFromLibrary(result, x, y, library);
    }
    // pow(x, 1.5), the phase factor's power, as x sqrt(x) in double: as
    // close as pow, a fraction of its cost, and the C library's answer for
    // every special value (zeros, negatives, infinities, NaN).
    static F powThreeHalves(F x) { return inDouble<threeHalves>(x); }
    // Not clamped: outside [-1, 1] it is NaN, as the C library's.
    static F acos(F x) { return inDouble<arcCosine>(x); }
    // The instruction's square root is correctly rounded.
    static F sqrt(F x) { return Isa::sqrt(x.v); }

private:
    static constexpr double kInfinity = std::numeric_limits<double>::infinity();
    static constexpr float kFloatMax = 3.40282347e+38f;
    static constexpr float kFloatMin = 1.17549435e-38f;  // the smallest normal float
    // Beyond it the reduction by pi/2 below would lose bits; the C library
    // reduces such angles exactly.
    static constexpr float kLargestAngle = 65536.0f;
    // Adding it rounds a double of magnitude below 2^51 to an integer, which
    // then sits in the low bits of the sum.
    static constexpr double kRounder = 0x1.8p52;
    static constexpr double kLn2 = 0x1.62e42fefa39efp-1;
    static constexpr double kLog2e = 0x1.71547652b82fep+0;
    static constexpr double kPi = 0x1.921fb54442d18p+1;
    static constexpr double kHalfPi = 0x1.921fb54442d18p+0;
    static constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
    // pi/2 in two parts: the first has 33 significant bits, so its product
    // with a quadrant number below 2^20 is exact.
    static constexpr double kHalfPiHigh = 0x1.921fb544p+0;
    static constexpr double kHalfPiLow = 0x1.0b4611a626331p-34;

    // Lanes with a positive, normal, finite float.
    static unsigned ordinaryPositive(F x) { return ((x >= F(kFloatMin)) & (x <= F(kFloatMax))).bits(); }

    template <D (*f)(D)>
    static F inDouble(F x) {
        return Isa::halves(f(Isa::lowerHalf(x.v)).v, f(Isa::upperHalf(x.v)).v);
    }

    template <float (*f)(float)>
    static F withLibrary(F result, F x, unsigned library) {
        if (library == 0) return result;
        return fromLibrary<f>(result, x, library);
    }

    template <float (*f)(float)>
    SORVANE_COLD static F fromLibrary(F result, F x, unsigned library) {
        float r[kWidth], in[kWidth];
        result.store(r);
        x.store(in);
        for (int i = 0; i < kWidth; ++i) {
            if (library >> i & 1) r[i] = f(in[i]);
        }
        return F::load(r);
    }

    SORVANE_COLD static F powerFromLibrary(F result, F x, F y, unsigned library) {
        float r[kWidth], base[kWidth], exponent[kWidth];
        result.store(r);
        x.store(base);
        y.store(exponent);
        for (int i = 0; i < kWidth; ++i) {
            if (library >> i & 1) r[i] = ::powf(base[i], exponent[i]);
        }
        return F::load(r);
    }

    // c[0] + c[1] x + ... + c[n - 1] x^(n - 1) by Estrin's scheme: a tree
    // of products of x's powers instead of Horner's chain, so that the
    // steps overlap. powers[k] is x^(2^k).
    template <int kFirst, int kCount>
    static D polynomial(const double* c, const D* powers) {
        if constexpr (kCount == 1) {
            return c[kFirst];
        } else {
            constexpr int kLevel = kCount > 16 ? 4 : kCount > 8 ? 3 : kCount > 4 ? 2 : kCount > 2 ? 1 : 0;
            constexpr int kHalf = 1 << kLevel;
            return polynomial<kFirst, kHalf>(c, powers) +
                   polynomial<kFirst + kHalf, kCount - kHalf>(c, powers) * powers[kLevel];
        }
    }
    template <int kCount>
    static D polynomial(D x, const double (&c)[kCount]) {
        D powers[5] = {x};
        for (int k = 1; k < 5 && (1 << k) < kCount; ++k) powers[k] = powers[k - 1] * powers[k - 1];
        return polynomial<0, kCount>(c, powers);
    }

    static D round(D x) { return (x + kRounder) - kRounder; }

    // 2^t for |t| <= 1000: 2^n, from the integer n that t rounds to, times
    // e^r for the rest. The float results of |t| > 200 are 0 or infinity
    // already, so callers clamp there; a NaN stays NaN.
    static D powerOfTwo(D t) {
        const D rounded = t + kRounder;
        const D n = rounded - kRounder;
        const D r = (t - n) * kLn2;  // t - n is exact, |r| <= ln(2) / 2
        // n's bits, moved into the exponent field: 2^n.
        const D scale = Isa::template shiftLeft<52>(Isa::bitsPlus(rounded.v, 1023));
        return exponentialSeries(r) * scale;
    }

    // e^r for |r| <= ln(2) / 2, within 3e-13 of it: Taylor's terms to r^10.
    static D exponentialSeries(D r) {
        static constexpr double c[] = {1.0,         1.0,          0.5,          1.0 / 6,
                                       1.0 / 24,    1.0 / 120,    1.0 / 720,    1.0 / 5040,
                                       1.0 / 40320, 1.0 / 362880, 1.0 / 3628800};
        return polynomial(r, c);
    }

    static D exponential(D x) { return powerOfTwo(clamp(x * kLog2e, -200.0, 200.0)); }

    // A positive normal x as 2^e * m with m in [sqrt(1/2), sqrt(2)]; gives
    // e and ln(m).
    static D logarithmParts(D x, D& e) {
        // The exponent field, read as the low bits of 2^52's significand.
        const D field = D(Isa::bitOr(Isa::template shiftRight<52>(x.v), 0x4330000000000000u)) - 0x1p52;
        D m = D(Isa::bitOr(Isa::bitAnd(x.v, 0x000fffffffffffffu), 0x3ff0000000000000u));
        e = field - 1023.0;
        const DMask above = m > D(0x1.6a09e667f3bcdp+0);
        m = select(above, m * 0.5, m);
        e = select(above, e + 1.0, e);
        // ln(m) = 2 atanh(s), |s| <= 0.172: the odd series to s^17.
        static constexpr double c[] = {1.0,      1.0 / 3,  1.0 / 5,  1.0 / 7, 1.0 / 9,
                                       1.0 / 11, 1.0 / 13, 1.0 / 15, 1.0 / 17};
        const D s = (m - 1.0) / (m + 1.0);
        return (s + s) * polynomial(s * s, c);
    }

    static D logarithm(D x) {
        D e;
        const D lnM = logarithmParts(x, e);
        return e * kLn2 + lnM;
    }

    static D threeHalves(D x) {
        // pow(-inf, 1.5) is +inf, where sqrt would make NaN.
        return select(x == D(-kInfinity), kInfinity, x * D(Isa::sqrt(x.v)));
    }

    static D power(D x, D y) {
        D e;
        const D lnM = logarithmParts(x, e);
        const D log2x = e + lnM * kLog2e;
        return powerOfTwo(clamp(y * log2x, -200.0, 200.0));
    }

    // x = n pi/2 + r, |r| <= pi/4 (a hair more where x 2/pi rounds up).
    static D reduced(D x, D& n) {
        n = round(x * kTwoOverPi);
        return (x - n * kHalfPiHigh) - n * kHalfPiLow;
    }

    // sin(r) and cos(r) for |r| <= pi/4: Taylor's terms to r^13 and r^14.
    static D sineSeries(D r) {
        static constexpr double c[] = {1.0,          -1.0 / 6,        1.0 / 120,       -1.0 / 5040,
                                       1.0 / 362880, -1.0 / 39916800, 1.0 / 6227020800};
        // A product, so that -0 keeps its sign.
        return r * polynomial(r * r, c);
    }
    static D cosineSeries(D r) {
        static constexpr double c[] = {1.0,         -0.5,           1.0 / 24,        -1.0 / 720,
                                       1.0 / 40320, -1.0 / 3628800, 1.0 / 479001600, -1.0 / 87178291200};
        return polynomial(r * r, c);
    }

    static D cosine(D x) {
        D n;
        const D r = reduced(x, n);
        // The quadrant q in -2..2: cos r, -sin r, -cos r, sin r for q = 0, 1, +-2, -1.
        const D q = n - round(n * 0.25) * 4.0;
        const D absQ = abs(q);
        return select(absQ == D(1.0), -q * sineSeries(r), (1.0 - absQ) * cosineSeries(r));
    }

    static D tangent(D x) {
        D n;
        const D r = reduced(x, n);
        const DMask even = n - round(n * 0.5) * 2.0 == D(0.0);
        const D s = sineSeries(r), c = cosineSeries(r);
        // tan r for an even quadrant, -cot r for an odd one.
        return select(even, s, -c) / select(even, c, s);
    }

    // asin(u) = u P(z) with z = u^2 <= 1/4: Taylor's terms to u^35.
    static D arcSineSeries(D u, D z) {
        static constexpr double c[] = {1.0,
                                       0x1.5555555555555p-3,
                                       0x1.3333333333333p-4,
                                       0x1.6db6db6db6db7p-5,
                                       0x1.f1c71c71c71c7p-6,
                                       0x1.6e8ba2e8ba2e9p-6,
                                       0x1.1c4ec4ec4ec4fp-6,
                                       0x1.c99999999999ap-7,
                                       0x1.7a87878787878p-7,
                                       0x1.3fde50d79435ep-7,
                                       0x1.12ef3cf3cf3cfp-7,
                                       0x1.df3bd37a6f4dfp-8,
                                       0x1.a6863d70a3d71p-8,
                                       0x1.782dda12f684cp-8,
                                       0x1.51ba308d3dcb1p-8,
                                       0x1.31683bdef7bdfp-8,
                                       0x1.15ee9d45d1746p-8,
                                       0x1.fcaf8fb6db6dbp-9};
        return u * polynomial(z, c);
    }

    // acos x = pi/2 - asin x for |x| <= 1/2, and otherwise from the
    // half-angle: 2 asin(sqrt((1 - |x|) / 2)), or pi less that for x < 0.
    static D arcCosine(D x) {
        const D a = abs(x);
        const DMask small = a <= D(0.5);
        const D z = select(small, x * x, (1.0 - a) * 0.5);
        const D u = select(small, x, D(Isa::sqrt(z.v)));
        const D arcSine = arcSineSeries(u, z);
        const D twice = arcSine + arcSine;
        return select(small, kHalfPi - arcSine, select(x < D(0.0), kPi - twice, twice));
    }
};

}  // namespace sorvane::vectormath
