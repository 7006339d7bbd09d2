#include "vectormath/vectorMath.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#if defined(SORVANE_VECTOR_MATH) && defined(_MSC_VER) && !defined(__clang__)
#include <immintrin.h>
#include <intrin.h>
#endif

namespace sorvane::vectormath {

#if defined(SORVANE_VECTOR_MATH)

// In their own sources, each built for its instruction set.
extern const Functions kSse2Functions;
extern const Functions kAvx2Functions;
extern const Functions kAvx512Functions;

namespace {

#if defined(_MSC_VER) && !defined(__clang__)
// CPUID's feature bits, and XGETBV's word of the register state the
// operating system saves: YMM (bits 1, 2), and the AVX-512 state (5 to 7).
bool supported(Isa isa) {
    int regs[4];
    __cpuid(regs, 1);
    const bool sse2 = (regs[3] >> 26 & 1) != 0;
    if (isa == Isa::sse2) return sse2;
    const bool osSaves = (regs[2] >> 27 & 1) != 0 && (regs[2] >> 28 & 1) != 0;
    if (!osSaves) return false;
    const unsigned long long state = _xgetbv(0);
    __cpuid(regs, 0);
    if (regs[0] < 7) return false;
    __cpuidex(regs, 7, 0);
    if (isa == Isa::avx2) return (state & 0x6) == 0x6 && (regs[1] >> 5 & 1) != 0;
    return (state & 0xe6) == 0xe6 && (regs[1] >> 16 & 1) != 0;
}
#else
// GCC's and Clang's checks ask the operating system too.
bool supported(Isa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case Isa::sse2:
            return __builtin_cpu_supports("sse2");
        case Isa::avx2:
            return __builtin_cpu_supports("avx2");
        case Isa::avx512:
            return __builtin_cpu_supports("avx512f");
    }
    return false;
}
#endif

}  // namespace

bool processorRuns(Isa isa) {
    static const bool runs[] = {supported(Isa::sse2), supported(Isa::avx2), supported(Isa::avx512)};
    return runs[static_cast<int>(isa)];
}

const Functions* functions(Isa isa) {
    if (!processorRuns(isa)) return nullptr;
    switch (isa) {
        case Isa::sse2:
            return &kSse2Functions;
        case Isa::avx2:
            return &kAvx2Functions;
        case Isa::avx512:
            return &kAvx512Functions;
    }
    return nullptr;
}

#else

// Not an x86 build: no vector math; the batches take their scalar paths.
bool processorRuns(Isa) { return false; }
const Functions* functions(Isa) { return nullptr; }

#endif

const char* isaName(Isa isa) {
    switch (isa) {
        case Isa::sse2:
            return "sse2";
        case Isa::avx2:
            return "avx2";
        case Isa::avx512:
            return "avx512";
    }
    return "?";
}

bool scalarMathRequested() {
    const char* scalar = std::getenv("SORVANE_SCALAR_MATH");
    return scalar != nullptr && std::strcmp(scalar, "1") == 0;
}

namespace {

// SORVANE_VECTOR_ISA names the widest set to use; unset or unknown, the widest there is.
Isa capFromEnvironment() {
    const char* cap = std::getenv("SORVANE_VECTOR_ISA");
    if (cap != nullptr) {
        for (const Isa isa : {Isa::sse2, Isa::avx2}) {
            if (std::strcmp(cap, isaName(isa)) == 0) return isa;
        }
    }
    return Isa::avx512;
}

bool chooseWidest(Isa& chosen) {
    if (scalarMathRequested()) return false;
    const Isa cap = capFromEnvironment();
    for (const Isa isa : {Isa::avx512, Isa::avx2, Isa::sse2}) {
        if (static_cast<int>(isa) <= static_cast<int>(cap) && processorRuns(isa)) {
            chosen = isa;
            return true;
        }
    }
    return false;
}

}  // namespace

bool widestIsa(Isa& isa) {
    static Isa chosen = Isa::sse2;
    static const bool vector = chooseWidest(chosen);
    isa = chosen;
    return vector;
}

const Functions* widestFunctions() {
    Isa isa;
    return widestIsa(isa) ? functions(isa) : nullptr;
}

}  // namespace sorvane::vectormath
