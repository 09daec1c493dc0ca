#pragma once

#include <string>

// The shell's Win32 entry points, on the process-wide engine and the current user's registry.
void detectUiLanguage();

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
