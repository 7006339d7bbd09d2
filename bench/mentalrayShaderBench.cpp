// The mental ray shader per light sample, called through our host as the
// renderer calls it, against a floor: the double-precision math calls that
// one light sample made in the shader before the work common to a shading
// sample was hoisted out of the light loop (4 cos, 5 exp, 6 pow, 2 log,
// 2 tan, 1 acos, 1 sqrt), on the same inputs; beside it the calls a light
// sample makes today (1 cos, 4 exp, 2 pow, 1 tan, 1 acos, 1 sqrt).
//
// The shader runs on the path this process chose (SORVANE_SCALAR_MATH=1 for
// the scalar one). Its evaluation alone, without the host, runs on every
// path side by side: the scalar loop and the batches on SSE2, AVX2 and AVX-512.
// After the run it prints the cost of a light sample at 1, 2, 4, 8 and 16
// samples, (t(n) - t(0)) / n, and its ratio to the floor; and, as before,
// the shader's (t(16) - t(1)) / 15.
//
//   build/bench/mentalray_shader_bench --benchmark_repetitions=10

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/benchRatios.h"
#include "bench/mentalrayEvaluation.h"
#include "bench/shadingWorkload.h"
#include "host/mentalray/mentalrayHost.h"
#include "mentalray/lightSampleBatch.h"
#include "mentalray/sampleBatchMath.h"
#include "mentalray/shadingEvaluation.h"

namespace {

namespace mr = sorvane::mrhost;
using sorvane::bench::kLightsPerSample;
using sorvane::bench::kSamples;
using sorvane::bench::workload;

using sorvane::bench::kMaterials;
using sorvane::bench::toMr;

// What state.user points at: this sample's light samples.
struct SampleSet {
    const mr::LightSample* samples = nullptr;
    int count = 0;
};

// An area light whose samples the benchmark hands over per shading sample.
class TableLight : public mr::Light {
public:
    bool sample(const miState& state, int index, mr::LightSample& out) const override {
        const auto* set = static_cast<const SampleSet*>(state.user);
        if (index >= set->count) return false;
        out = set->samples[index];
        return true;
    }
};

struct Setup {
    mr::LoadedShader shader{SORVANE_MR_LIBRARY, SORVANE_MR_DECLARATION};
    mr::SceneDatabase scene;
    std::vector<std::unique_ptr<mr::ShaderInstance>> instances;  // one per material
    std::vector<mr::LightSample> lightSamples;                   // kSamples * kLightsPerSample

