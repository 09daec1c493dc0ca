#include "engine/animator.h"
#include "engine_test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

constexpr int64_t msToNs = 1'000'000;

struct AnimatorTest : ::testing::Test {
    EngineState state;
    AnimatorState animator;
    FakePlatform platform;

    void SetUp() override {
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

    // One pulse of `amount` over `durationMs`, created by the tick at 0 ms.
    void playPulse(int32_t amount, int32_t durationMs, int64_t untilMs) {
        state.smoothDurationMs = durationMs;
        state.pendingDelta = amount;
        tickThrough(0, untilMs);
    }

    void injectRest(double remainder) {
        animator.remainder = remainder;
        tickThrough(0, 0);
    }
};

TEST(EaseCurve, MatchesItsSampleValues) {
    EXPECT_DOUBLE_EQ(easeCurve(0.0), 0.0);
    EXPECT_NEAR(easeCurve(0.1), 0.04464, 1e-5);
    EXPECT_NEAR(easeCurve(0.2), 0.16273, 1e-5);
    EXPECT_NEAR(easeCurve(1.0 / 3.0), 0.40230, 1e-5);
    EXPECT_NEAR(easeCurve(0.5), 0.67428, 1e-5);
    EXPECT_NEAR(easeCurve(0.8), 0.92309, 1e-5);
    EXPECT_DOUBLE_EQ(easeCurve(1.0), 1.0);
    EXPECT_DOUBLE_EQ(easeCurve(7.0), 1.0);
}

TEST(EaseCurve, RisesMonotonicallyAndJoinsWithoutAStep) {
    double previous = 0.0;
    for (int i = 1; i <= 3000; ++i) {
        const double value = easeCurve(i / 3000.0);
        EXPECT_GE(value, previous) << i;
        previous = value;
    }
    const double third = 1.0 / 3.0;
    EXPECT_NEAR(easeCurve(third - 1e-9), easeCurve(third + 1e-9), 1e-8);
}

TEST_F(AnimatorTest, OneBalancedNotchComesOutAsSmallStepsSummingExactly) {
    playPulse(120, 360, 400);
    const auto& events = platform.injected;
    ASSERT_EQ(events.size(), 76u);
    EXPECT_EQ(events[0], (InjectedEvent{16, 1}));
    EXPECT_EQ(events[1], (InjectedEvent{24, 1}));
    EXPECT_EQ(events.back(), (InjectedEvent{360, 1}));
    EXPECT_EQ(platform.sum(), 120);
    for (const auto& event : events) {
        EXPECT_GE(event.amount, 1);
        EXPECT_LE(event.amount, 3);
    }
    EXPECT_TRUE(animator.pulseQueue.empty());
    EXPECT_EQ(animator.lastDirection, 0);
}

TEST_F(AnimatorTest, DownwardNotchIsTheMirrorImage) {
    playPulse(-120, 360, 400);
    ASSERT_EQ(platform.injected.size(), 76u);
    EXPECT_EQ(platform.injected[0], (InjectedEvent{16, -1}));
    EXPECT_EQ(platform.injected.back(), (InjectedEvent{360, -1}));
    EXPECT_EQ(platform.sum(), -120);
}

TEST_F(AnimatorTest, LargestPulseIsHeldToFortyEightUnitsPerEventAndRunsPastItsLength) {
    playPulse(1920, 160, 400);
    const auto& events = platform.injected;
    ASSERT_EQ(events.size(), 44u);
    const std::vector<InjectedEvent> start{{4, 5}, {8, 17}, {12, 27}, {16, 36}, {20, 45}, {24, 48}};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), events.begin()));
    EXPECT_EQ(events[events.size() - 2], (InjectedEvent{172, 13}));
    EXPECT_EQ(events.back(), (InjectedEvent{176, 1}));
    EXPECT_EQ(platform.sum(), 1920);
}

TEST_F(AnimatorTest, RestOfAFinishedMovementIsFlushedFromHalfAUnit) {
    injectRest(0.6);
    EXPECT_EQ(platform.injected, (std::vector<InjectedEvent>{{0, 1}}));
    EXPECT_NEAR(animator.remainder, -0.4, 1e-12);

    platform.injected.clear();
    injectRest(-0.7);
    EXPECT_EQ(platform.injected, (std::vector<InjectedEvent>{{0, -1}}));
    EXPECT_NEAR(animator.remainder, 0.3, 1e-12);

    platform.injected.clear();
    injectRest(0.49);
    tickThrough(4, 40);
    EXPECT_TRUE(platform.injected.empty());
    EXPECT_DOUBLE_EQ(animator.remainder, 0.49);
}

