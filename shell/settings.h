#pragma once

#include "engine/engine_state.h"
#include "engine/excluded_programs.h"
#include "engine/program_rules.h"
#include "shell/registry_store.h"

#include <array>
#include <iterator>

inline constexpr wchar_t SETTINGS_KEY[] = L"Software\\Rolvane";
inline constexpr wchar_t PROFILE_VALUE[] = L"Profile";
inline constexpr wchar_t CUSTOM_STEP_VALUE[] = L"CustomStepPercent";
inline constexpr wchar_t CUSTOM_MAX_ACCELERATION_VALUE[] = L"CustomMaxAccelerationPercent";
inline constexpr wchar_t CUSTOM_ACCELERATION_WINDOW_VALUE[] = L"CustomAccelerationWindowMs";
inline constexpr wchar_t CUSTOM_SMOOTH_DURATION_VALUE[] = L"CustomSmoothDurationMs";
inline constexpr wchar_t EXCLUDED_PROGRAMS_VALUE[] = L"ExcludedPrograms";
inline constexpr wchar_t PAUSE_IN_FULL_SCREEN_VALUE[] = L"PauseInFullScreen";
// One REG_DWORD per program with a profile of its own: its file name, and the profile id.
inline constexpr wchar_t PROGRAMS_KEY[] = L"Software\\Rolvane\\Programs";
// A stored list larger than this is not read: 64 names of 260 characters take about 33 KB.
inline constexpr uint32_t EXCLUDED_PROGRAMS_DATA_LIMIT = 64 * 1024;

// Puts the stored profile in force (applyProfile without saving), with the stored Custom values
// when all four are valid DWORDs in range. Writes nothing and never creates the key.
void loadSettings(EngineState& state, RegistryStore& registry);

// Writes the active profile and the four Custom values; true only when the key could be opened
// or created and all five values were written.
bool saveSettings(const EngineState& state, RegistryStore& registry);

// The refresh timer's deferred save: while settingsDirty is set, saves and clears it only when
// the save succeeded, so a failed save is tried again at the next tick.
void saveSettingsIfDirty(EngineState& state, RegistryStore& registry);

// The stored list of excluded programs: the REG_MULTI_SZ value, or a REG_SZ as one name. Any
// failed call, another type or a value above EXCLUDED_PROGRAMS_DATA_LIMIT gives an empty list.
// Writes nothing and never creates the key.
ExcludedPrograms loadExcludedPrograms(RegistryStore& registry);
// Writes the list as REG_MULTI_SZ, creating the key when needed; true only when it was written.
bool saveExcludedPrograms(RegistryStore& registry, const ExcludedPrograms& programs);

// The programs with a profile of their own: every 4-byte REG_DWORD under PROGRAMS_KEY whose
// name is a sound program file name and whose data is a profile id, the first 64 of them. Any
// other value is skipped and costs no place. Writes nothing and never creates the key.
std::vector<ProgramProfile> loadProgramProfiles(RegistryStore& registry);
// Writes the program's profile, or deletes its value for PROGRAM_LIKE_EVERYWHERE (one that is
// not there is fine); true when done.
bool saveProgramProfile(RegistryStore& registry, const std::wstring& name, int32_t profile);

// The wheel's settings: "SmoothHorizontal" is on unless a 4-byte REG_DWORD 0 is stored; the
// other three are on only for a stored 4-byte REG_DWORD 1.
inline constexpr wchar_t SMOOTH_HORIZONTAL_VALUE[] = L"SmoothHorizontal";
inline constexpr wchar_t REVERSE_VERTICAL_VALUE[] = L"ReverseVertical";
inline constexpr wchar_t REVERSE_HORIZONTAL_VALUE[] = L"ReverseHorizontal";
inline constexpr wchar_t SHIFT_SCROLLS_SIDEWAYS_VALUE[] = L"ShiftScrollsSideways";
inline constexpr const wchar_t* WHEEL_OPTION_VALUES[] = {
    SMOOTH_HORIZONTAL_VALUE, REVERSE_VERTICAL_VALUE, REVERSE_HORIZONTAL_VALUE,
    SHIFT_SCROLLS_SIDEWAYS_VALUE};
inline constexpr size_t WHEEL_OPTIONS = std::size(WHEEL_OPTION_VALUES);

// The four in the order of WHEEL_OPTION_VALUES. Writes nothing and never creates the key.
std::array<bool, WHEEL_OPTIONS> loadWheelOptions(RegistryStore& registry);
bool saveWheelOption(RegistryStore& registry, size_t option, bool on);

// The chosen UI language: "Language", the primary language id of one of Rolvane's languages; 0,
// the default, follows Windows. Anything else, missing or unreadable, reads as 0.
inline constexpr wchar_t LANGUAGE_VALUE[] = L"Language";
uint32_t loadLanguageChoice(RegistryStore& registry);
bool saveLanguageChoice(RegistryStore& registry, uint32_t choice);

// Off only for a stored 4-byte REG_DWORD 0; anything else, missing or unreadable, is on.
bool loadPauseInFullScreen(RegistryStore& registry);
bool savePauseInFullScreen(RegistryStore& registry, bool pause);
