// glibc's 8-lane AVX2 functions, one call to every 8 lanes. Built with -mavx2, so
// that the vectors travel in ymm registers as the functions expect.

#include <dlfcn.h>
#include <immintrin.h>

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

}  // namespace

bool bindAvx2(void* libmvec, LightBatchMath& math) {
    cos8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_cosf"));
    exp8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_expf"));
    tan8 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVdN8v_tanf"));  // glibc 2.35 on
    pow8 = reinterpret_cast<Binary>(dlsym(libmvec, "_ZGVdN8vv_powf"));
    if (!cos8 || !exp8 || !tan8 || !pow8) return false;
    math = {"avx2", &unary<&cos8>, &unary<&exp8>, &unary<&tan8>, &power};
    return true;
}

}  // namespace shading