TEST_F(AnimatorTest, RestOfExactlyHalfAUnitEndsInsteadOfFlushingBackAndForth) {
    for (double half : {0.5, -0.5}) {
        platform.injected.clear();
        animator.remainder = half;
        tickThrough(0, 200);
        ASSERT_EQ(platform.injected.size(), 1u) << half;
        EXPECT_EQ(platform.injected[0].amount, half > 0 ? 1 : -1);
        EXPECT_EQ(animator.remainder, 0.0);
    }
}

TEST_F(AnimatorTest, ClampedUnitsComeOutInTheFollowingTicks) {
    animator.remainder = 100;
    tickThrough(0, 40);
    EXPECT_EQ(platform.injected, (std::vector<InjectedEvent>{{0, 48}, {4, 48}, {8, 4}}));
}

TEST_F(AnimatorTest, FullQueueMergesIntoTheNewestPulseAndStillDeliversEveryUnit) {
    state.smoothDurationMs = 500;
    int64_t accepted = 0;
    for (int64_t ms = 0; ms < 64 * 4; ms += 4) {
        state.pendingDelta = 30;
        accepted += 30;
        tickThrough(ms, ms);
    }
    tickThrough(256, 300);
    ASSERT_EQ(animator.pulseQueue.count, 64);
    const double newestBefore = animator.pulseQueue.newest().amount;
    state.pendingDelta = 120;
    accepted += 120;
    tickThrough(304, 304);
    EXPECT_EQ(animator.pulseQueue.count, 64);
    // Part of the newest pulse's curve is behind it, so it must grow by more than 120.
    EXPECT_GT(animator.pulseQueue.newest().amount, newestBefore + 120);
    tickThrough(308, 2000);
    EXPECT_EQ(platform.sum(), accepted);
}

TEST_F(AnimatorTest, ReversalDropsWhatIsInFlight) {
    state.pendingDelta = 120;
    tickThrough(0, 100);
    const int64_t deliveredUp = platform.sum();
    ASSERT_GT(deliveredUp, 0);
    ASSERT_LT(deliveredUp, 120);
    state.pendingDelta = -120;
    tickThrough(104, 104);
    EXPECT_EQ(animator.pulseQueue.count, 1);
    EXPECT_EQ(animator.lastDirection, -1);
    tickThrough(108, 600);
    EXPECT_EQ(platform.sum(), deliveredUp - 120);
}

TEST_F(AnimatorTest, ReversalDropsABacklogHeldByTheEventLimit) {
    // A short pulse far larger than 48 units per tick can deliver: it ends long before its
    // units are out, and the rest waits in the remainder.
    playPulse(1920, 160, 164);
    ASSERT_TRUE(animator.pulseQueue.empty());
    ASSERT_GT(animator.remainder, 48.0);
    const int64_t deliveredUp = platform.sum();
    state.pendingDelta = -120;
    tickThrough(168, 1000);
    EXPECT_EQ(platform.sum(), deliveredUp - 120);
    for (const auto& event : platform.injected) {
        if (event.ms >= 168) {
            EXPECT_LT(event.amount, 0) << event.ms;
        }
    }
}

TEST_F(AnimatorTest, OppositeAmountAfterTheQueueEmptiedDropsNothing) {
    state.pendingDelta = 120;
    tickThrough(0, 400);
    animator.remainder = 0.4;
    state.pendingDelta = -120;
    tickThrough(404, 404);
    EXPECT_DOUBLE_EQ(animator.remainder, 0.4);
    tickThrough(408, 1000);
    EXPECT_EQ(platform.sum(), 0);
}

TEST_F(AnimatorTest, ResetDropsEverythingAtTheNextTickWithTheEffectOn) {
    state.pendingDelta = 120;
    tickThrough(0, 40);
    const size_t sent = platform.injected.size();
    state.resetRequested = true;
    state.pendingDelta = 240;
    tickThrough(44, 44);
    EXPECT_EQ(platform.injected.size(), sent);
    EXPECT_FALSE(state.resetRequested);
    EXPECT_TRUE(animator.pulseQueue.empty());
    EXPECT_EQ(animator.remainder, 0.0);
    EXPECT_EQ(state.pendingDelta, 0);
    tickThrough(48, 600);
    EXPECT_EQ(platform.injected.size(), sent);
}

