#pragma once

// The renderer's scene database, as far as the renderer functions answer
// from it: the lights by tag, the irradiance, and counters of the calls the
// shader made.

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

// Counts of the renderer calls the shader made. Every thread counts in a
// slot of its own, a cache line each, and reading sums the slots: render
// threads calling mi_sample_light and mi_phen_eval millions of times must
// not take one line from each other on every call. Read and reset them
// between renders, not while shading.
class CallCounters {
public:
    enum Call { kPhenEval, kSampleLight, kLightSamples, kComputeIrradiance, kUnknownLight, kCallKinds };

    void count(Call call);
    // Both at one look-up of the thread's slot: mi_sample_light counts each
    // call once, whatever it delivered.
    void count(Call call, Call also);
    long total(Call call) const;
    void reset();

    long phenEval() const { return total(kPhenEval); }
    long sampleLight() const { return total(kSampleLight); }  // every call, the last one (no sample) included
    long lightSamples() const { return total(kLightSamples); }  // calls that delivered a sample
    long computeIrradiance() const { return total(kComputeIrradiance); }
    long unknownLight() const { return total(kUnknownLight); }  // calls with a tag that names no light

    // Threads beyond this many at once share one more slot, counting atomically.
    static constexpr int kThreadSlots = 32;

private:
    struct alignas(64) Slot {
        std::atomic<long> counts[kCallKinds] = {};
    };
    Slot slots_[kThreadSlots + 1];
};

class SceneDatabase {
public:
    SceneDatabase();
    SceneDatabase(const SceneDatabase&) = delete;
    SceneDatabase& operator=(const SceneDatabase&) = delete;

    // Returns the light's tag. Not to be called while shading.
    miTag addLight(std::shared_ptr<const Light> light);
    // Null for a tag that names no light. Inline: asked on every light sample.
    const Light* light(miTag tag) const {
        if (tag < kFirstLightTag || tag - kFirstLightTag >= lights_.size()) return nullptr;
        return lights_[tag - kFirstLightTag].get();
    }

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
