// The Maya node's compute through the host, with every writable attribute,
// the sample inputs and up to four lights taken from the input as floats:
// NaN, infinities, subnormals, zero vectors, eccentricity 0, strengths
// outside (0, 1). Whatever the values, compute must neither crash nor hit
// undefined behaviour, and both outputs must come back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzz/fuzzBytes.h"
#include "host/maya/mayaHost.h"

namespace {

namespace host = sorvane::mayahost;

struct Plugin {
    std::unique_ptr<host::LoadedPlugin> plugin = host::LoadedPlugin::load(SORVANE_MAYA_PLUGIN);
    const host::NodeType& type = *host::findNodeType("sorvane");
    std::vector<const host::Attribute*> inputs;  // writable floats and booleans, compounds' children included
    const host::Attribute& lights = type.attribute("lightDataArray");
    const host::Attribute& outColor = type.attribute("outColor");
    const host::Attribute& outTransparency = type.attribute("outTransparency");

    Plugin() {
        for (const auto& attribute : type.attributes) {
            const bool leaf =
                attribute->kind == host::AttributeKind::Float || attribute->kind == host::AttributeKind::Bool;
            if (leaf && attribute->writable && !attribute->output && !attribute->arrayOwner) {
                inputs.push_back(attribute.get());
            }
        }
    }
};

MFloatVector vector(sorvane::fuzz::FuzzBytes& bytes) {
    const float x = bytes.number();
    const float y = bytes.number();
    return MFloatVector(x, y, bytes.number());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Plugin plugin;
    sorvane::fuzz::FuzzBytes bytes(data, size);
    host::Node node("sorvane");
    host::Evaluation evaluation(node);
    // Which inputs the case sets, then their values; the rest keep their defaults.
    std::vector<bool> chosen;
    for (std::size_t i = 0; i < plugin.inputs.size(); i += 8) {
        const std::uint8_t mask = bytes.byte();
        for (std::size_t bit = 0; bit < 8 && i + bit < plugin.inputs.size(); ++bit) {
            chosen.push_back((mask >> bit) & 1);
        }
    }
    for (std::size_t i = 0; i < plugin.inputs.size(); ++i) {
        if (!chosen[i]) continue;
        const host::Attribute& attribute = *plugin.inputs[i];
        if (attribute.kind == host::AttributeKind::Bool) {
            evaluation.set(attribute, bytes.flag());
        } else {
            evaluation.set(attribute, bytes.number());
        }
    }
    const unsigned count = bytes.byte() % 5;
    evaluation.setElementCount(plugin.lights, count);
    for (unsigned i = 0; i < count; ++i) {
        host::LightData light = evaluation.elementDefault(plugin.lights);
        light.direction = vector(bytes);
        light.intensity = vector(bytes);
        const std::uint8_t flags = bytes.byte();
        light.ambient = flags & 1;
        light.diffuse = flags & 2;
        light.specular = flags & 4;
        light.shadowFraction = bytes.number();
        light.preShadowIntensity = bytes.number();
        evaluation.setLight(plugin.lights, i, light);
    }
    const MFloatVector color = evaluation.requestVector(plugin.outColor);
    const MFloatVector transparency = evaluation.requestVector(plugin.outTransparency);
    // Keeps the results alive past the optimiser.
    volatile float sink = color.x + color.y + color.z + transparency.x + transparency.y + transparency.z;
    (void)sink;
    return 0;
}
