#pragma once

// One shader call driven as mental ray's renderer drives a material shader:
// a block whose light array holds the scene's lights, and a state aimed at
// the sample before the call. The shade command, the preview renderer and
// the tests go through this, so what a call is given is written once.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/mentalray/loadedShader.h"
#include "host/mentalray/sceneDatabase.h"
#include "host/mentalray/shaderInstance.h"

namespace sorvane::mrhost::preview {

// Where the ray met the surface, as the state carries it.
struct SampleRay {
    miVector dir{0.0f, 0.0f, -1.0f};    // towards the surface
    miVector normal{0.0f, 0.0f, 1.0f};  // shading and geometric alike
    // The hit point, and with it dot_nd (the cosine between the normal and
    // the reversed ray); left out, the state keeps both as they are.
    std::optional<miVector> point;
};

class SampleDriver {
public:
    explicit SampleDriver(const LoadedShader& shader);

    const LoadedShader& shader() const { return *shader_; }
    // The declaration's array of lights, whatever it is called; nothing
    // when it declares none.
    const std::optional<std::string>& lightArray() const { return lightArray_; }

    // An instance on `scene` whose light array (if the shader declares one)
    // holds `unused` null tags, then `lights`.
    std::unique_ptr<ShaderInstance> instantiate(const SceneDatabase& scene, const std::vector<miTag>& lights,
                                                int unused = 0) const;

    // Aims `state` at the sample and calls the shader; `result` is what the
    // shader leaves in it.
    static miBoolean shade(const ShaderInstance& instance, miState& state, const SampleRay& ray,
                           miColor& result);

private:
    const LoadedShader* shader_;
    std::optional<std::string> lightArray_;
};

}  // namespace sorvane::mrhost::preview
