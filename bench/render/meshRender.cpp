// A mesh of a million triangles against the analytic ball: the default
// preview at 512x512 and 4 samples, one thread, through each host. The
// million-triangle ball covers the ball's own pixels, so the two differ in
// their tracing alone; the torus knot of a million triangles is the shipped
// shape, finer. Embree's hierarchy of a mesh is built once per process
// (meshBuild times it) and shared by every render after. After the run it
// prints each mesh's time over the ball's, with and without the build, from
// the best repetition of each (target: within 3 times):
//   build/bench/mesh_render --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
// (interleaved, the ball and the meshes meet the same load from whatever
// else the machine runs).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/benchRatios.h"
#include "bench/render/loadedBackends.h"
#include "tests/support/tessellatedBall.h"

#include "cli/mesh/meshShapes.h"
#include "cli/render/previewRender.h"
#include "cli/render/sceneMesh.h"

namespace {

using namespace sorvane::render;

ShadingBackend& backend(int host) { return sorvane::bench::loadedBackend(host); }

const char* const kShapes[] = {"sphere", "ball mesh", "torus knot"};

// 2 x 1024 x 511 = 1,046,528 triangles; 2 x 4096 x 128 = 1,048,576. Each
// made on first use.
const sorvane::mesh::TriangleMesh& triangles(int shape) {
    if (shape == 1) {
        static const sorvane::mesh::TriangleMesh ball = sorvane::testing::tessellatedBall(1024, 512);
        return ball;
    }
    static const sorvane::mesh::TriangleMesh knot = sorvane::mesh::torusKnot(4096, 128);
    return knot;
}

std::shared_ptr<const SceneMesh> sceneMesh(int shape) {
    if (shape == 0) return nullptr;
    if (shape == 1) {
        static const auto ball = std::make_shared<const SceneMesh>(triangles(1));
        return ball;
    }
    static const auto knot = std::make_shared<const SceneMesh>(triangles(2));
    return knot;
}

void meshRender(benchmark::State& state) {
    ShadingBackend& b = backend(static_cast<int>(state.range(0)));
    const int shape = static_cast<int>(state.range(1));
    Scene world = defaultScene();
    const std::shared_ptr<const SceneMesh> mesh = sceneMesh(shape);
    placeMesh(world, mesh, "mesh");
    if (mesh) mesh->accelerator();  // built once, before: meshBuild times it
    const Scene scene = toCameraSpace(world);
    std::vector<ResolvedMaterial> materials;
    for (const SceneMaterial& m : scene.materials) materials.push_back(resolveMaterial(m, "material"));
    const RenderSettings settings{512, 512, 4, 1};
    std::uint64_t samples = 0;
    for (auto _ : state) {
        RenderStats stats;
        benchmark::DoNotOptimize(renderImage(scene, materials, b, settings, {}, &stats));
        samples += stats.shadingSamples;
    }
    state.SetLabel(b.name() + ", " + kShapes[shape]);
    state.counters["triangles"] = mesh ? static_cast<double>(mesh->triangles().triangles.size()) : 0.0;
    state.counters["shadingSamples"] =
        static_cast<double>(samples) /
        static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
}

BENCHMARK(meshRender)
    ->ArgNames({"host", "shape"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Embree's hierarchy of a million triangles, built afresh (on as many
// threads as Embree takes): what the first render of a mesh pays. Its CPU
// time is the process's, every thread's.
void meshBuild(benchmark::State& state) {
    const int shape = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto mesh = std::make_unique<SceneMesh>(triangles(shape));
        state.ResumeTiming();
        benchmark::DoNotOptimize(mesh->accelerator());
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
    state.SetLabel(kShapes[shape]);
}

BENCHMARK(meshBuild)->ArgNames({"shape"})->Arg(1)->Arg(2)->UseRealTime()->MeasureProcessCPUTime()->Unit(
    benchmark::kMillisecond);

}  // namespace

// On a machine that others share the wall clock says how much of a core the
// render had; the CPU time of a one-thread render is its work. The ratios
// are the CPU times', the build's counting every thread it ran on.
int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    for (int host : {0, 1}) {
        const auto name = [&](int shape) {
            return "meshRender/host:" + std::to_string(host) + "/shape:" + std::to_string(shape);
        };
        const double sphere = reporter.ns(name(0));
        if (sphere <= 0) continue;
        std::printf("%s, 512x512, 4 samples, 1 thread: sphere %.0f ms CPU (%.0f ms wall clock)\n",
                    host == 0 ? "maya" : "mentalray", sphere * 1e-6, reporter.realNs(name(0)) * 1e-6);
        for (int shape : {1, 2}) {
            const double mesh = reporter.ns(name(shape));
            const double build = reporter.ns("meshBuild/shape:" + std::to_string(shape));
            if (mesh <= 0) continue;
            std::printf("  %s of 1M triangles: %.0f ms CPU (%.0f ms wall clock), %.2f x the sphere",
                        kShapes[shape], mesh * 1e-6, reporter.realNs(name(shape)) * 1e-6, mesh / sphere);
            if (build > 0) {
                std::printf("; with its build (%.0f ms CPU) %.2f x", build * 1e-6, (mesh + build) / sphere);
            }
            std::printf(" (target <= 3)\n");
        }
    }
    return 0;
}
