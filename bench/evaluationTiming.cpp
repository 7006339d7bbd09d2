// evaluation_bench's figures, and mentalray_shader_bench's evaluation, where
// Google Benchmark is not to be had: Debian packages it for Linux only, and
// the Windows builds are where the users run. The same loops under the same
// names (EvaluateOutColor/N, EvaluateOutColorScalar/N, MathFloorPerLight;
// EvaluationPerSample/PATH/lightSamples:N, MathFloorPerSample), each timed
// over a calibrated number of iterations, repeated, and written as Google
// Benchmark's JSON, so that the figures compare one to one; after the run
// it prints each path's cost of a light, or light sample, over its floor,
// from the medians.
//
//   wine64 build-win64/bench/evaluation_timing.exe --benchmark_repetitions=5
//       --benchmark_out=evaluation.json --benchmark_out_format=json
//
// Like Google Benchmark it times by the thread's CPU time, which others'
// work on a shared machine does not stretch, and reports wall-clock time
// beside it.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <time.h>
#endif

#include "bench/shadingWorkload.h"
#include "vectormath/vectorMath.h"
#if defined(SORVANE_TIME_MAYA)
#include "bench/mathFloor.h"
#include "maya/shadingEvaluation.h"
#endif
#if defined(SORVANE_TIME_MENTALRAY)
#include "bench/mentalrayEvaluation.h"
#endif

namespace {

using sorvane::bench::kSamples;

// Keeps a result the compiler would otherwise drop.
template <class T>
void keep(const T& value) {
#if defined(__GNUC__)
    asm volatile("" : : "m"(value) : "memory");
#else
    static volatile char sink;
    sink = *reinterpret_cast<const volatile char*>(&value);
#endif
}

struct Benchmark {
    std::string name;
    std::function<void(std::size_t iterations)> run;
    int itemsPerIteration;
};

std::vector<Benchmark> benchmarks() {
    using sorvane::bench::workload;
    std::vector<Benchmark> out;
#if defined(SORVANE_TIME_MAYA)
    const auto evaluation = [](const char* family, const sorvane::mayaplugin::LightBatchMath* math,
                               int lights) {
        return Benchmark{
            std::string(family) + "/" + std::to_string(lights),
            [math, lights](std::size_t iterations) {
                const auto& w = workload();
                for (std::size_t i = 0; i < iterations; ++i) {
                    const std::size_t k = i % kSamples;
                    keep(sorvane::mayaplugin::evaluateOutColor(w.samples[k], &w.lights[k * 16],
                                                               static_cast<std::size_t>(lights), math));
                }
            },
            lights};
    };
    for (const int lights : {0, 1, 8, 16}) {
        out.push_back(evaluation("EvaluateOutColor", sorvane::mayaplugin::widestLightBatchMath(), lights));
    }
    for (const int lights : {0, 1, 8, 16})
        out.push_back(evaluation("EvaluateOutColorScalar", nullptr, lights));
    out.push_back({"MathFloorPerLight",
                   [](std::size_t iterations) {
                       const auto& all = sorvane::bench::floorArguments();
                       for (std::size_t i = 0; i < iterations; ++i)
                           keep(sorvane::bench::mathFloorLight(all[i % kSamples]));
                   },
                   0});
#endif
#if defined(SORVANE_TIME_MENTALRAY)
    for (const sorvane::mrplugin::SampleBatchMath* math :
         {sorvane::mrplugin::widestSampleBatchMath(),
          static_cast<const sorvane::mrplugin::SampleBatchMath*>(nullptr)}) {
        for (const int count : {0, 16}) {
            out.push_back({std::string("EvaluationPerSample/") + (math ? math->name : "scalar") +
                               "/lightSamples:" + std::to_string(count),
                           [math, count](std::size_t iterations) {
                               static const sorvane::bench::ShaderEvaluation evaluation;
                               for (std::size_t i = 0; i < iterations; ++i)
                                   keep(evaluation.shade(i % kSamples, count, math));
                           },
                           count});
        }
    }
    out.push_back({"MathFloorPerSample",
                   [](std::size_t iterations) {
                       const auto& all = sorvane::bench::sampleFloorArguments();
                       for (std::size_t i = 0; i < iterations; ++i)
                           keep(sorvane::bench::mathFloorSample(all[i % kSamples]));
                   },
                   0});
#endif
    return out;
}

// This thread's CPU time in seconds.
double cpuSeconds() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 1e-7;
#else
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#endif
}

