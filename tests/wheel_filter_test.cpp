#include "engine/wheel_filter.h"

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

    HookVerdict send(int16_t delta, uintptr_t message = WHEEL_MESSAGE_VERTICAL, uint32_t flags = 0,
                     uintptr_t extraInfo = 0, int code = 0) {
        return filterWheelEvent(state, code, message, flags, extraInfo, delta,
                                [this] { return ++tickReads, tick; });
    }
};

TEST(WheelFilter, PassesOnAllButRealWholeVerticalNotchesWithoutReadingTheClock) {
    struct Event {
        int code;
        uintptr_t message;
        uint32_t flags;
        uintptr_t extraInfo;
        int16_t delta;
    };
    const Event passed[] = {
        {-1, WHEEL_MESSAGE_VERTICAL, 0, 0, -120},  {3, WHEEL_MESSAGE_VERTICAL, 0, 0, -120},
        {0, 0x200, 0, 0, 0},                        {0, WHEEL_MESSAGE_HORIZONTAL, 0, 0, 120},
        {0, WHEEL_MESSAGE_VERTICAL, INJECTED_FLAG, 0, -120},
        {0, WHEEL_MESSAGE_VERTICAL, 0, INJECTION_TAG, -120},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 0},       {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 60},
        {0, WHEEL_MESSAGE_VERTICAL, 0, 0, -180},    {0, WHEEL_MESSAGE_VERTICAL, 0, 0, 121},
    };
    Filter filter;
    for (const Event& event : passed) {
        EXPECT_EQ(filter.send(event.delta, event.message, event.flags, event.extraInfo, event.code),
                  HookVerdict::passOn)
            << event.code << " " << event.message << " " << event.flags << " " << event.delta;
    }
    filter.state.effectEnabled = false;
    EXPECT_EQ(filter.send(-120), HookVerdict::passOn);
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

TEST(WheelFilter, PendingAmountIsClampedBothWays) {
    Filter filter(fastParameters);
    filter.state.pendingDelta = 1900;
    filter.send(120);
    EXPECT_EQ(filter.state.pendingDelta, 1920);
    filter.state.pendingDelta = -1920;
    filter.tick += 1000;
    filter.send(-120);
    EXPECT_EQ(filter.state.pendingDelta, -1920);
}

TEST(WheelFilter, DeltaIsTheSignedHighWordOfMouseData) {
    EXPECT_EQ(wheelDeltaOf(0xFF880000u), -120);
    EXPECT_EQ(wheelDeltaOf(0x0078FFFFu), 120);
}

} // namespace
