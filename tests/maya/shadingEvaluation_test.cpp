// The Maya-free evaluation against values worked by hand, a double-precision
// reference written from the model's description, and the properties that set
// it apart: running opposition and backlight totals, preShadowIntensity
// weighting, specular outside the transparency and signed by the view cosine.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "maya/shadingEvaluation.h"
#include "model/scattering.h"
#include "tests/support/scatteringOracle.h"

namespace {

using sorvane::mayaplugin::Color;
using sorvane::mayaplugin::evaluateOutColor;
using sorvane::mayaplugin::LightDataElement;
using sorvane::mayaplugin::ShadingInputs;
using sorvane::mayaplugin::Vec3;
namespace oracle = sorvane::oracle;

Color evaluate(const ShadingInputs& s, const std::vector<LightDataElement>& lights) {
    return evaluateOutColor(s, lights.data(), lights.size());
}

Vec3 unit(double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return {float(x / l), float(y / l), float(z / l)};
}

// The node's defaults, seen head-on: the camera looks down -z at a surface
// whose normal faces it.
ShadingInputs defaultSample() {
    ShadingInputs s;
    s.rayDirection = {0.0f, 0.0f, -1.0f};
    s.normalCamera = unit(0.2, 0.1, 1.0);
    s.color = {0.5f, 0.5f, 0.5f};
    s.scatteringColor = {0.5f, 0.5f, 0.5f};
    s.oppositionColor = {0.6f, 0.6f, 0.6f};
    s.backlightColor = {0.4f, 0.4f, 0.4f};
    s.specularColor = {0.5f, 0.5f, 0.5f};
    s.diffuse = 0.8f;
    s.scattering = 0.3f;
    s.anisotropy = 0.65f;
    s.depth = 0.3f;
    s.opposition = 0.25f;
    s.backlight = 0.3f;
    s.eccentricity = 0.2f;
    s.specularRollOff = 0.3f;
    return s;
}

LightDataElement light(Vec3 direction, Color intensity, float p, bool ambient, bool diffuse, bool specular) {
    return {intensity, direction, p, ambient, diffuse, specular};
}

// ---- double-precision reference ------------------------------------------

using D3 = std::array<double, 3>;
D3 rgb(const Color& c) { return {c.r, c.g, c.b}; }

Vec3 unitUnlessTinyDouble(Vec3 v) {
    const double l = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    return l == 0.0 ? v : Vec3{float(v.x / l), float(v.y / l), float(v.z / l)};
}

D3 referenceOutColor(const ShadingInputs& s, const std::vector<LightDataElement>& lights) {
    const Vec3 V = unitUnlessTinyDouble(s.rayDirection);
    const Vec3 minusV{-V.x, -V.y, -V.z};
    const Vec3 N = unitUnlessTinyDouble(s.normalCamera);
    D3 ambientLight{}, diffuse{}, opposition{}, backlight{}, scatter{}, specular{};
    const D3 color = rgb(s.color);
    for (const LightDataElement& l : lights) {
        const Vec3 L = unitUnlessTinyDouble(l.lightDirection);
        const D3 I = rgb(l.lightIntensity);
        const double p = l.preShadowIntensity;
        for (int c = 0; c < 3; ++c) {
            if (l.lightAmbient) ambientLight[c] += I[c] * color[c];
        }
        if (l.lightDiffuse) {
            const double R = oracle::reflection(V, N, L, s.scattering, s.anisotropy, s.depth);
            const double T = oracle::transmission(V, N, L, s.scattering, s.anisotropy, s.depth);
            const double Fo = oracle::falloff(oracle::storedDot(minusV, N), s.opposition);
            const double Fb =
                oracle::falloff(std::exp(-oracle::storedDot({-L.x, -L.y, -L.z}, N)), s.backlight);
            const double cosLN = oracle::storedDot(L, N);
            for (int c = 0; c < 3; ++c) {
                opposition[c] += Fo * p * rgb(s.oppositionColor)[c];
                backlight[c] += Fb * p * rgb(s.backlightColor)[c];
                scatter[c] += ((T + R) * rgb(s.scatteringColor)[c] + opposition[c] + backlight[c]) * p;
                if (cosLN > 0) diffuse[c] += cosLN * s.diffuse * I[c] * color[c];
            }
        }
        if (l.lightSpecular) {
            const Vec3 H = unitUnlessTinyDouble({L.x - V.x, L.y - V.y, L.z - V.z});
            const double cosHN = oracle::storedDot(H, N);
            const double e = std::pow(cosHN > 0 ? cosHN : 0.0, 6.0 / s.eccentricity);
            const double S = e / oracle::storedDot(minusV, N) * s.specularRollOff;
            for (int c = 0; c < 3; ++c) specular[c] += S * I[c] * rgb(s.specularColor)[c];
        }
    }
    D3 out;
    for (int c = 0; c < 3; ++c) {
        out[c] = ambientLight[c] + scatter[c] + diffuse[c] + rgb(s.ambientColor)[c] * color[c] +
                 rgb(s.incandescence)[c];
        out[c] = (1.0 - rgb(s.transparency)[c]) * out[c] + specular[c];
    }
    return out;
}

void expectNear(const Color& actual, const D3& expected, double relative = 2e-5) {
    const D3 a = rgb(actual);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(a[c], expected[c], relative * std::max(1.0, std::fabs(expected[c])))
            << "channel "
            << "rgb"[c] << " of " << actual;
    }
}

