#include "engine/engine_state.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

namespace {

std::vector<int32_t> active(const EngineState& state) {
    const ScrollParameters values = activeParameters(state);
    return {values.stepPercent, values.maxAccelerationPercent, values.accelerationWindowMs,
            values.smoothDurationMs};
}

TEST(ApplyProfile, PutsItsValuesInForceAndDropsWhatIsPending) {
    struct Case {
        int32_t id;
        int32_t inForce;
        std::vector<int32_t> values;
    };
    const Case cases[] = {{IDM_PROFILE_SOFT, IDM_PROFILE_SOFT, {100, 100, 125, 430}},
                          {IDM_PROFILE_FAST, IDM_PROFILE_FAST, {110, 150, 80, 240}},
                          {IDM_PROFILE_CUSTOM, IDM_PROFILE_CUSTOM, {140, 240, 40, 500}},
                          {IDM_PROFILE_BALANCED, IDM_PROFILE_BALANCED, {100, 100, 110, 360}},
                          {1205, IDM_PROFILE_BALANCED, {100, 100, 110, 360}},
                          {0, IDM_PROFILE_BALANCED, {100, 100, 110, 360}}};
    for (const Case& c : cases) {
        EngineState state;
        UiRecorder::connect(state);
        applyCustomValues(state, 140, 240, 40, 500);
        applyProfile(state, IDM_PROFILE_FAST, false);
        state.effectEnabled = true;
        state.pendingDelta = 900;
        state.resetRequested = false;
        applyProfile(state, c.id, false);
        EXPECT_EQ(state.activeProfile, c.inForce) << c.id;
        EXPECT_EQ(active(state), c.values) << c.id;
        EXPECT_EQ(state.pendingDelta, 0);
        EXPECT_TRUE(state.resetRequested);
        EXPECT_TRUE(state.effectEnabled);
        EXPECT_EQ(UiRecorder::sliderMoves, 2);
        EXPECT_EQ(UiRecorder::posts + UiRecorder::saves, 0);
    }
}

TEST(ApplyProfile, SavesWhenAskedAndStaysDirtyWhenTheSaveFails) {
    EngineState state;
    UiRecorder::connect(state);
    state.settingsDirty = true;
    applyProfile(state, IDM_PROFILE_FAST, true);
    EXPECT_FALSE(state.settingsDirty);
    UiRecorder::saveSucceeds = false;
    applyProfile(state, IDM_PROFILE_SOFT, true);
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_SOFT);
    EXPECT_EQ(UiRecorder::saves, 2);
}

TEST(ApplyCustomValues, BecomesTheCustomProfileAndKeepsWhatIsInFlight) {
    EngineState state;
    UiRecorder::connect(state);
    applyProfile(state, IDM_PROFILE_FAST, false);
    applyCustomValues(state, 70, 150, 40, 300);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_CUSTOM);
    EXPECT_EQ(active(state), (std::vector<int32_t>{70, 150, 40, 300}));
    applyProfile(state, IDM_PROFILE_SOFT, false);
    applyProfile(state, IDM_PROFILE_CUSTOM, false);
    EXPECT_EQ(active(state), (std::vector<int32_t>{70, 150, 40, 300}));
    state.pendingDelta = -240;
    state.resetRequested = false;
    applyCustomValues(state, 60, 100, 40, 160);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_CUSTOM);
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_EQ(state.pendingDelta, -240);
    EXPECT_FALSE(state.resetRequested);
}

TEST(TurnEffect, OnStartsFreshAndOffClearsEverythingAndTellsTheWindowOnce) {
    EngineState state;
    UiRecorder::connect(state);
    state.pendingDelta = 480;
    turnEffectOn(state);
    EXPECT_TRUE(state.effectEnabled);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(UiRecorder::posts, 0);

    state.resetRequested = false;
    state.pendingDelta = 360;
    state.lastNotchTick = 123456;
    turnEffectOff(state);
    EXPECT_FALSE(state.effectEnabled);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(state.lastNotchTick, 0u);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_EQ(UiRecorder::posts, 1);
    state.mainWindow = nullptr;
    turnEffectOff(state);
    EXPECT_EQ(UiRecorder::posts, 1);
}

} // namespace
