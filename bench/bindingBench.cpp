// The shader library's binding stubs after binding, against a direct call of
// the same renderer function through its address, as a shader linked against
// the renderer would make it. rendererBinding.cpp is compiled into this
// program, so the stubs are the library's own code. Two targets: mi_phen_eval
// on a state no shader record owns (the renderer answers at once, so the
// stub's own cost shows in full) and mi_sample_light on a shader instance's
// state with a one-sample light (the call the shader makes most).
//
//   build/bench/binding_bench --benchmark_repetitions=10

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench/benchRatios.h"
#include "host/mentalray/mentalrayHost.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

extern "C" int miSetModuleHandle(void* handle);

namespace {

namespace mr = sorvane::mrhost;

using PhenEval = void* (*)(miState*, void*);
using SampleLight = miBoolean (*)(miColor*, miVector*, miScalar*, miState*, miTag, miInteger*);

void* symbol(void* handle, const char* name) {
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

struct Setup {
    mr::RendererModule& module = mr::RendererModule::get();
    mr::LoadedShader shader{SORVANE_MR_LIBRARY, SORVANE_MR_DECLARATION, module};
    mr::SceneDatabase scene;
    std::unique_ptr<mr::ShaderInstance> instance = shader.instantiate(scene);
    miTag light = scene.addLight(std::make_shared<mr::ScriptedLight>(
        std::vector<mr::LightSample>{{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}}}));
    PhenEval phenEval = reinterpret_cast<PhenEval>(symbol(module.handle(), "mi_phen_eval"));
    SampleLight sampleLight = reinterpret_cast<SampleLight>(symbol(module.handle(), "mi_sample_light"));

    Setup() {
        miSetModuleHandle(module.handle());
        // Bound before measuring: the first call of each stub looks its function up.
        miState state{};
        int parameter = 0;
        mi_phen_eval(&state, &parameter);
        miState owned = instance->newState();
        miInteger samples = 0;
        miColor color;
        miVector direction;
        miScalar dotNl;
        mi_sample_light(&color, &direction, &dotNl, &owned, light, &samples);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

template <bool kStub>
void PhenEvalCall(benchmark::State& state) {
    Setup& s = setup();
    miState st{};
    int parameter = 0;
    PhenEval direct = s.phenEval;
    for (auto _ : state) {
        benchmark::DoNotOptimize(direct);
        void* value = kStub ? mi_phen_eval(&st, &parameter) : direct(&st, &parameter);
        benchmark::DoNotOptimize(value);
    }
}

template <bool kStub>
void SampleLightCall(benchmark::State& state) {
    Setup& s = setup();
    miState st = s.instance->newState();
    SampleLight direct = s.sampleLight;
    for (auto _ : state) {
        benchmark::DoNotOptimize(direct);
        miInteger samples = 0;
        miColor color;
        miVector direction;
        miScalar dotNl;
        const miBoolean got = kStub ? mi_sample_light(&color, &direction, &dotNl, &st, s.light, &samples)
                                    : direct(&color, &direction, &dotNl, &st, s.light, &samples);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(color);
    }
}

BENCHMARK_TEMPLATE(PhenEvalCall, true)->Name("PhenEval/stub");
BENCHMARK_TEMPLATE(PhenEvalCall, false)->Name("PhenEval/direct");
BENCHMARK_TEMPLATE(SampleLightCall, true)->Name("SampleLight/stub");
BENCHMARK_TEMPLATE(SampleLightCall, false)->Name("SampleLight/direct");

}  // namespace

int main(int argc, char** argv) {
    sorvane::bench::RatioReporter reporter;
    if (!sorvane::bench::runBenchmarks(argc, argv, reporter)) return 1;
    for (const char* function : {"PhenEval", "SampleLight"}) {
        const std::string name(function);
        const double stub = reporter.ns(name + "/stub"), direct = reporter.ns(name + "/direct");
        if (stub < 0 || direct < 0) continue;
        std::printf("%s: stub %.2f ns, direct %.2f ns, ratio %.3f (target <= 1.2)\n", function, stub, direct,
                    stub / direct);
    }
    return 0;
}
