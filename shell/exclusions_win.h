#pragma once

#include "tray/tray_model.h"

#include <windows.h>

#include <string>
#include <vector>

// Where the effect stays out: the excluded programs and full-screen programs. The UI thread owns
// all of this; the hook gets a snapshot of the list and one flag.

// Reads both settings and hands the list to the hook.
void loadExclusions();

// On the refresh timer: the program in front (neither Rolvane nor the shell) and whether a
// full-screen program is in front.
void watchFrontProgram(HWND ownWindow);

ExclusionState exclusionState();
// The file name of the program that was in front before the menu opened; empty when none.
const std::wstring& frontProgramName();
const std::vector<std::wstring>& excludedProgramNames();

// The menu's commands; each saves at once. False when the change could not be saved.
bool toggleFrontProgramExcluded();
bool togglePauseInFullScreen();
bool removeExcludedProgramAt(size_t index);
