#pragma once

// The qm7r_sorvane shader's shading model without the renderer's state: the
// parameters' values and each light sample's colour and direction in, the
// colour added to the result out. sorvaneShader.cpp reads the parameters,
// samples the lights and gathers irradiance, in this order:
//
//     p = the parameters after mi_eval (EvaluatedParameters)
//     N = shadingNormal(state normal, p)
//     shared = viewShared(p, ray direction, N)      (when there are lights)
//     for each light:
//         LightSums sums
//         for each sample: addLightSample(p, shared, N, sample, inverseEccentricity(p), sums)
//         addLightAverage(result, sums.lightTotal, samples)
//     addAmbientAndIncandescence(result, p)
//     if irradianceWanted(weight): addIrradiance(result, p, irradiance, weight)
//
// Every step works in single precision in a fixed order; the running sums
// carry the order of the samples, so the calls must come in this order too.

#include <cmath>
#include <ostream>

#include <shader.h>

#include "mentalray/shaderParameters.h"
#include "model/scattering.h"
#include "model/vector.h"

namespace sorvane::mrplugin {

using Flavour = sorvane::model::MentalRayFlavour;
using sorvane::model::Vec3;

// The parameter block's values after mi_eval, as the shading uses them: a
// field per row of shaderParameters.h. irradianceColor is read only when
// useIrradiance is on, and is black otherwise.
struct ShadingInputs {
#include "mentalray/shaderParameterFields.inc"
};

// What mi_sample_light hands back that the shading uses; its cosine belongs
// to the unperturbed normal and is left out.
struct LightSampleInput {
    miColor color;
    miVector direction;  // towards the light
};

// One light's running sums over its samples.
struct PerLightSums {
    // Alpha plays no part in the sums; it stays zero.
    miColor diffuseRun{};
    miColor translucencyRun{};
    miColor lightTotal{};
};

// What every light sample of one shader call computes alike, worked out once
// with the same values: the view direction, the scattering terms' view
// cosine and exponential, the opposition falloff and the backlight curve's scale.
struct SampleConstants {
    Vec3 V;
    sorvane::model::ViewTerms view;
    float opposition = 0.0f;
    float backlightScale = 0.0f;
};

inline Vec3 toVec3(const miVector& v) { return {v.x, v.y, v.z}; }

// The cosines are summed y, x, z as the shipped shader does.
inline float cosine(Vec3 a, Vec3 n) { return (a.y * n.y + a.x * n.x) + a.z * n.z; }

// The shader's rule: a vector whose computed length is zero is kept as it
// is rather than divided by zero; any other is scaled to unit length (no
// threshold, unlike the Maya node's 1e-20 rule).
inline Vec3 unitUnlessZeroLength(Vec3 v) {
    const float len2 = (v.x * v.x + v.y * v.y) + v.z * v.z;
    const float len = static_cast<float>(std::sqrt(static_cast<double>(len2)));
    if (len == 0.0f) {
        return v;
    }
    const float inv = 1.0f / len;
    return {inv * v.x, inv * v.y, inv * v.z};
}

// The state's normal perturbed by normalCamera, normalised.
Vec3 shadingNormal(const miVector& stateNormal, const ShadingInputs& m);

// rayDirection runs from the eye towards the shaded point (the state's dir).
SampleConstants sampleConstants(const ShadingInputs& m, Vec3 rayDirection, Vec3 N);

// Worked out per light, in double, as the shipped shader does.
inline double inverseEccentricity(const ShadingInputs& m) { return 1.0 / m.eccentricity; }

// What one light sample's math calls yield, before it enters the sums.
struct LightSampleTerms {
    sorvane::model::Scattering scattering;  // reflection, transmission and phase
    float backlight = 0.0f;                 // the backlight falloff
    float lobe = 0.0f;                      // the specular lobe
};

// The steps of a light sample around its math calls, shared by the scalar
// path and the batches (lightSampleBatch.h) so that both compute alike.
// nh for the half vector of L and V.
inline float halfCosine(Vec3 L, Vec3 V, Vec3 N) {
    const Vec3 H = unitUnlessZeroLength({L.x + V.x, L.y + V.y, L.z + V.z});
    // Clamped for acos: at the centre of a highlight, rounding leaves the
    // cosine a step over 1, and acos would turn the brightest sample into NaN.
    // Only such results change; NaN input stays NaN.
    const float nh = cosine(H, N);
    return nh > 1.0f ? 1.0f : nh < -1.0f ? -1.0f : nh;
}

// sq = pow(b, 2), b = acos(nh) x invEcc, from a = acos(nh).
inline float lobeSquare(float a, double invEcc) {
    const float b = static_cast<float>(a * invEcc);
    return static_cast<float>(std::pow(static_cast<double>(b), 2.0));
}

// The terms of one light sample, with the double-precision library calls.
LightSampleTerms sampleTerms(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                             const LightSampleInput& sample, double invEcc);

// One light sample's share of the light's running sums and total, from its terms.
void addSampleTerms(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                    const LightSampleInput& sample, const LightSampleTerms& terms, PerLightSums& sums);

// One light sample's share of the light's running sums and total.
inline void addLightSample(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                           const LightSampleInput& sample, double invEcc, PerLightSums& sums) {
    addSampleTerms(m, shared, N, sample, sampleTerms(m, shared, N, sample, invEcc), sums);
}

// The light's total averaged over its samples, added to the result; a light
// that gave no sample adds nothing.
void addLightAverage(miColor& result, const miColor& lightTotal, miInteger samples);

// Ambient and incandescence, added once after the lights; alpha becomes 1.
void addAmbientAndIncandescence(miColor& result, const ShadingInputs& m);

// A black weight would only waste a gather; its alpha plays no part.
bool irradianceWanted(const miColor& weight);

// The gathered irradiance, weighted by the colour and the weight, over pi.
void addIrradiance(miColor& result, const ShadingInputs& m, const miColor& irradiance, const miColor& weight);

std::ostream& operator<<(std::ostream& os, const ShadingInputs& m);
std::ostream& operator<<(std::ostream& os, const LightSampleInput& s);
std::ostream& operator<<(std::ostream& os, const PerLightSums& s);
std::ostream& operator<<(std::ostream& os, const SampleConstants& s);

}  // namespace sorvane::mrplugin
