// glibc's 8-lane AVX2 functions, one call to every 8 lanes, and the batch's
// arithmetic on 8 lanes. Built with -mavx2, so that the vectors travel in ymm
// registers as the functions expect.

#include <dlfcn.h>
#include <immintrin.h>

#include <cstdint>

#include "maya/lightBatchLanes.h"
#include "maya/lightBatchMath.h"

namespace shading {

namespace {

using Unary = __m256 (*)(__m256);
using Binary = __m256 (*)(__m256, __m256);

Unary cos8, exp8, tan8;
Binary pow8;

static_assert(kLightLanes == 8 && kLightBatch % 8 == 0);

template <Unary* f>
void unary(float* x, int lanes) {
    for (int i = 0; i < lanes; i += 8) _mm256_storeu_ps(x + i, (*f)(_mm256_loadu_ps(x + i)));
}

void power(float* x, const float* y, int lanes) {
    for (int i = 0; i < lanes; i += 8) {
        _mm256_storeu_ps(x + i, pow8(_mm256_loadu_ps(x + i), _mm256_loadu_ps(y + i)));
    }
}

struct Avx2Lanes {
    static constexpr int kWidth = 8;
    using F = __m256;
    using I = std::int32_t __attribute__((vector_size(32)));
    static F load(const float* p) { return _mm256_load_ps(p); }
    static I loadMask(const std::int32_t* p) {
        return (I)_mm256_load_si256(reinterpret_cast<const __m256i*>(p));
    }
    static F splat(float x) { return _mm256_set1_ps(x); }
    static I splatInt(std::int32_t x) { return (I)_mm256_set1_epi32(x); }
    static I laneIndex() { return I{0, 1, 2, 3, 4, 5, 6, 7}; }
    static F sqrt(F x) { return _mm256_sqrt_ps(x); }
    static F cos(F x) { return cos8(x); }
    static F exp(F x) { return exp8(x); }
    static F tan(F x) { return tan8(x); }
    static F pow(F x, F y) { return pow8(x, y); }
};

}  // namespace

bool bindAvx2(void* libmvec, LightBatchMath& math) {
    cos8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_cosf"));
    exp8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_expf"));
    tan8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_tanf"));  // glibc 2.35 on
    pow8 = reinterpret_cast<Binary>(dlsym(libmvec, "_ZGVdN8vv_powf"));
    if (!cos8 || !exp8 || !tan8 || !pow8) return false;
    math = {"avx2", &unary<&cos8>, &unary<&exp8>, &unary<&tan8>, &power, &LightLanes<Avx2Lanes>::addLights};
    return true;
}

}  // namespace shading
