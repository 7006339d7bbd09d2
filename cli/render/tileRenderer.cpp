#include "cli/render/tileRenderer.h"

#include "cli/render/stageShader.h"
#include "lighting/sampleHash.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace sorvane::render {

namespace {

constexpr int kTileSize = 16;
constexpr int kMaxDepth = 4;

using lighting::sampleHash;

struct Job {
    const SceneTracer& tracer;
    const StageShader& stage;
    const Scene& scene;
    const RenderSettings& settings;
    Image& image;
    int tilesX;
    int tileCount;
    std::atomic<int> nextTile{0};
    std::atomic<int> tilesDone{0};
    std::atomic<std::uint64_t> shadingSamples{0};
    std::atomic<std::uint64_t> nonFinite{0};
    std::atomic<bool> failed{false};
};

bool finite(const Rgb& c) { return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b); }

void renderTile(Job& job, ShadingWorker& worker, int tile, std::uint64_t& shaded, std::uint64_t& nonFinite) {
    const int x0 = (tile % job.tilesX) * kTileSize;
    const int y0 = (tile / job.tilesX) * kTileSize;
    const int x1 = std::min(x0 + kTileSize, job.settings.width);
    const int y1 = std::min(y0 + kTileSize, job.settings.height);
    const int samples = job.settings.samples;
    const float weight = 1.0f / static_cast<float>(samples);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            Rgb sum;
            int kept = 0;     // samples whose shading was finite
            int covered = 0;  // samples whose first hit is the previewed material
            const std::uint32_t pixelSeed =
                sampleHash(static_cast<std::uint32_t>(y) * 0x9e3779b9U + static_cast<std::uint32_t>(x));
            for (int s = 0; s < samples; ++s) {
                float dx, dy;
                samplePosition(s, dx, dy);
                Ray ray = job.tracer.cameraRay(static_cast<float>(x) + dx, static_cast<float>(y) + dy,
                                               job.settings.width, job.settings.height);
                const std::uint32_t seed = sampleHash(pixelSeed + static_cast<std::uint32_t>(s));
                // Through transparent surfaces to what lies behind, a few deep.
                Rgb throughput{1.0f, 1.0f, 1.0f};
                Rgb sample;
                bool usable = true;
                for (int depth = 0;; ++depth) {
                    Hit hit;
                    if (!job.tracer.trace(ray, hit)) {
                        if (job.settings.previewOnly) break;
                        const Rgb e =
                            environmentRadiance(job.scene.environment, job.scene.worldUp, ray.direction);
                        sample = sample + Rgb{throughput.r * e.r, throughput.g * e.g, throughput.b * e.b};
                        break;
                    }
                    ShadingPoint point;
                    point.point = hit.point;
                    point.normal = hit.normal;
                    point.rayDirection = ray.direction;
                    point.u = hit.u;
                    point.v = hit.v;
                    point.material = job.scene.objects[static_cast<std::size_t>(hit.object)].material;
                    point.seed = seed + static_cast<std::uint32_t>(depth) * 0x632be5abU;
                    point.sampleIndex = s;
                    if (depth == 0 && point.material == 0) ++covered;
                    const SceneMaterial& material =
                        job.scene.materials[static_cast<std::size_t>(point.material)];
                    Shaded shadedColor;
                    if (material.stage) {
                        if (!job.settings.previewOnly) {
                            shadedColor.color = job.stage.shade(hit.point, hit.normal, ray.direction,
                                                                material.stageColor, point.seed);
                        }
                    } else {
                        shadedColor = worker.shade(point);
                        ++shaded;
                        if (job.settings.previewOnly && point.material != 0) shadedColor.color = Rgb{};
                    }
                    const Rgb& c = shadedColor.color;
                    if (!finite(c) || !finite(shadedColor.transparency)) {
                        // A shader may answer NaN (an arc cosine of a cosine
                        // rounded past 1): leave the sample out of its pixel
                        // and count it, rather than paint the pixel with it.
                        ++nonFinite;
                        usable = false;
                        break;
                    }
                    sample = sample + Rgb{throughput.r * c.r, throughput.g * c.g, throughput.b * c.b};
                    const Rgb& t = shadedColor.transparency;
                    throughput = {throughput.r * t.r, throughput.g * t.g, throughput.b * t.b};
                    if (depth == kMaxDepth ||
                        !(throughput.r > 1e-4f || throughput.g > 1e-4f || throughput.b > 1e-4f)) {
                        break;
                    }
                    ray.origin = hit.point;
                }
                if (usable) {
                    sum = sum + sample;
                    ++kept;
                }
            }
            job.image.at(x, y) = kept > 0 ? sum * (1.0f / static_cast<float>(kept)) : Rgb{};
            job.image.alphaAt(x, y) = static_cast<float>(covered) * weight;
        }
    }
}

}  // namespace

