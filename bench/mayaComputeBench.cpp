// compute() of the sorvane node through our Maya host, per shading sample at
// 1, 4 and 16 lights, as the preview drives it: reset the data block, set the
// sample's inputs and light elements, request outColor. Beside it the same
// samples through evaluateOutColor alone and the host's data-block filling
// alone, so that the host's share is named. After the run it prints, per
// light count: compute, evaluation, filling and the rest (dispatch and the
// plug-in's data handle reads).
//
//   build/bench/maya_compute_bench --benchmark_repetitions=10

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/benchRatios.h"
#include "bench/shadingWorkload.h"
#include "host/maya/mayaHost.h"
#include "maya/shadingEvaluation.h"
#include "tests/support/mayaLightData.h"

namespace {

namespace mh = sorvane::mayahost;
using sorvane::bench::kLightsPerSample;
using sorvane::bench::kSamples;
using sorvane::bench::workload;

constexpr std::size_t kMaterials = 16;

using sorvane::testing::toLightData;
using sorvane::testing::toMaya;

// Sample k: the material of node k % kMaterials, the geometry of sample k.
sorvane::mayaplugin::ShadingInputs sampleAt(std::size_t k) {
    const auto& w = workload();
    sorvane::mayaplugin::ShadingInputs s = w.samples[k % kMaterials];
    s.normalCamera = w.samples[k].normalCamera;
    s.rayDirection = w.samples[k].rayDirection;
    return s;
}

struct Host {
    std::unique_ptr<mh::LoadedPlugin> plugin = mh::LoadedPlugin::load(SORVANE_MAYA_PLUGIN);
    std::vector<std::unique_ptr<mh::Node>> nodes;
    const mh::Attribute* normalCamera;
    const mh::Attribute* rayDirection;
    const mh::Attribute* lightDataArray;
    const mh::Attribute* outColor;
    std::vector<mh::LightData> lights;  // kSamples * kLightsPerSample

    Host() {
        const auto& w = workload();
        for (std::size_t m = 0; m < kMaterials; ++m) {
            const sorvane::mayaplugin::ShadingInputs& s = w.samples[m];
            auto node = std::make_unique<mh::Node>("sorvane");
            node->set("color", toMaya(s.color));
            node->set("ambientColor", toMaya(s.ambientColor));
            node->set("incandescence", toMaya(s.incandescence));
            node->set("scatteringColor", toMaya(s.scatteringColor));
            node->set("oppositionColor", toMaya(s.oppositionColor));
            node->set("backlightColor", toMaya(s.backlightColor));
            node->set("specularColor", toMaya(s.specularColor));
            node->set("transparency", toMaya(s.transparency));
            node->set("diffuse", s.diffuse);
            node->set("scattering", s.scattering);
            node->set("anisotropy", s.anisotropy);
            node->set("depth", s.depth);
            node->set("opposition", s.opposition);
            node->set("backlight", s.backlight);
            node->set("eccentricity", s.eccentricity);
            node->set("specularRollOff", s.specularRollOff);
            nodes.push_back(std::move(node));
        }
        const mh::NodeType& type = nodes.front()->type();
        normalCamera = &type.attribute("normalCamera");
        rayDirection = &type.attribute("rayDirection");
        lightDataArray = &type.attribute("lightDataArray");
        outColor = &type.attribute("outColor");
        for (const sorvane::mayaplugin::LightDataElement& l : w.lights) lights.push_back(toLightData(l));
    }
};

Host& host() {
    static Host h;
    return h;
}

template <bool kRequest>
void run(benchmark::State& state) {
    Host& h = host();
    const auto& w = workload();
    const auto count = static_cast<unsigned>(state.range(0));
    std::vector<mh::Evaluation> evaluations;
    for (const auto& node : h.nodes) {
        evaluations.emplace_back(*node);
        evaluations.back().setElementCount(*h.lightDataArray, static_cast<unsigned>(kLightsPerSample));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kSamples;
        mh::Evaluation& e = evaluations[k % kMaterials];
        e.reset();
        e.set(*h.normalCamera, toMaya(w.samples[k].normalCamera));
        e.set(*h.rayDirection, toMaya(w.samples[k].rayDirection));
        e.setElementCount(*h.lightDataArray, count);
        for (unsigned l = 0; l < count; ++l)
            e.setLight(*h.lightDataArray, l, h.lights[k * kLightsPerSample + l]);
        if constexpr (kRequest) benchmark::DoNotOptimize(e.requestVector(*h.outColor));
        benchmark::ClobberMemory();
    }
}

void ComputeThroughHost(benchmark::State& state) { run<true>(state); }
void FillDataBlockOnly(benchmark::State& state) { run<false>(state); }

void EvaluateOutColorDirect(benchmark::State& state) {
    const auto& w = workload();
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<sorvane::mayaplugin::ShadingInputs> samples;
    for (std::size_t k = 0; k < kSamples; ++k) samples.push_back(sampleAt(k));
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kSamples;
        benchmark::DoNotOptimize(
            sorvane::mayaplugin::evaluateOutColor(samples[k], &w.lights[k * kLightsPerSample], count));
    }
}

BENCHMARK(ComputeThroughHost)->ArgName("lights")->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(FillDataBlockOnly)->ArgName("lights")->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(EvaluateOutColorDirect)->ArgName("lights")->Arg(1)->Arg(4)->Arg(16);

}  // namespace

int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    for (const char* lights : {"1", "4", "16"}) {
        const std::string arg = std::string("/lights:") + lights;
        const double compute = reporter.ns("ComputeThroughHost" + arg);
        const double fill = reporter.ns("FillDataBlockOnly" + arg);
        const double direct = reporter.ns("EvaluateOutColorDirect" + arg);
        if (compute < 0 || fill < 0 || direct < 0) continue;
        std::printf(
            "compute through the host, %2s lights: %7.1f ns a sample = evaluation %7.1f + filling the data "
            "block %6.1f + dispatch and handle reads %6.1f (host share %.0f%%)\n",
            lights, compute, direct, fill, compute - direct - fill, 100.0 * (compute - direct) / compute);
    }
    return 0;
}
