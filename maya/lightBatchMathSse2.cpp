// The batch's arithmetic and math on 4 lanes, built for SSE2.

#include "maya/lightBatchLanes.h"
#include "maya/lightBatchMath.h"
#include "vectormath/sse2Lanes.h"

namespace sorvane::mayaplugin {

extern const LightBatchMath kSse2LightBatch = {"sse2", &LightLanes<sorvane::vectormath::Sse2>::addLights};

}  // namespace sorvane::mayaplugin