// ---- hand-worked values ---------------------------------------------------

TEST(EvaluateOutColor, WithoutLightsIsAmbientTimesColorPlusIncandescenceThroughTransparency) {
    ShadingInputs s = defaultSample();
    s.ambientColor = {0.2f, 0.4f, 0.6f};
    s.incandescence = {0.1f, 0.0f, 0.05f};
    s.transparency = {0.5f, 0.0f, 0.25f};
    // (0.2 * 0.5 + 0.1) * 0.5, (0.4 * 0.5) * 1, (0.6 * 0.5 + 0.05) * 0.75
    expectNear(evaluate(s, {}), {0.1, 0.2, 0.2625}, 1e-7);
}

TEST(EvaluateOutColor, ALightWithNoFlagsAddsNothing) {
    ShadingInputs s = defaultSample();
    s.ambientColor = {0.2f, 0.4f, 0.6f};
    const LightDataElement dark = light(unit(0, 0, 1), {1, 1, 1}, 1.0f, false, false, false);
    EXPECT_EQ(evaluate(s, {dark, dark}), evaluate(s, {}));
}

TEST(EvaluateOutColor, AnAmbientLightAddsIntensityTimesColorDarkenedByTransparency) {
    ShadingInputs s = defaultSample();
    s.transparency = {0.5f, 0.5f, 0.5f};
    const LightDataElement ambient = light(unit(0, 0, 1), {0.4f, 0.8f, 1.0f}, 1.0f, true, false, false);
    expectNear(evaluate(s, {ambient}), {0.4 * 0.5 * 0.5, 0.8 * 0.5 * 0.5, 1.0 * 0.5 * 0.5}, 1e-7);
}

// Opposition depends only on V and N, so two diffuse lights with p1 = 1 and
// p2 = 0.5 give O1 = Fo c and O2 = 1.5 Fo c; the running total makes the
// scattering sum O1 * 1 + O2 * 0.5 = 1.75 Fo c. A plain sum would give 1.25.
TEST(EvaluateOutColor, OppositionEntersAsARunningTotal) {
    ShadingInputs s = defaultSample();
    s.color = {0.0f, 0.0f, 0.0f};            // no diffuse or ambient light
    s.scatteringColor = {0.0f, 0.0f, 0.0f};  // no scattering terms
    s.backlightColor = {0.0f, 0.0f, 0.0f};
    const Vec3 L = unit(0.3, 0.3, 1.0);
    const float Fo = sorvane::model::oppositionFalloff<sorvane::model::MayaFlavour>(
        {0.0f, 0.0f, 1.0f}, s.normalCamera, s.opposition);
    const Color out = evaluate(
        s, {light(L, {1, 1, 1}, 1.0f, false, true, false), light(L, {1, 1, 1}, 0.5f, false, true, false)});
    expectNear(out, {1.75 * Fo * 0.6, 1.75 * Fo * 0.6, 1.75 * Fo * 0.6}, 1e-6);
}

