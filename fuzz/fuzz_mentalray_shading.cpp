// The mental ray shader through the host, with the parameter block, the
// parameters a graph drives, the lights' samples, the irradiance and the
// state taken from the input as floats: NaN, infinities, subnormals, zero
// vectors, eccentricity 0, strengths outside (0, 1). Whatever the values,
// the shader must neither crash nor hit undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz/fuzzBytes.h"
#include "host/mentalray/mentalrayHost.h"

namespace {

namespace mr = sorvane::mrhost;
using sorvane::fuzz::FuzzBytes;

miVector vector(FuzzBytes& bytes) {
    const float x = bytes.number();
    const float y = bytes.number();
    return {x, y, bytes.number()};
}

miColor color(FuzzBytes& bytes) {
    const float r = bytes.number();
    const float g = bytes.number();
    const float b = bytes.number();
    return {r, g, b, bytes.number()};
}

// The values setValues takes for a parameter of the kind; empty for the
// integers and tags, which only the array's own setter may fill: the shader
// trusts i_ and n_ to stay inside the block, as the renderer guarantees.
std::vector<float> values(FuzzBytes& bytes, mr::ParameterType kind) {
    switch (kind) {
        case mr::ParameterType::Boolean:
            return {bytes.flag() ? 1.0f : 0.0f};
        case mr::ParameterType::Scalar:
            return {bytes.number()};
        case mr::ParameterType::Vector: {
            const miVector v = vector(bytes);
            return {v.x, v.y, v.z};
        }
        case mr::ParameterType::Color: {
            const miColor c = color(bytes);
            return {c.r, c.g, c.b, c.a};
        }
        default:
            return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const mr::LoadedShader shader(SORVANE_MR_LIBRARY, SORVANE_MR_DECLARATION);
    FuzzBytes bytes(data, size);
    mr::SceneDatabase scene;
    scene.setIrradiance(color(bytes));
    const std::unique_ptr<mr::ShaderInstance> instance = shader.instantiate(scene);
    for (const mr::ParameterLayout& p : shader.layout().parameters()) {
        if (p.parameter->isArray) {
            std::vector<miTag> tags;
            const int lights = bytes.byte() % 4;
            for (int light = 0; light < lights; ++light) {
                std::vector<mr::LightSample> samples(bytes.byte() % 4);
                for (mr::LightSample& sample : samples) sample = {color(bytes), vector(bytes)};
                tags.push_back(scene.addLight(std::make_shared<mr::ScriptedLight>(std::move(samples))));
            }
            instance->setArray(p.parameter->name, tags, bytes.byte() % 3);
            continue;
        }
        // Set in the block, driven by the graph, or left at the default.
        const std::uint8_t how = bytes.byte() % 4;
        if (how == 0) continue;
        const std::vector<float> value = values(bytes, p.parameter->kind);
        if (value.empty()) continue;
        if (how == 3) {
            instance->connectValues(p.parameter->name, value);
        } else {
            instance->setValues(p.parameter->name, value);
        }
    }
    miState state = instance->newState();
    state.dir = vector(bytes);
    state.normal = vector(bytes);
    state.normal_geom = bytes.flag() ? vector(bytes) : state.normal;
    state.point = vector(bytes);
    miColor result = color(bytes);
    instance->shade(result, state);
    volatile float sink = result.r + result.g + result.b + result.a;
    (void)sink;
    return 0;
}
