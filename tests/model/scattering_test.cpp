// The scattering model against independent arithmetic: double-precision
// oracles of the same formulas, values worked by hand, and the properties the
// shaders rely on (evenness in V, exact values at g = 0 and k = 1, the zero
// guard of each flavour).

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/scattering.h"
#include "tests/support/scatteringOracle.h"

namespace {

using sorvane::model::MayaFlavour;
using sorvane::model::MentalRayFlavour;
using sorvane::model::Vec3;
namespace m = sorvane::model;
using sorvane::oracle::falloff;
using sorvane::oracle::phase;
using sorvane::oracle::reflection;
using sorvane::oracle::storedDot;
using sorvane::oracle::transmission;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Distance in representable floats; 0 for equal values, huge across a sign change.
std::int64_t ulpDistance(float a, float b) {
    if (a == b) return 0;
    const auto ordered = [](float f) {
        std::int32_t i;
        std::memcpy(&i, &f, sizeof i);
        return i < 0 ? std::int64_t{INT32_MIN} - i : std::int64_t{i};
    };
    return std::llabs(ordered(a) - ordered(b));
}

Vec3 unit(double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return {float(x / l), float(y / l), float(z / l)};
}

// Seeded unit vectors and weights across the shaders' ranges.
struct Inputs {
    Vec3 V, N, L;
    float s, g, d, k;
};
std::vector<Inputs> randomInputs(int count) {
    std::mt19937 rng(20261208);
    std::normal_distribution<double> n(0.0, 1.0);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    std::vector<Inputs> out;
    for (int i = 0; i < count; ++i) {
        out.push_back({unit(n(rng), n(rng), n(rng)), unit(n(rng), n(rng), n(rng)),
                       unit(n(rng), n(rng), n(rng)), u(rng), u(rng) * 1.8f - 0.9f, u(rng),
                       0.02f + u(rng) * 0.96f});
    }
    return out;
}

template <class F>
class BothFlavours : public ::testing::Test {};
using Flavours = ::testing::Types<MayaFlavour, MentalRayFlavour>;
class FlavourNames {
public:
    template <class T>
    static std::string GetName(int) {
        return std::is_same_v<T, MayaFlavour> ? "Maya" : "MentalRay";
    }
};
TYPED_TEST_SUITE(BothFlavours, Flavours, FlavourNames);

// Rounding in float accumulates over the dozen operations of each term; where
// a result is far from zero, it stays within a few ulps of the double value.
TYPED_TEST(BothFlavours, AgreesWithDoublePrecisionOracle) {
    using F = TypeParam;
    int checked = 0;
    for (const Inputs& in : randomInputs(4000)) {
        const double P = phase(in.N, in.L, in.g);
        if (std::fabs(P) < 0.5) continue;  // cancellation in 1 - x would swamp the ulps
        EXPECT_LE(ulpDistance(m::scatterPhase<F>(in.N, in.L, in.g), float(P)), 8);

        const double R = reflection(in.V, in.N, in.L, in.s, in.g, in.d);
        EXPECT_LE(ulpDistance(m::scatterReflection<F>(in.V, in.N, in.L, in.s, in.g, in.d), float(R)), 16)
            << "V " << in.V << " N " << in.N << " L " << in.L << " s " << in.s << " g " << in.g;

        const double c1 = std::cos(storedDot(in.V, in.N)), c2 = std::cos(storedDot(in.N, in.L));
        const double last = 1.0 - std::exp(-in.d - (1.0 / c1 - 1.0 / c2));
        if (std::fabs(last) > 0.1) {
            const double T = transmission(in.V, in.N, in.L, in.s, in.g, in.d);
            EXPECT_LE(ulpDistance(m::scatterTransmission<F>(in.V, in.N, in.L, in.s, in.g, in.d), float(T)),
                      32)
                << "V " << in.V << " N " << in.N << " L " << in.L;
        }

        const double x = storedDot(in.V, in.N);
        const double m = std::log(double(1.0f - in.k)) * -0.375;
        if (std::fabs(std::tan(x * 0.5) / m) < 0.5) {  // away from the pole at tan(x/2) = -m
            EXPECT_LE(ulpDistance(m::oppositionFalloff<F>(in.V, in.N, in.k), float(falloff(x, in.k))), 8);
        }
        const double xb = std::exp(-storedDot(in.L, in.N));
        EXPECT_LE(ulpDistance(m::backlightFalloff<F>(in.L, in.N, in.k), float(falloff(xb, in.k))), 8);
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

// Worked by hand: N = L, so h = 1 exactly. g = -0.7: q = 0.49, base = 2.89,
// 2.89^1.5 = 4.913, (0.49 * 0.25) * 3.14159 = 0.3848448; P = 1 - 1.8907424.
// pi in place of 3.14159 would move P by 27 ulps.
TYPED_TEST(BothFlavours, PhaseAtNormalIncidenceByHand) {
    const Vec3 n{0.0f, 0.0f, 1.0f};
    EXPECT_NEAR(m::scatterPhase<TypeParam>(n, n, -0.7f), -0.8907422, 3e-7);
    EXPECT_NEAR(m::scatterPhase<TypeParam>(n, n, 0.5f), 1.0 - 0.125 * 0.0625 * 3.14159, 1e-7);
}

TYPED_TEST(BothFlavours, PhaseIsExactlyOneWithoutAnisotropy) {
    const Vec3 n{0.0f, 0.0f, 1.0f};
    for (Vec3 L : {Vec3{0.0f, 0.0f, 1.0f}, Vec3{1.0f, 0.0f, 0.0f}, unit(1, 2, -3), unit(0, -1, -1)}) {
        EXPECT_EQ(m::scatterPhase<TypeParam>(n, L, 0.0f), 1.0f) << L;
    }
}

// cos is even: the sign convention of the viewing direction does not matter.
TYPED_TEST(BothFlavours, ScatteringTermsAreEvenInV) {
    using F = TypeParam;
    for (const Inputs& in : randomInputs(200)) {
        EXPECT_EQ((m::scatterReflection<F>(in.V, in.N, in.L, in.s, in.g, in.d)),
                  (m::scatterReflection<F>(-in.V, in.N, in.L, in.s, in.g, in.d)));
        EXPECT_EQ((m::scatterTransmission<F>(in.V, in.N, in.L, in.s, in.g, in.d)),
                  (m::scatterTransmission<F>(-in.V, in.N, in.L, in.s, in.g, in.d)));
    }
}

// d = 0: the exponential ratio of the reflection term is exactly 1, and the
// last factor of transmission is 0 when c1 = c2 and negative when c1 > c2.
TYPED_TEST(BothFlavours, ZeroDepth) {
    using F = TypeParam;
    const Vec3 N{0.0f, 0.0f, 1.0f};
    const Vec3 L = unit(0.6, 0.0, 0.8);
    const Vec3 grazing = unit(0.8, 0.0, 0.6);

    const float P = m::scatterPhase<F>(N, L, 0.4f);
    const float c = F::cos(m::dot(N, L));
    EXPECT_EQ((m::scatterReflection<F>(L, N, L, 0.5f, 0.4f, 0.0f)), P * 0.5f * 0.25f * (c + c));

    EXPECT_EQ((m::scatterTransmission<F>(L, N, L, 0.5f, 0.4f, 0.0f)), 0.0f);
    // |V.N| = 0.6 < |N.L| = 0.8, so c1 > c2.
    EXPECT_LT((m::scatterTransmission<F>(grazing, N, L, 0.5f, 0.4f, 0.0f)), 0.0f);
    EXPECT_GT((m::scatterTransmission<F>(L, N, grazing, 0.5f, 0.4f, 0.0f)), 0.0f);
}

TYPED_TEST(BothFlavours, FalloffIsOneAtZeroAndFallsTowardsPi) {
    using F = TypeParam;
    for (float k : {0.01f, 0.25f, 0.5f, 0.99f}) {
        EXPECT_EQ(m::falloffCurve<F>(0.0f, k), 1.0f) << k;
        float previous = 1.0f;
        for (float x = 0.1f; x < 3.1f; x += 0.1f) {
            const float f = m::falloffCurve<F>(x, k);
            EXPECT_LT(f, previous) << "k " << k << " x " << x;
            EXPECT_GT(f, 0.0f) << "k " << k << " x " << x;
            previous = f;
        }
        // Short of the pole at tan(x / 2) = -m, a negative x lifts the curve.
        EXPECT_GT(m::falloffCurve<F>(-0.001f, k), 1.0f) << k;
    }
}

// log(0) = -inf makes m infinite and 1 / m zero.
TYPED_TEST(BothFlavours, FullStrengthFalloffIsFlat) {
    for (float x : {-3.0f, -1.0f, 0.0f, 0.5f, 2.0f, 3.1f}) {
        EXPECT_EQ(m::falloffCurve<TypeParam>(x, 1.0f), 1.0f) << x;
    }
}

// exp(-dot) lies in [1/e, e] for unit vectors, so the backlight curve stays
// strictly inside (0, 1); it is not the curve of the cosine itself.
TYPED_TEST(BothFlavours, BacklightAppliesTheCurveToTheExponential) {
    using F = TypeParam;
    for (const Inputs& in : randomInputs(500)) {
        const float b = m::backlightFalloff<F>(in.L, in.N, in.k);
        EXPECT_GT(b, 0.0f);
        EXPECT_LT(b, 1.0f);
    }
    const Vec3 N{0.0f, 0.0f, 1.0f};
    // U = N: the curve at exp(-1), by hand: m = log(0.5) * -0.375 = 0.259930,
    // tan(0.183940) = 0.186043, 1 / (0.186043 / 0.259930 + 1) = 0.582839.
    EXPECT_NEAR(m::backlightFalloff<F>(N, N, 0.5f), 0.582839, 1e-6);
    EXPECT_NE(m::backlightFalloff<F>(N, N, 0.5f), m::oppositionFalloff<F>(N, N, 0.5f));
}

// The zero guard: h = +0 and -0 are guarded in the mental ray flavour only;
// NaN and the smallest non-zero h go through the formula.
struct GuardCase {
    const char* name;
    Vec3 N, L;
    bool guarded;  // in the mental ray flavour
};
class ZeroGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(ZeroGuard, GuardsExactlyZeroInTheMentalRayFlavourOnly) {
    const GuardCase& c = GetParam();
    const float g = 0.1f;
    const float unguarded = m::scatterPhase<MayaFlavour>(c.N, c.L, g);
    const float mentalRay = m::scatterPhase<MentalRayFlavour>(c.N, c.L, g);
    if (c.guarded) {
        // 1 + 0.01 / 0.00001, about a thousand; not a limit of the formula.
        EXPECT_FLOAT_EQ(mentalRay, 1.0f + (0.1f * 0.1f) / 0.00001f);
        EXPECT_LT(unguarded, 1.0f);
        // The formula's own value at h = 0: 1 - 1.01^1.5 * (0.01 * 0.25 * 3.14159).
        EXPECT_NEAR(unguarded, 1.0 - std::pow(1.01, 1.5) * 0.01 * 0.25 * 3.14159, 1e-7);
    } else if (std::isnan(m::dot(c.N, c.L))) {
        EXPECT_TRUE(std::isnan(mentalRay));
        EXPECT_TRUE(std::isnan(unguarded));
    } else {
        EXPECT_LE(ulpDistance(mentalRay, unguarded), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PhaseFactor, ZeroGuard,
    ::testing::Values(GuardCase{"PositiveZero", {1, 0, 0}, {0, 1, 0}, true},
                      GuardCase{"NegativeZero", {1, 1, 1}, {-0.0f, -0.0f, -0.0f}, true},
                      GuardCase{"NaN", {1, 0, 0}, {kNaN, 0, 0}, false},
                      GuardCase{"SmallestPositive", {1, 0, 0}, {FLT_TRUE_MIN, 1, 0}, false},
                      GuardCase{"SmallestNegative", {1, 0, 0}, {-FLT_TRUE_MIN, 1, 0}, false},
                      GuardCase{"Ordinary", {0, 0, 1}, {0, 0.6f, 0.8f}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZeroGuard, ReachesTheScatteringTermsOfTheMentalRayFlavour) {
    const Vec3 N{0.0f, 0.0f, 1.0f};
    const Vec3 L{1.0f, 0.0f, 0.0f};
    const Vec3 V = unit(0.0, 0.6, 0.8);
    const float maya = m::scatterReflection<MayaFlavour>(V, N, L, 0.3f, 0.65f, 0.3f);
    const float mentalRay = m::scatterReflection<MentalRayFlavour>(V, N, L, 0.3f, 0.65f, 0.3f);
    EXPECT_GT(mentalRay / maya, 1000.0f);
    EXPECT_EQ(m::scatterReflection<MentalRayFlavour>(V, N, L, 0.3f, 0.0f, 0.3f),
              m::scatterReflection<MayaFlavour>(V, N, L, 0.3f, 0.0f, 0.3f))
        << "with g = 0 both flavours have P = 1 exactly";
}

}  // namespace
