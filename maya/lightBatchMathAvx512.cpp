// glibc's 16-lane AVX-512 functions for a full batch; a batch of 8 lanes
// or fewer takes the AVX2 functions, which do half the work.

#include "maya/lightBatchMath.h"
#include "vectormath/laneCalls.h"

namespace shading {

namespace {

using Calls = ::sorvane::vectormath::LaneCalls<float, 64>;
using ::sorvane::vectormath::function;

Calls::Unary cos16, exp16, tan16;
Calls::Binary pow16;

static_assert(kLightBatch == Calls::kLanes);

LightBatchMath half;  // the AVX2 functions

template <Calls::Unary* f, void (*LightBatchMath::*halfCall)(float*, int)>
void unary(float* x, int lanes) {
    if (lanes <= 8) {
        (half.*halfCall)(x, lanes);
        return;
    }
    Calls::unary<f>(x, lanes);
}

void power(float* x, const float* y, int lanes) {
    if (lanes <= 8) {
        half.pow(x, y, lanes);
        return;
    }
    Calls::binary<&pow16>(x, y, lanes);
}

}  // namespace

bool bindAvx2(LightBatchMath& math);

bool bindAvx512(LightBatchMath& math) {
    if (!bindAvx2(half)) return false;
    cos16 = function<Calls::Unary>("_ZGVeN16v_cosf");
    exp16 = function<Calls::Unary>("_ZGVeN16v_expf");
    tan16 = function<Calls::Unary>("_ZGVeN16v_tanf");  // glibc 2.35 on
    pow16 = function<Calls::Binary>("_ZGVeN16vv_powf");
    if (!cos16 || !exp16 || !tan16 || !pow16) return false;
    math = {"avx512", &unary<&cos16, &LightBatchMath::cos>, &unary<&exp16, &LightBatchMath::exp>,
            &unary<&tan16, &LightBatchMath::tan>, &power};
    return true;
}

}  // namespace shading
