#include "engine_test_support.h"
#include "memory_registry.h"
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace {

constexpr std::array<const wchar_t*, 5> names{PROFILE_VALUE, CUSTOM_STEP_VALUE,
                                              CUSTOM_MAX_ACCELERATION_VALUE,
                                              CUSTOM_ACCELERATION_WINDOW_VALUE,
                                              CUSTOM_SMOOTH_DURATION_VALUE};
constexpr std::array<int32_t, 4> builtIn{100, 100, 110, 360};

using Values = std::array<int32_t, 4>;

Values values(const ScrollParameters& parameters) {
    return {parameters.stepPercent, parameters.maxAccelerationPercent,
            parameters.accelerationWindowMs, parameters.smoothDurationMs};
}

void plant(MemoryRegistry& registry, int64_t profile, Values custom) {
    registry.setDword(SETTINGS_KEY, PROFILE_VALUE, uint32_t(profile));
    for (size_t i = 0; i < 4; ++i) {
        registry.setDword(SETTINGS_KEY, names[i + 1], uint32_t(custom[i]));
    }
}

struct Loaded {
    int32_t profile;
    Values active;
    Values custom;
    bool operator==(const Loaded&) const = default;
};

void PrintTo(const Loaded& loaded, std::ostream* out) {
    *out << loaded.profile;
    for (const Values& four : {loaded.active, loaded.custom}) {
        for (int32_t value : four) {
            *out << " " << value;
        }
    }
}

// Every load puts a profile in force without saving, writes nothing and closes every key.
Loaded load(MemoryRegistry& registry) {
    EngineState state;
    UiRecorder::connect(state);
    state.pendingDelta = 240;
    const int changes = registry.changes;
    loadSettings(state, registry);
    EXPECT_EQ(registry.changes, changes);
    EXPECT_TRUE(registry.allKeysClosed());
    EXPECT_EQ(UiRecorder::saves, 0);
    EXPECT_EQ(UiRecorder::sliderMoves, 1);
    EXPECT_FALSE(state.settingsDirty);
    EXPECT_EQ(state.pendingDelta, 0);
    EXPECT_TRUE(state.resetRequested);
    return {state.activeProfile, values(activeParameters(state)), values(customParameters(state))};
}

TEST(LoadSettings, TakesTheStoredProfileAndCustomValuesOnlyWhenTheyAreSound) {
    const Values stored{75, 150, 90, 300};
    const Values fast = values(fastParameters);
    const Values balanced = values(balancedParameters);
    const uint8_t fastBytes[8] = {0xB3, 0x04};
    const uint8_t inRange[4] = {150};
    const uint8_t tail300[2] = {0x2C, 0x01};
    struct Case {
        const char* what;
        std::function<void(MemoryRegistry&)> damage;
        Loaded loaded;
    };
    const auto custom = [](size_t index, uint32_t type, const void* data, size_t size) {
        return [=](MemoryRegistry& r) { r.setRaw(SETTINGS_KEY, names[index], type, data, size); };
    };
    const auto number = [](size_t index, int64_t value) {
        return [=](MemoryRegistry& r) { r.setDword(SETTINGS_KEY, names[index], uint32_t(value)); };
    };
    const Case cases[] = {
        {"all sound", [](MemoryRegistry&) {}, {IDM_PROFILE_FAST, fast, stored}},
        {"no key", [](MemoryRegistry& r) { r.keys.clear(); }, {IDM_PROFILE_BALANCED, balanced, builtIn}},
        {"Custom at the low ends", [](MemoryRegistry& r) { plant(r, IDM_PROFILE_CUSTOM, {60, 100, 40, 160}); },
         {IDM_PROFILE_CUSTOM, {60, 100, 40, 160}, {60, 100, 40, 160}}},
        {"Custom at the high ends", [](MemoryRegistry& r) { plant(r, IDM_PROFILE_CUSTOM, {140, 240, 180, 500}); },
         {IDM_PROFILE_CUSTOM, {140, 240, 180, 500}, {140, 240, 180, 500}}},
        {"step 141", number(1, 141), {IDM_PROFILE_FAST, fast, builtIn}},
        {"acceleration 99", number(2, 99), {IDM_PROFILE_FAST, fast, builtIn}},
        {"window -1", number(3, -1), {IDM_PROFILE_FAST, fast, builtIn}},
        {"tail 501", number(4, 501), {IDM_PROFILE_FAST, fast, builtIn}},
        {"acceleration as text", [](MemoryRegistry& r) { r.setText(SETTINGS_KEY, names[2], u"150"); },
         {IDM_PROFILE_FAST, fast, builtIn}},
        {"acceleration as binary", custom(2, REGISTRY_TYPE_BINARY, inRange, 4),
         {IDM_PROFILE_FAST, fast, builtIn}},
        {"tail of 2 bytes", custom(4, REGISTRY_TYPE_DWORD, tail300, 2), {IDM_PROFILE_FAST, fast, builtIn}},
        {"tail of 8 bytes", custom(4, REGISTRY_TYPE_DWORD, fastBytes, 8), {IDM_PROFILE_FAST, fast, builtIn}},
        {"profile 1205", number(0, 1205), {IDM_PROFILE_BALANCED, balanced, stored}},
        {"profile missing", [](MemoryRegistry& r) { r.keys[SETTINGS_KEY].erase(PROFILE_VALUE); },
         {IDM_PROFILE_BALANCED, balanced, stored}},
        {"profile of 4 binary bytes", custom(0, REGISTRY_TYPE_BINARY, fastBytes, 4),
         {IDM_PROFILE_FAST, fast, stored}},
        {"profile of 2 bytes", custom(0, REGISTRY_TYPE_BINARY, fastBytes, 2), {IDM_PROFILE_FAST, fast, stored}},
        // Longer than its buffer: the read fails and the buffer must not be trusted.
        {"profile of 8 bytes", custom(0, REGISTRY_TYPE_QWORD, fastBytes, 8),
         {IDM_PROFILE_BALANCED, balanced, stored}},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        plant(registry, IDM_PROFILE_FAST, stored);
        c.damage(registry);
        EXPECT_EQ(load(registry), c.loaded) << c.what;
    }
}

struct Saving {
    EngineState state;
    MemoryRegistry registry;

    Saving() {
        applyCustomValues(state, 130, 200, 60, 300);
        applyProfile(state, IDM_PROFILE_SOFT, false);
    }
    std::array<int64_t, 5> stored() const {
        std::array<int64_t, 5> numbers{};
        for (size_t i = 0; i < 5; ++i) {
            const auto* value = registry.find(SETTINGS_KEY, names[i]);
            numbers[i] = value && value->type == REGISTRY_TYPE_DWORD && value->data.size() == 4
                             ? int64_t(*reinterpret_cast<const uint32_t*>(value->data.data()))
                             : -1;
        }
        return numbers;
    }
};

// A failure anywhere fails the save and keeps it due, but every other value is still written;
// the next tick's save stores all five.
TEST(SaveSettings, AFailedSaveWritesWhatItCanAndIsRetriedAtTheNextTick) {
    for (int failing = 1; failing <= 6; ++failing) {
        Saving saving;
        saving.state.settingsDirty = true;
        saving.registry.failures[failing] = REGISTRY_ACCESS_DENIED;
        saveSettingsIfDirty(saving.state, saving.registry);
        EXPECT_TRUE(saving.state.settingsDirty) << failing;
        const auto stored = saving.stored();
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(stored[i] != -1, failing != 1 && failing != int(i) + 2) << failing << " " << i;
        }
        EXPECT_TRUE(saving.registry.allKeysClosed());
        saveSettingsIfDirty(saving.state, saving.registry);
        EXPECT_FALSE(saving.state.settingsDirty);
        EXPECT_EQ(saving.stored(), (std::array<int64_t, 5>{IDM_PROFILE_SOFT, 130, 200, 60, 300}));
    }
    Saving clean;
    clean.state.settingsDirty = false;
    saveSettingsIfDirty(clean.state, clean.registry);
    EXPECT_EQ(clean.registry.calls, 0);
}

