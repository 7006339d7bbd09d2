// The batch's arithmetic and math on 8 lanes, built for AVX2.

#include "maya/lightBatchLanes.h"
#include "maya/lightBatchMath.h"
#include "vectormath/avx2Lanes.h"

namespace sorvane::mayaplugin {

void addLightsAvx2(const ShadingInputs& sample, const SampleConstants& terms, const LightBatch& batch,
                   int count, EffectSums& sums) {
    LightLanes<sorvane::vectormath::Avx2>::addLights(sample, terms, batch, count, sums);
}

extern const LightBatchMath kAvx2LightBatch = {"avx2", &addLightsAvx2};

}  // namespace sorvane::mayaplugin
