#include "host/mentalray/preview/sampleDriver.h"

namespace sorvane::mrhost::preview {

SampleDriver::SampleDriver(const LoadedShader& shader) : shader_(&shader) {
    // Found by type: the declaration names the array as it likes.
    for (const ParameterLayout& p : shader.layout().parameters()) {
        if (p.parameter->isArray && p.parameter->typeName == "light") {
            lightArray_ = p.parameter->name;
            break;
        }
    }
}

std::unique_ptr<ShaderInstance> SampleDriver::instantiate(const SceneDatabase& scene,
                                                          const std::vector<miTag>& lights,
                                                          int unused) const {
    std::unique_ptr<ShaderInstance> instance = shader_->instantiate(scene);
    if (lightArray_) instance->setArray(*lightArray_, lights, unused);
    return instance;
}

miBoolean SampleDriver::shade(const ShaderInstance& instance, miState& state, const SampleRay& ray,
                              miColor& result) {
    state.dir = ray.dir;
    state.normal = ray.normal;
    state.normal_geom = ray.normal;
    if (ray.point) {
        state.point = *ray.point;
        state.dot_nd = -(ray.normal.x * ray.dir.x + ray.normal.y * ray.dir.y + ray.normal.z * ray.dir.z);
    }
    return instance.shade(result, state);
}

}  // namespace sorvane::mrhost::preview
