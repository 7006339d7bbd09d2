#include "maya/lightBatchMath.h"

namespace sorvane::mayaplugin {

namespace vectormath = ::sorvane::vectormath;

#if defined(SORVANE_VECTOR_MATH)

// In their own sources, each built for its instruction set.
extern const LightBatchMath kSse2LightBatch;
extern const LightBatchMath kAvx2LightBatch;
extern const LightBatchMath kAvx512LightBatch;

const LightBatchMath* lightBatchMath(LightBatchIsa isa) {
    if (!vectormath::processorRuns(isa)) return nullptr;
    switch (isa) {
        case LightBatchIsa::sse2:
            return &kSse2LightBatch;
        case LightBatchIsa::avx2:
            return &kAvx2LightBatch;
        case LightBatchIsa::avx512:
            return &kAvx512LightBatch;
    }
    return nullptr;
}

#else

// Not an x86 build: the scalar path.
const LightBatchMath* lightBatchMath(LightBatchIsa) { return nullptr; }

#endif

const LightBatchMath* widestLightBatchMath() {
    static const LightBatchMath* const chosen = vectormath::widestOf(&lightBatchMath);
    return chosen;
}

}  // namespace sorvane::mayaplugin
