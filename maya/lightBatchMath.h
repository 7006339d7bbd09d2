#pragma once

// The math-library calls of a batch of lights, lane by lane, through glibc's
// vector functions where this machine has them (vectormath/vectorMath.h).
// A batch's calls work on a multiple of kLightLanes lanes, at most kLightBatch.

#include "vectormath/vectorMath.h"

namespace shading {

using LightBatchMath = ::sorvane::vectormath::Table<float>;
using LightBatchIsa = ::sorvane::vectormath::Isa;

constexpr int kLightBatch = 16;
constexpr int kLightLanes = ::sorvane::vectormath::kLanes<float>;

// The table the evaluation uses, or null for its scalar path.
inline const LightBatchMath* widestLightBatchMath() { return ::sorvane::vectormath::widest<float>(); }

// One instruction set's table, or null where it is not available here.
inline const LightBatchMath* lightBatchMath(LightBatchIsa isa) {
    return ::sorvane::vectormath::table<float>(isa);
}

}  // namespace shading
