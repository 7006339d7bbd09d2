// The SSE2 functions: 4 floats at a time.

#include "vectormath/arrayCalls.h"
#include "vectormath/sse2Lanes.h"

namespace sorvane::vectormath {

extern const Functions kSse2Functions = ArrayCalls<Sse2>::kFunctions;

}  // namespace sorvane::vectormath
