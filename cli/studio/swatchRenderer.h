#pragma once

// The studio's renders: one swatch of the default scene through one host's
// backend (the built plug-in loaded by its host), on one thread, so two
// hosts render at once on two cores. Renders of one host take turns; a newer
// request for the same view stops the older one at its next tile, and a host
// with too many renders waiting turns new ones away rather than queue them.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/material/materialFiles.h"
#include "cli/render/scene.h"
#include "cli/render/shadingBackend.h"
#include "lighting/environmentMap.h"

namespace sorvane::studio {

struct SwatchRequest {
    std::string host;
    render::SceneMaterial material;
    int width = 320;
    int height = 320;
    int samples = 4;
    float exposure = 0.0f;
    std::string pass = "beauty";         // or "set", or one effect of the shading model
    std::string environment = "studio";  // the preview's own set, or one of environments()
    std::string mesh;                    // in the ball's place: empty or "sphere" for none, or a shape's name
    std::string view;                    // empty: never superseded
};

struct Swatch {
    std::string png;
    int width = 0;
    int height = 0;
    int samples = 0;
    std::uint64_t shadingSamples = 0;
    double seconds = 0.0;
};

// A newer request for the same view took this one's place.
class Superseded : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Too many renders wait for the host already.
class Busy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SwatchRenderer {
public:
    // Renders waiting for one host beyond which new ones are turned away.
    static constexpr int kMaxWaiting = 4;

    // An environment image the studio offers, by name.
    struct Environment {
        std::string name;
        std::shared_ptr<const lighting::EnvironmentMap> map;
    };

    explicit SwatchRenderer(std::vector<std::unique_ptr<render::ShadingBackend>> backends,
                            const std::vector<Environment>& environments = {});

    // "studio" (the preview's own set and lights), then each image by name.
    std::vector<std::string> environments() const;

    std::vector<std::string> hosts() const;
    // The passes a host renders: "beauty", "set", then its effects.
    std::vector<std::string> passes(const std::string& host) const;
    // Throws InputError for a host, a value or a name no host takes;
    // Superseded and Busy as above.
    Swatch render(const SwatchRequest& request);
    // Throws InputError naming a value that no host takes.
    void checkMaterial(const render::SceneMaterial& material) const;
    // Every material attribute of the hosts, as the material files know them.
    const material::Schema& fileSchema() const { return fileSchema_; }

private:
    struct Host {
        std::unique_ptr<render::ShadingBackend> backend;
        std::mutex turn;
        std::atomic<int> waiting{0};
    };

    std::uint64_t claimView(const std::string& view);
    bool current(const std::string& view, std::uint64_t generation);

    std::vector<std::unique_ptr<Host>> hosts_;
    // Each environment's scene, its lights made once.
    std::vector<std::pair<std::string, render::Scene>> scenes_;
    material::Schema fileSchema_;
    std::mutex viewsMutex_;
    std::map<std::string, std::uint64_t> views_;
    std::uint64_t nextGeneration_ = 1;
};

}  // namespace sorvane::studio
