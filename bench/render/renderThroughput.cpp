// Shading samples per second of the default preview through each host, on 1
// and 2 threads. On 2 free cores the 2-thread rate should be at least 1.8
// times the 1-thread rate:
//   build/bench/render_throughput --benchmark_min_time=2
// The CPU column is the whole process's: equal CPU per iteration on 1 and 2
// threads means the threads cost each other nothing, whatever else runs.
#include <benchmark/benchmark.h>

#include "cli/render/hostBackends.h"
#include "cli/render/previewRender.h"

namespace {

using namespace sorvane::render;

ShadingBackend& backend(int host) {
    static std::unique_ptr<ShadingBackend> maya = openMayaBackend(sorvane::cli::defaultPluginPaths());
    static std::unique_ptr<ShadingBackend> mentalray =
        openMentalrayBackend(sorvane::cli::defaultPluginPaths());
    return host == 0 ? *maya : *mentalray;
}

void renderThroughput(benchmark::State& state) {
    ShadingBackend& b = backend(static_cast<int>(state.range(0)));
    const Scene scene = toCameraSpace(defaultScene());
    std::vector<ResolvedMaterial> materials;
    for (const Material& m : scene.materials) materials.push_back(resolveMaterial(m, "material"));
    const RenderSettings settings{128, 128, 2, static_cast<int>(state.range(1))};
    std::uint64_t samples = 0;
    for (auto _ : state) {
        RenderStats stats;
        benchmark::DoNotOptimize(renderImage(scene, materials, b, settings, {}, &stats));
        samples += stats.shadingSamples;
    }
    state.SetLabel(b.name());
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate);
}

BENCHMARK(renderThroughput)
    ->ArgNames({"host", "threads"})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 1})
    ->Args({1, 2})
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
