// What reaches a point from a placed light: the way towards it, the distance,
// and the strength after the decay and a spot's cone, worked by hand.
#include <gtest/gtest.h>

#include <ostream>

#include "lighting/lightArrival.h"

namespace sorvane::lighting {
namespace {

struct ArrivalCase {
    const char* what;
    PlacedLight light;
    Point from;  // the light
    Point at;    // the lit point
    Point towards;
    float distance;
    float cone;
    float strength;
};

std::ostream& operator<<(std::ostream& os, const ArrivalCase& c) { return os << c.what; }

PlacedLight light(float intensity, int decayRate) {
    PlacedLight l;
    l.intensity = intensity;
    l.decayRate = decayRate;
    return l;
}

// A spot at the origin shining down -z with a 40-degree cone and no penumbra.
PlacedLight spot(float intensity) {
    PlacedLight l = light(intensity, 0);
    l.spot = true;
    l.spotAxis = {0.0f, 0.0f, -1.0f};
    return l;
}

class ArrivalFrom : public ::testing::TestWithParam<ArrivalCase> {};

TEST_P(ArrivalFrom, PointsAtTheLightAndWeakensWithDistanceAndCone) {
    const ArrivalCase& c = GetParam();
    const std::optional<Arrival> a = arrivalFrom(c.light, c.from, c.at);
    ASSERT_TRUE(a.has_value());
    EXPECT_FLOAT_EQ(a->towards.x, c.towards.x);
    EXPECT_FLOAT_EQ(a->towards.y, c.towards.y);
    EXPECT_FLOAT_EQ(a->towards.z, c.towards.z);
    EXPECT_FLOAT_EQ(a->distance, c.distance);
    EXPECT_FLOAT_EQ(a->cone, c.cone);
    EXPECT_FLOAT_EQ(a->strength, c.strength);
}

INSTANTIATE_TEST_SUITE_P(
    Lights, ArrivalFrom,
    ::testing::Values(
        ArrivalCase{"no decay", light(2.0f, 0), {0, 4, 0}, {0, 0, 0}, {0, 1, 0}, 4.0f, 1.0f, 2.0f},
        ArrivalCase{"linear decay", light(2.0f, 1), {3, 0, 4}, {0, 0, 0}, {0.6f, 0, 0.8f}, 5.0f, 1.0f, 0.4f},
        ArrivalCase{"quadratic decay", light(8.0f, 2), {1, 1, 3}, {1, 1, 1}, {0, 0, 1}, 2.0f, 1.0f, 2.0f},
        ArrivalCase{
            "other rates are none", light(3.0f, 7), {0, 0, 9}, {0, 0, 0}, {0, 0, 1}, 9.0f, 1.0f, 3.0f},
        ArrivalCase{"on the spot's axis", spot(5.0f), {0, 0, 0}, {0, 0, -2}, {0, 0, 1}, 2.0f, 1.0f, 5.0f},
        // 45 degrees off the axis, beyond the cone's 20-degree half angle.
        ArrivalCase{"outside the spot's cone",
                    spot(5.0f),
                    {0, 0, 0},
                    {1, 0, -1},
                    {-0.70710677f, 0, 0.70710677f},
                    1.4142135f,
                    0.0f,
                    0.0f},
        // The axis is the way the spot shines: the point behind it is outside.
        ArrivalCase{"behind the spot", spot(5.0f), {0, 0, 0}, {0, 0, 2}, {0, 0, -1}, 2.0f, 0.0f, 0.0f}));

TEST(ArrivalFrom, NothingArrivesAtTheLightItself) {
    EXPECT_FALSE(arrivalFrom(light(1.0f, 2), {1, 2, 3}, {1, 2, 3}).has_value());
    EXPECT_FALSE(arrivalFrom(spot(1.0f), {0, 0, 0}, {0, 0, 0}).has_value());
}

}  // namespace
}  // namespace sorvane::lighting
