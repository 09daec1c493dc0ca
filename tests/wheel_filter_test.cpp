#include "engine/wheel_filter.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t baseTick = 5'000'000;
constexpr uintptr_t mouseMove = 0x200;

struct FilterTest : ::testing::Test {
    EngineState state;
    uint64_t tick = baseTick;
    int tickReads = 0;

    void SetUp() override { state.effectEnabled = true; }

    HookVerdict send(int16_t delta, uintptr_t message = WHEEL_MESSAGE_VERTICAL, uint32_t flags = 0,
                     uintptr_t extraInfo = 0, int code = 0) {
        return filterWheelEvent(state, code, message, flags, extraInfo, delta, [this] {
            ++tickReads;
            return tick;
        });
    }

    void use(ScrollParameters parameters) {
        state.stepPercent = parameters.stepPercent;
        state.maxAccelerationPercent = parameters.maxAccelerationPercent;
        state.accelerationWindowMs = parameters.accelerationWindowMs;
    }

    // Sends a first notch, then one `gapMs` later; returns what the second one added.
    int32_t secondNotchAmount(uint64_t gapMs, int16_t delta = 120) {
        send(delta);
        const int32_t before = state.pendingDelta;
        tick += gapMs;
        send(delta);
        return state.pendingDelta - before;
    }
};

TEST_F(FilterTest, PassesOnEverythingThatIsNotARealWholeVerticalNotch) {
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, 0, 0, -1), HookVerdict::passOn);
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, 0, 0, 3), HookVerdict::passOn);
    EXPECT_EQ(send(0, mouseMove), HookVerdict::passOn);
    EXPECT_EQ(send(120, WHEEL_MESSAGE_HORIZONTAL), HookVerdict::passOn);
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, INJECTED_FLAG), HookVerdict::passOn);
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, INJECTED_FLAG | 2), HookVerdict::passOn);
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, 0, INJECTION_TAG), HookVerdict::passOn);
    EXPECT_EQ(send(0), HookVerdict::passOn);
    for (int16_t delta : {60, 180, -60, 1, 119, 121, -239}) {
        EXPECT_EQ(send(delta), HookVerdict::passOn) << delta;
    }
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(state.lastNotchTick, 0u);
    EXPECT_EQ(tickReads, 0) << "a passed-on event must not read the clock";
}

TEST_F(FilterTest, TagMustMatchTheWholeExtraInformation) {
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, 0, INJECTION_TAG | (uintptr_t{1} << 32)),
              HookVerdict::swallow);
    EXPECT_EQ(send(-120, WHEEL_MESSAGE_VERTICAL, 0, 0x524C5632), HookVerdict::swallow);
}

TEST_F(FilterTest, PassesEverythingOnWhileOffOrStopping) {
    state.effectEnabled = false;
    EXPECT_EQ(send(-120), HookVerdict::passOn);
    state.effectEnabled = true;
    state.stopRequested = true;
    EXPECT_EQ(send(-120), HookVerdict::passOn);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(state.lastNotchTick, 0u);
}

TEST_F(FilterTest, SwallowsWholeNotchesAndAddsTheirAmount) {
    EXPECT_EQ(send(-120), HookVerdict::swallow);
    EXPECT_EQ(state.pendingDelta, -120);
    EXPECT_EQ(state.lastNotchTick, baseTick);
    tick += 500;
    EXPECT_EQ(send(240), HookVerdict::swallow);
    EXPECT_EQ(state.pendingDelta, 120);
    EXPECT_EQ(send(-360), HookVerdict::swallow);
    EXPECT_EQ(state.pendingDelta, -240);
}

TEST_F(FilterTest, BalancedNeverAccelerates) {
    EXPECT_EQ(secondNotchAmount(0), 120);
    EXPECT_EQ(secondNotchAmount(0, -240), -240);
}

TEST_F(FilterTest, FastAcceleratesByTheGap) {
    use(fastParameters);
    EXPECT_EQ(secondNotchAmount(80), 132);
    EXPECT_EQ(secondNotchAmount(40), 165);
    EXPECT_EQ(secondNotchAmount(0), 198);
    EXPECT_EQ(secondNotchAmount(79), 133);
}

TEST_F(FilterTest, FirstNotchIsNeverAccelerated) {
    use(fastParameters);
    send(120);
    EXPECT_EQ(state.pendingDelta, 132);
}

TEST_F(FilterTest, RoundsHalvesAwayFromZero) {
    use({70, 150, 40, 0});
    EXPECT_EQ(secondNotchAmount(30), 95);
    state.pendingDelta = 0;
    EXPECT_EQ(secondNotchAmount(30, -120), -95);
}

TEST_F(FilterTest, LargestGainAtTheTopOfEveryRange) {
    use({140, 240, 180, 0});
    EXPECT_EQ(secondNotchAmount(0, -360), -1210);
}

TEST_F(FilterTest, ClockGoingBackwardsCountsAsNoPreviousNotch) {
    use(fastParameters);
    send(120);
    tick -= 10;
    state.pendingDelta = 0;
    send(120);
    EXPECT_EQ(state.pendingDelta, 132);
    EXPECT_EQ(state.lastNotchTick, baseTick - 10);
}

TEST_F(FilterTest, PendingAmountIsClampedBothWays) {
    use(fastParameters);
    state.pendingDelta = 1900;
    send(120);
    EXPECT_EQ(state.pendingDelta, 1920);
    state.pendingDelta = -1920;
    tick += 1000;
    send(-120);
    EXPECT_EQ(state.pendingDelta, -1920);
}

TEST(WheelDelta, IsTheSignedHighWordOfMouseData) {
    EXPECT_EQ(wheelDeltaOf(0xFF880000u), -120);
    EXPECT_EQ(wheelDeltaOf(0x0078FFFFu), 120);
    EXPECT_EQ(wheelDeltaOf(0x80000000u), -32768);
}

TEST(AcceleratedAmount, ZeroWindowMeansNoAcceleration) {
    EXPECT_EQ(acceleratedAmount(120, 0, 100, 240, 0), 120);
}

} // namespace
