// glibc's 16-lane AVX-512 functions for a full batch; a batch of 8 lanes
// or fewer takes the AVX2 functions, which do half the work. Built with -mavx512f, so
// that the vectors travel in zmm registers as the functions expect.

#include <dlfcn.h>
#include <immintrin.h>

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

}  // namespace

bool bindAvx2(void* libmvec, LightBatchMath& math);

bool bindAvx512(void* libmvec, LightBatchMath& math) {
    if (!bindAvx2(libmvec, half)) return false;
    cos16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_cosf"));
    exp16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_expf"));
    tan16 = reinterpret_cast<Unary>(dlsym(libmvec, "_ZGVeN16v_tanf"));  // glibc 2.35 on
    pow16 = reinterpret_cast<Binary>(dlsym(libmvec, "_ZGVeN16vv_powf"));
    if (!cos16 || !exp16 || !tan16 || !pow16) return false;
    math = {"avx512", &unary<&cos16, 0>, &unary<&exp16, 1>, &unary<&tan16, 2>, &power};
    return true;
}

}  // namespace shading
