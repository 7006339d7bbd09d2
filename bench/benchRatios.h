#pragma once

// A console reporter that also keeps each benchmark's best figure, so a
// benchmark can print the ratios it exists for after the run. With
// --benchmark_repetitions the best is the estimate that other work on the
// machine can only spoil.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace sorvane::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            keepLowest(nanoseconds, name,
                       run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit));
            keepLowest(realNanoseconds, name,
                       run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit));
            for (const auto& [counter, value] : run.counters) {
                auto [it, inserted] = highestCounters[name].emplace(counter, value.value);
                if (!inserted && value.value > it->second) it->second = value.value;
            }
        }
    }

    // The lowest CPU time per iteration, or a negative number when it did not run.
    double ns(const std::string& name) const { return find(nanoseconds, name); }
    double realNs(const std::string& name) const { return find(realNanoseconds, name); }
    double counter(const std::string& name, const std::string& counter) const {
        const auto it = highestCounters.find(name);
        return it == highestCounters.end() ? -1.0 : find(it->second, counter);
    }

private:
    static void keepLowest(std::map<std::string, double>& into, const std::string& name, double value) {
        auto [it, inserted] = into.emplace(name, value);
        if (!inserted && value < it->second) it->second = value;
    }
    static double find(const std::map<std::string, double>& in, const std::string& name) {
        const auto it = in.find(name);
        return it == in.end() ? -1.0 : it->second;
    }

    std::map<std::string, double> nanoseconds;
    std::map<std::string, double> realNanoseconds;
    std::map<std::string, std::map<std::string, double>> highestCounters;
};

// Runs the benchmarks asked for on the command line through `reporter`;
// false on an unknown argument.
inline bool runBenchmarks(int argc, char** argv, RatioReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}

}  // namespace sorvane::bench
