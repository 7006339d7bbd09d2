#pragma once

// The shader's library calls for a batch of light samples
// (lightSampleBatch.h), through our single-precision vector math
// (vectormath/vectorMath.h): rounded once from double precision, as the
// shader's own calls are, they stay within an ulp of them.

#include "vectormath/vectorMath.h"

namespace sorvane::mrplugin {

using SampleBatchMath = sorvane::vectormath::Functions;
using SampleBatchIsa = sorvane::vectormath::Isa;

constexpr int kSampleBatch = 16;
// The narrowest vector's lanes: a batch rounds its samples up to them.
constexpr int kSampleLanes = 4;

// The table the shader uses, or null for its scalar loop.
inline const SampleBatchMath* widestSampleBatchMath() { return sorvane::vectormath::widestFunctions(); }

// One instruction set's table, or null where it is not available here.
inline const SampleBatchMath* sampleBatchMath(SampleBatchIsa isa) {
    return sorvane::vectormath::functions(isa);
}

}  // namespace sorvane::mrplugin
