// qm7r_sorvane: the sorvane surface shader for mental ray.
//
// Parameters (qm7r_sorvane.mi; every one read through mi_eval):
//   color                surface colour: diffuse, ambient and irradiance factor
//   ambientColor         ambient term, ambientColor x color, added once
//   incandescence        added once
//   normalCamera         added to the state's normal before normalising
//   diffuse              diffuse weight
//   scatteringColor      weight of the two scattering terms
//   scattering, anisotropy, depth   the scattering terms' s, g and d
//   oppositionColor, opposition     opposition falloff weight and strength
//   backlightColor, backlight       backlight falloff weight and strength
//   subsurfaceIntensity  factor of each light sample's translucency group
//   eccentricity         width of the Gaussian specular lobe in the half-angle
//   specularRollOff, specularColor  specular weight and colour
//   useIrradiance, irradianceColor  the irradiance term and its weight
//   lights               the lights sampled, elements i_lights .. i_lights+n_lights-1
//
// Every light is averaged over its samples, with diffuse and translucency
// entering as running sums at half weight: earlier samples of an area light
// weigh more than later ones, as in the shipped shader. The result is added
// to the colour the renderer passes in; alpha is 1.

#include <shader.h>

#include "mentalray/exports.h"
#include "mentalray/lightSampleBatch.h"
#include "mentalray/shaderEvaluation.h"
#include "mentalray/sorvaneParameters.h"

// The renderer's side only: reading the parameters, sampling the lights and
// gathering irradiance. The shading itself is in shaderEvaluation.h.

using mrshading::EvaluatedParameters;
using mrshading::LightSampleBatch;
using mrshading::LightSampleInput;
using mrshading::LightSums;
using mrshading::SampleBatchMath;
using mrshading::Vec3;
using mrshading::ViewShared;

SORVANE_EXPORT miBoolean qm7r_sorvane(miColor* result, miState* state, SorvaneParameters* paras) {
    EvaluatedParameters m;
    m.color = *mi_eval_color(&paras->color);
    m.ambientColor = *mi_eval_color(&paras->ambientColor);
    m.incandescence = *mi_eval_color(&paras->incandescence);
    m.scatteringColor = *mi_eval_color(&paras->scatteringColor);
    m.oppositionColor = *mi_eval_color(&paras->oppositionColor);
    m.backlightColor = *mi_eval_color(&paras->backlightColor);
    m.specularColor = *mi_eval_color(&paras->specularColor);
    m.eccentricity = *mi_eval_scalar(&paras->eccentricity);
    m.specularRollOff = *mi_eval_scalar(&paras->specularRollOff);
    m.normalCamera = *mi_eval_vector(&paras->normalCamera);
    m.useIrradiance = *mi_eval_boolean(&paras->useIrradiance);
    m.diffuse = *mi_eval_scalar(&paras->diffuse);
    m.scattering = *mi_eval_scalar(&paras->scattering);
    m.anisotropy = *mi_eval_scalar(&paras->anisotropy);
    m.depth = *mi_eval_scalar(&paras->depth);
    m.opposition = *mi_eval_scalar(&paras->opposition);
    m.backlight = *mi_eval_scalar(&paras->backlight);
    m.subsurfaceIntensity = *mi_eval_scalar(&paras->subsurfaceIntensity);
    const miInteger n_lights = *mi_eval_integer(&paras->n_lights);
    const miInteger i_lights = *mi_eval_integer(&paras->i_lights);
    const miTag* const lights = mi_eval_tag(paras->lights);

    miColor irradianceColor = {0.0f, 0.0f, 0.0f, 0.0f};
    bool irradianceOn = false;
    if (m.useIrradiance != miFALSE) {
        irradianceColor = *mi_eval_color(&paras->irradianceColor);
        irradianceOn = mrshading::irradianceWanted(irradianceColor);
    }

    const Vec3 N = mrshading::shadingNormal(state->normal, m);

    // Copied before pri is cleared, so the gather sees the hit primitive.
    miState irradianceState = *state;
    irradianceState.normal = {N.x, N.y, N.z};

    // Light sampling sees no primitive and the unperturbed surface normal.
    const auto savedPri = state->pri;
    state->pri = nullptr;
    // Sampling a light leaves state->dir as it is, so the view is taken once.
    const ViewShared shared =
        n_lights > 0 ? mrshading::viewShared(m, mrshading::toVec3(state->dir), N) : ViewShared{};
    const SampleBatchMath* const math = n_lights > 0 ? mrshading::widestSampleBatchMath() : nullptr;
    if (math == nullptr) {
        for (miInteger k = 0; k < n_lights; ++k) {
            const miTag tag = lights[i_lights + k];
            LightSums sums;
            miInteger samples = 0;
            const double invEcc = mrshading::inverseEccentricity(m);
            LightSampleInput sample;
            miScalar dotNl;
            while (mi_sample_light(&sample.color, &sample.direction, &dotNl, state, tag, &samples) !=
                   miFALSE) {
                mrshading::addLightSample(m, shared, N, sample, invEcc, sums);
            }
            mrshading::addLightAverage(*result, sums.lightTotal, samples);
        }
    } else {
        // The same calls in the same order; each sample is evaluated when
        // the batch is full or the lights are done, in the order taken.
        LightSampleBatch batch(m, shared, N, mrshading::inverseEccentricity(m), *math, *result);
        for (miInteger k = 0; k < n_lights; ++k) {
            const miTag tag = lights[i_lights + k];
            miInteger samples = 0;
            miScalar dotNl;
            while (mi_sample_light(&batch.next().color, &batch.next().direction, &dotNl, state, tag,
                                   &samples) != miFALSE) {
                batch.add();
            }
            batch.endLight(samples);
        }
        batch.finish();
    }
    state->pri = savedPri;

    mrshading::addAmbientAndIncandescence(*result, m);

    if (irradianceOn) {
        miColor irradiance = {0.0f, 0.0f, 0.0f, 0.0f};
        mi_compute_irradiance(&irradiance, &irradianceState);
        mrshading::addIrradiance(*result, m, irradiance, irradianceColor);
    }
    return miTRUE;
}
