// The batch's arithmetic and math on 16 lanes, built for AVX-512, for a
// batch of more than 8 lights; fewer take the AVX2 code, which does half the
// work.

#include "maya/lightBatchLanes.h"
#include "maya/lightBatchMath.h"
#include "vectormath/avx512Lanes.h"

namespace sorvane::mayaplugin {

void addLightsAvx2(const ShadingInputs& sample, const SampleConstants& terms, const LightBatch& batch,
                   int count, EffectSums& sums);

namespace {

static_assert(kLightBatch == 16);

void addLights(const ShadingInputs& sample, const SampleConstants& terms, const LightBatch& batch, int count,
               EffectSums& sums) {
    if (count <= 8) {
        addLightsAvx2(sample, terms, batch, count, sums);
        return;
    }
    LightLanes<sorvane::vectormath::Avx512>::addLights(sample, terms, batch, count, sums);
}

}  // namespace

extern const LightBatchMath kAvx512LightBatch = {"avx512", &addLights};

}  // namespace sorvane::mayaplugin
