#pragma once

#include <cstdint>
#include <string>

// The shell's Win32 entry points, on the process-wide engine and the current user's registry.
// The stored language choice, or else the display language, in force.
void detectUiLanguage();
// The choice in force: a primary language id, 0 for the display language.
uint32_t languageChoice();
// Puts a choice in force at once and stores it; false when it could not be stored.
bool chooseLanguage(uint32_t choice);

void loadSettings();
// True only when the key could be opened or created and all five values were written.
bool saveSettings();
// The refresh timer's deferred save: clears engine.settingsDirty only after a successful save.
void saveSettingsIfDirty();

bool isAutostartRegistered();
// The quoted path of this executable and " --tray"; empty when the path can't be had whole.
std::wstring buildAutostartCommandLine();
// Removes the Run value when it is registered, writes it otherwise; true on success.
bool toggleAutostart();
