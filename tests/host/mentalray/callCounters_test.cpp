// The renderer-call counters: per-thread slots summed on reading, a shared
// slot for threads beyond the slots, nothing lost either way.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "host/mentalray/sceneDatabase.h"

namespace sorvane::mrhost {
namespace {

struct Crowd {
    int threads;
    int callsEach;
};

// Holds each thread until all have come.
class Gate {
public:
    explicit Gate(int count) : count_(count) {}
    void passWhenAllHaveCome() {
        arrived_.fetch_add(1);
        while (arrived_.load() < count_) std::this_thread::yield();
    }

private:
    const int count_;
    std::atomic<int> arrived_{0};
};

class CountedFromManyThreads : public ::testing::TestWithParam<Crowd> {};

// All threads alive at once, so that beyond the slots they share one.
TEST_P(CountedFromManyThreads, EveryCallIsInTheTotalOfItsKind) {
    const Crowd crowd = GetParam();
    CallCounters counters;
    Gate start(crowd.threads), end(crowd.threads);
    std::vector<std::thread> threads;
    for (int t = 0; t < crowd.threads; ++t) {
        threads.emplace_back([&] {
            start.passWhenAllHaveCome();
            for (int i = 0; i < crowd.callsEach; ++i) {
                // As mi_sample_light counts: two kinds at one look-up, or one.
                if (i % 2 == 0) {
                    counters.count(CallCounters::kSampleLight, CallCounters::kLightSamples);
                } else {
                    counters.count(CallCounters::kSampleLight);
                }
            }
            counters.count(CallCounters::kComputeIrradiance);
            end.passWhenAllHaveCome();  // no slot is given back while others count
        });
    }
    for (std::thread& thread : threads) thread.join();
    const long calls = static_cast<long>(crowd.threads) * crowd.callsEach;
    EXPECT_EQ(counters.sampleLight(), calls);
    EXPECT_EQ(counters.lightSamples(), static_cast<long>(crowd.threads) * ((crowd.callsEach + 1) / 2));
    EXPECT_EQ(counters.computeIrradiance(), crowd.threads);
    EXPECT_EQ(counters.phenEval(), 0);
    EXPECT_EQ(counters.unknownLight(), 0);

    counters.reset();
    for (const auto call : {CallCounters::kPhenEval, CallCounters::kSampleLight, CallCounters::kLightSamples,
                            CallCounters::kComputeIrradiance, CallCounters::kUnknownLight}) {
        EXPECT_EQ(counters.total(call), 0) << call;
    }
}

INSTANTIATE_TEST_SUITE_P(Crowds, CountedFromManyThreads,
                         ::testing::Values(Crowd{1, 1000}, Crowd{2, 20000},
                                           Crowd{CallCounters::kThreadSlots, 2000},
                                           Crowd{CallCounters::kThreadSlots + 8, 2000}));

// A slot given back by an ended thread keeps what it counted.
TEST(CallCounters, ThreadsThatEndedStillCount) {
    CallCounters counters;
    for (int round = 0; round < 3 * CallCounters::kThreadSlots; ++round) {
        std::thread([&] { counters.count(CallCounters::kPhenEval); }).join();
    }
    EXPECT_EQ(counters.phenEval(), 3 * CallCounters::kThreadSlots);
}

}  // namespace
}  // namespace sorvane::mrhost
