#pragma once

// What the renderer functions answer from: the lights by tag, the irradiance,
// and counters of the calls the shader made.

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include <shader.h>

namespace sorvane::mrhost {

struct LightSample {
    miColor color{};
    miVector direction{};  // unit length, towards the light
};

// One light, as mi_sample_light sees it. Lights are shared by render threads:
// sample() must be safe to call concurrently.
class Light {
public:
    virtual ~Light() = default;
    // Sample number `index` (0 first) as seen from `state`; false when the
    // light has no more samples. `state.pri` is null here, as the shader sets it.
    virtual bool sample(const miState& state, int index, LightSample& out) const = 0;
};

// Delivers the given samples in order, whatever the state.
class ScriptedLight : public Light {
public:
    explicit ScriptedLight(std::vector<LightSample> samples) : samples_(std::move(samples)) {}
    bool sample(const miState& state, int index, LightSample& out) const override;

private:
    std::vector<LightSample> samples_;
};

// Writes the irradiance at state.point, state.normal.
using IrradianceProvider = std::function<void(const miState& state, miColor& irradiance)>;

struct CallCounters {
    std::atomic<long> phenEval{0};
    std::atomic<long> sampleLight{0};   // every call, the last one (no sample) included
    std::atomic<long> lightSamples{0};  // calls that delivered a sample
    std::atomic<long> computeIrradiance{0};
    std::atomic<long> unknownLight{0};  // calls with a tag that names no light

    void reset();
};

class Scene {
public:
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Returns the light's tag. Not to be called while shading.
    miTag addLight(std::shared_ptr<const Light> light);
    // Null for a tag that names no light.
    const Light* light(miTag tag) const;

    void setIrradiance(miColor irradiance);
    void setIrradianceProvider(IrradianceProvider provider);
    void irradiance(const miState& state, miColor& out) const;

    CallCounters& counters() const { return counters_; }

    // The first tag addLight hands out; anything below never names a light.
    static constexpr miTag kFirstLightTag = 0x100;

private:
    std::vector<std::shared_ptr<const Light>> lights_;
    IrradianceProvider irradiance_;
    mutable CallCounters counters_;
};

}  // namespace sorvane::mrhost
