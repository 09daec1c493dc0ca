// The three threads of the engine at once: a hook thread feeding random events through the wheel
// filter, the real animator loop on a fast fake clock, and a UI thread changing profiles, values
// and the effect at random. The tsan tree is the one that checks the sharing itself.
#include "engine/animator.h"
#include "engine/wheel_filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

namespace {

constexpr int uiSteps = 5'000;
// The UI goes on until the animator has injected this many events as well, however the
// threads happen to be scheduled.
constexpr int64_t injectionsWanted = 200;
constexpr int64_t never = std::numeric_limits<int64_t>::max();

std::atomic<int> posts{0};
std::atomic<int> violations{0};

// The animator's auto-reset wake event.
std::mutex wakeMutex;
std::condition_variable wakeSignal;
bool wakeSet = false;

void setWake() {
    std::lock_guard lock(wakeMutex);
    wakeSet = true;
    wakeSignal.notify_one();
}

void check(bool holds) {
    if (!holds) {
        violations.fetch_add(1);
    }
}

bool pendingInRange(const EngineState& state) {
    const int32_t pending = state.pendingDelta.load();
    return pending >= -pendingDeltaLimit && pending <= pendingDeltaLimit;
}

struct Stage {
    EngineState state;
    // Ticks begun: the animator sleeps or wakes once before each tick, on its fake clock.
    std::atomic<int64_t> ticks{0};
    // Injections from this tick on break the rule that switching off stops the effect.
    std::atomic<int64_t> forbiddenFromTick{never};
    std::atomic<int64_t> injections{0};
    std::atomic<bool> uiDone{false};
};

class StressPlatform final : public AnimatorPlatform {
  public:
    StressPlatform(Stage& stage, uint32_t seed) : stage(stage), random(seed) {}
    int64_t nowNs() override { return now; }
    void sleepNs(int64_t nanoseconds) override {
        check(nanoseconds == TICK_PERIOD_NS);
        now += nanoseconds;
        stage.ticks.fetch_add(1);
    }
    // A limited wait lasts a moment of real time and its whole limit on the fake clock.
    bool waitForWake(int64_t timeoutNs) override {
        check(timeoutNs == -1 || timeoutNs == TIMER_HOLD_NS);
        std::unique_lock lock(wakeMutex);
        const auto taken = [] { return std::exchange(wakeSet, false); };
        const bool woken = timeoutNs < 0
                               ? (wakeSignal.wait(lock, taken), true)
                               : wakeSignal.wait_for(lock, std::chrono::milliseconds(1), taken);
        now += woken ? 0 : timeoutNs;
        stage.ticks.fetch_add(1);
        return woken;
    }
    bool injectWheel(int32_t amount, Axis) override {
        check(amount != 0 && amount <= MAX_UNITS_PER_EVENT && amount >= -MAX_UNITS_PER_EVENT);
        check(stage.ticks.load() < stage.forbiddenFromTick.load());
        stage.injections.fetch_add(1);
        // Now and then the system refuses an event: the animator switches the effect off itself.
        return random() % 2000 != 0;
    }

  private:
    Stage& stage;
    std::mt19937 random;
    int64_t now = 0;
};

void runHook(Stage& stage, uint32_t seed) {
    std::mt19937 random(seed);
    uint64_t tick = 1'000'000;
    constexpr int16_t deltas[] = {120, -120, 240, -360, 60, 0, 1200};
    while (!stage.uiDone.load()) {
        const uintptr_t message = random() % 4 ? WHEEL_MESSAGE_VERTICAL : WHEEL_MESSAGE_HORIZONTAL;
        tick = random() % 64 == 0 ? tick - random() % 500 : tick + random() % 200;
        filterWheelEvent(stage.state, 0, message, random() % 16 == 0 ? INJECTED_FLAG : 0, 0,
                         deltas[random() % std::size(deltas)], [tick] { return tick; });
        check(pendingInRange(stage.state));
    }
}

void runUi(Stage& stage, uint32_t seed) {
    std::mt19937 random(seed);
    EngineState& state = stage.state;
    turnEffectOn(state);
    for (int step = 0; step < uiSteps || stage.injections.load() < injectionsWanted; ++step) {
        // A short busy pause: yielding here would hand the core away for a whole time slice
        // whenever the machine is busy, and the run would take a minute instead of a second.
        for (volatile unsigned spin = random() % 20'000; spin > 0;) {
            spin = spin - 1;
        }
        switch (random() % 4) {
        case 0:
            applyProfile(state, IDM_PROFILE_SOFT + int32_t(random() % 4), random() % 2);
            break;
        case 1:
            applyCustomValues(state, 60 + random() % 81, 100 + random() % 141, 40 + random() % 141,
                              160 + random() % 341);
            break;
        case 2:
            stage.forbiddenFromTick.store(never);
            turnEffectOn(state);
            break;
        default: {
            const int before = posts.load();
            turnEffectOff(state);
            check(posts.load() >= before + 1);
            // Only the tick in progress may still inject.
            stage.forbiddenFromTick.store(stage.ticks.load() + 1);
        }
        }
        check(parametersInRange(activeParameters(state)) && pendingInRange(state));
    }
    stage.uiDone.store(true);
}

TEST(Concurrency, HookAnimatorAndUiKeepEveryInvariant) {
    Stage stage;
    static int window = 0;
    stage.state.mainWindow = &window;
    stage.state.ui.postStateChanged = [](void*) { posts.fetch_add(1); };
    stage.state.ui.saveSettings = [] { return true; };
    stage.state.ui.wakeAnimator = setWake;
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));

    StressPlatform platform(stage, seed);
    std::thread animator([&] { runAnimator(stage.state, platform); });
    std::thread hook([&] { runHook(stage, seed + 1); });
    std::thread ui([&] { runUi(stage, seed + 2); });
    ui.join();
    hook.join();
    // Parked with the effect on, a notch through the hook must wake the animator.
    turnEffectOn(stage.state);
    stage.forbiddenFromTick.store(never);
    const auto waitFor = [&](auto condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        return condition();
    };
    EXPECT_TRUE(waitFor([&] { return stage.state.animatorParked.load(); }));
    filterWheelEvent(stage.state, 0, WHEEL_MESSAGE_VERTICAL, 0, 0, 120, [] { return uint64_t{1}; });
    EXPECT_TRUE(waitFor([&] { return stage.state.pendingDelta.load() == 0; }));
    requestStop(stage.state);
    animator.join();
    EXPECT_EQ(violations.load(), 0);
}

} // namespace
