// Reading one JSON document of N empty objects in an array, as a shade line
// or a scene file may hold them: the cost must grow as N, not N^2 (the
// reported complexity says which).
#include <benchmark/benchmark.h>

#include <string>

#include "cli/common/jsonValues.h"

namespace {

void ParseArrayOfObjects(benchmark::State& state) {
    std::string text = "[";
    for (int64_t i = 0; i < state.range(0); ++i) text += i == 0 ? "{}" : ",{}";
    text += "]";
    for (auto _ : state) benchmark::DoNotOptimize(sorvane::cli::parseJson(text));
    state.SetComplexityN(state.range(0));
}

BENCHMARK(ParseArrayOfObjects)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

}  // namespace

BENCHMARK_MAIN();