TEST_F(AnimatorTest, EffectOffClearsEveryTickAndKeepsTheResetForLater) {
    state.pendingDelta = 120;
    tickThrough(0, 40);
    const size_t sent = platform.injected.size();
    state.effectEnabled = false;
    state.resetRequested = true;
    state.pendingDelta = 120;
    tickThrough(44, 600);
    EXPECT_EQ(platform.injected.size(), sent);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_TRUE(animator.pulseQueue.empty());
    EXPECT_EQ(state.pendingDelta, 0);
}

TEST_F(AnimatorTest, FailedInjectionTurnsTheEffectOffOnceAndStopsInjecting) {
    state.pendingDelta = 120;
    platform.injectionFails = true;
    tickThrough(0, 600);
    EXPECT_EQ(platform.injectAttempts, 1);
    EXPECT_EQ(UiRecorder::posts, 1);
    EXPECT_FALSE(state.effectEnabled);
    EXPECT_TRUE(animator.pulseQueue.empty());
    EXPECT_EQ(animator.remainder, 0.0);
}

TEST_F(AnimatorTest, NothingIsSentOnceTheEffectWentOffDuringTheTick) {
    class SwitchingOffClock final : public AnimatorPlatform {
      public:
        EngineState* state = nullptr;
        int injects = 0;
        int64_t nowNs() override {
            // The tick reads the clock once, after its effect and reset checks: switch off there.
            if (++reads == 1) {
                state->effectEnabled = false;
            }
            return 300 * msToNs;
        }
        void sleepMs(uint32_t) override {}
        bool injectWheel(int32_t) override { return ++injects, true; }
        int reads = 0;
    } platform;
    platform.state = &state;
    animator.remainder = 10;
    animateTick(animator, state, platform);
    EXPECT_EQ(platform.injects, 0);
}

TEST(AnimatorWait, SleepsTheRestRoundedUpToWholeMilliseconds) {
    AnimatorState animator;
    FakePlatform platform;
    platform.now = 1'500'000; // 1.5 ms
    animator.deadline = 1'000'000;
    waitForNextTick(animator, platform);
    EXPECT_EQ(platform.sleeps, (std::vector<uint32_t>{4}));
    EXPECT_EQ(animator.deadline, 5'000'000);
}

TEST(AnimatorWait, SmallLatenessIsMadeUpAndLargeLatenessStartsAfresh) {
    AnimatorState animator;
    FakePlatform platform;
    animator.deadline = 0;
    platform.now = 20 * msToNs;
    waitForNextTick(animator, platform);
    EXPECT_TRUE(platform.sleeps.empty());
    EXPECT_EQ(animator.deadline, 4 * msToNs);

    platform.now = 100 * msToNs;
    waitForNextTick(animator, platform);
    EXPECT_TRUE(platform.sleeps.empty());
    EXPECT_EQ(animator.deadline, 100 * msToNs);
}

TEST(AnimatorThread, StopBeforeStartNeverTicksButRestoresTheTimer) {
    EngineState state;
    state.effectEnabled = true;
    state.pendingDelta = 120;
    state.stopRequested = true;
    FakePlatform platform;
    runAnimator(state, platform);
    EXPECT_TRUE(platform.sleeps.empty());
    EXPECT_EQ(platform.injectAttempts, 0);
    EXPECT_EQ(platform.timerLowered, 1);
    EXPECT_EQ(state.pendingDelta, 120);

    FakePlatform withoutTimer;
    withoutTimer.timerResolutionAvailable = false;
    runAnimator(state, withoutTimer);
    EXPECT_EQ(withoutTimer.timerLowered, 0);
}

TEST(AnimatorThread, TicksEveryFourMillisecondsUntilStopped) {
    EngineState state;
    state.effectEnabled = true;
    state.pendingDelta = 120;
    FakePlatform platform;
    platform.stopTarget = &state;
    platform.stopAfterSleeps = 200;
    runAnimator(state, platform);
    EXPECT_EQ(platform.sleeps.size(), 200u);
    EXPECT_TRUE(std::all_of(platform.sleeps.begin(), platform.sleeps.end(),
                            [](uint32_t ms) { return ms == 4; }));
    EXPECT_EQ(platform.sum(), 120);
    EXPECT_EQ(platform.timerLowered, 1);
}

} // namespace
