// The AVX-512 functions: 16 floats at a time.

#include "vectormath/arrayCalls.h"
#include "vectormath/avx512Lanes.h"

namespace sorvane::vectormath {

extern const Functions kAvx512Functions = ArrayCalls<Avx512>::kFunctions;

}  // namespace sorvane::vectormath
