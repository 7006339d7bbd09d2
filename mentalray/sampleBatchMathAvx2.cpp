// glibc's 4-lane AVX2 double-precision functions, one call to every 4 lanes.

#include "mentalray/sampleBatchMath.h"
#include "vectormath/laneCalls.h"

namespace mrshading {

namespace {

using Calls = sorvane::vectormath::LaneCalls<double, 32>;
using sorvane::vectormath::function;

Calls::Unary cos4, exp4, tan4, acos4;
Calls::Binary pow4;

static_assert(kSampleLanes == Calls::kLanes && kSampleBatch % Calls::kLanes == 0);

}  // namespace

bool bindAvx2(SampleBatchMath& math) {
    cos4 = function<Calls::Unary>("_ZGVdN4v_cos");
    exp4 = function<Calls::Unary>("_ZGVdN4v_exp");
    tan4 = function<Calls::Unary>("_ZGVdN4v_tan");    // glibc 2.35 on
    acos4 = function<Calls::Unary>("_ZGVdN4v_acos");  // glibc 2.35 on
    pow4 = function<Calls::Binary>("_ZGVdN4vv_pow");
    if (!cos4 || !exp4 || !tan4 || !acos4 || !pow4) return false;
    math = {"avx2",
            &Calls::unary<&cos4>,
            &Calls::unary<&exp4>,
            &Calls::unary<&tan4>,
            &Calls::unary<&acos4>,
            &Calls::binary<&pow4>};
    return true;
}

}  // namespace mrshading
