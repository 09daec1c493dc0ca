#pragma once

#include "tray/tray_model.h"

#include <windows.h>

#include <string>
#include <vector>

// What programs have of their own (the effect off, or a profile) and the pause in full-screen
// programs. The UI thread owns all of this; the hook gets a copy of the rules and the monitor of
// the full-screen program.

// Reads the settings and hands the rules to the hook.
void loadProgramSettings();

// On the refresh timer: the program in front (neither Rolvane nor the shell) and whether a
// full-screen program is in front.
void watchFrontProgram(HWND ownWindow);

ProgramState programState();
// The file name of the program that was in front before the menu opened; empty when none.
const std::wstring& frontProgramName();

struct ListedProgram {
    std::wstring name;
    int32_t setting;
};
// The programs with a setting of their own, for the menu.
std::vector<ListedProgram> listedPrograms();

// The menu's commands; each saves at once. False when the change could not be made or saved.
bool setFrontProgramSetting(int32_t setting);
bool resetListedProgram(size_t index);
bool togglePauseInFullScreen();
