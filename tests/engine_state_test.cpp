#include "engine/engine_state.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

namespace {

void expectActive(const EngineState& state, ScrollParameters expected) {
    const ScrollParameters active = activeParameters(state);
    EXPECT_EQ(active.stepPercent, expected.stepPercent);
    EXPECT_EQ(active.maxAccelerationPercent, expected.maxAccelerationPercent);
    EXPECT_EQ(active.accelerationWindowMs, expected.accelerationWindowMs);
    EXPECT_EQ(active.smoothDurationMs, expected.smoothDurationMs);
}

TEST(EngineState, StartsOffWithBalancedInForceAndNothingPending) {
    const EngineState state;
    expectActive(state, balancedParameters);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_BALANCED);
    const ScrollParameters custom = customParameters(state);
    EXPECT_EQ(custom.stepPercent, 100);
    EXPECT_EQ(custom.smoothDurationMs, 360);
    EXPECT_FALSE(state.effectEnabled);
    EXPECT_FALSE(state.stopRequested);
    EXPECT_FALSE(state.hookInstalled);
    EXPECT_FALSE(state.resetRequested);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(state.lastNotchTick, 0u);
    EXPECT_EQ(state.hookThreadId, 0u);
    EXPECT_EQ(state.mainWindow, nullptr);
    EXPECT_FALSE(state.settingsDirty);
}

TEST(ApplyProfile, PutsEachProfileInForce) {
    EngineState state;
    applyProfile(state, IDM_PROFILE_SOFT, false);
    expectActive(state, {100, 100, 125, 430});
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_SOFT);
    applyProfile(state, IDM_PROFILE_FAST, false);
    expectActive(state, {110, 150, 80, 240});
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_FAST);
    applyProfile(state, IDM_PROFILE_BALANCED, false);
    expectActive(state, {100, 100, 110, 360});
}

TEST(ApplyProfile, CustomUsesTheCustomValuesExactly) {
    EngineState state;
    state.customStepPercent = 140;
    state.customMaxAccelerationPercent = 240;
    state.customAccelerationWindowMs = 40;
    state.customSmoothDurationMs = 500;
    applyProfile(state, IDM_PROFILE_CUSTOM, false);
    expectActive(state, {140, 240, 40, 500});
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_CUSTOM);
}

TEST(ApplyProfile, UnknownIdFallsBackToBalanced) {
    for (int32_t id : {1205, 1200, 0, -1202}) {
        EngineState state;
        applyProfile(state, IDM_PROFILE_FAST, false);
        applyProfile(state, id, false);
        expectActive(state, balancedParameters);
        EXPECT_EQ(state.activeProfile, IDM_PROFILE_BALANCED) << id;
    }
}

TEST(ApplyProfile, DropsWhatIsPendingButLeavesTheEffectAlone) {
    EngineState state;
    UiRecorder::connect(state);
    state.effectEnabled = true;
    state.pendingDelta = 900;
    applyProfile(state, IDM_PROFILE_SOFT, false);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_TRUE(state.effectEnabled);
    EXPECT_EQ(UiRecorder::posts, 0);
}

TEST(ApplyProfile, MovesSlidersThenParameterLineThenSaves) {
    EngineState state;
    UiRecorder::connect(state);
    applyProfile(state, IDM_PROFILE_FAST, true);
    EXPECT_EQ(UiRecorder::calls, (std::vector<std::string>{"sliders", "parameterLine", "save"}));
}

TEST(ApplyProfile, SaveOutcomeDecidesTheDirtyFlag) {
    EngineState state;
    UiRecorder::connect(state);
    state.settingsDirty = true;
    applyProfile(state, IDM_PROFILE_FAST, true);
    EXPECT_FALSE(state.settingsDirty);

    UiRecorder::saveSucceeds = false;
    applyProfile(state, IDM_PROFILE_SOFT, true);
    EXPECT_TRUE(state.settingsDirty);

    // Without a save the flag is left as it was.
    UiRecorder::saveSucceeds = true;
    applyProfile(state, IDM_PROFILE_BALANCED, false);
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_EQ(UiRecorder::saves, 2);
}

TEST(ApplyCustomValues, BecomesTheCustomProfileAndKeepsPulsesInFlight) {
    EngineState state;
    UiRecorder::connect(state);
    state.pendingDelta = -240;
    applyCustomValues(state, 70, 150, 40, 300);
    expectActive(state, {70, 150, 40, 300});
    const ScrollParameters custom = customParameters(state);
    EXPECT_EQ(custom.stepPercent, 70);
    EXPECT_EQ(custom.maxAccelerationPercent, 150);
    EXPECT_EQ(custom.accelerationWindowMs, 40);
    EXPECT_EQ(custom.smoothDurationMs, 300);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_CUSTOM);
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_EQ(state.pendingDelta, -240);
    EXPECT_FALSE(state.resetRequested);
    EXPECT_EQ(UiRecorder::calls, (std::vector<std::string>{"parameterLine"}));
}

TEST(TurnEffect, OnClearsPendingAndRequestsResetWithoutPosting) {
    EngineState state;
    UiRecorder::connect(state);
    state.pendingDelta = 480;
    turnEffectOn(state);
    EXPECT_TRUE(state.effectEnabled);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(UiRecorder::posts, 0);
}

TEST(TurnEffect, OffClearsEverythingAndPostsOncePerCall) {
    EngineState state;
    UiRecorder::connect(state);
    turnEffectOn(state);
    state.resetRequested = false;
    state.pendingDelta = 360;
    state.lastNotchTick = 123456;
    turnEffectOff(state);
    EXPECT_FALSE(state.effectEnabled);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_EQ(state.lastNotchTick, 0u);
    EXPECT_TRUE(state.resetRequested);
    EXPECT_EQ(UiRecorder::posts, 1);
    turnEffectOff(state);
    EXPECT_EQ(UiRecorder::posts, 2);
}

TEST(TurnEffect, OffWithoutAWindowPostsNothing) {
    EngineState state;
    UiRecorder::connect(state);
    state.mainWindow = nullptr;
    turnEffectOff(state);
    EXPECT_EQ(UiRecorder::posts, 0);
}

TEST(ParameterRanges, AcceptExactlyTheSliderRanges) {
    EXPECT_TRUE(parametersInRange({60, 100, 40, 160}));
    EXPECT_TRUE(parametersInRange({140, 240, 180, 500}));
    EXPECT_FALSE(parametersInRange({59, 100, 110, 360}));
    EXPECT_FALSE(parametersInRange({100, 241, 110, 360}));
    EXPECT_FALSE(parametersInRange({100, 100, 39, 360}));
    EXPECT_FALSE(parametersInRange({100, 100, 110, 501}));
}

} // namespace
