#include "host/mentalray/sceneDatabase.h"

#include <mutex>
#include <vector>

namespace sorvane::mrhost {

bool ScriptedLight::sample(const miState&, int index, LightSample& out) const {
    if (index < 0 || static_cast<std::size_t>(index) >= samples_.size()) {
        return false;
    }
    out = samples_[static_cast<std::size_t>(index)];
    return true;
}

namespace {

#if defined(__MINGW32__)

// mingw runs a thread's thread_local destructors after its storage is gone,
// so no slot could be given back when a thread ends: threads take the slots
// in turn instead, and count atomically, as two may share one.
constexpr bool kOwnedSlots = false;

int threadSlot() {
    static std::atomic<int> next{0};
    static thread_local int slot = -1;
    if (slot < 0) slot = next.fetch_add(1, std::memory_order_relaxed) % CallCounters::kThreadSlots;
    return slot;
}

#else

constexpr bool kOwnedSlots = true;

// Which counter slot this thread owns: the lowest free one, given back when
// the thread ends, or kThreadSlots (the shared slot) when all are taken.
// Owned by one thread only, a slot is counted into without a locked
// instruction.
class ThreadSlot {
public:
    ThreadSlot() {
        const std::lock_guard<std::mutex> lock(mutex());
        std::vector<bool>& taken = takenSlots();
        for (int i = 0; i < CallCounters::kThreadSlots; ++i) {
            if (!taken[static_cast<std::size_t>(i)]) {
                taken[static_cast<std::size_t>(i)] = true;
                index_ = i;
                return;
            }
        }
    }
    ~ThreadSlot() {
        if (index_ == CallCounters::kThreadSlots) return;
        const std::lock_guard<std::mutex> lock(mutex());
        takenSlots()[static_cast<std::size_t>(index_)] = false;
    }
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    int index() const { return index_; }

private:
    // Kept to the end of the process: threads may end after static destruction began.
    static std::mutex& mutex() {
        static auto* m = new std::mutex;
        return *m;
    }
    static std::vector<bool>& takenSlots() {
        static auto* taken = new std::vector<bool>(CallCounters::kThreadSlots, false);
        return *taken;
    }

    int index_ = CallCounters::kThreadSlots;
};

int threadSlot() {
    // The plain int needs no construction guard, so counting reads one
    // thread-local word; the slot object is made once, to give it back.
    static thread_local int index = -1;
    if (index < 0) {
        static thread_local const ThreadSlot slot;
        index = slot.index();
    }
    return index;
}

#endif

}  // namespace

namespace {

void increment(std::atomic<long>& counter, bool shared) {
    if (shared) {
        counter.fetch_add(1, std::memory_order_relaxed);
    } else {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
}

}  // namespace

void CallCounters::count(Call call) {
    const int index = threadSlot();
    increment(slots_[index].counts[call], !kOwnedSlots || index == kThreadSlots);
}

void CallCounters::count(Call call, Call also) {
    const int index = threadSlot();
    const bool shared = !kOwnedSlots || index == kThreadSlots;
    increment(slots_[index].counts[call], shared);
    increment(slots_[index].counts[also], shared);
}

long CallCounters::total(Call call) const {
    long sum = 0;
    for (const Slot& slot : slots_) sum += slot.counts[call].load(std::memory_order_relaxed);
    return sum;
}

void CallCounters::reset() {
    for (Slot& slot : slots_) {
        for (std::atomic<long>& counter : slot.counts) counter.store(0, std::memory_order_relaxed);
    }
}

SceneDatabase::SceneDatabase() { setIrradiance({0.0f, 0.0f, 0.0f, 0.0f}); }

miTag SceneDatabase::addLight(std::shared_ptr<const Light> light) {
    lights_.push_back(std::move(light));
    return kFirstLightTag + static_cast<miTag>(lights_.size() - 1);
}

void SceneDatabase::setIrradiance(miColor irradiance) {
    irradiance_ = [irradiance](const miState&, miColor& out) { out = irradiance; };
}

void SceneDatabase::setIrradianceProvider(IrradianceProvider provider) { irradiance_ = std::move(provider); }

void SceneDatabase::irradiance(const miState& state, miColor& out) const { irradiance_(state, out); }

}  // namespace sorvane::mrhost
