#pragma once

// The shader's double-precision library calls for a batch of light samples
// (lightSampleBatch.h), through glibc's vector functions where this machine
// has them (vectormath/vectorMath.h); never for the 32-bit and Windows builds.

#include "vectormath/vectorMath.h"

namespace mrshading {

using SampleBatchMath = sorvane::vectormath::Table<double>;
using SampleBatchIsa = sorvane::vectormath::Isa;

constexpr int kSampleBatch = 16;
constexpr int kSampleLanes = sorvane::vectormath::kLanes<double>;

// The table the shader uses, or null for its scalar loop.
inline const SampleBatchMath* widestSampleBatchMath() { return sorvane::vectormath::widest<double>(); }

// One instruction set's table, or null where it is not available here.
inline const SampleBatchMath* sampleBatchMath(SampleBatchIsa isa) {
    return sorvane::vectormath::table<double>(isa);
}

}  // namespace mrshading
