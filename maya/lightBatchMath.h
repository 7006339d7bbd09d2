#pragma once

// A batch of lights evaluated lane by lane with our vector math
// (vectormath/), built for SSE2, AVX2 and AVX-512 and chosen at run time;
// the scalar path where none runs or SORVANE_SCALAR_MATH=1 asks for it.

#include <cstdint>

#include "model/scattering.h"
#include "model/vector.h"
#include "vectormath/vectorMath.h"

namespace sorvane::mayaplugin {

constexpr int kLightBatch = 16;

struct ShadingInputs;

// What every light of a sample would compute alike, worked out once per
// sample with the same values.
struct SampleConstants {
    model::Vec3 V;            // normalised
    model::Vec3 N;            // normalised
    float viewCosine = 0.0f;  // dot(-V, N)
    float specularExponent = 0.0f;
    model::ViewTerms view;
    float oppositionFalloff = 0.0f;  // it depends on the view alone
    float backlightScale = 0.0f;
};

// A running sum's channels; the fourth stays 0, so that one SSE register holds them.
struct alignas(16) ChannelSum {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float unused = 0.0f;
};

struct EffectSums {
    ChannelSum ambient;
    ChannelSum diffuse;
    ChannelSum opposition;
    ChannelSum backlight;
    ChannelSum scatter;
    ChannelSum specular;
};

// The batched lights, one array per quantity, as the vector code loads them.
// A flag is all bits set where the light has it, clear where not.
struct LightBatch {
    alignas(64) float directionX[kLightBatch];
    alignas(64) float directionY[kLightBatch];
    alignas(64) float directionZ[kLightBatch];
    alignas(64) float preShadowIntensity[kLightBatch];
    alignas(64) std::int32_t ambient[kLightBatch];
    alignas(64) std::int32_t diffuse[kLightBatch];
    alignas(64) std::int32_t specular[kLightBatch];
    alignas(16) float intensity[kLightBatch][4];  // r, g, b, 0
};

struct LightBatchMath {
    const char* name;  // "avx512", "avx2", "sse2"
    // The first `count` lights of the batch (1 to kLightBatch) added to the
    // sums in light order: the scalar path's arithmetic, step for step.
    void (*addLights)(const ShadingInputs& sample, const SampleConstants& terms, const LightBatch& batch,
                      int count, EffectSums& sums);
};

using LightBatchIsa = ::sorvane::vectormath::Isa;

// The widest instruction set's batch this processor runs, or null: the
// evaluation then takes the scalar path. Chosen once, as vectorMath.h says.
const LightBatchMath* widestLightBatchMath();

// One instruction set's functions, or null where it is not available here.
const LightBatchMath* lightBatchMath(LightBatchIsa isa);

}  // namespace sorvane::mayaplugin
