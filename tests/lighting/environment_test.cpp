// The sky over a ground: its radiance at the poles and the horizon, and its
// closed-form irradiance against a numerical integral of that radiance, so
// neither formula can drift from the other.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

#include "lighting/environment.h"

namespace sorvane::lighting {
namespace {

struct SkyCase {
    float sky;
    float ground;
    float normalHeight;  // the normal's cosine to the world's vertical
};

std::ostream& operator<<(std::ostream& os, const SkyCase& c) {
    return os << "sky " << c.sky << ", ground " << c.ground << ", normal height " << c.normalHeight;
}

class Sky : public ::testing::TestWithParam<SkyCase> {};

TEST_P(Sky, RadianceIsTheSkyAboveTheGroundBelowAndTheirMeanBetween) {
    const SkyCase& c = GetParam();
    EXPECT_FLOAT_EQ(skyRadiance(c.sky, c.ground, 1.0f), c.sky);
    EXPECT_FLOAT_EQ(skyRadiance(c.sky, c.ground, -1.0f), c.ground);
    EXPECT_FLOAT_EQ(skyRadiance(c.sky, c.ground, 0.0f), 0.5f * (c.sky + c.ground));
}

TEST_P(Sky, IrradianceIsTheCosineWeightedIntegralOfTheRadiance) {
    const SkyCase& c = GetParam();
    constexpr double kPi = 3.14159265358979323846;
    // The normal in the plane of the vertical (y) and x; t1, t2 span its tangent plane.
    const double h = c.normalHeight;
    const double s = std::sqrt(1.0 - h * h);
    const double n[3] = {s, h, 0.0}, t1[3] = {h, -s, 0.0}, t2[3] = {0.0, 0.0, 1.0};
    constexpr int kTheta = 200, kPhi = 400;
    double sum = 0.0;
    for (int i = 0; i < kTheta; ++i) {
        const double theta = (i + 0.5) * (0.5 * kPi / kTheta);
        for (int j = 0; j < kPhi; ++j) {
            const double phi = (j + 0.5) * (2.0 * kPi / kPhi);
            const double height =
                std::cos(theta) * n[1] + std::sin(theta) * (std::cos(phi) * t1[1] + std::sin(phi) * t2[1]);
            const double radiance = skyRadiance(c.sky, c.ground, static_cast<float>(height));
            sum += radiance * std::cos(theta) * std::sin(theta);
        }
    }
    const double integral = sum * (0.5 * kPi / kTheta) * (2.0 * kPi / kPhi);
    EXPECT_NEAR(skyIrradiance(c.sky, c.ground, c.normalHeight), integral, 1e-4 * (1.0 + integral));
}

INSTANTIATE_TEST_SUITE_P(Environment, Sky,
                         ::testing::Values(SkyCase{1.0f, 0.0f, 1.0f}, SkyCase{1.0f, 0.0f, -1.0f},
                                           SkyCase{1.0f, 0.0f, 0.0f}, SkyCase{0.55f, 0.12f, 0.6f},
                                           SkyCase{0.008f, 0.0085f, -0.3f}, SkyCase{0.0f, 2.0f, 0.9f}));

}  // namespace
}  // namespace sorvane::lighting
