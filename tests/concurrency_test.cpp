// The three threads of the engine at once: a hook thread feeding random events through the wheel
// filter, the real animator loop on a fast fake clock, and a UI thread changing profiles, values
// and the effect at random. The tsan tree is the one that checks the sharing itself.
#include "engine/animator.h"
#include "engine/wheel_filter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <random>
#include <thread>

namespace {

constexpr int uiSteps = 5'000;
// The UI goes on until the animator has injected this many events as well, however the
// threads happen to be scheduled.
constexpr int64_t injectionsWanted = 200;
constexpr int64_t never = std::numeric_limits<int64_t>::max();

std::atomic<int> posts{0};
std::atomic<int> violations{0};

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
    // Ticks begun: the animator sleeps once per tick on its fake clock.
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
    void sleepMs(uint32_t milliseconds) override {
        check(milliseconds == 4);
        now += int64_t{milliseconds} * 1'000'000;
        stage.ticks.fetch_add(1);
    }
    bool injectWheel(int32_t amount) override {
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
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));

    StressPlatform platform(stage, seed);
    std::thread animator([&] { runAnimator(stage.state, platform); });
    std::thread hook([&] { runHook(stage, seed + 1); });
    std::thread ui([&] { runUi(stage, seed + 2); });
    ui.join();
    hook.join();
    stage.state.stopRequested.exchange(true);
    animator.join();
    EXPECT_EQ(violations.load(), 0);
}

} // namespace
