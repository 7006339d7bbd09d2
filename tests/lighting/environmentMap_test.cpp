// An environment image: its frame, its integral and irradiance against
// closed forms, and the lights made from it against the image they stand for.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "lighting/environmentMap.h"

namespace sorvane::lighting {
namespace {

constexpr double kPi = 3.14159265358979323846;

EnvironmentMap paint(int width, int height, const std::function<Color3(const Direction&)>& radiance) {
    std::vector<float> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Color3 c = radiance(latLongDirection((x + 0.5f) / width, (y + 0.5f) / height));
            rgb.insert(rgb.end(), c.begin(), c.end());
        }
    }
    return EnvironmentMap(width, height, std::move(rgb));
}

double dot(const Direction& a, const Direction& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// What the lights give a surface facing `normal`, as irradiance (pi times
// the hosts' reading).
Color3 lightsIrradiance(const std::vector<EnvironmentLight>& lights, const Direction& normal) {
    Color3 sum{};
    for (const EnvironmentLight& l : lights) {
        const double c = std::max(0.0, dot(l.towards, normal));
        for (int k = 0; k < 3; ++k) sum[k] += static_cast<float>(kPi * l.color[k] * c);
    }
    return sum;
}

const Direction kNormals[] = {{0, 1, 0},  {0, -1, 0},         {1, 0, 0},
                              {0, 0, -1}, {0.6f, 0.0f, 0.8f}, {-0.48f, 0.6f, -0.64f}};

TEST(EnvironmentMap, FrameLooksUpAtTheTopAheadInTheMiddleAndRightAtThreeQuarters) {
    const auto near = [](const Direction& d, float x, float y, float z) {
        EXPECT_NEAR(d[0], x, 1e-6f);
        EXPECT_NEAR(d[1], y, 1e-6f);
        EXPECT_NEAR(d[2], z, 1e-6f);
    };
    near(latLongDirection(0.5f, 0.0f), 0, 1, 0);
    near(latLongDirection(0.5f, 0.5f), 0, 0, -1);
    near(latLongDirection(0.75f, 0.5f), 1, 0, 0);
    near(latLongDirection(0.25f, 0.5f), -1, 0, 0);
    for (const float u : {0.1f, 0.4f, 0.9f}) {
        for (const float v : {0.2f, 0.5f, 0.8f}) {
            float u2, v2;
            latLongCoordinates(latLongDirection(u, v), u2, v2);
            EXPECT_NEAR(u2, u, 1e-5f);
            EXPECT_NEAR(v2, v, 1e-5f);
        }
    }
}

// An even environment: the integral 4 pi L, the irradiance pi L about any
// normal, from the gathered map and from the lights alike.
TEST(EnvironmentMap, EvenRadianceGivesPiLAboutEveryNormal) {
    const EnvironmentMap map = paint(64, 32, [](const Direction&) { return Color3{1.0f, 0.5f, 0.25f}; });
    const auto integral = map.integral();
    EXPECT_NEAR(integral[0], 4.0 * kPi, 1e-4);
    EXPECT_NEAR(integral[2], kPi, 1e-4);
    const std::vector<EnvironmentLight> lights = environmentLights(map, 128);
    ASSERT_EQ(lights.size(), 128u);
    for (const Direction& n : kNormals) {
        EXPECT_NEAR(map.irradiance(n)[0], kPi, 0.01 * kPi);
        EXPECT_NEAR(map.irradiance(n)[1], 0.5 * kPi, 0.005 * kPi);
        const Color3 fromLights = lightsIrradiance(lights, n);
        EXPECT_NEAR(fromLights[0], kPi, 0.05 * kPi) << n[0] << "," << n[1] << "," << n[2];
        EXPECT_NEAR(fromLights[2], 0.25 * kPi, 0.05 * 0.25 * kPi);
    }
}

// A sun over a sky: the lights hold the image's power, most of them stand
// at the sun, and what they give agrees with the gathered irradiance.
TEST(EnvironmentMap, LightsHoldThePowerOfASunAndSky) {
    const Direction sun{-0.6f, 0.64f, 0.48f};
    const EnvironmentMap map = paint(256, 128, [&](const Direction& d) {
        const bool inSun = dot(d, sun) > std::cos(3.0 * kPi / 180.0);
        return inSun      ? Color3{900.0f, 850.0f, 700.0f}
               : d[1] > 0 ? Color3{0.2f, 0.35f, 0.7f}
                          : Color3{0.1f, 0.08f, 0.05f};
    });
    const std::vector<EnvironmentLight> lights = environmentLights(map, 128);
    ASSERT_EQ(lights.size(), 128u);
    const auto integral = map.integral();
    Color3 power{};
    int atTheSun = 0;
    for (const EnvironmentLight& l : lights) {
        for (int k = 0; k < 3; ++k) power[k] += static_cast<float>(kPi * l.color[k]);
        if (dot(l.towards, sun) > std::cos(4.0 * kPi / 180.0)) ++atTheSun;
    }
    const double luminance = 0.2126 * power[0] + 0.7152 * power[1] + 0.0722 * power[2];
    const double expected = 0.2126 * integral[0] + 0.7152 * integral[1] + 0.0722 * integral[2];
    EXPECT_NEAR(luminance / expected, 1.0, 1e-4) << "the luminance is held whole";
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(power[k] / integral[k], 1.0, 0.03) << "channel " << k;
    EXPECT_GT(atTheSun, 64) << "the sun holds most of the light";
    for (const Direction& n : kNormals) {
        const Color3 gathered = map.irradiance(n);
        const Color3 fromLights = lightsIrradiance(lights, n);
        // Against the brightest answer: a normal facing away sees only the sky.
        EXPECT_NEAR(fromLights[1], gathered[1], 0.03 * map.irradiance(sun)[1])
            << n[0] << "," << n[1] << "," << n[2];
    }
}

TEST(EnvironmentMap, BlackImageGivesNoLightsAndNoIrradiance) {
    const EnvironmentMap map = paint(16, 8, [](const Direction&) { return Color3{}; });
    EXPECT_TRUE(map.black());
    EXPECT_TRUE(environmentLights(map, 128).empty());
    EXPECT_EQ(map.irradiance({0, 1, 0})[0], 0.0f);
}

TEST(EnvironmentMap, RadianceIsThePixelAtItsCentreAndWrapsRoundTheSeam) {
    // Columns alternate; along the seam (u = 0 and 1) the first and last meet.
    std::vector<float> rgb;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) rgb.insert(rgb.end(), {static_cast<float>(x), 0.0f, 1.0f});
    }
    const EnvironmentMap map(8, 4, std::move(rgb));
    EXPECT_NEAR(map.radiance(latLongDirection(2.5f / 8, 0.5f))[0], 2.0f, 1e-5f);
    EXPECT_NEAR(map.radiance(latLongDirection(0.0f, 0.5f))[0], 3.5f, 1e-5f);
    EXPECT_NEAR(map.radiance({0, 1, 0})[2], 1.0f, 1e-6f);
}

}  // namespace
}  // namespace sorvane::lighting
