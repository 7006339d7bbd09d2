// qm7r_sorvane: the sorvane surface shader for mental ray.
//
// Parameters: the mental ray rows of the material table
// (model/materialTable.h, listed in the README), every one read through
// mi_eval in the order the table gives, irradianceColor only when
// useIrradiance is on; then the lights, elements i_lights .. i_lights+n_lights-1.
//
// Every light is averaged over its samples, with diffuse and translucency
// entering as running sums at half weight: earlier samples of an area light
// weigh more than later ones, as in the shipped shader. The result is added
// to the colour the renderer passes in; alpha is 1.

#include <shader.h>

#include <utility>

#include "mentalray/exports.h"
#include "mentalray/lightSampleBatch.h"
#include "mentalray/shadingEvaluation.h"
#include "mentalray/sorvaneParameters.h"

// The renderer's side only: reading the parameters, sampling the lights and
// gathering irradiance. The shading itself is in shadingEvaluation.h.

using sorvane::mrplugin::LightSampleBatch;
using sorvane::mrplugin::LightSampleInput;
using sorvane::mrplugin::PerLightSums;
using sorvane::mrplugin::SampleBatchMath;
using sorvane::mrplugin::SampleConstants;
using sorvane::mrplugin::ShadingInputs;
using sorvane::mrplugin::Vec3;

namespace {

// The parameter whose place in the reads is Read (shaderParameters.h).
template <int Read>
inline void readParameter(miState* state, SorvaneParameters* paras, ShadingInputs& m) {
#define SORVANE_SHADER_COLOR(name, value, description, read) \
    if constexpr (Read == (read)) m.name = *mi_eval_color(&paras->name);
#define SORVANE_SHADER_SCALAR(name, value, softMin, softMax, description, read, ...) \
    if constexpr (Read == (read)) m.name = *mi_eval_scalar(&paras->name);
#define SORVANE_SHADER_VECTOR(name, value, description, read) \
    if constexpr (Read == (read)) m.name = *mi_eval_vector(&paras->name);
#define SORVANE_SHADER_BOOLEAN(name, value, description, read) \
    if constexpr (Read == (read)) m.name = *mi_eval_boolean(&paras->name);
    SORVANE_SHADER_PARAMETERS
#undef SORVANE_SHADER_COLOR
#undef SORVANE_SHADER_SCALAR
#undef SORVANE_SHADER_VECTOR
#undef SORVANE_SHADER_BOOLEAN
}

// The parameters read before the lights, each by the mi_eval rule, in their order.
template <int... Reads>
inline void readParameters(miState* state, SorvaneParameters* paras, ShadingInputs& m,
                           std::integer_sequence<int, Reads...>) {
    (readParameter<Reads>(state, paras, m), ...);
}

}  // namespace

SORVANE_EXPORT miBoolean qm7r_sorvane(miColor* result, miState* state, SorvaneParameters* paras) {
    ShadingInputs m;
    readParameters(state, paras, m, std::make_integer_sequence<int, sorvane::mrplugin::kReadUpFront>());
    const miInteger n_lights = *mi_eval_integer(&paras->n_lights);
    const miInteger i_lights = *mi_eval_integer(&paras->i_lights);
    const miTag* const lights = mi_eval_tag(paras->lights);

    m.irradianceColor = {0.0f, 0.0f, 0.0f, 0.0f};
    bool irradianceOn = false;
    if (m.useIrradiance != miFALSE) {
        m.irradianceColor = *mi_eval_color(&paras->irradianceColor);
        irradianceOn = sorvane::mrplugin::irradianceWanted(m.irradianceColor);
    }

    const Vec3 N = sorvane::mrplugin::shadingNormal(state->normal, m);

    // Copied before pri is cleared, so the gather sees the hit primitive.
    miState irradianceState = *state;
    irradianceState.normal = {N.x, N.y, N.z};

    // Light sampling sees no primitive and the unperturbed surface normal.
    const auto savedPri = state->pri;
    state->pri = nullptr;
    // Sampling a light leaves state->dir as it is, so the view is taken once.
    const SampleConstants shared =
        n_lights > 0 ? sorvane::mrplugin::sampleConstants(m, sorvane::mrplugin::toVec3(state->dir), N)
                     : SampleConstants{};
    const SampleBatchMath* const math = n_lights > 0 ? sorvane::mrplugin::widestSampleBatchMath() : nullptr;
    if (math == nullptr) {
        for (miInteger k = 0; k < n_lights; ++k) {
            const miTag tag = lights[i_lights + k];
            PerLightSums sums;
            miInteger samples = 0;
            const double invEcc = sorvane::mrplugin::inverseEccentricity(m);
            LightSampleInput sample;
            miScalar dotNl;
            while (mi_sample_light(&sample.color, &sample.direction, &dotNl, state, tag, &samples) !=
                   miFALSE) {
                sorvane::mrplugin::addLightSample(m, shared, N, sample, invEcc, sums);
            }
            sorvane::mrplugin::addLightAverage(*result, sums.lightTotal, samples);
        }
    } else {
        // The same calls in the same order; each sample is evaluated when
        // the batch is full or the lights are done, in the order taken.
        LightSampleBatch batch(m, shared, N, sorvane::mrplugin::inverseEccentricity(m), *math, *result);
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

    sorvane::mrplugin::addAmbientAndIncandescence(*result, m);

    if (irradianceOn) {
        miColor irradiance = {0.0f, 0.0f, 0.0f, 0.0f};
        mi_compute_irradiance(&irradiance, &irradianceState);
        sorvane::mrplugin::addIrradiance(*result, m, irradiance, m.irradianceColor);
    }
    return miTRUE;
}