// The language choice reads as 0 (like Windows) unless it is a 4-byte DWORD naming one of ours,
// and is stored as one.
TEST(LanguageChoice, AnUnknownOrDamagedChoiceReadsAsLikeWindows) {
    MemoryRegistry registry;
    EXPECT_EQ(loadLanguageChoice(registry), 0u);
    const uint64_t wide = 0x07;
    for (const auto& [type, size, stored, read] :
         {std::tuple{REGISTRY_TYPE_DWORD, 4u, 0x07u, 0x07u},
          {REGISTRY_TYPE_DWORD, 4u, 0x16u, 0x16u},
          {REGISTRY_TYPE_DWORD, 4u, 0x0407u, 0u},
          {REGISTRY_TYPE_DWORD, 4u, 0x99u, 0u},
          {REGISTRY_TYPE_BINARY, 4u, 0x07u, 0u},
          {REGISTRY_TYPE_QWORD, 8u, 0x07u, 0u}}) {
        const uint64_t data = size == 8 ? wide : stored;
        registry.setRaw(SETTINGS_KEY, LANGUAGE_VALUE, type, &data, size);
        EXPECT_EQ(loadLanguageChoice(registry), read) << type << " " << stored;
    }
    EXPECT_TRUE(saveLanguageChoice(registry, 0x15));
    EXPECT_EQ(loadLanguageChoice(registry), 0x15u);
    EXPECT_TRUE(registry.allKeysClosed());
}

} // namespace
