#pragma once

// The double-precision math-library calls of a batch of light samples, lane
// by lane: glibc's vector functions (libmvec) where the processor and the C
// library have them, found at run time so that the library loads on any
// system, and the scalar path otherwise. Each call works in place on the
// first `lanes` lanes, a multiple of kSampleLanes.

#include "vectormath/vectorMath.h"

namespace mrshading {

constexpr int kSampleBatch = 16;
constexpr int kSampleLanes = 4;

struct SampleBatchMath {
    const char* name;  // "avx512", "avx2"
    void (*cos)(double* x, int lanes);
    void (*exp)(double* x, int lanes);
    void (*tan)(double* x, int lanes);
    void (*acos)(double* x, int lanes);
    void (*pow)(double* x, const double* y, int lanes);
};

using SampleBatchIsa = sorvane::vectormath::Isa;

// The widest vector math this processor and C library offer, or null: the
// shader then takes the scalar path. Chosen once; SORVANE_SCALAR_MATH=1 in
// the environment chooses the scalar path.
const SampleBatchMath* widestSampleBatchMath();

// One instruction set's functions, or null where it is not available here.
const SampleBatchMath* sampleBatchMath(SampleBatchIsa isa);

}  // namespace mrshading
