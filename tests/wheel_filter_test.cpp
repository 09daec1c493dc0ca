#include "engine/hook_watch.h"
#include "engine/wheel_filter.h"
#include "engine/window_program.h"

#include <gtest/gtest.h>

namespace {

struct Filter {
    EngineState state;
    uint64_t tick = 5'000'000;
    int tickReads = 0;

    Filter(ScrollParameters parameters = balancedParameters) {
        state.effectEnabled = true;
        state.stepPercent = parameters.stepPercent;
        state.maxAccelerationPercent = parameters.maxAccelerationPercent;
        state.accelerationWindowMs = parameters.accelerationWindowMs;
    }

    template <typename TargetSetting = int32_t (*)()>
    HookVerdict send(
        int16_t delta, uintptr_t message = WHEEL_MESSAGE_VERTICAL, uint32_t flags = 0,
        uintptr_t extraInfo = 0, int code = 0,
        TargetSetting target = [] { return PROGRAM_LIKE_EVERYWHERE; }) {
        return filterWheelEvent(
            state, code, message, flags, extraInfo, delta, [this] { return ++tickReads, tick; },
            target);
    }
};

TEST(WheelFilter, PassesOnAllButRealWholeNotchesWithoutReadingTheClock) {
    struct Event {
        int code;
        uintptr_t message;
        uint32_t flags;
        uintptr_t extraInfo;
        int16_t delta;
    };
    const Event passed[] = {
        {-1, WHEEL_MESSAGE_VERTICAL, 0, 0, -120},
        {3, WHEEL_MESSAGE_VERTICAL, 0, 0, -120},
        {0, 0x200, 0, 0, 0},
        {0, WHEEL_MESSAGE_HORIZONTAL, 0, 0, 60},
        {0, WHEEL_MESSAGE_VERTICAL, INJECTED_FLAG, 0, -120},
        {0, WHEEL_MESSAGE_VERTICAL, 0, INJECTION_TAG, -120},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 0},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 60},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, -180},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 121},
    };
    Filter filter;
    for (const Event& event : passed) {
        EXPECT_EQ(filter.send(event.delta, event.message, event.flags, event.extraInfo, event.code),
                  HookVerdict::passOn)
            << event.code << " " << event.message << " " << event.flags << " " << event.delta;
    }
    filter.state.effectEnabled = false;
    int asked = 0; // the target's question costs system calls
    EXPECT_EQ(filter.send(-120, WHEEL_MESSAGE_VERTICAL, 0, 0, 0, [&] { return ++asked, 0; }),
              HookVerdict::passOn);
    EXPECT_EQ(asked, 0);
    filter.state.effectEnabled = true;
    filter.state.stopRequested = true;
    EXPECT_EQ(filter.send(-120), HookVerdict::passOn);
    EXPECT_EQ(filter.state.pendingDelta, 0);
    EXPECT_EQ(filter.state.lastNotchTick, 0u);
    EXPECT_EQ(filter.tickReads, 0);

    // Only the whole extra information is our tag.
    filter.state.stopRequested = false;
    EXPECT_EQ(filter.send(-120, WHEEL_MESSAGE_VERTICAL, 0, INJECTION_TAG | uintptr_t{1} << 32),
              HookVerdict::swallow);
}

// The amount of a second notch `gap` ms after a first one: accelerated by how close it came.
TEST(WheelFilter, AcceptedNotchesAddTheirAcceleratedAmount) {
    struct Case {
        ScrollParameters parameters;
        int64_t gap; // -1: a first notch; -10: the clock went back 10 ms
        int16_t delta;
        int32_t amount;
    };
    const Case cases[] = {
        {balancedParameters, 0, 120, 120},    {balancedParameters, 0, -240, -240},
        {fastParameters, -1, 120, 132},       {fastParameters, 80, 120, 132},
        {fastParameters, 79, 120, 133},       {fastParameters, 40, 120, 165},
        {fastParameters, 0, 120, 198},        {fastParameters, -10, 120, 132},
        {{70, 150, 40, 0}, 30, 120, 95},      {{70, 150, 40, 0}, 30, -120, -95},
        {{140, 240, 180, 0}, 0, -360, -1210}, {{100, 240, 0, 0}, 0, 120, 120},
    };
    for (const Case& c : cases) {
        Filter filter(c.parameters);
        if (c.gap != -1) {
            filter.send(c.delta);
            filter.tick += c.gap;
            filter.state.pendingDelta = 0;
        }
        EXPECT_EQ(filter.send(c.delta), HookVerdict::swallow);
        EXPECT_EQ(filter.state.pendingDelta, c.amount) << "gap " << c.gap << ", delta " << c.delta;
        EXPECT_EQ(filter.state.lastNotchTick, filter.tick);
    }
}

