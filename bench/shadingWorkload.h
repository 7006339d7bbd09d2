#pragma once

// Seeded shading samples and lights that the compiler cannot fold, shared by
// the evaluation benchmarks so that the Maya figures compare like with like.

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "maya/shadingEvaluation.h"
#include "model/vector.h"
#include "tests/support/randomDirections.h"

namespace sorvane::bench {

using namespace ::sorvane::mayaplugin;
using sorvane::testing::unitFrom;

constexpr std::size_t kSamples = 256;
constexpr std::size_t kLightsPerSample = 16;

struct Workload {
    std::vector<ShadingInputs> samples;
    std::vector<LightDataElement> lights;  // kSamples * kLightsPerSample
};

inline const Workload& workload() {
    static const Workload w = [] {
        std::mt19937 rng(11);
        std::uniform_real_distribution<float> u(0.1f, 0.9f);
        Workload out;
        for (std::size_t i = 0; i < kSamples; ++i) {
            ShadingInputs s;
            s.normalCamera = unitFrom(rng, 0.3f);
            const Vec3 towardsViewer = unitFrom(rng, 0.5f);
            s.rayDirection = {-towardsViewer.x, -towardsViewer.y, -towardsViewer.z};
            s.color = {u(rng), u(rng), u(rng)};
            s.ambientColor = {0.05f, 0.05f, 0.05f};
            s.scatteringColor = {u(rng), u(rng), u(rng)};
            s.oppositionColor = {0.6f, 0.6f, 0.6f};
            s.backlightColor = {0.4f, 0.4f, 0.4f};
            s.specularColor = {0.5f, 0.5f, 0.5f};
            s.diffuse = 0.8f;
            s.scattering = u(rng);
            s.anisotropy = u(rng) * 2.0f - 1.0f;
            s.depth = u(rng);
            s.opposition = u(rng);
            s.backlight = u(rng);
            s.eccentricity = 0.2f;
            s.specularRollOff = 0.3f;
            out.samples.push_back(s);
            for (std::size_t l = 0; l < kLightsPerSample; ++l) {
                out.lights.push_back(
                    {{u(rng), u(rng), u(rng)}, unitFrom(rng, -0.5f), u(rng), true, true, true});
            }
        }
        return out;
    }();
    return w;
}

}  // namespace sorvane::bench
