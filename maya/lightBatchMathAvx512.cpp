// glibc's 16-lane AVX-512 functions and the batch's arithmetic on 16 lanes,
// for a batch of more than 8 lights; fewer take the AVX2 code, which does
// half the work. Built with -mavx512f, so that the vectors travel in zmm
// registers as the functions expect.

#include <dlfcn.h>
#include <immintrin.h>

#include <cstdint>

#include "maya/lightBatchLanes.h"
#include "maya/lightBatchMath.h"

namespace shading {

namespace {

using Unary = __m512 (*)(__m512);
using Binary = __m512 (*)(__m512, __m512);

Unary cos16, exp16, tan16;
Binary pow16;

static_assert(kLightBatch == 16);

LightBatchMath half;  // the AVX2 functions

template <Unary* f, int kHalf>
void unary(float* x, int lanes) {
    if (lanes <= 8) {
        (kHalf == 0 ? half.cos : kHalf == 1 ? half.exp : half.tan)(x, lanes);
        return;
    }
    _mm512_storeu_ps(x, (*f)(_mm512_loadu_ps(x)));
}

void power(float* x, const float* y, int lanes) {
    if (lanes <= 8) {
        half.pow(x, y, lanes);
        return;
    }
    _mm512_storeu_ps(x, pow16(_mm512_loadu_ps(x), _mm512_loadu_ps(y)));
}

struct Avx512Lanes {
    static constexpr int kWidth = 16;
    using F = __m512;
    using I = std::int32_t __attribute__((vector_size(64)));
    static F load(const float* p) { return _mm512_load_ps(p); }
    static I loadMask(const std::int32_t* p) { return (I)_mm512_load_si512(p); }
    static F splat(float x) { return _mm512_set1_ps(x); }
    static I splatInt(std::int32_t x) { return (I)_mm512_set1_epi32(x); }
    static I laneIndex() { return I{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}; }
    // The unmasked form trips a false uninitialised warning in GCC 12's header.
    static F sqrt(F x) { return _mm512_maskz_sqrt_ps(0xffff, x); }
    static F cos(F x) { return cos16(x); }
    static F exp(F x) { return exp16(x); }
    static F tan(F x) { return tan16(x); }
    static F pow(F x, F y) { return pow16(x, y); }
};

void addLights(const ShadingSample& sample, const SampleTerms& terms, const LightBatch& batch, int count,
               LightSums& sums) {
    if (count <= 8) {
        half.addLights(sample, terms, batch, count, sums);
        return;
    }
    LightLanes<Avx512Lanes>::addLights(sample, terms, batch, count, sums);
}

}  // namespace

bool bindAvx2(void* libmvec, LightBatchMath& math);

bool bindAvx512(void* libmvec, LightBatchMath& math) {
    if (!bindAvx2(libmvec, half)) return false;
    cos16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_cosf"));
    exp16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_expf"));
    tan16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_tanf"));  // glibc 2.35 on
    pow16 = reinterpret_cast<Binary>(dlsym(libmvec, "_ZGVeN16vv_powf"));
    if (!cos16 || !exp16 || !tan16 || !pow16) return false;
    math = {"avx512", &unary<&cos16, 0>, &unary<&exp16, 1>, &unary<&tan16, 2>, &power, &addLights};
    return true;
}

}  // namespace shading
