#include "host/maya/preview/sampleDriver.h"

namespace sorvane::mayahost::preview {

SampleDriver::SampleDriver(const NodeType& type)
    : type_(&type),
      normalCamera_(&type.attribute("normalCamera")),
      rayDirection_(&type.attribute("rayDirection")),
      pointCamera_(&type.attribute("pointCamera")),
      lightDataArray_(&type.attribute("lightDataArray")),
      outColor_(&type.attribute("outColor")),
      outTransparency_(&type.attribute("outTransparency")) {}

void SampleDriver::reserveLights(Evaluation& evaluation, std::size_t count) const {
    evaluation.setElementCount(*lightDataArray_, static_cast<unsigned>(count));
}

void SampleDriver::setInputs(Evaluation& evaluation, const SampleInputs& inputs) const {
    if (inputs.normalCamera) evaluation.set(*normalCamera_, *inputs.normalCamera);
    if (inputs.rayDirection) evaluation.set(*rayDirection_, *inputs.rayDirection);
    if (inputs.pointCamera) evaluation.set(*pointCamera_, *inputs.pointCamera);
}

void SampleDriver::setLights(Evaluation& evaluation, const LightData* lights, std::size_t count) const {
    evaluation.setElementCount(*lightDataArray_, static_cast<unsigned>(count));
    for (std::size_t i = 0; i < count; ++i) {
        evaluation.setLight(*lightDataArray_, static_cast<unsigned>(i), lights[i]);
    }
}

SampleOutputs SampleDriver::requestOutputs(Evaluation& evaluation) const {
    // Colour, then transparency: the order the renderer asks in, which
    // decides what compute is called for.
    const MFloatVector color = evaluation.requestVector(*outColor_);
    const MFloatVector transparency = evaluation.requestVector(*outTransparency_);
    return {color, transparency};
}

SampleOutputs SampleDriver::shade(Evaluation& evaluation, const SampleInputs& inputs, const LightData* lights,
                                  std::size_t count) const {
    setInputs(evaluation, inputs);
    setLights(evaluation, lights, count);
    return requestOutputs(evaluation);
}

}  // namespace sorvane::mayahost::preview
