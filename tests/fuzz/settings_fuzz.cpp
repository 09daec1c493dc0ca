// loadSettings over a settings key holding values of random types, sizes and contents, with
// calls failing at random steps.
#include "engine/engine_state.h"
#include "fuzz_input.h"
#include "memory_registry.h"
#include "shell/settings.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr std::array<const wchar_t*, 5> valueNames{
    PROFILE_VALUE, CUSTOM_STEP_VALUE, CUSTOM_MAX_ACCELERATION_VALUE,
    CUSTOM_ACCELERATION_WINDOW_VALUE, CUSTOM_SMOOTH_DURATION_VALUE};
constexpr std::array<ParameterRange, 5> valueRanges{
    ParameterRange{IDM_PROFILE_SOFT, IDM_PROFILE_CUSTOM}, stepPercentRange,
    maxAccelerationPercentRange, accelerationWindowMsRange, smoothDurationMsRange};
constexpr uint32_t types[] = {REGISTRY_TYPE_NONE,   REGISTRY_TYPE_SZ,    REGISTRY_TYPE_EXPAND_SZ,
                              REGISTRY_TYPE_BINARY, REGISTRY_TYPE_DWORD, REGISTRY_TYPE_MULTI_SZ,
                              REGISTRY_TYPE_QWORD};
constexpr uint32_t sizes[] = {0, 1, 2, 3, 4, 5, 8, 16, 1024};
constexpr int32_t statuses[] = {REGISTRY_FILE_NOT_FOUND, REGISTRY_ACCESS_DENIED,
                                REGISTRY_INVALID_HANDLE, REGISTRY_MORE_DATA, 1};

// Plants one value: missing, a valid number, one outside its range, or random bytes. Returns the
// number a sound read would get, or -1 when the value is not a 4-byte DWORD in range.
int64_t plantValue(MemoryRegistry& registry, FuzzInput& input, size_t index) {
    const ParameterRange range = valueRanges[index];
    switch (input.byte() % 4) {
    case 0:
        return -1;
    case 1: {
        const int32_t number = input.inRange(range.min, range.max);
        registry.setDword(SETTINGS_KEY, valueNames[index], uint32_t(number));
        return number;
    }
    case 2:
        registry.setDword(SETTINGS_KEY, valueNames[index],
                          input.flag() ? uint32_t(range.min - 1 - input.byte())
                                       : uint32_t(range.max + 1 + input.u32() % 100000));
        return -1;
    default: {
        const uint32_t type = input.byte() % 16 == 0 ? input.u32() : input.pick(types);
        std::vector<uint8_t> bytes(input.byte() % 8 == 0 ? input.u16() % 2048 : input.pick(sizes));
        for (uint8_t& value : bytes) {
            value = input.byte();
        }
        registry.setRaw(SETTINGS_KEY, valueNames[index], type, bytes.data(), bytes.size());
        int32_t number = 0;
        if (type != REGISTRY_TYPE_DWORD || bytes.size() != 4) {
            return -1;
        }
        std::memcpy(&number, bytes.data(), 4);
        return range.contains(number) ? number : -1;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    MemoryRegistry registry;
    std::array<int64_t, 5> stored{-1, -1, -1, -1, -1};
    if (input.byte() % 8 != 0) {
        registry.keys[SETTINGS_KEY];
        for (size_t i = 0; i < valueNames.size(); ++i) {
            stored[i] = plantValue(registry, input, i);
        }
    }
    const int failures = input.byte() % 4 == 0 ? 1 + input.byte() % 2 : 0;
    for (int i = 0; i < failures; ++i) {
        registry.failures[1 + input.byte() % 6] = input.pick(statuses);
    }
    EngineState state;
    state.pendingDelta = input.inRange(-pendingDeltaLimit, pendingDeltaLimit);
    loadSettings(state, registry);

    const ScrollParameters active = activeParameters(state);
    const ScrollParameters custom = customParameters(state);
    const int32_t profile = state.activeProfile;
    FUZZ_CHECK(profile >= IDM_PROFILE_SOFT && profile <= IDM_PROFILE_CUSTOM, "profile %d", profile);
    FUZZ_CHECK(parametersInRange(active) && parametersInRange(custom), "values out of range");
    applyProfile(state, profile, false);
    FUZZ_CHECK(activeParameters(state).smoothDurationMs == active.smoothDurationMs &&
                   activeParameters(state).stepPercent == active.stepPercent,
               "the values in force are not those of profile %d", profile);
    FUZZ_CHECK(registry.changes == 0 && registry.allKeysClosed(), "load wrote or left a key open");
    FUZZ_CHECK(!state.settingsDirty && state.pendingDelta == 0 && state.resetRequested,
               "load dirtied the settings or kept a pending amount");
    // The Custom values are all four stored ones or all four built-in ones, never a mix; a
    // valid value is never lost because another one is damaged.
    const std::array<int64_t, 4> read{custom.stepPercent, custom.maxAccelerationPercent,
                                      custom.accelerationWindowMs, custom.smoothDurationMs};
    const bool builtIn = read == std::array<int64_t, 4>{100, 100, 110, 360};
    const bool allStored = read == std::array<int64_t, 4>{stored[1], stored[2], stored[3], stored[4]};
    FUZZ_CHECK(builtIn || allStored, "Custom values taken from a damaged set");
    if (failures == 0) {
        FUZZ_CHECK(stored[0] < 0 || profile == stored[0], "valid profile %lld lost",
                   (long long)stored[0]);
        FUZZ_CHECK(allStored || stored[1] < 0 || stored[2] < 0 || stored[3] < 0 || stored[4] < 0,
                   "four valid Custom values lost");
    }
    return 0;
}