    Setup() {
        const miTag tag = scene.addLight(std::make_shared<TableLight>());
        const auto& w = workload();
        for (std::size_t m = 0; m < kMaterials; ++m) {
            const sorvane::mayaplugin::ShadingInputs& s = w.samples[m];
            auto instance = shader.instantiate(scene);
            instance->setValues("color", {s.color.r, s.color.g, s.color.b});
            instance->setValues("scatteringColor",
                                {s.scatteringColor.r, s.scatteringColor.g, s.scatteringColor.b});
            instance->setScalar("scattering", s.scattering);
            instance->setScalar("anisotropy", s.anisotropy);
            instance->setScalar("depth", s.depth);
            instance->setScalar("opposition", s.opposition);
            instance->setScalar("backlight", s.backlight);
            instance->setBoolean("useIrradiance", false);
            instance->setArray("lights", {tag});
            instances.push_back(std::move(instance));
        }
        for (const sorvane::mayaplugin::LightDataElement& l : w.lights) {
            const sorvane::mayaplugin::Color& c = l.lightIntensity;
            lightSamples.push_back({{c.r, c.g, c.b, 1.0f}, toMr(l.lightDirection)});
        }
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void ShaderPerSample(benchmark::State& state) {
    Setup& s = setup();
    const auto& w = workload();
    const int count = static_cast<int>(state.range(0));
    std::vector<miState> states;
    for (const auto& instance : s.instances) states.push_back(instance->newState());
    SampleSet set;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::size_t k = i++ % kSamples;
        const mr::ShaderInstance& instance = *s.instances[k % kMaterials];
        miState& st = states[k % kMaterials];
        st.dir = toMr(w.samples[k].rayDirection);
        st.normal = toMr(w.samples[k].normalCamera);
        set = {&s.lightSamples[k * kLightsPerSample], count};
        st.user = &set;
        st.user_size = static_cast<int>(sizeof set);
        miColor result{0.0f, 0.0f, 0.0f, 0.0f};
        instance.shade(result, st);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
}
BENCHMARK(ShaderPerSample)->ArgName("lightSamples")->DenseRange(0, 2)->Arg(4)->Arg(8)->Arg(16);

enum class Path { scalar, sse2, avx2, avx512 };

void EvaluationPerSample(benchmark::State& state, Path path) {
    const sorvane::mrplugin::SampleBatchMath* math = nullptr;
    if (path != Path::scalar) {
        math = sorvane::mrplugin::sampleBatchMath(
            path == Path::avx512 ? sorvane::mrplugin::SampleBatchIsa::avx512
            : path == Path::avx2 ? sorvane::mrplugin::SampleBatchIsa::avx2
                                 : sorvane::mrplugin::SampleBatchIsa::sse2);
        if (math == nullptr) {
            state.SkipWithError("not available on this machine");
            return;
        }
    }
    const sorvane::bench::ShaderEvaluation evaluation;
    const int count = static_cast<int>(state.range(0));
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(evaluation.shade(i++ % kSamples, count, math));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * count);
}

void sampleCounts(benchmark::internal::Benchmark* b) {
    b->ArgName("lightSamples")->DenseRange(0, 2)->Arg(4)->Arg(8)->Arg(16);
}
BENCHMARK_CAPTURE(EvaluationPerSample, scalar, Path::scalar)->Apply(sampleCounts);
BENCHMARK_CAPTURE(EvaluationPerSample, sse2, Path::sse2)->Apply(sampleCounts);
BENCHMARK_CAPTURE(EvaluationPerSample, avx2, Path::avx2)->Apply(sampleCounts);
BENCHMARK_CAPTURE(EvaluationPerSample, avx512, Path::avx512)->Apply(sampleCounts);

void MathFloorPerSample(benchmark::State& state) {
    const auto& all = sorvane::bench::sampleFloorArguments();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(sorvane::bench::mathFloorSample(all[i++ % kSamples]));
}
BENCHMARK(MathFloorPerSample);

// The calls a light sample makes today, the view's share being made once
// per shading sample: cos(N.L), pow(phase base, 1.5), the exponentials of
// e2, e, the backlight and the lobe, the falloff's tan and pow(x, -1), the
// lobe's acos and the half vector's sqrt.
void CallsPerSample(benchmark::State& state) {
    using namespace sorvane::bench;
    const auto& all = sampleFloorArguments();
    std::size_t i = 0;
    for (auto _ : state) {
        const SampleFloorArguments& a = all[i++ % kSamples];
        float sum = dcos(a.cosArg[1]);
        for (int j = 1; j < 5; ++j) sum += dexp(a.expArg[j]);
        sum += dpow(a.powBase[0], a.powExp[0]);
        sum += dpow(a.powBase[3], a.powExp[3]);
        sum += static_cast<float>(std::pow(static_cast<double>(a.square), 2.0));
        sum += dtan(a.tanArg[1]);
        sum += dacos(a.acosArg);
        sum += dsqrt(a.sqrtArg);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(CallsPerSample);

}  // namespace

int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    const double floor = reporter.ns("MathFloorPerSample");
    const double calls = reporter.ns("CallsPerSample");
    if (floor <= 0) return 0;
    const double one = reporter.ns("ShaderPerSample/lightSamples:1");
    const double sixteen = reporter.ns("ShaderPerSample/lightSamples:16");
    if (one > 0 && sixteen > 0) {
        const double perSample = (sixteen - one) / 15.0;
        std::printf(
            "mental ray shader per light sample, (t(16) - t(1)) / 15: %.1f ns; math floor per light sample: "
            "%.1f ns; "
            "ratio %.3f (target <= 1.10)\n",
            perSample, floor, perSample / floor);
    }
    const sorvane::mrplugin::SampleBatchMath* chosen = sorvane::mrplugin::widestSampleBatchMath();
    std::printf("math floor per light sample: %.1f ns; the calls a light sample makes today: %.1f ns\n",
                floor, calls);
    std::printf("per light sample, (t(n) - t(0)) / n, in ns and as a ratio to the floor (target <= 1.10):\n");
    const struct {
        std::string label;
        std::string name;
    } rows[] = {
        {std::string("shader through the host, ") + (chosen ? chosen->name : "scalar"), "ShaderPerSample"},
        {"evaluation, scalar", "EvaluationPerSample/scalar"},
        {"evaluation, sse2", "EvaluationPerSample/sse2"},
        {"evaluation, avx2", "EvaluationPerSample/avx2"},
        {"evaluation, avx512", "EvaluationPerSample/avx512"},
    };
    for (const auto& row : rows) {
        const double zero = reporter.ns(row.name + "/lightSamples:0");
        if (zero <= 0) continue;
        std::printf("  %-40s", row.label.c_str());
        for (const int n : {1, 2, 4, 8, 16}) {
            const double t = reporter.ns(row.name + "/lightSamples:" + std::to_string(n));
            if (t <= 0) continue;
            const double perSample = (t - zero) / n;
            std::printf("  %2d: %6.1f ns, ratio %.3f", n, perSample, perSample / floor);
        }
        std::printf("\n");
    }
    return 0;
}
