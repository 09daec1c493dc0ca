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

constexpr uint32_t types[] = {REGISTRY_TYPE_NONE,     REGISTRY_TYPE_SZ,   REGISTRY_TYPE_EXPAND_SZ,
                              REGISTRY_TYPE_BINARY,   REGISTRY_TYPE_DWORD, 5 /* big-endian */,
                              REGISTRY_TYPE_MULTI_SZ, REGISTRY_TYPE_QWORD};
constexpr uint32_t sizes[] = {0, 1, 2, 3, 4, 5, 8, 16, 1024};
constexpr int32_t statuses[] = {REGISTRY_FILE_NOT_FOUND, REGISTRY_ACCESS_DENIED,
                                REGISTRY_INVALID_HANDLE, REGISTRY_MORE_DATA, 1};

int posts = 0;

// A valid stored value: a 4-byte REG_DWORD within its range.
bool plantValue(MemoryRegistry& registry, FuzzInput& input, size_t index) {
    const wchar_t* name = valueNames[index];
    const ParameterRange range = valueRanges[index];
    switch (input.byte() % 4) {
    case 0:
        return false; // missing
    case 1: {
        const int32_t number = input.inRange(range.min, range.max);
        registry.setDword(SETTINGS_KEY, name, uint32_t(number));
        return true;
    }
    case 2: {
        // A DWORD just around or far outside the range.
        const uint32_t number = input.flag() ? uint32_t(range.min - 1 - input.byte())
                                             : uint32_t(range.max + 1 + input.u32() % 100000);
        registry.setDword(SETTINGS_KEY, name, number);
        return false;
    }
    default: {
        const uint32_t type = input.byte() % 16 == 0 ? input.u32() : input.pick(types);
        const uint32_t size = input.byte() % 8 == 0 ? input.u16() % 2048 : input.pick(sizes);
        std::vector<uint8_t> bytes(size);
        for (uint8_t& value : bytes) {
            value = input.byte();
        }
        registry.setRaw(SETTINGS_KEY, name, type, bytes.data(), size);
        if (type != REGISTRY_TYPE_DWORD || size != 4) {
            return false;
        }
        int32_t number = 0;
        std::memcpy(&number, bytes.data(), 4);
        return range.contains(number);
    }
    }
}

ScrollParameters profileValues(const EngineState& state) {
    switch (state.activeProfile) {
    case IDM_PROFILE_SOFT:
        return softParameters;
    case IDM_PROFILE_FAST:
        return fastParameters;
    case IDM_PROFILE_CUSTOM:
        return customParameters(state);
    default:
        return balancedParameters;
    }
}

bool sameValues(const ScrollParameters& a, const ScrollParameters& b) {
    return a.stepPercent == b.stepPercent && a.maxAccelerationPercent == b.maxAccelerationPercent &&
           a.accelerationWindowMs == b.accelerationWindowMs &&
           a.smoothDurationMs == b.smoothDurationMs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    MemoryRegistry registry;
    std::array<bool, 5> valid{};
    std::array<int64_t, 5> stored{};
    if (input.byte() % 8 != 0) {
        registry.keys[SETTINGS_KEY];
        for (size_t i = 0; i < valueNames.size(); ++i) {
            valid[i] = plantValue(registry, input, i);
            const MemoryRegistry::Value* value = registry.find(SETTINGS_KEY, valueNames[i]);
            stored[i] = value && value->type == REGISTRY_TYPE_DWORD && value->data.size() == 4
                            ? int64_t(*reinterpret_cast<const uint32_t*>(value->data.data()))
                            : -1;
        }
    }
    const int failures = input.byte() % 4 == 0 ? 1 + input.byte() % 2 : 0;
    for (int i = 0; i < failures; ++i) {
        registry.failures[1 + input.byte() % 6] = input.pick(statuses);
    }

    EngineState state;
    static int window = 0;
    state.mainWindow = &window;
    state.ui.postStateChanged = [](void*) { ++posts; };
    state.pendingDelta = input.inRange(-pendingDeltaLimit, pendingDeltaLimit);
    const int postsBefore = posts;
    loadSettings(state, registry);

    FUZZ_CHECK(state.activeProfile >= IDM_PROFILE_SOFT && state.activeProfile <= IDM_PROFILE_CUSTOM,
               "profile %d in force", state.activeProfile);
    FUZZ_CHECK(parametersInRange(activeParameters(state)) &&
                   parametersInRange(customParameters(state)),
               "values out of range");
    FUZZ_CHECK(sameValues(activeParameters(state), profileValues(state)),
               "the values in force are not those of profile %d", state.activeProfile);
    FUZZ_CHECK(registry.changes == 0 && registry.allKeysClosed(), "load wrote or left a key open");
    FUZZ_CHECK(!state.effectEnabled && !state.settingsDirty && posts == postsBefore,
               "load switched the effect, dirtied the settings or posted");
    FUZZ_CHECK(state.pendingDelta == 0 && state.resetRequested, "load kept a pending amount");

    // The Custom values are all four stored ones or all four built-in ones, never a mix.
    const ScrollParameters custom = customParameters(state);
    const bool customTaken = !sameValues(custom, balancedParameters);
    FUZZ_CHECK(!customTaken || (custom.stepPercent == stored[1] &&
                                custom.maxAccelerationPercent == stored[2] &&
                                custom.accelerationWindowMs == stored[3] &&
                                custom.smoothDurationMs == stored[4]),
               "Custom values taken from a damaged set");
    if (failures == 0) {
        // A valid stored setting is never lost because another one is damaged.
        FUZZ_CHECK(!valid[0] || state.activeProfile == stored[0],
                   "valid profile %lld lost; %d in force", (long long)stored[0],
                   state.activeProfile);
        const bool allCustomValid = valid[1] && valid[2] && valid[3] && valid[4];
        FUZZ_CHECK(!allCustomValid || sameValues(custom, {int32_t(stored[1]), int32_t(stored[2]),
                                                          int32_t(stored[3]), int32_t(stored[4])}),
                   "four valid Custom values lost");
    }
    return 0;
}
