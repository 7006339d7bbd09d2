#pragma once

// Renders one image of a scene through one backend: square tiles handed out
// to a pool of threads, several samples per pixel, averaged. Every sample's
// position depends only on its pixel and its number, so the picture does not
// depend on the thread count.

#include <cstdint>
#include <functional>
#include <thread>

#include "cli/render/image.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

struct RenderSettings {
    int width = 256;
    int height = 256;
    int samples = 4;  // per pixel
    int threads = 1;
    // Only the previewed material's own light: the set, the environment and
    // other objects' materials draw black, though what they let through
    // still shows. A pass of the material.
    bool previewOnly = false;
};

struct RenderStats {
    std::uint64_t shadingSamples = 0;  // samples the host shaded (the set is not the host's)
    std::uint64_t nonFinite = 0;       // shaded samples left out for a NaN or infinite answer
    double seconds = 0.0;
};

// Called on the calling thread, now and then, with the fraction done.
using ProgressCallback = std::function<void(double)>;

// `cameraSpace` as toCameraSpace() makes it; one resolved material per scene material.
Image renderImage(const Scene& cameraSpace, const std::vector<ResolvedMaterial>& materials,
                  ShadingBackend& backend, const RenderSettings& settings,
                  const ProgressCallback& progress = {}, RenderStats* stats = nullptr);

// How the tile renderer starts a thread; it throws std::system_error when the
// system refuses one. Tests refuse some, as a low process limit would.
using ThreadStarter = std::function<std::thread(std::function<void()>)>;

Image renderImage(const Scene& cameraSpace, const std::vector<ResolvedMaterial>& materials,
                  ShadingBackend& backend, const RenderSettings& settings, const ProgressCallback& progress,
                  RenderStats* stats, const ThreadStarter& startThread);

// The sub-pixel position of sample `index` of a pixel, in [0, 1)^2.
void samplePosition(int index, float& x, float& y);

}  // namespace sorvane::render
