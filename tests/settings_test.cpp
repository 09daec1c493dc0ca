#include "engine/engine_state.h"
#include "engine_test_support.h"
#include "memory_registry.h"
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Call = MemoryRegistry::Call;

constexpr std::array<const wchar_t*, 4> customNames{
    CUSTOM_STEP_VALUE, CUSTOM_MAX_ACCELERATION_VALUE, CUSTOM_ACCELERATION_WINDOW_VALUE,
    CUSTOM_SMOOTH_DURATION_VALUE};

void plantSettings(MemoryRegistry& registry, uint32_t profile, ScrollParameters custom) {
    registry.setDword(SETTINGS_KEY, PROFILE_VALUE, profile);
    registry.setDword(SETTINGS_KEY, CUSTOM_STEP_VALUE, custom.stepPercent);
    registry.setDword(SETTINGS_KEY, CUSTOM_MAX_ACCELERATION_VALUE, custom.maxAccelerationPercent);
    registry.setDword(SETTINGS_KEY, CUSTOM_ACCELERATION_WINDOW_VALUE, custom.accelerationWindowMs);
    registry.setDword(SETTINGS_KEY, CUSTOM_SMOOTH_DURATION_VALUE, custom.smoothDurationMs);
}

void expectValues(const ScrollParameters& actual, ScrollParameters expected, const char* what) {
    EXPECT_EQ(actual.stepPercent, expected.stepPercent) << what;
    EXPECT_EQ(actual.maxAccelerationPercent, expected.maxAccelerationPercent) << what;
    EXPECT_EQ(actual.accelerationWindowMs, expected.accelerationWindowMs) << what;
    EXPECT_EQ(actual.smoothDurationMs, expected.smoothDurationMs) << what;
}

class LoadSettings : public ::testing::Test {
  protected:
    EngineState state;
    MemoryRegistry registry;

    void SetUp() override {
        UiRecorder::connect(state);
        state.pendingDelta = 240;
    }

    // Every load: applyProfile without saving, nothing written, every key closed.
    void load() {
        loadSettings(state, registry);
        EXPECT_EQ(registry.changes(), 0);
        EXPECT_TRUE(registry.allKeysClosed());
        EXPECT_EQ(registry.count(Call::open),
                  registry.count(Call::close) + (registry.calls[0].status != 0 ? 1 : 0));
        EXPECT_EQ(UiRecorder::saves, 0);
        EXPECT_FALSE(state.settingsDirty);
        EXPECT_EQ(state.pendingDelta, 0);
        EXPECT_TRUE(state.resetRequested);
    }

    void expectInForce(int32_t profile, ScrollParameters active, ScrollParameters custom) {
        EXPECT_EQ(state.activeProfile, profile);
        expectValues(activeParameters(state), active, "active");
        expectValues(customParameters(state), custom, "custom");
    }
};

TEST_F(LoadSettings, FirstRunPutsBalancedInForceAndCreatesNothing) {
    load();
    expectInForce(IDM_PROFILE_BALANCED, balancedParameters, balancedParameters);
    EXPECT_EQ(registry.calls.size(), 1u);
    EXPECT_EQ(registry.calls[0].access, REGISTRY_QUERY_VALUE);
    EXPECT_TRUE(registry.keys.empty());
    EXPECT_EQ(UiRecorder::calls, (std::vector<std::string>{"sliders", "parameterLine"}));
}

TEST_F(LoadSettings, UnreadableKeyIsTakenAsFirstRun) {
    plantSettings(registry, IDM_PROFILE_FAST, {70, 200, 60, 300});
    registry.deniedAccess[SETTINGS_KEY] = REGISTRY_QUERY_VALUE;
    load();
    expectInForce(IDM_PROFILE_BALANCED, balancedParameters, balancedParameters);
}

TEST_F(LoadSettings, RangeEndsAreAccepted) {
    plantSettings(registry, IDM_PROFILE_CUSTOM, {60, 240, 40, 500});
    load();
    expectInForce(IDM_PROFILE_CUSTOM, {60, 240, 40, 500}, {60, 240, 40, 500});

    EngineState other;
    plantSettings(registry, IDM_PROFILE_SOFT, {140, 100, 180, 160});
    loadSettings(other, registry);
    EXPECT_EQ(other.activeProfile, IDM_PROFILE_SOFT);
    expectValues(activeParameters(other), softParameters, "active");
    expectValues(customParameters(other), {140, 100, 180, 160}, "custom");
}

