// The AVX2 functions: 8 floats at a time.

#include "vectormath/arrayCalls.h"
#include "vectormath/avx2Lanes.h"

namespace sorvane::vectormath {

extern const Functions kAvx2Functions = ArrayCalls<Avx2>::kFunctions;

}  // namespace sorvane::vectormath