// ---- against the double-precision reference ------------------------------

struct Scene {
    const char* name;
    ShadingInputs sample;
    std::vector<LightDataElement> lights;
};

ShadingInputs with(ShadingInputs s, void (*change)(ShadingInputs&)) {
    change(s);
    return s;
}

const Color white{1.0f, 1.0f, 1.0f};
const Color warm{1.0f, 0.8f, 0.6f};

std::vector<Scene> scenes() {
    const ShadingInputs s = defaultSample();
    const Vec3 key = unit(0.5, 0.6, 1.0), fill = unit(-0.8, 0.2, 0.6), back = unit(0.1, 0.5, -1.0);
    return {
        {"DiffuseFrontLight", s, {light(key, warm, 1.0f, false, true, false)}},
        {"AllFlags", s, {light(key, warm, 0.8f, true, true, true)}},
        {"LightBehindTheSurface", s, {light(back, warm, 1.0f, false, true, true)}},
        {"SpecularOnly", s, {light(key, white, 1.0f, false, false, true)}},
        {"TwoLights",
         s,
         {light(key, warm, 1.0f, true, true, true), light(fill, white, 0.4f, false, true, false)}},
        {"ThreeLightsKeyFillBack",
         s,
         {light(key, warm, 1.0f, false, true, true), light(fill, white, 0.4f, false, true, true),
          light(back, white, 0.7f, false, true, true)}},
        {"ThreeLightsReversed",
         s,
         {light(back, white, 0.7f, false, true, true), light(fill, white, 0.4f, false, true, true),
          light(key, warm, 1.0f, false, true, true)}},
        {"ShadowedLight", s, {light(key, {0.1f, 0.1f, 0.1f}, 0.2f, true, true, true)}},
        {"Transparent",
         with(s,
              [](ShadingInputs& t) {
                  t.transparency = {0.3f, 0.6f, 0.9f};
              }),
         {light(key, warm, 1.0f, true, true, true)}},
        {"SeenFromBehind",
         with(s,
              [](ShadingInputs& t) {
                  t.rayDirection = {0.0f, 0.0f, 1.0f};
              }),
         {light(key, warm, 1.0f, false, true, true)}},
        {"UnnormalisedInputs",
         with(s,
              [](ShadingInputs& t) {
                  t.rayDirection = {0.0f, 0.0f, -7.0f};
                  t.normalCamera = {0.4f, 0.2f, 2.0f};
              }),
         {light({2.5f, 3.0f, 5.0f}, warm, 1.0f, true, true, true)}},
        {"Anisotropic",
         with(s,
              [](ShadingInputs& t) {
                  t.anisotropy = -0.6f;
                  t.depth = 0.9f;
                  t.opposition = 0.8f;
                  t.backlight = 0.05f;
                  t.eccentricity = 0.6f;
              }),
         {light(key, warm, 1.0f, false, true, true), light(back, white, 0.5f, false, true, false)}},
    };
}

class EvaluateAgainstReference : public ::testing::TestWithParam<Scene> {};

TEST_P(EvaluateAgainstReference, MatchesTheDoublePrecisionReference) {
    const Scene& scene = GetParam();
    expectNear(evaluate(scene.sample, scene.lights), referenceOutColor(scene.sample, scene.lights));
}

