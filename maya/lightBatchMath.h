#pragma once

// The math-library calls of a batch of lights, lane by lane: glibc's vector
// functions (libmvec) where the processor and the C library have them, found
// at run time so that the plug-in loads on any system, and the scalar path
// otherwise. Each call works in place on the first `lanes` lanes, a multiple
// of kLightLanes no larger than kLightBatch.

#include "vectormath/vectorMath.h"

namespace shading {

constexpr int kLightBatch = 16;
constexpr int kLightLanes = 8;

struct LightBatchMath {
    const char* name;  // "avx512", "avx2"
    void (*cos)(float* x, int lanes);
    void (*exp)(float* x, int lanes);
    void (*tan)(float* x, int lanes);
    void (*pow)(float* x, const float* y, int lanes);
};

using LightBatchIsa = ::sorvane::vectormath::Isa;

// The widest vector math this processor and C library offer, or null: the
// evaluation then takes the scalar path. Chosen once; SORVANE_SCALAR_MATH=1
// in the environment chooses the scalar path.
const LightBatchMath* widestLightBatchMath();

// One instruction set's functions, or null where it is not available here.
const LightBatchMath* lightBatchMath(LightBatchIsa isa);

}  // namespace shading
