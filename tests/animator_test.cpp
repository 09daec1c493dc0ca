#include "engine/animator.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t msToNs = 1'000'000;

struct Animator {
    EngineState state;
    AnimatorState animator;
    FakePlatform platform;

    Animator() {
        UiRecorder::connect(state);
        state.effectEnabled = true;
    }

    // Ticks at fromMs, fromMs + 4, ... up to and including toMs, the clock reading the tick time.
    void tickThrough(int64_t fromMs, int64_t toMs) {
        for (int64_t ms = fromMs; ms <= toMs; ms += 4) {
            platform.now = ms * msToNs;
            animateTick(animator, state, platform);
        }
    }

    // One pulse of `amount` over `durationMs`, made by the tick at 0 ms.
    void play(int32_t amount, int32_t durationMs, int64_t untilMs) {
        state.smoothDurationMs = durationMs;
        state.pendingDelta = amount;
        tickThrough(0, untilMs);
    }
};

TEST(Animator, TheRestOfAFinishedMovementComesOut) {
    struct Case {
        double rest;
        std::vector<int32_t> sent;
        double left;
    };
    const Case cases[] = {{0.6, {1}, -0.4},       {-0.7, {-1}, 0.3}, {0.49, {}, 0.49},
                          {0.5, {1}, 0.0},        {-0.5, {-1}, 0.0}, {100, {48, 48, 4}, 0.0},
                          {-96.7, {-48, -48, -1}, 0.3}};
    for (const Case& c : cases) {
        Animator run;
        run.animator.remainder = c.rest;
        run.tickThrough(0, 200);
        std::vector<int32_t> sent;
        for (const auto& event : run.platform.injected) {
            sent.push_back(event.amount);
        }
        EXPECT_EQ(sent, c.sent) << c.rest;
        EXPECT_NEAR(run.animator.remainder, c.left, 1e-9) << c.rest;
    }
}

TEST(Animator, AReversalDropsWhatIsInFlightAndWhatTheEventLimitHoldsBack) {
    // A notch in flight, and a short pulse far larger than 48 units a tick can deliver: it ends
    // long before its units are out, and the rest waits in the remainder.
    for (const auto& [amount, duration, reverseAt] :
         {std::tuple{120, 360, 104}, std::tuple{1920, 160, 168}}) {
        Animator run;
        run.play(amount, duration, reverseAt - 4);
        const int64_t deliveredUp = run.platform.sum();
        ASSERT_LT(deliveredUp, amount);
        run.state.pendingDelta = -120;
        run.tickThrough(reverseAt, 1000);
        EXPECT_EQ(run.platform.sum(), deliveredUp - 120) << amount;
        for (const auto& event : run.platform.injected) {
            EXPECT_TRUE(event.ms < reverseAt || event.amount < 0) << event.ms;
        }
    }
    // Once a movement is over, the other way drops nothing: not even a rest below half a unit.
    Animator run;
    run.play(120, 360, 400);
    run.animator.remainder = 0.4;
    run.state.pendingDelta = -120;
    run.tickThrough(404, 1000);
    EXPECT_EQ(run.platform.sum(), 0);
    EXPECT_NEAR(run.animator.remainder, 0.4, 1e-9);
}

// A notch the hook took after the reset was asked for moves, from that very tick, as it would
// in a fresh animator; with the effect off, nothing moves.
TEST(Animator, AResetDropsWhatIsInFlightAndTheEffectGoingOffDropsEverything) {
    Animator fresh;
    fresh.play(240, 360, 560);
    for (const bool effectOff : {false, true}) {
        Animator run;
        run.play(120, 360, 40);
        const size_t sent = run.platform.injected.size();
        run.state.resetRequested = true;
        run.state.effectEnabled = !effectOff;
        run.state.pendingDelta = 240;
        run.tickThrough(44, 604);
        std::vector<InjectedEvent> after(run.platform.injected.begin() + sent,
                                         run.platform.injected.end());
        for (InjectedEvent& event : after) {
            event.ms -= 44;
        }
        EXPECT_EQ(after, effectOff ? std::vector<InjectedEvent>{} : fresh.platform.injected);
        EXPECT_EQ(run.state.pendingDelta, 0);
        // With the effect off the reset waits for the effect to come on again.
        EXPECT_EQ(run.state.resetRequested, effectOff);
    }
}

TEST(Animator, ARefusedEventTurnsTheEffectOffOnceAndNothingMoreIsTried) {
    Animator run;
    run.platform.injectionFails = true;
    run.play(120, 360, 600);
    EXPECT_EQ(run.platform.injectAttempts, 1);
    EXPECT_EQ(UiRecorder::posts, 1);
    EXPECT_FALSE(run.state.effectEnabled);
    EXPECT_TRUE(run.animator.pulseQueue.empty());
    EXPECT_EQ(run.animator.remainder, 0.0);
}

TEST(Animator, NothingIsSentOnceTheEffectWentOffDuringTheTick) {
    class SwitchingOff final : public AnimatorPlatform {
      public:
        EngineState* state = nullptr;
        int injects = 0;
        // The tick reads the clock once, after its checks of the effect: switch off there.
        int64_t nowNs() override { return state->effectEnabled = false, 300 * msToNs; }
        void sleepMs(uint32_t) override {}
        bool injectWheel(int32_t) override { return ++injects, true; }
    } platform;
    Animator run;
    platform.state = &run.state;
    run.animator.remainder = 10;
    animateTick(run.animator, run.state, platform);
    EXPECT_EQ(platform.injects, 0);
}

TEST(AnimatorWait, SleepsTheRestRoundedUpAndStartsAfreshWhenFarBehind) {
    AnimatorState animator;
    FakePlatform platform;
    platform.now = 1'500'000;
    animator.deadline = 1'000'000;
    waitForNextTick(animator, platform);
    EXPECT_EQ(platform.sleeps, (std::vector<uint32_t>{4}));
    EXPECT_EQ(animator.deadline, 5 * msToNs);
    // 15 ms late: made up by ticks without a wait. 100 ms late: the schedule starts afresh.
    platform.now = 20 * msToNs;
    waitForNextTick(animator, platform);
    EXPECT_EQ(animator.deadline, 9 * msToNs);
    platform.now = 120 * msToNs;
    waitForNextTick(animator, platform);
    EXPECT_EQ(animator.deadline, 120 * msToNs);
    EXPECT_EQ(platform.sleeps.size(), 1u);
}

TEST(AnimatorThread, TicksEveryFourMillisecondsUntilStoppedAndRestoresTheTimer) {
    for (const bool stopAtOnce : {false, true}) {
        EngineState state;
        state.effectEnabled = true;
        state.pendingDelta = 120;
        state.stopRequested = stopAtOnce;
        FakePlatform platform;
        platform.stopTarget = &state;
        platform.stopAfterSleeps = 200;
        runAnimator(state, platform);
        EXPECT_EQ(platform.sleeps, std::vector<uint32_t>(stopAtOnce ? 0 : 200, 4));
        EXPECT_EQ(platform.sum(), stopAtOnce ? 0 : 120);
        EXPECT_EQ(platform.timerLowered, 1);
    }
    // Without a raised resolution there is nothing to lower.
    EngineState state;
    state.stopRequested = true;
    FakePlatform platform;
    platform.timerResolutionAvailable = false;
    runAnimator(state, platform);
    EXPECT_EQ(platform.timerLowered, 0);
}

} // namespace