void samplePosition(int index, float& x, float& y) {
    // The R2 sequence: even coverage for any sample count; sample 0 is the centre.
    const double i = static_cast<double>(index);
    x = static_cast<float>(std::fmod(0.5 + i * 0.7548776662466927, 1.0));
    y = static_cast<float>(std::fmod(0.5 + i * 0.5698402909980532, 1.0));
}

Image renderImage(const Scene& cameraSpace, const std::vector<ResolvedMaterial>& materials,
                  ShadingBackend& backend, const RenderSettings& settings, const ProgressCallback& progress,
                  RenderStats* stats) {
    return renderImage(cameraSpace, materials, backend, settings, progress, stats,
                       [](std::function<void()> body) { return std::thread(std::move(body)); });
}

Image renderImage(const Scene& cameraSpace, const std::vector<ResolvedMaterial>& materials,
                  ShadingBackend& backend, const RenderSettings& settings, const ProgressCallback& progress,
                  RenderStats* stats, const ThreadStarter& startThread) {
    const auto start = std::chrono::steady_clock::now();
    const SceneTracer tracer(cameraSpace);
    const StageShader stage(cameraSpace, tracer);
    backend.prepare(ShadingSetup{cameraSpace, materials, tracer});

    Image image(settings.width, settings.height);
    const int tilesX = (settings.width + kTileSize - 1) / kTileSize;
    const int tilesY = (settings.height + kTileSize - 1) / kTileSize;
    Job job{tracer, stage, cameraSpace, settings, image, tilesX, tilesX * tilesY};

    const int threadCount = std::max(1, std::min(settings.threads, job.tileCount));
    // Workers are made here, on this thread, so nothing is set up on the sample path.
    std::vector<std::unique_ptr<ShadingWorker>> workers;
    for (int i = 0; i < threadCount; ++i) workers.push_back(backend.newWorker());

    std::exception_ptr failure;
    std::atomic<bool> failureTaken{false};
    // Tiles go to whichever thread asks next; the reporting thread says how
    // far the job is after each of its tiles.
    const auto run = [&](ShadingWorker& worker, bool reports) {
        std::uint64_t shaded = 0;
        std::uint64_t nonFinite = 0;
        try {
            for (int tile = job.nextTile++; tile < job.tileCount && !job.failed; tile = job.nextTile++) {
                renderTile(job, worker, tile, shaded, nonFinite);
                ++job.tilesDone;
                if (reports) progress(static_cast<double>(job.tilesDone) / job.tileCount);
            }
        } catch (...) {
            if (!failureTaken.exchange(true)) failure = std::current_exception();
            job.failed = true;
        }
        job.shadingSamples += shaded;
        job.nonFinite += nonFinite;
    };

    // A process limit may refuse a thread: the render goes on with the threads
    // it has, this one always among them, rather than losing those started.
    std::vector<std::thread> threads;
    const auto startWorker = [&](ShadingWorker& worker) {
        try {
            threads.push_back(startThread([&run, &worker] { run(worker, false); }));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    };
    for (int i = 1; i < threadCount; ++i) {
        if (!startWorker(*workers[static_cast<std::size_t>(i)])) break;
    }
    int rendering = 0;
    if (progress && !threads.empty() && startWorker(*workers[0])) {
        rendering = static_cast<int>(threads.size());
        // This thread reports progress while the others render.
        while (job.tilesDone < job.tileCount && !job.failed) {
            progress(static_cast<double>(job.tilesDone) / job.tileCount);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    } else {
        rendering = static_cast<int>(threads.size()) + 1;
        run(*workers[0], static_cast<bool>(progress));
    }
    for (std::thread& t : threads) t.join();
    if (failure) std::rethrow_exception(failure);
    if (progress) progress(1.0);

    if (stats != nullptr) {
        stats->shadingSamples = job.shadingSamples;
        stats->nonFinite = job.nonFinite;
        stats->threads = rendering;
        stats->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return image;
}

}  // namespace sorvane::render
