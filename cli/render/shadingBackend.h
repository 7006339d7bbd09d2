#pragma once

// What the renderer needs of a host: the material and the scene's lights set
// up once, then one colour per shading sample. The renderer itself never
// shades; the backends shade through the built plug-ins loaded by the hosts.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/material/materialFiles.h"
#include "cli/render/materialPresets.h"
#include "cli/render/sceneTracer.h"

namespace sorvane::render {

// One shading sample, in camera space.
struct ShadingPoint {
    Vec3 point;
    Vec3 normal;        // unit length, facing the viewer
    Vec3 rayDirection;  // unit length, camera towards the point
    float u = 0.0f;     // texture coordinates of the object
    float v = 0.0f;
    int material = 0;        // index into the setup's materials
    std::uint32_t seed = 0;  // differs per pixel and sample: decorrelates light samples
    // This sample's place among its pixel's samples: the samples of one
    // pixel share out each area light's cells between them.
    int sampleIndex = 0;
};

struct ShadingSetup {
    const Scene& scene;  // camera space
    const std::vector<ResolvedMaterial>& materials;
    const SceneTracer& tracer;
};

// A shader's answer: its colour, and how much of what lies behind shows
// through (Maya's outTransparency; the colour is already darkened by it).
struct Shaded {
    Rgb color;
    Rgb transparency;
};

// Per thread: owns whatever one thread's samples need (a data block, a
// state), so shade() takes no lock and allocates nothing.
class ShadingWorker {
public:
    virtual ~ShadingWorker() = default;
    virtual Shaded shade(const ShadingPoint& point) = 0;
};

// What a material value is, alike in the files and on every host.
using material::ValueKind;

class ShadingBackend {
public:
    virtual ~ShadingBackend() = default;
    virtual std::string name() const = 0;  // "maya", "mentalray"
    virtual bool takes(HostScope scope) const = 0;
    // What a material value of this name sets on this host; nullopt where
    // the host has no such attribute.
    virtual std::optional<ValueKind> attributeKind(const std::string& name) const = 0;
    // The names a material may set on this host, for "did you mean".
    virtual std::vector<std::string> attributeNames() const { return {}; }
    // The values the shader can take for an attribute (its declared min and
    // max), when it says; outside them its curves are undefined (NaN).
    virtual std::optional<std::pair<double, double>> hardRange(const std::string& /*name*/) const {
        return std::nullopt;
    }
    // The same attributes as the material files read and write them: names,
    // Maya's short and channel names, kinds and defaults.
    virtual std::vector<material::MaterialAttribute> materialAttributes() const { return {}; }
    // Sets up materials and lights; throws InputError naming a value or a
    // light this host cannot take. The setup outlives the workers.
    virtual void prepare(const ShadingSetup& setup) = 0;
    virtual std::unique_ptr<ShadingWorker> newWorker() = 0;
    // What the last prepare() left out, one line each, for the user.
    virtual std::vector<std::string> notes() const { return {}; }
    // Every material value of one of the last prepare()'s materials as the
    // host holds it, defaults included: name and value as text.
    virtual std::vector<std::pair<std::string, std::string>> materialValues(int /*material*/) const {
        return {};
    }
};

}  // namespace sorvane::render
