#include "cli/studio/swatchRenderer.h"

#include <algorithm>
#include <chrono>

#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/render/environmentFile.h"
#include "cli/render/imageFiles.h"
#include "cli/render/materialPresets.h"
#include "cli/render/previewRender.h"
#include "cli/render/sceneMesh.h"
#include "cli/render/sceneTracer.h"
#include "cli/render/storedMaterials.h"
#include "cli/render/tileRenderer.h"
#include "cli/render/viewTransform.h"

namespace sorvane::studio {

namespace {

// Views are the page's few swatches; a client inventing names cannot grow this without bound.
constexpr std::size_t kMaxViews = 256;

}  // namespace

SwatchRenderer::SwatchRenderer(std::vector<std::unique_ptr<render::ShadingBackend>> backends,
                               const std::vector<Environment>& environments) {
    scenes_.emplace_back("studio", render::defaultScene());
    for (const Environment& e : environments) {
        render::Scene scene = render::defaultScene();
        render::applyEnvironment(scene, e.map, e.name, 1.0f, 0.0f, true);
        scenes_.emplace_back(e.name, std::move(scene));
    }
    for (auto& backend : backends) {
        auto host = std::make_unique<Host>();
        host->backend = std::move(backend);
        hosts_.push_back(std::move(host));
    }
    std::vector<render::ShadingBackend*> all;
    for (const auto& h : hosts_) all.push_back(h->backend.get());
    fileSchema_ = render::materialSchema(all);
}

std::vector<std::string> SwatchRenderer::environments() const {
    std::vector<std::string> names;
    for (const auto& [name, scene] : scenes_) names.push_back(name);
    return names;
}

std::vector<std::string> SwatchRenderer::hosts() const {
    std::vector<std::string> names;
    for (const auto& h : hosts_) names.push_back(h->backend->name());
    return names;
}

std::vector<std::string> SwatchRenderer::passes(const std::string& host) const {
    std::vector<std::string> names{"beauty", "set"};
    for (const auto& h : hosts_) {
        if (h->backend->name() != host) continue;
        for (const std::string& n : render::passNames(*h->backend)) names.push_back(n);
    }
    return names;
}

void SwatchRenderer::checkMaterial(const render::SceneMaterial& material) const {
    const render::ResolvedMaterial resolved = render::resolveMaterial(material, "material.preset");
    const auto known = [&](const std::string& name) {
        for (const auto& h : hosts_) {
            if (h->backend->attributeKind(name).has_value()) return true;
        }
        return false;
    };
    const auto unknown = [&](const std::string& name, const std::string& origin) {
        std::vector<std::string> names;
        for (const auto& h : hosts_) {
            for (const std::string& n : h->backend->attributeNames()) names.push_back(n);
        }
        return cli::InputError(origin, "no material attribute \"" + cli::printable(name) + "\" in any host" +
                                           cli::didYouMean(name, names));
    };
    for (const render::AttributeValue& v : resolved.values) {
        if (!known(v.name)) throw unknown(v.name, v.origin);
    }
    for (const render::TextureBinding& t : resolved.textures) {
        if (!known(t.attribute)) throw unknown(t.attribute, t.origin);
    }
}

std::uint64_t SwatchRenderer::claimView(const std::string& view) {
    const std::lock_guard<std::mutex> lock(viewsMutex_);
    const std::uint64_t generation = nextGeneration_++;
    if (view.empty()) return generation;
    if (views_.size() >= kMaxViews && views_.find(view) == views_.end()) views_.clear();
    views_[view] = generation;
    return generation;
}

bool SwatchRenderer::current(const std::string& view, std::uint64_t generation) {
    if (view.empty()) return true;
    const std::lock_guard<std::mutex> lock(viewsMutex_);
    const auto found = views_.find(view);
    return found == views_.end() || found->second == generation;
}

Swatch SwatchRenderer::render(const SwatchRequest& request) {
    Host* host = nullptr;
    for (const auto& h : hosts_) {
        if (h->backend->name() == request.host) host = h.get();
    }
    if (host == nullptr) {
        throw cli::InputError("host", "no host \"" + cli::printable(request.host) + "\"" +
                                          cli::didYouMean(request.host, hosts()));
    }
    checkMaterial(request.material);
    // The material's values go to this host's scene: values of names it
    // lacks are left out by the backend, as in a render of both hosts.
    const auto environment = std::find_if(scenes_.begin(), scenes_.end(),
                                          [&](const auto& e) { return e.first == request.environment; });
    if (environment == scenes_.end()) {
        throw cli::InputError("environment", "no environment \"" + cli::printable(request.environment) +
                                                 "\"" + cli::didYouMean(request.environment, environments()));
    }
    render::Scene scene = environment->second;
    scene.materials[0] = request.material;
    if (!request.mesh.empty()) {
        // Shapes made here alone: the studio reads no file it is named.
        if (!render::isShapeName(request.mesh)) throw cli::InputError("mesh", "must be a mesh's name");
        render::placeMesh(scene, render::findMesh(request.mesh), "mesh");
    }
    std::vector<render::ResolvedMaterial> materials;
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        materials.push_back(
            render::resolveMaterial(scene.materials[i], i == 0 ? "material" : "set material"));
    }
    // A pass is the material with the other effects switched off, applied last.
    const render::PassRender pass = render::passRender(*host->backend, request.pass);
    materials[0].values.insert(materials[0].values.end(), pass.overrides.begin(), pass.overrides.end());
    const render::Scene cameraSpace = render::toCameraSpace(scene);

    const std::uint64_t generation = claimView(request.view);
    if (host->waiting.fetch_add(1) >= kMaxWaiting) {
        host->waiting.fetch_sub(1);
        throw Busy(std::to_string(kMaxWaiting) + " renders are waiting for the " + request.host +
                   " host already; try again when one is done");
    }
    struct Leave {
        std::atomic<int>& waiting;
        ~Leave() { waiting.fetch_sub(1); }
    } leave{host->waiting};
    const std::lock_guard<std::mutex> turn(host->turn);
    const std::string superseded =
        "a newer request for view \"" + cli::printable(request.view) + "\" took its place";
    if (!current(request.view, generation)) throw Superseded(superseded);

    render::RenderSettings settings;
    settings.width = request.width;
    settings.height = request.height;
    settings.samples = request.samples;
    settings.previewOnly = pass.previewOnly;
    settings.threads = 1;  // with one thread, progress is reported after every tile, on this thread
    render::RenderStats stats;
    const render::Image image = render::renderImage(
        cameraSpace, materials, *host->backend, settings,
        [&](double) {
            if (!current(request.view, generation)) throw Superseded(superseded);
        },
        &stats);
    Swatch out;
    out.png =
        render::encodePng(render::toDisplay(image, render::ViewTransform{request.exposure, true, nullptr}));
    out.width = request.width;
    out.height = request.height;
    out.samples = request.samples;
    out.shadingSamples = stats.shadingSamples;
    out.seconds = stats.seconds;
    return out;
}

}  // namespace sorvane::studio
