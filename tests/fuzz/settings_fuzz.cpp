// loadSettings, loadExcludedPrograms and loadProgramProfiles, over a settings key and its
// Programs subkey holding values of random names, types, sizes and contents, with calls failing
// at random steps.
#include "engine/engine_state.h"
#include "fuzz_input.h"
#include "memory_registry.h"
#include "shell/settings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
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

// Letters with and without case, separators and NULs, in runs long enough to pass the name limit
// and in series of numbered names long enough to pass the count limit; now and then any unit.
std::u16string plantedUnits(FuzzInput& input) {
    static constexpr char16_t alphabet[] = {u'a',      u'A',      u'\u00e9', u'\u00c9',
                                            u'\u017e', u'\u017d', u'\u0131', u'I',
                                            u'.',      u'\\',     u'/',      u'\0'};
    std::u16string units;
    for (int pieces = input.byte(); pieces > 0 && !input.empty(); --pieces) {
        const uint8_t piece = input.byte();
        if (piece < 0xE0) {
            units += alphabet[piece % std::size(alphabet)];
        } else if (piece < 0xF0) {
            units.append(1 + input.u16() % 300, input.pick(alphabet));
        } else if (piece < 0xFF) {
            const char16_t letter = input.pick(alphabet);
            for (int number = input.byte(); number >= 0; --number) {
                units +=
                    {letter, char16_t(u'0' + number / 10), char16_t(u'0' + number % 10), u'\0'};
            }
        } else {
            units += char16_t(input.u16());
        }
    }
    if (input.byte() % 8 == 0) {
        // Around the size limit of the value.
        units.resize(EXCLUDED_PROGRAMS_DATA_LIMIT / 2 - 1 + input.byte() % 3, u'x');
    }
    return units;
}

void checkExcludedPrograms(FuzzInput& input) {
    MemoryRegistry registry;
    if (input.byte() % 8 != 0) {
        registry.keys[SETTINGS_KEY];
        const uint8_t kind = input.byte();
        if (kind % 8 != 0) {
            const uint32_t type = kind % 4 != 0    ? REGISTRY_TYPE_MULTI_SZ
                                  : kind % 16 == 0 ? input.u32()
                                                   : input.pick(types);
            const std::u16string units = plantedUnits(input);
            // Now and then an odd length.
            const size_t size = units.size() * 2 - (units.empty() ? 0 : input.byte() % 4 == 0);
            registry.setRaw(SETTINGS_KEY, EXCLUDED_PROGRAMS_VALUE, type, units.data(), size);
        }
    }
    const bool failing = input.byte() % 4 == 0;
    if (failing) {
        registry.failures[1 + input.byte() % 3] = input.pick(statuses);
    }
    const ExcludedPrograms programs = loadExcludedPrograms(registry);

    FUZZ_CHECK(registry.changes == 0 && registry.allKeysClosed(),
               "list load wrote or left a key open");
    FUZZ_CHECK(!failing || programs.names.empty(), "a list read through a failed call");
    const std::vector<std::wstring>& names = programs.names;
    FUZZ_CHECK(names.size() <= EXCLUDED_PROGRAMS_LIMIT, "%zu names", names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        FUZZ_CHECK(!names[i].empty() && names[i].size() <= PROGRAM_NAME_LIMIT,
                   "name %zu has %zu characters", i, names[i].size());
        FUZZ_CHECK(names[i].find_first_of(std::wstring_view(L"\\/\0", 3)) == std::wstring::npos,
                   "name %zu holds a separator or a NUL", i);
        FUZZ_CHECK(programs.excludes(names[i].c_str()), "name %zu is not excluded", i);
        for (size_t j = 0; j < i; ++j) {
            FUZZ_CHECK(!sameProgramName(names[i], names[j]), "names %zu and %zu are the same", j,
                       i);
        }
    }
    const std::vector<wchar_t> data = excludedProgramsData(programs);
    FUZZ_CHECK(parseExcludedPrograms(data.data(), data.size()) == programs,
               "the stored form of the list does not read back");
}

// Profiles of programs: names made of the list's pieces, values of any type and size, now and
// then a sound profile. The first 64 sound ones are read, every one of them when there are no
// more, and nothing else.
void checkProgramProfiles(FuzzInput& input) {
    MemoryRegistry registry;
    auto& values = registry.keys[PROGRAMS_KEY];
    for (int count = input.byte() % 8 == 0 ? input.u16() % 300 : input.byte() % 12; count > 0;
         --count) {
        const std::u16string units = plantedUnits(input);
        const std::wstring name(units.begin(), units.begin() + std::min<size_t>(units.size(), 300));
        uint32_t number = input.flag() ? uint32_t(input.inRange(1200, 1205)) : input.u32();
        std::vector<uint8_t> data(4);
        std::memcpy(data.data(), &number, 4);
        data.resize(input.byte() % 8 == 0 ? input.pick(sizes) : 4);
        values[name] = {input.byte() % 8 == 0 ? input.pick(types) : REGISTRY_TYPE_DWORD, data};
    }
    const bool failing = input.byte() % 4 == 0;
    if (failing) {
        registry.failures[1 + input.byte() % 4] = input.pick(statuses);
    }
    const std::vector<ProgramProfile> profiles = loadProgramProfiles(registry);

    FUZZ_CHECK(registry.changes == 0 && registry.allKeysClosed(),
               "profiles load wrote or left a key open");
    // What a sound read gets: the first 64 sound values, in the order the key holds them.
    std::vector<ProgramProfile> sound;
    for (const auto& [name, value] : values) {
        int32_t number = 0;
        if (value.type == REGISTRY_TYPE_DWORD && value.data.size() == 4 &&
            std::memcpy(&number, value.data.data(), 4) && programFileName(name) == name &&
            std::none_of(sound.begin(), sound.end(),
                         [&](const auto& p) { return sameProgramName(p.name, name); })) {
            setProgramProfile(sound, name, number);
        }
    }
    FUZZ_CHECK(profiles.size() <= sound.size() &&
                   std::equal(profiles.begin(), profiles.end(), sound.begin()) &&
                   (failing || profiles.size() == sound.size()),
               "read %zu profiles of %zu sound ones", profiles.size(), sound.size());
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
    const bool allStored =
        read == std::array<int64_t, 4>{stored[1], stored[2], stored[3], stored[4]};
    FUZZ_CHECK(builtIn || allStored, "Custom values taken from a damaged set");
    if (failures == 0) {
        FUZZ_CHECK(stored[0] < 0 || profile == stored[0], "valid profile %lld lost",
                   (long long)stored[0]);
        FUZZ_CHECK(allStored || stored[1] < 0 || stored[2] < 0 || stored[3] < 0 || stored[4] < 0,
                   "four valid Custom values lost");
    }
    // The same bytes read afresh, so that every input, the corpus grown for the values above
    // included, also plants a list.
    FuzzInput listInput(data, size);
    checkExcludedPrograms(listInput);
    FuzzInput profilesInput(data, size);
    checkProgramProfiles(profilesInput);
    return 0;
}
