// Shading samples per second of the default preview through each host, on 1
// and 2 threads. After the run it prints, from the best repetition of each,
// the 2-thread rate over the 1-thread rate per host (target >= 1.9 on 2 free
// cores), the mental ray rate over the Maya rate (target >= 0.8), and the
// share of a render spent setting it up before the threads start:
//   build/bench/render_throughput --benchmark_repetitions=5
// The CPU column is the whole process's: equal CPU per iteration on 1 and 2
// threads means the threads cost each other nothing, whatever else runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/benchRatios.h"
#include "bench/render/loadedBackends.h"

#include "cli/render/previewRender.h"

namespace {

using namespace sorvane::render;

ShadingBackend& backend(int host) { return sorvane::bench::loadedBackend(host); }

void renderThroughput(benchmark::State& state) {
    ShadingBackend& b = backend(static_cast<int>(state.range(0)));
    const Scene scene = toCameraSpace(defaultScene());
    std::vector<ResolvedMaterial> materials;
    for (const SceneMaterial& m : scene.materials) materials.push_back(resolveMaterial(m, "material"));
    const RenderSettings settings{128, 128, 2, static_cast<int>(state.range(1))};
    std::uint64_t samples = 0;
    for (auto _ : state) {
        RenderStats stats;
        benchmark::DoNotOptimize(renderImage(scene, materials, b, settings, {}, &stats));
        samples += stats.shadingSamples;
    }
    state.SetLabel(b.name());
    state.counters["samplesPerRender"] =
        static_cast<double>(samples) /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
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

// Everything a render does on one thread besides shading: the tracer, the
// set's shader, the host's prepare and a worker, for an image of one pixel.
void renderSetup(benchmark::State& state) {
    ShadingBackend& b = backend(static_cast<int>(state.range(0)));
    const Scene scene = toCameraSpace(defaultScene());
    std::vector<ResolvedMaterial> materials;
    for (const SceneMaterial& m : scene.materials) materials.push_back(resolveMaterial(m, "material"));
    const RenderSettings settings{1, 1, 1, 1};
    for (auto _ : state) benchmark::DoNotOptimize(renderImage(scene, materials, b, settings, {}, nullptr));
    state.SetLabel(b.name());
}

BENCHMARK(renderSetup)
    ->ArgNames({"host"})
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

std::string name(int host, int threads) {
    return "renderThroughput/host:" + std::to_string(host) + "/threads:" + std::to_string(threads);
}

// Samples per second of the best repetition, or a negative number.
double rate(const sorvane::bench::RatioReporter& reporter, int host, int threads) {
    const double ns = reporter.realNs(name(host, threads));
    const double samples = reporter.counter(name(host, threads), "samplesPerRender");
    return ns > 0 && samples > 0 ? samples / ns * 1e9 : -1.0;
}

}  // namespace

int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    for (int host : {0, 1}) {
        const double one = rate(reporter, host, 1), two = rate(reporter, host, 2);
        if (one > 0 && two > 0) {
            std::printf(
                "%s preview: %.0f samples/s on 1 thread, %.0f on 2; 2 threads / 1 thread %.3f (target >= "
                "1.9)\n",
                host == 0 ? "maya" : "mentalray", one, two, two / one);
        }
        // On a machine that others share, the wall clock says how many cores
        // were free; the process's CPU time per render says what the threads
        // cost each other, and so what two free cores would give.
        const double cpuOne = reporter.ns(name(host, 1)), cpuTwo = reporter.ns(name(host, 2));
        if (cpuOne > 0 && cpuTwo > 0) {
            std::printf(
                "%s preview: CPU time per render %.2f ms on 1 thread, %.2f on 2; on two free cores 2 threads "
                "/ 1 thread would be %.3f\n",
                host == 0 ? "maya" : "mentalray", cpuOne * 1e-6, cpuTwo * 1e-6, 2.0 * cpuOne / cpuTwo);
        }
    }
    for (int host : {0, 1}) {
        // The set-up runs before the threads start: its share of a render
        // bounds what a second thread can give, (S + P) / (S + P / 2).
        const double setup = reporter.ns("renderSetup/host:" + std::to_string(host));
        const double render = reporter.ns(name(host, 1));
        if (setup > 0 && render > 0) {
            const double share = setup / render;
            std::printf(
                "%s preview: serial set-up per render %.1f us CPU, %.3f%% of a render; it alone caps 2 "
                "threads "
                "/ 1 thread at %.3f\n",
                host == 0 ? "maya" : "mentalray", setup * 1e-3, share * 100.0,
                1.0 / (share + (1.0 - share) / 2.0));
        }
    }
    const double maya = rate(reporter, 0, 1), mentalray = rate(reporter, 1, 1);
    if (maya > 0 && mentalray > 0) {
        std::printf("preview samples per second, mental ray / Maya, 1 thread: %.3f (target >= 0.8)\n",
                    mentalray / maya);
    }
    return 0;
}
