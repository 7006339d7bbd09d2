// The falloff every preview renderer lights with. Expected values are worked
// by hand from the angle in degrees: t is how far the angle lies across the
// penumbra, the factor is smoothstep(t) = t^2 (3 - 2t).
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "lighting/lightFalloff.h"

namespace sorvane::lighting {
namespace {

struct SpotCase {
    const char* what;
    SpotCone cone;
    float angle;  // degrees from the spot's axis
    float expected;
};

std::ostream& operator<<(std::ostream& os, const SpotCase& c) {
    return os << c.what << " (cone " << c.cone.coneAngle << ", penumbra " << c.cone.penumbraAngle
              << ", dropoff " << c.cone.dropoff << ", at " << c.angle << " degrees)";
}

class SpotFactor : public ::testing::TestWithParam<SpotCase> {};

TEST_P(SpotFactor, FollowsTheConeAndPenumbra) {
    const SpotCase& c = GetParam();
    const float cosine = static_cast<float>(std::cos(c.angle * 3.14159265358979 / 180.0));
    EXPECT_NEAR(spotFactor(c.cone, cosine), c.expected, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(
    Lighting, SpotFactor,
    ::testing::Values(SpotCase{"on the axis", {40, 0, 0}, 0.0f, 1.0f},
                      SpotCase{"just inside a hard edge", {40, 0, 0}, 19.5f, 1.0f},
                      SpotCase{"just outside a hard edge", {40, 0, 0}, 20.5f, 0.0f},
                      SpotCase{"a wide penumbra keeps the cone full", {40, 10, 0}, 19.5f, 1.0f},
                      SpotCase{"a quarter across a wide penumbra", {40, 10, 0}, 22.5f, 0.84375f},
                      SpotCase{"halfway across a wide penumbra", {40, 10, 0}, 25.0f, 0.5f},
                      SpotCase{"beyond a wide penumbra", {40, 10, 0}, 30.5f, 0.0f},
                      // A negative penumbra fades inside the cone, so its edge is dark.
                      SpotCase{"full inside a narrowing penumbra", {40, -10, 0}, 9.5f, 1.0f},
                      SpotCase{"a quarter across a narrowing penumbra", {40, -10, 0}, 17.5f, 0.15625f},
                      SpotCase{"halfway across a narrowing penumbra", {40, -10, 0}, 15.0f, 0.5f},
                      SpotCase{"outside a narrowing penumbra", {40, -10, 0}, 20.5f, 0.0f},
                      // cos(30)^2 = 3/4; cos(25)^2 = 0.8213938.
                      SpotCase{"dropoff weighs by the cosine", {90, 0, 2}, 30.0f, 0.75f},
                      SpotCase{"dropoff inside a penumbra", {40, 10, 2}, 25.0f, 0.5f * 0.8213938f},
                      SpotCase{"dropoff darkens what lies behind the light", {360, 0, 1}, 120.0f, 0.0f}));

TEST(Lighting, SpotFactorTakesACosineRoundedPastOne) {
    // A dot product of unit vectors can round just past +-1; acos would give NaN.
    const SpotCone cone{40, 10, 1};
    EXPECT_EQ(spotFactor(cone, std::nextafter(1.0f, 2.0f)), 1.0f);
    EXPECT_EQ(spotFactor(cone, std::nextafter(-1.0f, -2.0f)), 0.0f);
}

struct DecayCase {
    int rate;
    float distance;
    float expected;
};

class Decay : public ::testing::TestWithParam<DecayCase> {};

TEST_P(Decay, FallsWithDistanceAtItsRate) {
    const DecayCase& c = GetParam();
    EXPECT_EQ(decay(c.rate, c.distance), c.expected) << "rate " << c.rate << " at " << c.distance;
}

INSTANTIATE_TEST_SUITE_P(Lighting, Decay,
                         ::testing::Values(DecayCase{0, 4.0f, 1.0f}, DecayCase{1, 4.0f, 0.25f},
                                           DecayCase{2, 4.0f, 0.0625f}, DecayCase{2, 0.5f, 4.0f},
                                           DecayCase{3, 4.0f, 1.0f}, DecayCase{-1, 4.0f, 1.0f}));

}  // namespace
}  // namespace sorvane::lighting
