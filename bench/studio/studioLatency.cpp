// How live the studio feels: from the page's request to the coarse frame
// (80x80, 1 sample, drawn scaled up) and to the full frame (320x320, 4
// samples), each host asked at once by its own client, as the page does
// when a slider moves. Through the HTTP interface of a studio in this process,
// over loopback. Targets on 2 cores: coarse within 100 ms, full within 1.5 s.
//   build/bench/studio_latency --benchmark_min_time=5 --benchmark_repetitions=3
// coarseMs and fullMs are per host, averaged over the iterations; the
// iteration time is the later host's full frame.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "tests/support/runningStudio.h"

namespace {

using Clock = std::chrono::steady_clock;
using sorvane::studio::testing::RunningStudio;

RunningStudio& studio() {
    static RunningStudio running;
    return running;
}

struct Timing {
    double coarse = 0.0;
    double full = 0.0;
    bool ok = false;
};

// What one host's swatch costs the page: the coarse frame, then the full one.
Timing swatch(httplib::Client& client, const std::string& host, int iteration) {
    const auto start = Clock::now();
    const std::string material =
        R"("material": {"attributes": {"diffuse": )" + std::to_string(0.3 + 0.01 * (iteration % 50)) + "}}";
    const auto coarse = client.Post(
        "/api/render", R"({"host": ")" + host + R"(", "size": 80, "samples": 1, )" + material + "}",
        "application/json");
    Timing t;
    t.coarse = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const auto full = client.Post(
        "/api/render", R"({"host": ")" + host + R"(", "size": 320, "samples": 4, )" + material + "}",
        "application/json");
    t.full = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    t.ok = coarse && coarse->status == 200 && full && full->status == 200;
    return t;
}

void coarseThenFullBothHosts(benchmark::State& state) {
    httplib::Client maya("127.0.0.1", studio().port());
    httplib::Client mentalray("127.0.0.1", studio().port());
    for (httplib::Client* c : {&maya, &mentalray}) c->set_read_timeout(60, 0);
    double coarse[2] = {0, 0}, full[2] = {0, 0}, worstCoarse = 0.0;
    int iteration = 0;
    for (auto _ : state) {
        Timing m, r;
        std::thread other([&] { r = swatch(mentalray, "mentalray", iteration); });
        m = swatch(maya, "maya", iteration);
        other.join();
        if (!m.ok || !r.ok) {
            state.SkipWithError("a render was refused");
            break;
        }
        coarse[0] += m.coarse;
        coarse[1] += r.coarse;
        full[0] += m.full;
        full[1] += r.full;
        worstCoarse = std::max({worstCoarse, m.coarse, r.coarse});
        state.SetIterationTime(std::max(m.full, r.full) / 1000.0);
        ++iteration;
    }
    const double n = std::max(1, iteration);
    state.counters["coarseMs.maya"] = coarse[0] / n;
    state.counters["coarseMs.mentalray"] = coarse[1] / n;
    state.counters["fullMs.maya"] = full[0] / n;
    state.counters["fullMs.mentalray"] = full[1] / n;
    state.counters["worstCoarseMs"] = worstCoarse;
}

// The CPU column is the whole process's, both hosts' renders: on two free
// cores half of it is about what each host's full frame takes.
BENCHMARK(coarseThenFullBothHosts)->UseManualTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
