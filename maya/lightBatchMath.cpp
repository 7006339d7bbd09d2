#include "maya/lightBatchMath.h"

namespace shading {

namespace vectormath = ::sorvane::vectormath;

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
bool bindAvx2(void* libmvec, LightBatchMath& math);
bool bindAvx512(void* libmvec, LightBatchMath& math);

const LightBatchMath* lightBatchMath(LightBatchIsa isa) {
    static const vectormath::Bound<LightBatchMath> avx2(LightBatchIsa::avx2, &bindAvx2),
        avx512(LightBatchIsa::avx512, &bindAvx512);
    return (isa == LightBatchIsa::avx512 ? avx512 : avx2).get();
}

#else

// Nothing packaged serves the other platforms: they take the scalar path.
const LightBatchMath* lightBatchMath(LightBatchIsa) { return nullptr; }

#endif

const LightBatchMath* widestLightBatchMath() {
    static const LightBatchMath* const chosen = vectormath::widestOf(&lightBatchMath);
    return chosen;
}

}  // namespace shading
