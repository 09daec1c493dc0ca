#include "engine/animator.h"
#include "engine/wheel_filter.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr int64_t msToNs = 1'000'000;

struct Animator {
    EngineState state;
    AnimatorState animator;
    FakePlatform platform;

    Animator() {
        UiRecorder::connect(state);
        state.effectEnabled = true;
        platform.stopTarget = &state;
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
    const Case cases[] = {{0.6, {1}, -0.4},
                          {-0.7, {-1}, 0.3},
                          {0.49, {}, 0.49},
                          {0.5, {1}, 0.0},
                          {-0.5, {-1}, 0.0},
                          {100, {48, 48, 4}, 0.0},
                          {-96.7, {-48, -48, -1}, 0.3}};
    for (const Case& c : cases) {
        Animator run;
        run.animator.axes[AXIS_VERTICAL].remainder = c.rest;
        run.tickThrough(0, 200);
        std::vector<int32_t> sent;
        for (const auto& event : run.platform.injected) {
            sent.push_back(event.amount);
        }
        EXPECT_EQ(sent, c.sent) << c.rest;
        EXPECT_NEAR(run.animator.axes[AXIS_VERTICAL].remainder, c.left, 1e-9) << c.rest;
    }
}

TEST(Animator, AReversalDropsWhatIsInFlightAndWhatTheEventLimitHoldsBack) {
    Animator run;
    run.play(120, 360, 100);
    const int64_t deliveredUp = run.platform.sum();
    ASSERT_LT(deliveredUp, 120);
    run.state.pendingDelta = -120;
    run.tickThrough(104, 1000);
    EXPECT_EQ(run.platform.sum(), deliveredUp - 120);
    for (const auto& event : run.platform.injected) {
        EXPECT_TRUE(event.ms < 104 || event.amount < 0) << event.ms;
    }
    // Whole units that the event limit still holds back after the last pulse are part of the
    // movement; once it is over, the other way drops nothing, not even a rest below half a unit.
    for (const double backlog : {100.0, 0.4}) {
        Animator after;
        after.animator.axes[AXIS_VERTICAL].remainder = backlog;
        after.animator.axes[AXIS_VERTICAL].lastDirection = 1;
        after.tickThrough(0, 0);
        after.state.pendingDelta = -120;
        after.tickThrough(4, 1000);
        EXPECT_EQ(after.platform.sum(), backlog > 1 ? 48 - 120 : -120) << backlog;
        EXPECT_NEAR(after.animator.axes[AXIS_VERTICAL].remainder, backlog > 1 ? 0.0 : 0.4, 1e-9) << backlog;
    }
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

// A notch of a program with its own profile brings its pulse length; a pulse keeps the length
// it started with, whatever the window's profile does later.
TEST(Animator, APulseRunsForTheLengthItsNotchBrought) {
    for (const int32_t ownMs : {240, 0}) {
        Animator run;
        run.state.pendingDurationMs = ownMs;
        run.play(120, 500, 40);
        run.state.smoothDurationMs = 160;
        run.tickThrough(44, 800);
        EXPECT_EQ(run.platform.sum(), 120);
        EXPECT_EQ(run.platform.injected.back().ms, ownMs ? ownMs : 500);
    }
}

// Each axis has its own pulses, rest and direction: a reversal on one drops nothing on the
// other, and a tick sends at most one event per axis. Reversed notches the effect does not
// smooth go out whole at once, with the effect off too.
TEST(Animator, TheTwoAxesMoveOnTheirOwn) {
    Animator run;
    run.state.pendingHorizontalDelta = -240;
    run.play(120, 360, 100);
    int64_t verticalBefore = 0;
    for (const InjectedEvent& event : run.platform.injected) {
        verticalBefore += event.axis == AXIS_VERTICAL ? event.amount : 0;
    }
    run.state.pendingDelta = -120;
    run.tickThrough(104, 800);
    int64_t sums[AXES] = {};
    std::map<std::pair<int64_t, Axis>, int> perTick;
    for (const InjectedEvent& event : run.platform.injected) {
        sums[event.axis] += event.amount;
        EXPECT_EQ(++perTick[std::pair(event.ms, event.axis)], 1) << event.ms;
    }
    EXPECT_EQ(sums[AXIS_HORIZONTAL], -240);
    EXPECT_EQ(sums[AXIS_VERTICAL], verticalBefore - 120);
    run.state.effectEnabled = false;
    run.state.pendingWhole[AXIS_HORIZONTAL] = 360;
    EXPECT_FALSE(animatorIdle(run.animator, run.state));
    run.tickThrough(804, 804);
    EXPECT_EQ(run.platform.injected.back(), (InjectedEvent{804, 360, AXIS_HORIZONTAL}));
    EXPECT_TRUE(animatorIdle(run.animator, run.state));
}

// A locked workstation, the secure desktop or another program's BlockInput refuses events for
// a while: that costs the movement, and the effect works again afterwards. Only where injected
// input can reach no one does the effect go off.
TEST(Animator, ARefusedEventCostsTheMovementAndTheEffectOnlyWhereInjectingCannotWork) {
    for (const bool works : {true, false}) {
        Animator run;
        run.platform.injectionFails = true;
        run.platform.injectionWorks = works;
        run.play(120, 360, 600);
        EXPECT_EQ(run.platform.injectAttempts, 1);
        EXPECT_EQ(UiRecorder::posts, works ? 0 : 1);
        EXPECT_EQ(run.state.effectEnabled, works);
        EXPECT_TRUE(animatorIdle(run.animator, run.state));
    }
}

TEST(Animator, NothingIsSentOnceTheEffectWentOffDuringTheTick) {
    class SwitchingOff final : public AnimatorPlatform {
      public:
        EngineState* state = nullptr;
        int injects = 0;
        // The tick reads the clock once, after its checks of the effect: switch off there.
        int64_t nowNs() override { return state->effectEnabled = false, 300 * msToNs; }
        void sleepNs(int64_t) override {}
        bool injectWheel(int32_t, Axis) override { return ++injects, true; }
    } platform;
    Animator run;
    platform.state = &run.state;
    run.animator.axes[AXIS_VERTICAL].remainder = 10;
    animateTick(run.animator, run.state, platform);
    EXPECT_EQ(platform.injects, 0);
}

TEST(AnimatorWait, SleepsTheRestAndStartsAfreshWhenFarBehind) {
    AnimatorState animator;
    FakePlatform platform;
    platform.now = 1'500'000;
    animator.deadline = 1'000'000;
    waitForNextTick(animator, platform);
    EXPECT_EQ(platform.sleeps, (std::vector<int64_t>{3'500'000}));
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

void hookTakesNotch(EngineState& state, int16_t delta) {
    filterWheelEvent(state, 0, WHEEL_MESSAGE_VERTICAL, 0, 0, delta, [] { return uint64_t{1}; });
}

TEST(AnimatorPark, WhatGivesTheAnimatorWorkWakesItOnlyWhenParked) {
    const std::pair<const char*, void (*)(EngineState&)> actions[] = {
        {"notch", [](EngineState& s) { hookTakesNotch(s, -120); }},
        {"effect on", turnEffectOn},
        {"effect off", turnEffectOff},
        {"profile", [](EngineState& s) { applyProfile(s, IDM_PROFILE_FAST, false); }},
        {"stop", requestStop},
    };
    for (const auto& [name, action] : actions) {
        for (const bool parked : {false, true}) {
            Animator run;
            run.state.animatorParked = parked;
            action(run.state);
            EXPECT_EQ(UiRecorder::wakes, parked ? 1 : 0) << name;
            EXPECT_FALSE(run.state.animatorParked) << name;
        }
    }
}

// Work that came after the decision to park and before the flag went up woke no one: the
// animator must see it itself and not wait.
TEST(AnimatorPark, LooksForWorkAgainAfterRaisingTheFlag) {
    const std::pair<const char*, void (*)(EngineState&)> lateWork[] = {
        {"idle", [](EngineState&) {}},
        // With the effect off a notch is not taken: it keeps nothing awake.
        {"idle, effect off", [](EngineState& s) { s.effectEnabled = false, s.pendingDelta = 1; }},
        {"notch", [](EngineState& s) { s.pendingDelta = 120; }},
        {"reset", [](EngineState& s) { s.resetRequested = true; }},
        {"stop", [](EngineState& s) { s.stopRequested = true; }},
    };
    for (const auto& [name, work] : lateWork) {
        Animator run;
        work(run.state);
        parkAnimator(run.animator, run.state, run.platform);
        EXPECT_EQ(run.platform.waits.size(), std::string(name).starts_with("idle")) << name;
        EXPECT_FALSE(run.state.animatorParked) << name;
    }
}

// A notch at 0, parked from its last step, the timer resolution given back after a second,
// a notch through the hook while parked, a stop while parked after it.
TEST(AnimatorThread, ParksWhenIdleWakesAtOnceAndBalancesTheTimer) {
    Animator run;
    run.state.pendingDelta = 120;
    const int64_t wakeNs = 5'000'300'000;
    run.platform.duringWait = [&](size_t wait) {
        if (wait == 2) {
            run.platform.now = wakeNs;
            hookTakesNotch(run.state, 120);
        } else if (wait == 3) {
            requestStop(run.state);
        }
    };
    runAnimator(run.state, run.platform);

    Animator fresh;
    fresh.play(120, 360, 400);
    std::vector<InjectedEvent> expected = fresh.platform.injected;
    for (const InjectedEvent& event : fresh.platform.injected) {
        expected.push_back({event.ms + wakeNs / msToNs, event.amount});
    }
    EXPECT_EQ(run.platform.injected, expected);
    EXPECT_EQ(run.platform.waits,
              (std::vector<std::pair<int64_t, int64_t>>{{360 * msToNs, TIMER_HOLD_NS},
                                                        {360 * msToNs + TIMER_HOLD_NS, -1},
                                                        {wakeNs + 360 * msToNs, TIMER_HOLD_NS}}));
    // The first tick after each wake runs without a sleep: ticks at 4 .. 360 after each.
    EXPECT_EQ(run.platform.sleeps, std::vector<int64_t>(2 * 90, TICK_PERIOD_NS));
    EXPECT_EQ(run.platform.timerRaised, 2);
    EXPECT_EQ(run.platform.timerLowered, 2);
}

TEST(AnimatorThread, AStopMidMovementOrAtOnceLeavesTheTimerAsItFoundIt) {
    for (const auto& [stopAtOnce, available] :
         {std::pair{false, true}, std::pair{true, true}, std::pair{false, false}}) {
        Animator run;
        run.state.pendingDelta = 120;
        run.state.stopRequested = stopAtOnce;
        run.platform.timerResolutionAvailable = available;
        run.platform.stopAfterSleeps = 20;
        runAnimator(run.state, run.platform);
        EXPECT_EQ(run.platform.injected.empty(), stopAtOnce);
        EXPECT_TRUE(run.platform.waits.empty());
        EXPECT_EQ(run.platform.timerRaised, stopAtOnce || !available ? 0 : 1);
        EXPECT_EQ(run.platform.timerLowered, run.platform.timerRaised);
    }
}

} // namespace