struct Times {
    double cpu, real;  // seconds
};

Times seconds(const Benchmark& b, std::size_t iterations) {
    const double cpu = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    b.run(iterations);
    return {cpuSeconds() - cpu,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

struct Run {
    std::string name;
    std::size_t iterations;
    double ns;      // CPU time per iteration
    double realNs;  // wall-clock time per iteration
    int items;
    int repetition;
};

// As Google Benchmark does: more iterations until a run lasts min_time.
Run measure(const Benchmark& b, double minTime, int repetition) {
    std::size_t n = 1;
    for (;;) {
        const Times times = seconds(b, n);
        const double t = times.cpu;
        if (t >= minTime || n >= 1000000000) {
            const double perIteration = 1e9 / static_cast<double>(n);
            return {b.name, n, t * perIteration, times.real * perIteration, b.itemsPerIteration, repetition};
        }
        const double grow = t > 0 ? minTime * 1.4 / t : 10.0;
        n = std::max(n + 1, static_cast<std::size_t>(static_cast<double>(n) * std::min(grow, 10.0)));
    }
}

double median(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    const std::size_t n = t.size();
    return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
}

// A JSON string's contents: the path may hold backslashes.
std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out;
}

void writeJson(std::FILE* f, const char* executable, const std::vector<Run>& runs, int repetitions,
               const std::vector<std::pair<std::string, double>>& medians) {
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S+00:00", std::gmtime(&now));
    std::fprintf(f,
                 "{\n  \"context\": {\n    \"date\": \"%s\",\n    \"executable\": \"%s\",\n"
                 "    \"num_cpus\": 1,\n    \"library_build_type\": \"release\",\n"
                 "    \"timer\": \"thread CPU time\"\n  },\n  \"benchmarks\": [\n",
                 date, escaped(executable).c_str());
    bool first = true;
    const auto item = [&](const Run& r, const char* runType, const char* aggregate) {
        std::fprintf(f, "%s    {\n", first ? "" : ",\n");
        first = false;
        const std::string name = aggregate[0] ? r.name + "_" + aggregate : r.name;
        std::fprintf(f,
                     "      \"name\": \"%s\",\n      \"run_name\": \"%s\",\n      \"run_type\": \"%s\",\n"
                     "      \"repetitions\": %d,\n      \"repetition_index\": %d,\n      \"threads\": 1,\n",
                     name.c_str(), r.name.c_str(), runType, repetitions, r.repetition);
        if (aggregate[0]) std::fprintf(f, "      \"aggregate_name\": \"%s\",\n", aggregate);
        std::fprintf(f,
                     "      \"iterations\": %llu,\n      \"real_time\": %.6e,\n      \"cpu_time\": %.6e,\n"
                     "      \"time_unit\": \"ns\"",
                     static_cast<unsigned long long>(r.iterations), r.realNs, r.ns);
        if (r.items > 0) std::fprintf(f, ",\n      \"items_per_second\": %.6e", r.items * 1e9 / r.ns);
        std::fprintf(f, "\n    }");
    };
    for (const Run& r : runs) item(r, "iteration", "");
    if (repetitions > 1) {
        for (const auto& [name, ns] : medians) {
            const auto it =
                std::find_if(runs.begin(), runs.end(), [&](const Run& r) { return r.name == name; });
            Run m = *it;
            std::vector<double> real;
            for (const Run& r : runs)
                if (r.name == name) real.push_back(r.realNs);
            m.ns = ns;
            m.realNs = median(real);
            m.repetition = 0;
            item(m, "aggregate", "median");
        }
    }
    std::fprintf(f, "\n  ]\n}\n");
}

int usage(const char* wrong) {
    std::fprintf(stderr,
                 "evaluation_timing: unknown argument \"%s\"\n"
                 "usage: evaluation_timing [--benchmark_min_time=SECONDS] [--benchmark_repetitions=N]\n"
                 "                         [--benchmark_out=FILE] [--benchmark_out_format=json]\n",
                 wrong);
    return 1;
}

bool option(const char* arg, const char* name, std::string& value) {
    const std::size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
    value = arg + n + 1;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double minTime = 0.5;
    int repetitions = 1;
    std::string out, value;
    for (int i = 1; i < argc; ++i) {
        if (option(argv[i], "--benchmark_min_time", value)) {
            char* end = nullptr;
            minTime = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || !(minTime > 0)) return usage(argv[i]);
        } else if (option(argv[i], "--benchmark_repetitions", value)) {
            repetitions = std::atoi(value.c_str());
            if (repetitions < 1) return usage(argv[i]);
        } else if (option(argv[i], "--benchmark_out", value)) {
            out = value;
        } else if (option(argv[i], "--benchmark_out_format", value)) {
            if (value != "json") return usage(argv[i]);
        } else {
            return usage(argv[i]);
        }
    }

    const sorvane::vectormath::Functions* math = sorvane::vectormath::widestFunctions();
    std::printf("vector path: %s\n%-28s %14s %12s\n", math ? math->name : "scalar", "Benchmark", "Time",
                "Iterations");
    std::vector<Run> runs;
    const std::vector<Benchmark> all = benchmarks();
    for (const Benchmark& b : all) {
        for (int r = 0; r < repetitions; ++r) {
            runs.push_back(measure(b, minTime, r));
            std::printf("%-28s %11.1f ns %12llu\n", b.name.c_str(), runs.back().ns,
                        static_cast<unsigned long long>(runs.back().iterations));
        }
    }
    std::vector<std::pair<std::string, double>> medians;
    for (const Benchmark& b : all) {
        std::vector<double> t;
        for (const Run& r : runs)
            if (r.name == b.name) t.push_back(r.ns);
        medians.emplace_back(b.name, median(t));
    }
    if (!out.empty()) {
        std::FILE* f = std::fopen(out.c_str(), "w");
        if (f == nullptr) {
            std::fprintf(stderr, "evaluation_timing: cannot write %s\n", out.c_str());
            return 1;
        }
        writeJson(f, argv[0], runs, repetitions, medians);
        if (std::fclose(f) != 0) {
            std::fprintf(stderr, "evaluation_timing: cannot write %s\n", out.c_str());
            return 1;
        }
    }
    const auto median = [&](const std::string& name) {
        for (const auto& [n, ns] : medians)
            if (n == name) return ns;
        return -1.0;
    };
#if defined(SORVANE_TIME_MAYA)
    const double floor = median("MathFloorPerLight");
    for (const char* family : {"EvaluateOutColor", "EvaluateOutColorScalar"}) {
        const std::string f = family;
        const double perLight = (median(f + "/16") - median(f + "/1")) / 15.0;
        const double atSixteen = (median(f + "/16") - median(f + "/0")) / 16.0;
        std::printf(
            "%s per light, (t(16) - t(1)) / 15: %.1f ns; (t(16) - t(0)) / 16: %.1f ns; math floor per "
            "light: %.1f ns; ratios %.3f and %.3f (medians of %d)\n",
            family, perLight, atSixteen, floor, perLight / floor, atSixteen / floor, repetitions);
    }
#endif
#if defined(SORVANE_TIME_MENTALRAY)
    const double sampleFloor = median("MathFloorPerSample");
    const sorvane::mrplugin::SampleBatchMath* widest = sorvane::mrplugin::widestSampleBatchMath();
    for (const char* path : {widest ? widest->name : "scalar", "scalar"}) {
        const std::string name = std::string("EvaluationPerSample/") + path + "/lightSamples:";
        const double perSample = (median(name + "16") - median(name + "0")) / 16.0;
        std::printf(
            "mental ray evaluation, %s, per light sample at 16: %.1f ns; math floor per light sample: "
            "%.1f ns; ratio %.3f (medians of %d)\n",
            path, perSample, sampleFloor, perSample / sampleFloor, repetitions);
        if (widest == nullptr) break;
    }
#endif
    return 0;
}
