#pragma once

#include <windows.h>

// The modal dialog that sets the hotkey which switches the effect: the hotkey control, OK,
// Cancel and None, laid out at the scale of the monitor it opens on. One at a time: a second
// call brings the open one forward.
void showHotkeyDialog(HWND owner);
