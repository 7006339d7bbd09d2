#pragma once

// One shading sample driven as Maya's renderer drives it: the sample inputs
// it provides (camera space), one lightDataArray element per light, then
// requests for outColor and outTransparency. The shade command, the preview
// renderer and the tests all go through this, so which attributes a sample
// touches, and in what order, is written once.

#include <cstddef>
#include <optional>
#include <vector>

#include "host/maya/mayaHost.h"

namespace sorvane::mayahost::preview {

// What the renderer gives a sample; an input left out keeps the value the
// evaluation already holds (the node's own, after a reset).
struct SampleInputs {
    std::optional<MFloatVector> normalCamera;
    std::optional<MFloatVector> rayDirection;
    std::optional<MFloatVector> pointCamera;
};

struct SampleOutputs {
    MFloatVector color;
    MFloatVector transparency;
};

class SampleDriver {
public:
    // Resolves the attributes once; throws HostError naming one the type lacks.
    explicit SampleDriver(const NodeType& type);

    const NodeType& type() const { return *type_; }
    const Attribute& normalCamera() const { return *normalCamera_; }
    const Attribute& rayDirection() const { return *rayDirection_; }
    const Attribute& pointCamera() const { return *pointCamera_; }
    const Attribute& lightDataArray() const { return *lightDataArray_; }
    const Attribute& outColor() const { return *outColor_; }
    const Attribute& outTransparency() const { return *outTransparency_; }

    // Holds `count` light elements, so later samples with as many lights
    // allocate nothing.
    void reserveLights(Evaluation& evaluation, std::size_t count) const;

    void setInputs(Evaluation& evaluation, const SampleInputs& inputs) const;
    // Exactly `count` elements, at logical indices 0 ... count-1.
    void setLights(Evaluation& evaluation, const LightData* lights, std::size_t count) const;
    SampleOutputs requestOutputs(Evaluation& evaluation) const;

    // The three above, in the renderer's order.
    SampleOutputs shade(Evaluation& evaluation, const SampleInputs& inputs, const LightData* lights,
                        std::size_t count) const;
    SampleOutputs shade(Evaluation& evaluation, const SampleInputs& inputs,
                        const std::vector<LightData>& lights) const {
        return shade(evaluation, inputs, lights.data(), lights.size());
    }

private:
    const NodeType* type_;
    const Attribute* normalCamera_;
    const Attribute* rayDirection_;
    const Attribute* pointCamera_;
    const Attribute* lightDataArray_;
    const Attribute* outColor_;
    const Attribute* outTransparency_;
};

}  // namespace sorvane::mayahost::preview
