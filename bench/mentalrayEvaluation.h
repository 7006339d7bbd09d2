#pragma once

// The mental ray shader's evaluation of one shading sample's light samples,
// and the floor it is measured against, on the Maya benchmarks' workload:
// shared by mentalray_shader_bench and the timing program of the builds
// without Google Benchmark.

#include <cmath>
#include <cstddef>
#include <vector>

#include "bench/shadingWorkload.h"
#include "mentalray/lightSampleBatch.h"
#include "mentalray/sampleBatchMath.h"
#include "mentalray/shadingEvaluation.h"
#include "model/vector.h"

namespace sorvane::bench {

constexpr std::size_t kMaterials = 16;

inline miVector toMr(sorvane::mayaplugin::Vec3 v) { return {v.x, v.y, v.z}; }

// The shader's evaluation of one shading sample's light samples, as the
// shader entry runs it once the renderer has handed them over.
inline sorvane::mrplugin::ShadingInputs materialOf(const sorvane::mayaplugin::ShadingInputs& s) {
    sorvane::mrplugin::ShadingInputs m{};
    m.color = {s.color.r, s.color.g, s.color.b, 1.0f};
    m.scatteringColor = {s.scatteringColor.r, s.scatteringColor.g, s.scatteringColor.b, 1.0f};
    m.oppositionColor = {0.5f, 0.5f, 0.5f, 1.0f};
    m.backlightColor = {0.5f, 0.5f, 0.5f, 1.0f};
    m.specularColor = {0.5f, 0.5f, 0.5f, 1.0f};
    m.eccentricity = 0.3f;
    m.specularRollOff = 0.7f;
    m.diffuse = 0.8f;
    m.scattering = s.scattering;
    m.anisotropy = s.anisotropy;
    m.depth = s.depth;
    m.opposition = s.opposition;
    m.backlight = s.backlight;
    m.subsurfaceIntensity = 1.0f;
    return m;
}

// The workload's shading samples as the shader sees them once the renderer
// has handed over the light samples.
class ShaderEvaluation {
public:
    ShaderEvaluation() {
        const Workload& w = workload();
        for (std::size_t m = 0; m < kMaterials; ++m) materials_.push_back(materialOf(w.samples[m]));
        for (const sorvane::mayaplugin::LightDataElement& l : w.lights) {
            const sorvane::mayaplugin::Color& c = l.lightIntensity;
            inputs_.push_back({{c.r, c.g, c.b, 1.0f}, toMr(l.lightDirection)});
        }
    }

