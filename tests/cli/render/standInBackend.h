#pragma once

// A backend for the renderer's own tests: a fixed function of the sample, so
// the tiles, threads and layout can be checked without a host.

#include <atomic>

#include "cli/render/shadingBackend.h"

namespace sorvane::render::testing {

class StandInBackend : public ShadingBackend {
public:
    // `transparency` is what every surface lets through.
    explicit StandInBackend(Rgb transparency = {}) : transparency_(transparency) {}
    std::string name() const override { return "stand-in"; }
    bool takes(HostScope) const override { return true; }
    // Whatever the presets name, as a plug-in would declare it.
    std::optional<ValueKind> attributeKind(const std::string& name) const override {
        for (const Preset& preset : materialPresets()) {
            for (const AttributeValue& v : preset.values) {
                if (v.name == name) return v.count == 3 ? ValueKind::color : ValueKind::scalar;
            }
        }
        return std::nullopt;
    }
    void prepare(const ShadingSetup&) override { ++prepared; }
    std::unique_ptr<ShadingWorker> newWorker() override { return std::make_unique<Worker>(*this); }

    std::atomic<int> prepared{0};
    std::atomic<long> shaded{0};

private:
    struct Worker : ShadingWorker {
        explicit Worker(StandInBackend& b) : backend(b) {}
        Shaded shade(const ShadingPoint& p) override {
            ++backend.shaded;
            return {{0.5f + 0.5f * p.normal.x, 0.5f + 0.5f * p.normal.y, static_cast<float>(p.material)},
                    backend.transparency_};
        }
        StandInBackend& backend;
    };
    Rgb transparency_;
};

}  // namespace sorvane::render::testing
