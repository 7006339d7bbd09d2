#include "mentalray/sampleBatchMath.h"

namespace mrshading {

namespace vectormath = sorvane::vectormath;

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
bool bindAvx2(SampleBatchMath& math);
bool bindAvx512(SampleBatchMath& math);

const SampleBatchMath* sampleBatchMath(SampleBatchIsa isa) {
    static const auto avx2 = vectormath::bind(SampleBatchIsa::avx2, &bindAvx2);
    static const auto avx512 = vectormath::bind(SampleBatchIsa::avx512, &bindAvx512);
    return (isa == SampleBatchIsa::avx512 ? avx512 : avx2).get();
}

#else

// The 32-bit library and the Windows builds: nothing packaged serves them.
const SampleBatchMath* sampleBatchMath(SampleBatchIsa) { return nullptr; }

#endif

const SampleBatchMath* widestSampleBatchMath() {
    static const SampleBatchMath* const chosen = vectormath::widest(&sampleBatchMath);
    return chosen;
}

}  // namespace mrshading