    // Shading sample k with its first `count` light samples, one light, on
    // the scalar path (null math) or in batches.
    miColor shade(std::size_t k, int count, const sorvane::mrplugin::SampleBatchMath* math) const {
        const Workload& w = workload();
        const sorvane::mrplugin::ShadingInputs& m = materials_[k % kMaterials];
        const sorvane::mrplugin::LightSampleInput* samples = &inputs_[k * kLightsPerSample];
        const sorvane::mrplugin::Vec3 N =
            sorvane::mrplugin::shadingNormal(toMr(w.samples[k].normalCamera), m);
        const sorvane::mrplugin::SampleConstants shared =
            sorvane::mrplugin::sampleConstants(m, w.samples[k].rayDirection, N);
        miColor result{0.0f, 0.0f, 0.0f, 0.0f};
        if (math == nullptr) {
            sorvane::mrplugin::PerLightSums sums;
            for (int j = 0; j < count; ++j) {
                sorvane::mrplugin::addLightSample(m, shared, N, samples[j],
                                                  sorvane::mrplugin::inverseEccentricity(m), sums);
            }
            sorvane::mrplugin::addLightAverage(result, sums.lightTotal, count);
        } else {
            sorvane::mrplugin::LightSampleBatch batch(m, shared, N, sorvane::mrplugin::inverseEccentricity(m),
                                                      *math, result);
            for (int j = 0; j < count; ++j) {
                batch.next() = samples[j];
                batch.add();
            }
            batch.endLight(count);
            batch.finish();
        }
        return result;
    }

private:
    std::vector<sorvane::mrplugin::ShadingInputs> materials_;
    std::vector<sorvane::mrplugin::LightSampleInput> inputs_;
};

inline float dcos(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
inline float dexp(float x) { return static_cast<float>(std::exp(static_cast<double>(x))); }
inline float dpow(float x, float y) {
    return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}
inline float dlog(float x) { return static_cast<float>(std::log(static_cast<double>(x))); }
inline float dtan(float x) { return static_cast<float>(std::tan(static_cast<double>(x))); }
inline float dacos(float x) { return static_cast<float>(std::acos(static_cast<double>(x))); }
inline float dsqrt(float x) { return static_cast<float>(std::sqrt(static_cast<double>(x))); }

// The arguments of one light sample's math calls, worked out beforehand. Not
// evaluation_bench's floor: the shader calls another mix, in double precision.
struct SampleFloorArguments {
    float cosArg[4], expArg[5], powBase[5], powExp[5], square, logArg[2], tanArg[2], acosArg, sqrtArg;
};

inline const std::vector<SampleFloorArguments>& sampleFloorArguments() {
    static const std::vector<SampleFloorArguments> all = [] {
        const auto& w = workload();
        std::vector<SampleFloorArguments> out;
        for (std::size_t k = 0; k < kSamples; ++k) {
            const sorvane::mayaplugin::ShadingInputs& m = w.samples[k % kMaterials];
            const sorvane::mayaplugin::Vec3 V = -w.samples[k].rayDirection, N = w.samples[k].normalCamera;
            const sorvane::mayaplugin::Vec3 L = w.lights[k * kLightsPerSample].lightDirection;
            const float vn = sorvane::model::dot(V, N), nl = sorvane::model::dot(N, L), g = m.anisotropy;
            const float c1 = dcos(vn), c2 = dcos(nl);
            const sorvane::mayaplugin::Vec3 h{L.x + V.x, L.y + V.y, L.z + V.z};
            SampleFloorArguments a{};
            a.cosArg[0] = a.cosArg[2] = vn;
            a.cosArg[1] = a.cosArg[3] = nl;
            a.expArg[0] = -(m.depth / c1);
            a.expArg[1] = -(m.depth / c2);
            a.expArg[2] = -m.depth - (1.0f / c1 - 1.0f / c2);
            a.expArg[3] = nl;
            a.expArg[4] = -0.5f;
            for (int j = 0; j < 3; ++j) {
                a.powBase[j] = g * g + 1.0f - nl * (g * 2.0f);
                a.powExp[j] = 1.5f;
            }
            a.powBase[3] = a.powBase[4] = 1.2f;
            a.powExp[3] = a.powExp[4] = -1.0f;
            a.square = 0.7f;
            a.logArg[0] = 1.0f - m.opposition;
            a.logArg[1] = 1.0f - m.backlight;
            a.tanArg[0] = vn * 0.5f;
            a.tanArg[1] = dexp(nl) * 0.5f;
            a.acosArg = 0.9f;
            a.sqrtArg = sorvane::model::dot(h, h);
            out.push_back(a);
        }
        return out;
    }();
    return all;
}

// One light sample's calls, summed so that none can be left out.
inline float mathFloorSample(const SampleFloorArguments& a) {
    float sum = 0.0f;
    for (float x : a.cosArg) sum += dcos(x);
    for (float x : a.expArg) sum += dexp(x);
    for (int j = 0; j < 5; ++j) sum += dpow(a.powBase[j], a.powExp[j]);
    // As the shader squares: the compiler makes pow(x, 2) a product in both.
    sum += static_cast<float>(std::pow(static_cast<double>(a.square), 2.0));
    for (float x : a.logArg) sum += dlog(x);
    for (float x : a.tanArg) sum += dtan(x);
    sum += dacos(a.acosArg);
    sum += dsqrt(a.sqrtArg);
    return sum;
}

}  // namespace sorvane::bench
