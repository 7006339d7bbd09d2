#pragma once

// The vector math of both plug-ins' batches: the model's single-precision
// functions for SSE2, AVX2 and AVX-512, our own (mathKernels.h), so that
// every build takes the vector path: 64-bit and 32-bit, Linux and Windows.
// The widest set the processor runs is chosen at run time, unless the
// environment says otherwise:
//
//   SORVANE_SCALAR_MATH=1      the scalar path (no vector math at all)
//   SORVANE_VECTOR_ISA=sse2    no wider than SSE2 (or avx2)
//
// Code built for one instruction set calls the functions inline from the
// kernels; the tables below serve code that works on arrays.

namespace sorvane::vectormath {

enum class Isa { sse2, avx2, avx512 };

const char* isaName(Isa isa);

// Whether this build has the instruction set's code and this processor,
// with its operating system, runs it.
bool processorRuns(Isa isa);

// SORVANE_SCALAR_MATH=1 in the environment asks for the scalar path.
bool scalarMathRequested();

// The widest instruction set to use: the processor's, capped by
// SORVANE_VECTOR_ISA. False for the scalar path, asked for or forced by a
// processor (or a build) without SSE2. Decided once.
bool widestIsa(Isa& isa);

// The functions of one instruction set, each in place on the first `count`
// values of its arrays, any count.
struct Functions {
    const char* name;  // "sse2", "avx2", "avx512"
    void (*cos)(float* x, int count);
    void (*exp)(float* x, int count);
    void (*tan)(float* x, int count);
    void (*acos)(float* x, int count);
    void (*log)(float* x, int count);
    void (*sqrt)(float* x, int count);
    void (*pow)(float* x, const float* y, int count);
    void (*powThreeHalves)(float* x, int count);  // pow(x, 1.5)
};

// One instruction set's functions, or null where processorRuns(isa) is false.
const Functions* functions(Isa isa);

// The widest instruction set's functions, or null for the scalar path.
const Functions* widestFunctions();

// One table per instruction set of whatever a caller keeps per set (a
// batch's own functions): the widest of them, or null for the scalar path.
template <class T>
const T* widestOf(const T* (*forIsa)(Isa)) {
    Isa isa;
    return widestIsa(isa) ? forIsa(isa) : nullptr;
}

}  // namespace sorvane::vectormath