// One value just outside its range, at either end, rejects all four; the profile still loads.
TEST_F(LoadSettings, OneValueOutOfRangeRejectsAllFour) {
    const ScrollParameters valid{75, 150, 90, 300};
    // Negative numbers are stored as large DWORDs and must still fall outside.
    const std::array<std::array<int32_t, 3>, 4> outside{
        {{59, 141, -100}, {99, 241, -1}, {39, 181, 0}, {159, 501, 100000}}};
    for (size_t which = 0; which < 4; ++which) {
        for (const int32_t number : outside[which]) {
            EngineState fresh;
            plantSettings(registry, IDM_PROFILE_CUSTOM, valid);
            registry.setDword(SETTINGS_KEY, customNames[which], uint32_t(number));
            loadSettings(fresh, registry);
            EXPECT_EQ(fresh.activeProfile, IDM_PROFILE_CUSTOM);
            expectValues(customParameters(fresh), balancedParameters, "custom");
            expectValues(activeParameters(fresh), balancedParameters, "active");
        }
    }
    EXPECT_EQ(registry.changes(), 0);
}

// A Custom value that is not a 4-byte REG_DWORD ends the reading there; the profile loads.
TEST_F(LoadSettings, CustomValueThatIsNotAFourByteDwordLeavesAllFour) {
    const uint32_t fast = IDM_PROFILE_FAST;
    const uint8_t shortDword[2] = {0x2C, 0x01}; // 300
    const uint8_t longDword[8] = {0x2C, 0x01, 0, 0, 0, 0, 0, 0};
    struct Damage {
        const char* what;
        void (*plant)(MemoryRegistry&);
    };
    const Damage damages[] = {
        {"string",
         [](MemoryRegistry& r) {
             r.setString(SETTINGS_KEY, CUSTOM_MAX_ACCELERATION_VALUE, u"150");
         }},
        {"missing",
         [](MemoryRegistry& r) { r.keys[SETTINGS_KEY].erase(CUSTOM_MAX_ACCELERATION_VALUE); }},
        {"binary",
         [](MemoryRegistry& r) {
             const uint32_t number = 150;
             r.setRaw(SETTINGS_KEY, CUSTOM_MAX_ACCELERATION_VALUE, REGISTRY_TYPE_BINARY, &number,
                      4);
         }},
        {"unreadable",
         [](MemoryRegistry& r) {
             r.readFailures[CUSTOM_MAX_ACCELERATION_VALUE] = REGISTRY_ACCESS_DENIED;
         }},
    };
    for (const Damage& damage : damages) {
        MemoryRegistry damaged;
        plantSettings(damaged, fast, {75, 150, 90, 300});
        damage.plant(damaged);
        EngineState fresh;
        loadSettings(fresh, damaged);
        EXPECT_EQ(fresh.activeProfile, IDM_PROFILE_FAST) << damage.what;
        expectValues(customParameters(fresh), balancedParameters, damage.what);
        // Profile, step, and the damaged value: the last two are never asked for.
        EXPECT_EQ(damaged.count(Call::query), 3) << damage.what;
    }
    for (const auto& [bytes, size] : {std::pair{shortDword, 2u}, std::pair{longDword, 8u}}) {
        MemoryRegistry damaged;
        plantSettings(damaged, fast, {75, 150, 90, 300});
        damaged.setRaw(SETTINGS_KEY, CUSTOM_SMOOTH_DURATION_VALUE, REGISTRY_TYPE_DWORD, bytes,
                       size);
        EngineState fresh;
        loadSettings(fresh, damaged);
        expectValues(customParameters(fresh), balancedParameters, "odd-sized dword");
    }
}

TEST_F(LoadSettings, ProfileOutsideTheFourIsBalanced) {
    for (const uint32_t profile : {0u, 1200u, 1205u, 0xFFFFFFFFu}) {
        EngineState fresh;
        plantSettings(registry, profile, {75, 150, 90, 300});
        loadSettings(fresh, registry);
        EXPECT_EQ(fresh.activeProfile, IDM_PROFILE_BALANCED) << profile;
        expectValues(activeParameters(fresh), balancedParameters, "active");
        expectValues(customParameters(fresh), {75, 150, 90, 300}, "custom");
    }
    registry.keys[SETTINGS_KEY].erase(PROFILE_VALUE);
    load();
    expectInForce(IDM_PROFILE_BALANCED, balancedParameters, {75, 150, 90, 300});
}

TEST_F(LoadSettings, ProfileOfAnotherTypeIsReadAsANumberWhenItFits) {
    const uint8_t fast[4] = {0xB3, 0x04, 0x00, 0x00};
    plantSettings(registry, 0, {100, 100, 110, 360});
    registry.setRaw(SETTINGS_KEY, PROFILE_VALUE, REGISTRY_TYPE_BINARY, fast, 4);
    load();
    expectInForce(IDM_PROFILE_FAST, fastParameters, balancedParameters);

    EngineState shortValue;
    registry.setRaw(SETTINGS_KEY, PROFILE_VALUE, REGISTRY_TYPE_BINARY, fast, 2);
    loadSettings(shortValue, registry);
    EXPECT_EQ(shortValue.activeProfile, IDM_PROFILE_FAST);
}

