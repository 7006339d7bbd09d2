// evaluateOutColor per light against a floor: the scalar math-library calls
// alone that one diffuse and specular light needs (4 cos, 4 exp, 5 pow,
// 2 log, 2 tan, 3 sqrt), on the same inputs. After the run it prints the
// marginal cost of a light, (t(16 lights) - t(1 light)) / 15, and the cost
// of a light at 8 lights, each against the floor, for the path the processor
// gets (EvaluateOutColor) and for the scalar path (EvaluateOutColorScalar).
//
//   build/bench/evaluation_bench --benchmark_repetitions=10

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/benchRatios.h"
#include "bench/mathFloor.h"
#include "bench/shadingWorkload.h"
#include "maya/shadingEvaluation.h"
#include "model/vector.h"

namespace {

using sorvane::bench::kSamples;
using sorvane::bench::Workload;
using sorvane::bench::workload;
using sorvane::mayaplugin::LightDataElement;
using sorvane::mayaplugin::ShadingInputs;
using sorvane::mayaplugin::Vec3;

void EvaluateOutColor(benchmark::State& state) {
    const Workload& w = workload();
    const auto lights = static_cast<std::size_t>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kSamples;
        benchmark::DoNotOptimize(
            sorvane::mayaplugin::evaluateOutColor(w.samples[k], &w.lights[k * 16], lights));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lights));
}
BENCHMARK(EvaluateOutColor)->Arg(0)->Arg(1)->Arg(4)->Arg(8)->Arg(16);

#if __has_include("maya/lightBatchMath.h")
void EvaluateOutColorScalar(benchmark::State& state) {
    const Workload& w = workload();
    const auto lights = static_cast<std::size_t>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kSamples;
        benchmark::DoNotOptimize(
            sorvane::mayaplugin::evaluateOutColor(w.samples[k], &w.lights[k * 16], lights, nullptr));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lights));
}
BENCHMARK(EvaluateOutColorScalar)->Arg(0)->Arg(1)->Arg(4)->Arg(8)->Arg(16);
#endif

void MathFloorPerLight(benchmark::State& state) {
    const auto& all = sorvane::bench::floorArguments();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(sorvane::bench::mathFloorLight(all[i++ % kSamples]));
}
BENCHMARK(MathFloorPerLight);

}  // namespace

namespace {

void printRatios(const sorvane::bench::RatioReporter& reporter, const std::string& name) {
    const double floor = reporter.ns("MathFloorPerLight");
    const double none = reporter.ns(name + "/0"), one = reporter.ns(name + "/1");
    const double eight = reporter.ns(name + "/8"), sixteen = reporter.ns(name + "/16");
    if (floor <= 0 || none <= 0 || one <= 0 || eight <= 0 || sixteen <= 0) return;
    const double marginal = (sixteen - one) / 15.0;
    std::printf("%s per light: %.1f ns; math floor per light: %.1f ns; ratio %.3f (target <= 1.10)\n",
                name.c_str(), marginal, floor, marginal / floor);
    // The lights' own cost at 8 lights, the sample's setup (no lights) taken out.
    const double atEight = (eight - none) / 8.0;
    std::printf(
        "%s at 8 lights: %.1f ns a light beyond the sample's own %.1f ns; ratio to the floor %.3f (target "
        "<= 0.5); all included %.1f ns a light, ratio %.3f\n",
        name.c_str(), atEight, none, atEight / floor, eight / 8.0, eight / 8.0 / floor);
}

}  // namespace

int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    printRatios(reporter, "EvaluateOutColor");
    printRatios(reporter, "EvaluateOutColorScalar");
    return 0;
}
