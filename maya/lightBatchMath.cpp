#include "maya/lightBatchMath.h"

namespace shading {

namespace vectormath = ::sorvane::vectormath;

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
bool bindAvx2(LightBatchMath& math);
bool bindAvx512(LightBatchMath& math);

const LightBatchMath* lightBatchMath(LightBatchIsa isa) {
    static const auto avx2 = vectormath::bind(LightBatchIsa::avx2, &bindAvx2);
    static const auto avx512 = vectormath::bind(LightBatchIsa::avx512, &bindAvx512);
    return (isa == LightBatchIsa::avx512 ? avx512 : avx2).get();
}

#else

// Nothing packaged serves the other platforms: they take the scalar path.
const LightBatchMath* lightBatchMath(LightBatchIsa) { return nullptr; }

#endif

const LightBatchMath* widestLightBatchMath() {
    static const LightBatchMath* const chosen = vectormath::widest(&lightBatchMath);
    return chosen;
}

}  // namespace shading