// Longer than the buffer: the platform reports MORE_DATA and the buffer is undefined (here it
// holds the first four bytes, 1203); the load must not trust it.
TEST_F(LoadSettings, ProfileLongerThanFourBytesIsBalanced) {
    const uint8_t fastThenMore[8] = {0xB3, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    plantSettings(registry, 0, {75, 150, 90, 300});
    registry.setRaw(SETTINGS_KEY, PROFILE_VALUE, REGISTRY_TYPE_QWORD, fastThenMore, 8);
    load();
    EXPECT_EQ(registry.calls[1].status, REGISTRY_MORE_DATA);
    expectInForce(IDM_PROFILE_BALANCED, balancedParameters, {75, 150, 90, 300});
}

class SaveSettings : public ::testing::Test {
  protected:
    EngineState state;
    MemoryRegistry registry;

    void SetUp() override {
        applyCustomValues(state, 130, 200, 60, 300);
        applyProfile(state, IDM_PROFILE_SOFT, false);
        state.settingsDirty = false;
    }

    int setCalls() const { return registry.count(Call::set); }
};

TEST_F(SaveSettings, WritesTheProfileAndTheCustomValuesAsFiveDwordsInOrder) {
    EXPECT_TRUE(saveSettings(state, registry));
    ASSERT_EQ(registry.calls.size(), 7u);
    EXPECT_EQ(registry.calls[0].call, Call::create);
    EXPECT_EQ(registry.calls[0].target, SETTINGS_KEY);
    EXPECT_EQ(registry.calls[0].access, REGISTRY_SET_VALUE);
    const wchar_t* order[] = {PROFILE_VALUE, customNames[0], customNames[1], customNames[2],
                              customNames[3]};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(registry.calls[i + 1].call, Call::set);
        EXPECT_EQ(registry.calls[i + 1].target, order[i]);
    }
    EXPECT_EQ(registry.calls[6].call, Call::close);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, PROFILE_VALUE), IDM_PROFILE_SOFT);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, CUSTOM_STEP_VALUE), 130);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, CUSTOM_MAX_ACCELERATION_VALUE), 200);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, CUSTOM_ACCELERATION_WINDOW_VALUE), 60);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, CUSTOM_SMOOTH_DURATION_VALUE), 300);
}

TEST_F(SaveSettings, WhatIsSavedLoadsBack) {
    applyProfile(state, IDM_PROFILE_CUSTOM, false);
    ASSERT_TRUE(saveSettings(state, registry));
    EngineState restarted;
    loadSettings(restarted, registry);
    EXPECT_EQ(restarted.activeProfile, IDM_PROFILE_CUSTOM);
    expectValues(activeParameters(restarted), {130, 200, 60, 300}, "active");
}

TEST_F(SaveSettings, WriteProtectedKeyFailsAndWritesNothing) {
    registry.keys[SETTINGS_KEY];
    registry.deniedAccess[SETTINGS_KEY] = REGISTRY_SET_VALUE;
    EXPECT_FALSE(saveSettings(state, registry));
    EXPECT_EQ(setCalls(), 0);
    registry.deniedAccess.clear();
    registry.createFailures[SETTINGS_KEY] = REGISTRY_ACCESS_DENIED;
    EXPECT_FALSE(saveSettings(state, registry));
    EXPECT_EQ(setCalls(), 0);
    EXPECT_TRUE(registry.keys[SETTINGS_KEY].empty());
    EXPECT_TRUE(registry.allKeysClosed());
}

// A failed write does not stop the others; one failure anywhere makes the save fail.
TEST_F(SaveSettings, EveryWriteIsMadeAndAnyFailureFailsTheSave) {
    for (int failing = 2; failing <= 6; ++failing) {
        MemoryRegistry flaky;
        flaky.callFailures[failing] = REGISTRY_ACCESS_DENIED;
        EXPECT_FALSE(saveSettings(state, flaky)) << failing;
        EXPECT_EQ(flaky.count(Call::set), 5) << failing;
        EXPECT_EQ(flaky.keys[SETTINGS_KEY].size(), 4u) << failing;
        EXPECT_TRUE(flaky.allKeysClosed());
    }
}

TEST_F(SaveSettings, DirtySettingsAreRetriedAtEveryTickUntilTheSaveWorks) {
    saveSettingsIfDirty(state, registry);
    EXPECT_TRUE(registry.calls.empty());

    applyCustomValues(state, 90, 120, 70, 200);
    registry.createFailures[SETTINGS_KEY] = REGISTRY_ACCESS_DENIED;
    saveSettingsIfDirty(state, registry);
    saveSettingsIfDirty(state, registry);
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_EQ(registry.count(Call::create), 2);

    registry.createFailures.clear();
    saveSettingsIfDirty(state, registry);
    EXPECT_FALSE(state.settingsDirty);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, PROFILE_VALUE), IDM_PROFILE_CUSTOM);
    EXPECT_EQ(registry.dword(SETTINGS_KEY, CUSTOM_SMOOTH_DURATION_VALUE), 200);
}

} // namespace
