// Environment images: what reading one costs once (its irradiance grid and
// its lights), and how well N lights stand for it. The error counters are
// the figures the light count was chosen by: over 400 normals, what the
// lights give a surface against the image's own cosine-weighted integral
// over every pixel, as a share of the brightest irradiance.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lighting/environmentMap.h"

namespace {

using sorvane::lighting::Color3;
using sorvane::lighting::Direction;
using sorvane::lighting::EnvironmentMap;

constexpr double kPi = 3.14159265358979323846;

double dot(const Direction& a, const Direction& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double luminance(const Color3& c) { return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]; }

// A sun over a sky and a ground, as outdoor images are: 512x256.
std::vector<float> outdoorPixels() {
    const Direction sun{-0.79f, 0.55f, 0.27f};
    std::vector<float> rgb;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 512; ++x) {
            const Direction d = sorvane::lighting::latLongDirection((x + 0.5f) / 512, (y + 0.5f) / 256);
            const bool inSun = dot(d, sun) > std::cos(1.6 * kPi / 180.0);
            const float sky = d[1] > 0 ? 0.2f + 0.4f * std::pow(1.0f - d[1], 3.0f) : 0.1f;
            const float v = inSun ? 1500.0f : sky;
            rgb.insert(rgb.end(), {v, v * 0.95f, v * (d[1] > 0 ? 1.3f : 0.7f)});
        }
    }
    return rgb;
}

const EnvironmentMap& outdoor() {
    static const EnvironmentMap map(512, 256, outdoorPixels());
    return map;
}

std::vector<Direction> normals() {
    std::vector<Direction> out;
    for (int i = 0; i < 400; ++i) {
        const double z = 1.0 - 2.0 * (i + 0.5) / 400.0, r = std::sqrt(1.0 - z * z), a = i * 2.399963;
        out.push_back({static_cast<float>(r * std::cos(a)), static_cast<float>(z),
                       static_cast<float>(r * std::sin(a))});
    }
    return out;
}

std::vector<double> exactIrradiance(const EnvironmentMap& map, const std::vector<Direction>& ns) {
    std::vector<double> out;
    for (const Direction& n : ns) {
        double sum = 0.0;
        for (int y = 0; y < map.height(); ++y) {
            const double solidAngle = map.pixelSolidAngle(y);
            for (int x = 0; x < map.width(); ++x) {
                const Direction d =
                    sorvane::lighting::latLongDirection((x + 0.5f) / map.width(), (y + 0.5f) / map.height());
                const double c = dot(n, d);
                if (c > 0.0) sum += luminance(map.pixel(x, y)) * solidAngle * c;
            }
        }
        out.push_back(sum);
    }
    return out;
}

void BM_ReadingTheImage(benchmark::State& state) {
    const std::vector<float> pixels = outdoorPixels();
    for (auto _ : state) {
        const EnvironmentMap map(512, 256, pixels);
        benchmark::DoNotOptimize(sorvane::lighting::environmentLights(map, 128));
    }
}
BENCHMARK(BM_ReadingTheImage)->Unit(benchmark::kMillisecond);

void BM_LightsStandForTheImage(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    static const std::vector<Direction> ns = normals();
    static const std::vector<double> exact = exactIrradiance(outdoor(), ns);
    std::vector<sorvane::lighting::EnvironmentLight> lights;
    for (auto _ : state)
        benchmark::DoNotOptimize(lights = sorvane::lighting::environmentLights(outdoor(), count));
    const double brightest = *std::max_element(exact.begin(), exact.end());
    double largest = 0.0, squares = 0.0, gridLargest = 0.0;
    for (std::size_t i = 0; i < ns.size(); ++i) {
        double sum = 0.0;
        for (const auto& l : lights) sum += kPi * luminance(l.color) * std::max(0.0, dot(l.towards, ns[i]));
        const double e = std::fabs(sum - exact[i]) / brightest;
        largest = std::max(largest, e);
        squares += e * e;
        gridLargest =
            std::max(gridLargest, std::fabs(luminance(outdoor().irradiance(ns[i])) - exact[i]) / brightest);
    }
    state.counters["maxError"] = largest;
    state.counters["rmsError"] = std::sqrt(squares / static_cast<double>(ns.size()));
    state.counters["gridMaxError"] = gridLargest;
}
BENCHMARK(BM_LightsStandForTheImage)->Arg(32)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
