#pragma once

// A batch of lights evaluated lane by lane: glibc's vector functions (libmvec)
// where the processor and the C library have them, found at run time so that
// the plug-in loads on any system, and the scalar path otherwise.

#include <cstdint>

#include "model/scattering.h"
#include "model/vector.h"
#include "vectormath/vectorMath.h"

namespace shading {

// The shared model lives in the project's namespace; the node's code names it
// through this alias, since the node class itself is called sorvane.
namespace model = ::sorvane::model;

constexpr int kLightBatch = 16;
constexpr int kLightLanes = 8;

struct ShadingSample;

// What every light of a sample would compute alike, worked out once per
// sample with the same values.
struct SampleTerms {
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

struct LightSums {
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
    const char* name;  // "avx512", "avx2"
    // Each call works in place on the first `lanes` lanes, a multiple of
    // kLightLanes no larger than kLightBatch.
    void (*cos)(float* x, int lanes);
    void (*exp)(float* x, int lanes);
    void (*tan)(float* x, int lanes);
    void (*pow)(float* x, const float* y, int lanes);
    // The first `count` lights of the batch (1 to kLightBatch) added to the
    // sums in light order: the scalar path's arithmetic, step for step.
    void (*addLights)(const ShadingSample& sample, const SampleTerms& terms, const LightBatch& batch,
                      int count, LightSums& sums);
};

using LightBatchIsa = ::sorvane::vectormath::Isa;

// The widest vector math this processor and C library offer, or null: the
// evaluation then takes the scalar path. Chosen once; SORVANE_SCALAR_MATH=1
// in the environment chooses the scalar path.
const LightBatchMath* widestLightBatchMath();

// One instruction set's functions, or null where it is not available here.
const LightBatchMath* lightBatchMath(LightBatchIsa isa);

}  // namespace shading
