// glibc's 8-lane AVX2 functions, one call to every 8 lanes.

#include "maya/lightBatchMath.h"
#include "vectormath/laneCalls.h"

namespace shading {

namespace {

using Calls = ::sorvane::vectormath::LaneCalls<float, 32>;
using ::sorvane::vectormath::function;

Calls::Unary cos8, exp8, tan8;
Calls::Binary pow8;

static_assert(kLightLanes == Calls::kLanes && kLightBatch % Calls::kLanes == 0);

}  // namespace

bool bindAvx2(LightBatchMath& math) {
    cos8 = function<Calls::Unary>("_ZGVdN8v_cosf");
    exp8 = function<Calls::Unary>("_ZGVdN8v_expf");
    tan8 = function<Calls::Unary>("_ZGVdN8v_tanf");  // glibc 2.35 on
    pow8 = function<Calls::Binary>("_ZGVdN8vv_powf");
    if (!cos8 || !exp8 || !tan8 || !pow8) return false;
    math = {"avx2", &Calls::unary<&cos8>, &Calls::unary<&exp8>, &Calls::unary<&tan8>, &Calls::binary<&pow8>};
    return true;
}

}  // namespace shading
