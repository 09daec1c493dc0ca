#include "shell/settings.h"

#include "shell/ui_strings.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

struct CustomValue {
    const wchar_t* name;
    std::atomic<int32_t> EngineState::*field;
    ParameterRange range;
};

constexpr std::array<CustomValue, 4> customValues{{
    {CUSTOM_STEP_VALUE, &EngineState::customStepPercent, stepPercentRange},
    {CUSTOM_MAX_ACCELERATION_VALUE, &EngineState::customMaxAccelerationPercent,
     maxAccelerationPercentRange},
    {CUSTOM_ACCELERATION_WINDOW_VALUE, &EngineState::customAccelerationWindowMs,
     accelerationWindowMsRange},
    {CUSTOM_SMOOTH_DURATION_VALUE, &EngineState::customSmoothDurationMs, smoothDurationMsRange},
}};

int32_t readProfileNumber(RegistryStore& registry, RegistryKey key) {
    uint32_t number = IDM_PROFILE_BALANCED;
    uint32_t type = REGISTRY_TYPE_NONE;
    uint32_t size = sizeof number;
    // Type and size are deliberately not checked: a 4-byte value of another type is read as a
    // number. But after a failed read (a value longer than 4 bytes gives MORE_DATA) the buffer's
    // contents are undefined, so the preset stands.
    if (registry.queryValue(key, PROFILE_VALUE, type, &number, size) != REGISTRY_SUCCESS) {
        number = IDM_PROFILE_BALANCED;
    }
    return static_cast<int32_t>(number);
}

// A read counts only as a successful 4-byte REG_DWORD.
bool readDword(RegistryStore& registry, RegistryKey key, const wchar_t* name, int32_t& value) {
    uint32_t number = 0;
    uint32_t type = REGISTRY_TYPE_NONE;
    uint32_t size = sizeof number;
    if (registry.queryValue(key, name, type, &number, size) != REGISTRY_SUCCESS ||
        type != REGISTRY_TYPE_DWORD || size != sizeof number) {
        return false;
    }
    value = static_cast<int32_t>(number);
    return true;
}

// All four counted and all four in range, or nothing.
bool readCustomValues(RegistryStore& registry, RegistryKey key, std::array<int32_t, 4>& read) {
    for (size_t i = 0; i < customValues.size(); ++i) {
        if (!readDword(registry, key, customValues[i].name, read[i])) {
            return false;
        }
    }
    for (size_t i = 0; i < customValues.size(); ++i) {
        if (!customValues[i].range.contains(read[i])) {
            return false;
        }
    }
    return true;
}

int32_t writeDword(RegistryStore& registry, RegistryKey key, const wchar_t* name, int32_t value) {
    const uint32_t number = static_cast<uint32_t>(value);
    return registry.setValue(key, name, REGISTRY_TYPE_DWORD, &number, sizeof number);
}

bool isListType(uint32_t type) {
    return type == REGISTRY_TYPE_MULTI_SZ || type == REGISTRY_TYPE_SZ;
}

// The registry holds UTF-16; wchar_t is UTF-16 on Windows and UTF-32 on the host. An odd last
// byte is no character.
std::vector<wchar_t> fromUtf16(const std::vector<uint8_t>& bytes, uint32_t size) {
    std::vector<wchar_t> characters(size / 2);
    for (size_t i = 0; i < characters.size(); ++i) {
        characters[i] = wchar_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return characters;
}

std::vector<uint8_t> toUtf16(const std::vector<wchar_t>& characters) {
    std::vector<uint8_t> bytes;
    bytes.reserve(characters.size() * 2);
    for (const wchar_t character : characters) {
        bytes.push_back(uint8_t(character));
        bytes.push_back(uint8_t(uint32_t(character) >> 8));
    }
    return bytes;
}

} // namespace

void loadSettings(EngineState& state, RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    if (key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS) {
        applyProfile(state, IDM_PROFILE_BALANCED, false);
        return;
    }
    const int32_t profile = readProfileNumber(registry, key.get());
    std::array<int32_t, 4> read{};
    const bool customValid = readCustomValues(registry, key.get(), read);
    key.close();
    if (customValid) {
        for (size_t i = 0; i < customValues.size(); ++i) {
            state.*customValues[i].field = read[i];
        }
    }
    applyProfile(state, isProfileId(profile) ? profile : IDM_PROFILE_BALANCED, false);
}

bool saveSettings(const EngineState& state, RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    if (key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) != REGISTRY_SUCCESS) {
        return false;
    }
    bool allWritten =
        writeDword(registry, key.get(), PROFILE_VALUE, state.activeProfile) == REGISTRY_SUCCESS;
    for (const CustomValue& value : customValues) {
        // Every value is written even after a failure, so that as much as possible is stored.
        allWritten =
            writeDword(registry, key.get(), value.name, state.*value.field) == REGISTRY_SUCCESS &&
            allWritten;
    }
    return allWritten;
}

void saveSettingsIfDirty(EngineState& state, RegistryStore& registry) {
    if (state.settingsDirty && saveSettings(state, registry)) {
        state.settingsDirty = false;
    }
}