// Where a real notch goes: smoothed on its axis, or sent whole the other way round where its
// axis is reversed and the effect does not smooth it, or untouched, reversed or not, where the
// user keeps the effect out.
TEST(WheelFilter, EachAxisIsSmoothedOrReversedOnItsOwnAndShiftTurnsTheWheelSideways) {
    constexpr uintptr_t v = WHEEL_MESSAGE_VERTICAL, h = WHEEL_MESSAGE_HORIZONTAL;
    constexpr int32_t like = PROGRAM_LIKE_EVERYWHERE, off = PROGRAM_OFF, untouched = PROGRAM_UNTOUCHED;
    constexpr HookVerdict take = HookVerdict::swallow, pass = HookVerdict::passOn;
    struct Case {
        bool effect, reverseV, reverseH, smoothH, shiftOption, shift;
        int32_t setting;
        uintptr_t message;
        int16_t delta;
        HookVerdict verdict;
        std::array<int32_t, 4> after; // pending vertical, horizontal; whole vertical, horizontal
    };
    const Case cases[] = {
        {true, false, false, true, false, false, like, v, -120, take, {-120, 0, 0, 0}},
        {true, false, false, true, false, false, like, h, 120, take, {0, 120, 0, 0}},
        {true, false, false, false, false, false, like, h, 120, pass, {0, 0, 0, 0}},
        {true, true, false, true, false, false, like, v, -120, take, {120, 0, 0, 0}},
        {true, false, true, true, false, false, like, h, 120, take, {0, -120, 0, 0}},
        {false, true, false, true, false, false, like, v, -120, take, {0, 0, 120, 0}},
        {true, true, false, true, false, false, off, v, -120, pass, {0, 0, 0, 0}},
        {false, true, false, true, false, false, off, v, -120, pass, {0, 0, 0, 0}},
        {true, true, false, true, false, false, untouched, v, -120, pass, {0, 0, 0, 0}},
        {true, true, false, true, false, false, like, v, 60, take, {0, 0, -60, 0}},
        {true, false, true, false, false, false, like, h, 120, take, {0, 0, 0, -120}},
        {true, false, false, true, true, true, like, v, -120, take, {0, 120, 0, 0}},
        {true, false, false, true, false, true, like, v, -120, take, {-120, 0, 0, 0}},
        {true, true, false, false, true, true, like, v, -120, take, {0, -120, 0, 0}},
        {false, false, false, true, true, true, like, v, -120, pass, {0, 0, 0, 0}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        Filter filter;
        filter.state.effectEnabled = c.effect;
        filter.state.reversed[AXIS_VERTICAL] = c.reverseV;
        filter.state.reversed[AXIS_HORIZONTAL] = c.reverseH;
        filter.state.smoothHorizontal = c.smoothH;
        filter.state.shiftScrollsSideways = c.shiftOption;
        EXPECT_EQ(filterWheelEvent(filter.state, 0, c.message, 0, 0, c.delta, [] { return 1u; },
                                   [&] { return c.setting; }, [&] { return c.shift; }),
                  c.verdict)
            << i;
        const std::array<int32_t, 4> after{filter.state.pendingDelta,
                                           filter.state.pendingHorizontalDelta,
                                           filter.state.pendingWhole[AXIS_VERTICAL],
                                           filter.state.pendingWhole[AXIS_HORIZONTAL]};
        EXPECT_EQ(after, c.after) << i;
    }
}

// Windows drops our events to a window of a higher integrity level: such a notch passes whole.
TEST(WheelFilter, NotchesForAWindowThatOutranksUsPassThroughAndTheAnswerIsKeptPerWindow) {
    Filter filter;
    TargetCache cache;
    int asked = 0;
    uintptr_t window = 0x100;
    uint32_t processId = 7;
    // Process 7 is ordinary; 8 and 9 outrank us (elevated, or their level cannot be read).
    auto notch = [&](uintptr_t message = WHEEL_MESSAGE_VERTICAL) {
        filter.state.pendingDelta = 0;
        return filter.send(-120, message, 0, 0, 0, [&] {
            return cachedTargetSetting(cache, window, processId, [&] {
                return ++asked, ProgramVerdict{processId == 7 ? PROGRAM_LIKE_EVERYWHERE
                                                              : PROGRAM_UNTOUCHED};
            });
        });
    };
    EXPECT_EQ(notch(), HookVerdict::swallow);
    EXPECT_EQ(notch(0x200), HookVerdict::passOn);
    EXPECT_EQ(notch(), HookVerdict::swallow);
    EXPECT_EQ(asked, 1);
    for (uint32_t other : {8u, 9u}) {
        processId = other; // the same handle, now another process's window
        const uint64_t lastNotch = filter.state.lastNotchTick;
        filter.tick += 10;
        EXPECT_EQ(notch(), HookVerdict::passOn);
        EXPECT_EQ(notch(), HookVerdict::passOn);
        EXPECT_EQ(filter.state.pendingDelta, 0);
        EXPECT_EQ(filter.state.lastNotchTick, lastNotch);
    }
    EXPECT_EQ(asked, 3);
    // Eight windows fit: going back to the first asks nothing again.
    processId = 7;
    for (window = 0x200; window < 0x200 + TARGET_CACHE_SIZE - 3; ++window) {
        notch();
    }
    window = 0x100;
    EXPECT_EQ(notch(), HookVerdict::swallow);
    EXPECT_EQ(asked, 3 + TARGET_CACHE_SIZE - 3);
}

// The refresh timer's question: has the system seen mouse input that the hook did not?
uint64_t pointerNow = 0;
int pointerReads = 0;

bool readPointer(uint64_t& pointer) {
    ++pointerReads;
    pointer = pointerNow;
    return true;
}

TEST(HookWatch, PutsTheHookBackWhenTheMousePointerMovedUnseenAndNotTooOften) {
    HookWatch watch;
    const uint32_t hookEvent = 4'294'966'000u;   // shortly before the 32-bit tick wraps
    const uint64_t seen = packPoint(-1500, 300); // a monitor left of the primary one
    const uint64_t moved = packPoint(-1500, 301);
    const auto removed = [&](uint32_t systemInput, uint64_t pointer, uint64_t now = 100) {
        pointerNow = pointer;
        return hookLooksRemoved(watch, systemInput, hookEvent, seen, now, readPointer);
    };
    EXPECT_FALSE(removed(hookEvent, moved));
    EXPECT_FALSE(removed(hookEvent + HOOK_SILENCE_LIMIT_MS, moved));
    EXPECT_FALSE(removed(hookEvent - 50'000, moved));
    EXPECT_EQ(pointerReads, 0); // each read is a call into the system
    EXPECT_TRUE(removed(hookEvent + HOOK_SILENCE_LIMIT_MS + 1, moved));
    // Minutes of typing: the system saw input, the pointer is where the hook saw it last.
    EXPECT_FALSE(removed(hookEvent + 600'000, seen));
    // At rest after it the system's last input stays: nothing new to judge, nothing read.
    const int readsWhileTyping = pointerReads;
    EXPECT_FALSE(removed(hookEvent + 600'000, moved));
    EXPECT_EQ(pointerReads, readsWhileTyping);
    noteReinstallRequested(watch, 100);
    const uint32_t later = hookEvent + 3'000;
    EXPECT_FALSE(removed(later, moved, 100 + HOOK_REINSTALL_SPACING_MS - 1));
    EXPECT_TRUE(removed(later + 1, moved, 100 + HOOK_REINSTALL_SPACING_MS));
}

TEST(WheelFilter, DeltaIsTheSignedHighWordOfMouseData) {
    EXPECT_EQ(wheelDeltaOf(0xFF880000u), -120);
    EXPECT_EQ(wheelDeltaOf(0x0078FFFFu), 120);
}

} // namespace