INSTANTIATE_TEST_SUITE_P(Scenes, EvaluateAgainstReference, ::testing::ValuesIn(scenes()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- properties ------------------------------------------------------------

// Backlight depends on L, so two lights with different p and directions show
// the running total's order: light 1's backlight is counted with p1 (p1 + p2).
TEST(EvaluateOutColor, LightOrderMattersThroughTheRunningTotals) {
    const ShadingInputs s = defaultSample();
    const LightDataElement a = light(unit(0.5, 0.6, 1.0), white, 1.0f, false, true, false);
    const LightDataElement b = light(unit(0.1, 0.5, -1.0), white, 0.3f, false, true, false);
    const Color ab = evaluate(s, {a, b});
    const Color ba = evaluate(s, {b, a});
    EXPECT_GT(std::fabs(ab.r - ba.r), 1e-3f) << ab << " vs " << ba;
    expectNear(ab, referenceOutColor(s, {a, b}));
    expectNear(ba, referenceOutColor(s, {b, a}));
}

// Behind the surface (and exactly at grazing, cosLN = 0) there is no diffuse
// term, so the surface colour no longer matters; scattering still arrives,
// weighted by preShadowIntensity and never by the light's intensity.
TEST(EvaluateOutColor, ALightBehindAddsScatteringButNoDiffuse) {
    ShadingInputs s = defaultSample();
    s.normalCamera = {0.0f, 0.0f, 1.0f};
    for (Vec3 L : {unit(0.3, 0.2, -1.0), Vec3{1.0f, 0.0f, 0.0f}}) {
        const Color base = evaluate(s, {light(L, white, 1.0f, false, true, false)});
        ShadingInputs red = s;
        red.color = {1.0f, 0.0f, 0.0f};
        EXPECT_EQ(evaluate(red, {light(L, white, 1.0f, false, true, false)}), base) << L;
        EXPECT_EQ(evaluate(s, {light(L, {5.0f, 0.1f, 2.0f}, 1.0f, false, true, false)}), base) << L;
        EXPECT_GT(base.r, 0.0f) << L;
        EXPECT_NE(evaluate(s, {light(L, white, 0.5f, false, true, false)}), base) << L;
    }
}

TEST(EvaluateOutColor, FullTransparencyLeavesOnlyTheHighlight) {
    ShadingInputs s = defaultSample();
    s.transparency = {1.0f, 1.0f, 1.0f};
    s.ambientColor = {0.3f, 0.3f, 0.3f};
    s.incandescence = {0.2f, 0.1f, 0.0f};
    const Vec3 key = unit(0.5, 0.6, 1.0);
    const Color out = evaluate(s, {light(key, warm, 1.0f, true, true, true)});
    ShadingInputs specularOnly = defaultSample();
    specularOnly.transparency = {1.0f, 1.0f, 1.0f};
    EXPECT_EQ(out, evaluate(specularOnly, {light(key, warm, 1.0f, false, false, true)}));
    EXPECT_GT(out.r, 0.0f);
}

// dot(-V, N) < 0 divides the highlight: wherever dot(H, N) > 0 it turns negative.
TEST(EvaluateOutColor, SeenFromBehindTheHighlightIsNegative) {
    ShadingInputs s = defaultSample();
    s.rayDirection = unit(0.0, 0.0, 1.0);
    s.normalCamera = unit(0.0, 1.0, 0.3);  // dot(-V, N) = -0.29, dot(H, N) = 0.56
    const Color out = evaluate(s, {light(unit(0.0, 1.0, 0.2), white, 1.0f, false, false, true)});
    EXPECT_LT(out.r, 0.0f);
    EXPECT_LT(out.g, 0.0f);
    EXPECT_LT(out.b, 0.0f);
}

TEST(UnitUnlessTiny, LeavesAZeroVectorUnchangedAndScalesOthersToUnitLength) {
    EXPECT_EQ(sorvane::mayaplugin::unitUnlessTiny({0.0f, 0.0f, 0.0f}), (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(sorvane::mayaplugin::unitUnlessTiny({1e-11f, 0.0f, 0.0f}), (Vec3{1e-11f, 0.0f, 0.0f}));
    const Vec3 v = sorvane::mayaplugin::unitUnlessTiny({3.0f, 0.0f, -4.0f});
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_FLOAT_EQ(v.z, -0.8f);
}

// A zero normal from the renderer must not turn the whole sample into NaN.
TEST(EvaluateOutColor, AZeroNormalGivesAFiniteColor) {
    ShadingInputs s = defaultSample();
    s.normalCamera = {0.0f, 0.0f, 0.0f};
    const Color out = evaluate(s, {light(unit(0.5, 0.6, 1.0), warm, 1.0f, true, true, false)});
    EXPECT_TRUE(std::isfinite(out.r) && std::isfinite(out.g) && std::isfinite(out.b)) << out;
}

}  // namespace
