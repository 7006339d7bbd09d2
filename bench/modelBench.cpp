// Each scattering-model function, in both flavours, over seeded inputs that
// the compiler cannot fold.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "model/scattering.h"

namespace {

using sorvane::model::MayaFlavour;
using sorvane::model::MentalRayFlavour;
using sorvane::model::Vec3;
namespace m = sorvane::model;

struct Inputs {
    Vec3 V, N, L;
    float s, g, d, k;
};

const std::vector<Inputs>& inputs() {
    static const std::vector<Inputs> all = [] {
        std::mt19937 rng(7);
        std::normal_distribution<float> n(0.0f, 1.0f);
        std::uniform_real_distribution<float> u(0.05f, 0.95f);
        const auto unit = [&] {
            const Vec3 v{n(rng), n(rng), n(rng)};
            const float l = std::sqrt(m::dot(v, v));
            return Vec3{v.x / l, v.y / l, v.z / l};
        };
        std::vector<Inputs> out(1024);
        for (Inputs& in : out) in = {unit(), unit(), unit(), u(rng), u(rng) * 2.0f - 1.0f, u(rng), u(rng)};
        return out;
    }();
    return all;
}

template <class F>
void Phase(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::scatterPhase<F>(x.N, x.L, x.g));
    }
}

template <class F>
void Reflection(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::scatterReflection<F>(x.V, x.N, x.L, x.s, x.g, x.d));
    }
}

template <class F>
void Transmission(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::scatterTransmission<F>(x.V, x.N, x.L, x.s, x.g, x.d));
    }
}

template <class F>
void FalloffCurve(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::falloffCurve<F>(x.s, x.k));
    }
}

template <class F>
void OppositionFalloff(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::oppositionFalloff<F>(x.V, x.N, x.k));
    }
}

template <class F>
void BacklightFalloff(benchmark::State& state) {
    const auto& in = inputs();
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& x = in[i++ & 1023];
        benchmark::DoNotOptimize(m::backlightFalloff<F>(x.L, x.N, x.k));
    }
}

}  // namespace

#define SORVANE_BOTH_FLAVOURS(fn)                           \
    BENCHMARK_TEMPLATE(fn, MayaFlavour)->Name(#fn "/Maya"); \
    BENCHMARK_TEMPLATE(fn, MentalRayFlavour)->Name(#fn "/MentalRay")

SORVANE_BOTH_FLAVOURS(Phase);
SORVANE_BOTH_FLAVOURS(Reflection);
SORVANE_BOTH_FLAVOURS(Transmission);
SORVANE_BOTH_FLAVOURS(FalloffCurve);
SORVANE_BOTH_FLAVOURS(OppositionFalloff);
SORVANE_BOTH_FLAVOURS(BacklightFalloff);

BENCHMARK_MAIN();