ExcludedPrograms loadExcludedPrograms(RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    uint32_t type = REGISTRY_TYPE_NONE;
    uint32_t size = 0;
    if (key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS ||
        registry.queryValueInfo(key.get(), EXCLUDED_PROGRAMS_VALUE, type, size) !=
            REGISTRY_SUCCESS ||
        !isListType(type) || size == 0 || size > EXCLUDED_PROGRAMS_DATA_LIMIT) {
        return {};
    }
    // The value may have changed since its size was read: only a whole read of a list counts.
    std::vector<uint8_t> bytes(size);
    const uint32_t capacity = size;
    if (registry.queryValue(key.get(), EXCLUDED_PROGRAMS_VALUE, type, bytes.data(), size) !=
            REGISTRY_SUCCESS ||
        !isListType(type) || size > capacity) {
        return {};
    }
    key.close();
    const std::vector<wchar_t> characters = fromUtf16(bytes, size);
    // A REG_SZ, made by hand, is one name: what follows its first NUL is not read.
    const size_t length =
        type == REGISTRY_TYPE_SZ
            ? size_t(std::find(characters.begin(), characters.end(), L'\0') - characters.begin())
            : characters.size();
    return parseExcludedPrograms(characters.data(), length);
}

bool saveExcludedPrograms(RegistryStore& registry, const ExcludedPrograms& programs) {
    RegistryKeyHolder key(registry);
    if (key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) != REGISTRY_SUCCESS) {
        return false;
    }
    const std::vector<uint8_t> bytes = toUtf16(excludedProgramsData(programs));
    return registry.setValue(key.get(), EXCLUDED_PROGRAMS_VALUE, REGISTRY_TYPE_MULTI_SZ,
                             bytes.data(), uint32_t(bytes.size())) == REGISTRY_SUCCESS;
}

std::vector<ProgramProfile> loadProgramProfiles(RegistryStore& registry) {
    std::vector<ProgramProfile> profiles;
    RegistryKeyHolder key(registry);
    if (key.open(PROGRAMS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS) {
        return profiles;
    }
    std::array<wchar_t, PROGRAM_NAME_LIMIT + 1> name{};
    for (uint32_t index = 0; profiles.size() < PROGRAM_PROFILES_LIMIT; ++index) {
        uint32_t nameLength = uint32_t(name.size());
        uint32_t type = REGISTRY_TYPE_NONE;
        uint32_t number = 0;
        uint32_t size = sizeof number;
        const int32_t status =
            registry.enumValue(key.get(), index, name.data(), nameLength, type, &number, size);
        // A name too long for a program, or data too large for a profile: not one of ours.
        if (status == REGISTRY_MORE_DATA) {
            continue;
        }
        if (status != REGISTRY_SUCCESS) {
            break;
        }
        const std::wstring_view program(name.data(), std::min<size_t>(nameLength, name.size() - 1));
        const bool known = std::any_of(profiles.begin(), profiles.end(), [&](const auto& p) {
            return sameProgramName(p.name, program);
        });
        if (type == REGISTRY_TYPE_DWORD && size == sizeof number &&
            programFileName(program) == program && !known) {
            setProgramProfile(profiles, program, int32_t(number));
        }
    }
    return profiles;
}

bool saveProgramProfile(RegistryStore& registry, const std::wstring& name, int32_t profile) {
    RegistryKeyHolder key(registry);
    if (profile != PROGRAM_LIKE_EVERYWHERE) {
        return key.create(PROGRAMS_KEY, REGISTRY_SET_VALUE) == REGISTRY_SUCCESS &&
               writeDword(registry, key.get(), name.c_str(), profile) == REGISTRY_SUCCESS;
    }
    const int32_t opened = key.open(PROGRAMS_KEY, REGISTRY_SET_VALUE);
    if (opened != REGISTRY_SUCCESS) {
        return opened == REGISTRY_FILE_NOT_FOUND;
    }
    const int32_t deleted = registry.deleteValue(key.get(), name.c_str());
    return deleted == REGISTRY_SUCCESS || deleted == REGISTRY_FILE_NOT_FOUND;
}

std::array<bool, WHEEL_OPTIONS> loadWheelOptions(RegistryStore& registry) {
    std::array<bool, WHEEL_OPTIONS> options{true, false, false, false};
    RegistryKeyHolder key(registry);
    if (key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS) {
        return options;
    }
    for (size_t i = 0; i < WHEEL_OPTIONS; ++i) {
        int32_t number = -1;
        if (readDword(registry, key.get(), WHEEL_OPTION_VALUES[i], number)) {
            options[i] = i == 0 ? number != 0 : number == 1;
        }
    }
    return options;
}

bool saveWheelOption(RegistryStore& registry, size_t option, bool on) {
    RegistryKeyHolder key(registry);
    return option < WHEEL_OPTIONS &&
           key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) == REGISTRY_SUCCESS &&
           writeDword(registry, key.get(), WHEEL_OPTION_VALUES[option], on ? 1 : 0) ==
               REGISTRY_SUCCESS;
}

bool loadPauseInFullScreen(RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    int32_t number = 1;
    return key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS ||
           !readDword(registry, key.get(), PAUSE_IN_FULL_SCREEN_VALUE, number) || number != 0;
}

bool savePauseInFullScreen(RegistryStore& registry, bool pause) {
    RegistryKeyHolder key(registry);
    return key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) == REGISTRY_SUCCESS &&
           writeDword(registry, key.get(), PAUSE_IN_FULL_SCREEN_VALUE, pause ? 1 : 0) ==
               REGISTRY_SUCCESS;
}

uint32_t loadLanguageChoice(RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    int32_t number = 0;
    if (key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS ||
        !readDword(registry, key.get(), LANGUAGE_VALUE, number)) {
        return 0;
    }
    return knownLanguageChoice(uint32_t(number));
}

bool saveLanguageChoice(RegistryStore& registry, uint32_t choice) {
    RegistryKeyHolder key(registry);
    return key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) == REGISTRY_SUCCESS &&
           writeDword(registry, key.get(), LANGUAGE_VALUE, int32_t(knownLanguageChoice(choice))) ==
               REGISTRY_SUCCESS;
}
