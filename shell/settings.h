#pragma once

#include "engine/engine_state.h"
#include "shell/registry_store.h"

inline constexpr wchar_t SETTINGS_KEY[] = L"Software\\Rolvane";
inline constexpr wchar_t PROFILE_VALUE[] = L"Profile";
inline constexpr wchar_t CUSTOM_STEP_VALUE[] = L"CustomStepPercent";
inline constexpr wchar_t CUSTOM_MAX_ACCELERATION_VALUE[] = L"CustomMaxAccelerationPercent";
inline constexpr wchar_t CUSTOM_ACCELERATION_WINDOW_VALUE[] = L"CustomAccelerationWindowMs";
inline constexpr wchar_t CUSTOM_SMOOTH_DURATION_VALUE[] = L"CustomSmoothDurationMs";

// Puts the stored profile in force (applyProfile without saving), with the stored Custom values
// when all four are valid DWORDs in range. Writes nothing and never creates the key.
void loadSettings(EngineState& state, RegistryStore& registry);

// Writes the active profile and the four Custom values; true only when the key could be opened
// or created and all five values were written.
bool saveSettings(const EngineState& state, RegistryStore& registry);

// The refresh timer's deferred save: while settingsDirty is set, saves and clears it only when
// the save succeeded, so a failed save is tried again at the next tick.
void saveSettingsIfDirty(EngineState& state, RegistryStore& registry);
