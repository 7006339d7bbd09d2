// The vector path of the evaluation against the scalar path: each
// instruction set this machine has (SSE2, AVX2, AVX-512), light counts around the batch and lane
// sizes, every flag mix. The vector functions are not the scalar ones, so
// results may differ in their last bits. A channel is a running sum of terms
// that cancel (negative highlights, 1 - e), so its difference is counted in
// ulps of the colour's scale, its largest channel or 1, whichever is larger:
// never more than kMaxUlps of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "maya/lightBatchMath.h"
#include "maya/shadingEvaluation.h"
#include "tests/support/randomDirections.h"

namespace {

using sorvane::mayaplugin::Color;
using sorvane::mayaplugin::LightBatchIsa;
using sorvane::mayaplugin::LightBatchMath;
using sorvane::mayaplugin::LightDataElement;
using sorvane::mayaplugin::ShadingInputs;
using sorvane::mayaplugin::Vec3;
using sorvane::testing::unitFrom;

// The largest difference seen over the seeded samples below is quoted in the
// test's output; the bound leaves room above it.
constexpr double kMaxUlps = 8.0;

struct Case {
    ShadingInputs sample;
    std::vector<LightDataElement> lights;
};

// Not the benchmarks' workload: these reach the edges where the two paths
// could part (no depth, no backlight, transparency, lights off in any mix).
std::vector<Case> seededCases(std::size_t lightCount) {
    std::mt19937 rng(static_cast<unsigned>(97 + lightCount));
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    std::vector<Case> out;
    for (int i = 0; i < 200; ++i) {
        Case c;
        ShadingInputs& s = c.sample;
        s.normalCamera = unitFrom(rng, 0.2f);
        const Vec3 v = unitFrom(rng, 0.3f);
        s.rayDirection = {-v.x, -v.y, -v.z};
        s.color = {u(rng), u(rng), u(rng)};
        s.ambientColor = {0.1f, 0.1f, 0.1f};
        s.scatteringColor = {u(rng), u(rng), u(rng)};
        s.oppositionColor = {u(rng), u(rng), u(rng)};
        s.backlightColor = {u(rng), u(rng), u(rng)};
        s.specularColor = {u(rng), u(rng), u(rng)};
        s.transparency = {u(rng) * 0.5f, u(rng) * 0.5f, u(rng) * 0.5f};
        s.diffuse = u(rng);
        s.scattering = u(rng);
        s.anisotropy = u(rng) * 2.0f - 1.0f;
        s.depth = i % 11 == 0 ? 0.0f : u(rng);
        s.opposition = u(rng) * 0.99f;
        s.backlight = i % 13 == 0 ? 0.0f : u(rng) * 0.99f;
        s.eccentricity = 0.05f + u(rng) * 0.95f;
        s.specularRollOff = u(rng);
        for (std::size_t l = 0; l < lightCount; ++l) {
            c.lights.push_back({{u(rng), u(rng), u(rng)},
                                unitFrom(rng, -0.6f),
                                u(rng),
                                u(rng) < 0.3f,
                                u(rng) < 0.9f,
                                u(rng) < 0.7f});
        }
        out.push_back(std::move(c));
    }
    return out;
}

struct Path {
    LightBatchIsa isa;
    std::size_t lights;
};

const LightBatchIsa kIsas[] = {LightBatchIsa::sse2, LightBatchIsa::avx2, LightBatchIsa::avx512};

std::string pathName(const ::testing::TestParamInfo<Path>& info) {
    return std::string(sorvane::vectormath::isaName(info.param.isa)) + "_" +
           std::to_string(info.param.lights) + "lights";
}

class VectorPath : public ::testing::TestWithParam<Path> {};

TEST_P(VectorPath, StaysWithinAFewUlpsOfTheScalarPath) {
    const LightBatchMath* math = sorvane::mayaplugin::lightBatchMath(GetParam().isa);
    if (math == nullptr) GTEST_SKIP() << "not available on this machine";
    double worst = 0.0;
    for (const Case& c : seededCases(GetParam().lights)) {
        const Color scalar =
            sorvane::mayaplugin::evaluateOutColor(c.sample, c.lights.data(), c.lights.size(), nullptr);
        const Color vector =
            sorvane::mayaplugin::evaluateOutColor(c.sample, c.lights.data(), c.lights.size(), math);
        ASSERT_TRUE(std::isfinite(scalar.r) && std::isfinite(scalar.g) && std::isfinite(scalar.b)) << scalar;
        const float scale = std::max({std::fabs(scalar.r), std::fabs(scalar.g), std::fabs(scalar.b), 1.0f});
        const double ulp = std::nextafter(scale, INFINITY) - scale;
        for (const auto& [a, b] :
             {std::pair{scalar.r, vector.r}, {scalar.g, vector.g}, {scalar.b, vector.b}}) {
            const double difference = std::fabs(static_cast<double>(a) - static_cast<double>(b)) / ulp;
            ASSERT_LE(difference, kMaxUlps) << c.sample << " scalar " << scalar << " vector " << vector;
            worst = std::max(worst, difference);
        }
    }
    std::printf("worst difference: %.2f ulps of the colour's scale\n", worst);
}

INSTANTIATE_TEST_SUITE_P(LightCounts, VectorPath, ::testing::ValuesIn([] {
                             std::vector<Path> paths;
                             for (const LightBatchIsa isa : kIsas) {
                                 for (const std::size_t lights : {1, 2, 3, 8, 9, 16, 17, 18, 27, 40})
                                     paths.push_back({isa, lights});
                             }
                             return paths;
                         }()),
                         pathName);

// Values at the edges of the model's range, one odd light among ordinary
// ones or one odd sample: the vector path agrees with the scalar path in
// NaN and infinity too, and nothing of the odd light reaches another lane.
struct Edge {
    const char* name;
    void (*apply)(ShadingInputs& s, LightDataElement& odd);
};

const Edge kEdges[] = {
    {"zeroLightDirection",
     [](ShadingInputs&, LightDataElement& l) {
         l.lightDirection = {0.0f, 0.0f, 0.0f};
     }},
    {"tinyLightDirection",
     [](ShadingInputs&, LightDataElement& l) {
         l.lightDirection = {1e-11f, 0.0f, 0.0f};
     }},
    {"hugeLightDirection",
     [](ShadingInputs&, LightDataElement& l) {
         l.lightDirection = {1e30f, -1e30f, 0.0f};
     }},
    {"nanLightDirection",
     [](ShadingInputs&, LightDataElement& l) {
         l.lightDirection = {NAN, 0.0f, 1.0f};
     }},
    {"lightAlongTheNormal", [](ShadingInputs& s, LightDataElement& l) { l.lightDirection = s.normalCamera; }},
    {"lightBehind", [](ShadingInputs& s, LightDataElement& l) { l.lightDirection = -s.normalCamera; }},
    {"infiniteIntensity",
     [](ShadingInputs&, LightDataElement& l) {
         l.lightIntensity = {INFINITY, 0.0f, 1.0f};
     }},
    {"noFlags",
     [](ShadingInputs&, LightDataElement& l) { l.lightAmbient = l.lightDiffuse = l.lightSpecular = false; }},
    {"eccentricityZero", [](ShadingInputs& s, LightDataElement&) { s.eccentricity = 0.0f; }},
    {"eccentricityNegative", [](ShadingInputs& s, LightDataElement&) { s.eccentricity = -0.5f; }},
    {"depthZero", [](ShadingInputs& s, LightDataElement&) { s.depth = 0.0f; }},
    {"backlightOne", [](ShadingInputs& s, LightDataElement&) { s.backlight = 1.0f; }},
    {"anisotropyOneLightAlongTheNormal",
     [](ShadingInputs& s, LightDataElement& l) {
         s.anisotropy = 1.0f;
         l.lightDirection = s.normalCamera;
     }},
    {"viewAlongTheSurface",
     [](ShadingInputs& s, LightDataElement&) {
         s.normalCamera = {0.0f, 0.0f, 1.0f};
         s.rayDirection = {1.0f, 0.0f, 0.0f};
     }},
};

void PrintTo(const Edge& edge, std::ostream* os) { *os << edge.name; }

class VectorPathEdge : public ::testing::TestWithParam<std::tuple<LightBatchIsa, Edge>> {};

TEST_P(VectorPathEdge, AgreesWithTheScalarPath) {
    const auto& [isa, edge] = GetParam();
    const LightBatchMath* math = sorvane::mayaplugin::lightBatchMath(isa);
    if (math == nullptr) GTEST_SKIP() << "not available on this machine";
    // 11 lights: a partial chunk after a full one on AVX2, one batch of 16 lanes on AVX-512.
    for (Case c : seededCases(11)) {
        for (LightDataElement& l : c.lights) l.lightAmbient = l.lightDiffuse = l.lightSpecular = true;
        edge.apply(c.sample, c.lights[5]);
        const Color scalar =
            sorvane::mayaplugin::evaluateOutColor(c.sample, c.lights.data(), c.lights.size(), nullptr);
        const Color vector =
            sorvane::mayaplugin::evaluateOutColor(c.sample, c.lights.data(), c.lights.size(), math);
        float scale = 1.0f;
        for (float v : {scalar.r, scalar.g, scalar.b})
            if (std::isfinite(v)) scale = std::max(scale, std::fabs(v));
        const double ulp = std::nextafter(scale, INFINITY) - scale;
        for (const auto& [a, b] :
             {std::pair{scalar.r, vector.r}, {scalar.g, vector.g}, {scalar.b, vector.b}}) {
            if (!std::isfinite(a)) {
                ASSERT_TRUE(a == b || (std::isnan(a) && std::isnan(b)))
                    << c.sample << " scalar " << scalar << " vector " << vector;
                continue;
            }
            ASSERT_LE(std::fabs(static_cast<double>(a) - static_cast<double>(b)) / ulp, kMaxUlps)
                << c.sample << " scalar " << scalar << " vector " << vector;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, VectorPathEdge,
                         ::testing::Combine(::testing::ValuesIn(kIsas), ::testing::ValuesIn(kEdges)),
                         [](const auto& info) {
                             return std::string(sorvane::vectormath::isaName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
