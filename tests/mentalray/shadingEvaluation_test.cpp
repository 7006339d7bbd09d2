// The shader's shading apart from the renderer: the running sums, what a
// light behind the surface adds, and the steps after the lights.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mentalray/shadingEvaluation.h"

namespace sorvane::mrplugin {
namespace {

bool sameBits(const miColor& a, const miColor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// White, diffuse only, no translucency and no specular: what a light adds is
// its diffuse share alone.
ShadingInputs diffuseOnly() {
    ShadingInputs m{};
    m.color = {1.0f, 1.0f, 1.0f, 1.0f};
    m.diffuse = 1.0f;
    m.eccentricity = 0.3f;
    m.scattering = 0.5f;
    m.depth = 0.25f;
    return m;
}

constexpr Vec3 kUp{0.0f, 0.0f, 1.0f};

PerLightSums shadeLight(const ShadingInputs& m, const LightSampleInput& sample, int samples) {
    const SampleConstants shared = sampleConstants(m, -kUp, kUp);
    PerLightSums sums;
    for (int k = 0; k < samples; ++k) {
        addLightSample(m, shared, kUp, sample, inverseEccentricity(m), sums);
    }
    return sums;
}

struct RunningSumCase {
    int samples;
    float average;  // of a white light straight above
};

void PrintTo(const RunningSumCase& c, std::ostream* os) { *os << c.samples << " samples"; }

class RunningSumTest : public ::testing::TestWithParam<RunningSumCase> {};

// The diffuse sum enters the light's total at half weight after every
// sample, so earlier samples weigh more: n equal samples average (n + 1) / 4.
TEST_P(RunningSumTest, EarlierSamplesWeighMore) {
    const RunningSumCase c = GetParam();
    const ShadingInputs m = diffuseOnly();
    const PerLightSums sums = shadeLight(m, {{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}}, c.samples);
    miColor result{};
    addLightAverage(result, sums.lightTotal, c.samples);
    EXPECT_EQ(result.r, c.average) << sums;
    EXPECT_EQ(result.g, c.average) << sums;
    EXPECT_EQ(result.b, c.average) << sums;
}

INSTANTIATE_TEST_SUITE_P(Samples, RunningSumTest,
                         ::testing::Values(RunningSumCase{1, 0.5f}, RunningSumCase{2, 0.75f},
                                           RunningSumCase{3, 1.0f}, RunningSumCase{7, 2.0f}));

TEST(ShaderEvaluation, ALightBehindTheSurfaceAddsNeitherDiffuseNorSpecular) {
    ShadingInputs m = diffuseOnly();
    m.specularColor = {1.0f, 1.0f, 1.0f, 1.0f};
    m.specularRollOff = 1.0f;
    const PerLightSums sums = shadeLight(m, {{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, -1.0f}}, 2);
    EXPECT_EQ(sums.diffuseRun.r, 0.0f) << sums;
    EXPECT_EQ(sums.lightTotal.r, 0.0f) << sums;
    EXPECT_EQ(sums.lightTotal.b, 0.0f) << sums;
}

TEST(ShaderEvaluation, TheTranslucencyGroupIgnoresTheLightsColor) {
    ShadingInputs m = diffuseOnly();
    m.scatteringColor = {0.2f, 0.4f, 0.6f, 1.0f};
    m.backlightColor = {0.3f, 0.3f, 0.3f, 1.0f};
    m.oppositionColor = {0.1f, 0.2f, 0.3f, 1.0f};
    m.anisotropy = 0.65f;
    m.opposition = 0.25f;
    m.backlight = 0.3f;
    m.subsurfaceIntensity = 1.0f;
    const miVector direction{0.6f, 0.0f, 0.8f};
    const PerLightSums white = shadeLight(m, {{1.0f, 1.0f, 1.0f, 1.0f}, direction}, 1);
    const PerLightSums black = shadeLight(m, {{0.0f, 0.0f, 0.0f, 1.0f}, direction}, 1);
    EXPECT_GT(white.translucencyRun.g, 0.0f) << white;
    EXPECT_EQ(white.translucencyRun.r, black.translucencyRun.r) << white << " against " << black;
    EXPECT_EQ(white.translucencyRun.g, black.translucencyRun.g) << white << " against " << black;
    EXPECT_EQ(white.translucencyRun.b, black.translucencyRun.b) << white << " against " << black;
}

// A light that gave no sample must not divide by zero into the result.
TEST(ShaderEvaluation, ALightWithoutSamplesLeavesTheResultAsItWas) {
    const miColor before{0.25f, 0.5f, 0.75f, 0.0f};
    miColor result = before;
    addLightAverage(result, miColor{1.0f, 2.0f, 3.0f, 0.0f}, 0);
    EXPECT_TRUE(sameBits(result, before));
}

struct WeightCase {
    miColor weight;
    bool wanted;
};

void PrintTo(const WeightCase& c, std::ostream* os) {
    *os << '(' << c.weight.r << ", " << c.weight.g << ", " << c.weight.b << ", " << c.weight.a << ')';
}

class IrradianceWeightTest : public ::testing::TestWithParam<WeightCase> {};

TEST_P(IrradianceWeightTest, OnlyAColoredWeightAsksForAGather) {
    EXPECT_EQ(irradianceWanted(GetParam().weight), GetParam().wanted);
}

INSTANTIATE_TEST_SUITE_P(Weights, IrradianceWeightTest,
                         ::testing::Values(WeightCase{{0.0f, 0.0f, 0.0f, 0.0f}, false},
                                           WeightCase{{0.0f, 0.0f, 0.0f, 1.0f}, false},
                                           WeightCase{{-0.0f, 0.0f, -0.0f, 0.0f}, false},
                                           WeightCase{{0.0f, 0.0f, 1e-30f, 0.0f}, true},
                                           WeightCase{{-1.0f, 0.0f, 0.0f, 0.0f}, true}));

// A normalCamera that cancels the state's normal leaves a zero normal, not NaN.
TEST(ShaderEvaluation, ACancelledNormalStaysZero) {
    ShadingInputs m = diffuseOnly();
    m.normalCamera = {0.0f, 0.0f, -1.0f};
    const Vec3 n = shadingNormal({0.0f, 0.0f, 1.0f}, m);
    EXPECT_EQ(n, (Vec3{0.0f, 0.0f, 0.0f})) << n;
}

}  // namespace
}  // namespace sorvane::mrplugin
