// glibc's 8-lane AVX-512 double-precision functions; a last group of 4
// lanes takes the AVX2 functions, which do half the work.

#include "mentalray/sampleBatchMath.h"
#include "vectormath/laneCalls.h"

namespace mrshading {

namespace {

using Calls = sorvane::vectormath::LaneCalls<double, 64>;
using sorvane::vectormath::function;

Calls::Unary cos8, exp8, tan8, acos8;
Calls::Binary pow8;

static_assert(Calls::kLanes == 2 * kSampleLanes);

SampleBatchMath half;  // the AVX2 functions

template <Calls::Unary* f, void (*SampleBatchMath::*halfCall)(double*, int)>
void unary(double* x, int lanes) {
    const int whole = lanes / Calls::kLanes * Calls::kLanes;
    Calls::unary<f>(x, whole);
    if (whole < lanes) (half.*halfCall)(x + whole, lanes - whole);
}

void power(double* x, const double* y, int lanes) {
    const int whole = lanes / Calls::kLanes * Calls::kLanes;
    Calls::binary<&pow8>(x, y, whole);
    if (whole < lanes) half.pow(x + whole, y + whole, lanes - whole);
}

}  // namespace

bool bindAvx2(SampleBatchMath& math);

bool bindAvx512(SampleBatchMath& math) {
    if (!bindAvx2(half)) return false;
    cos8 = function<Calls::Unary>("_ZGVeN8v_cos");
    exp8 = function<Calls::Unary>("_ZGVeN8v_exp");
    tan8 = function<Calls::Unary>("_ZGVeN8v_tan");    // glibc 2.35 on
    acos8 = function<Calls::Unary>("_ZGVeN8v_acos");  // glibc 2.35 on
    pow8 = function<Calls::Binary>("_ZGVeN8vv_pow");
    if (!cos8 || !exp8 || !tan8 || !acos8 || !pow8) return false;
    math = {"avx512",
            &unary<&cos8, &SampleBatchMath::cos>,
            &unary<&exp8, &SampleBatchMath::exp>,
            &unary<&tan8, &SampleBatchMath::tan>,
            &unary<&acos8, &SampleBatchMath::acos>,
            &power};
    return true;
}

}  // namespace mrshading
