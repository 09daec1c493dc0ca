#pragma once

// What the control window's three files share: its look and layout, its commands, and its
// messages in window_win.cpp.

#include "ui/layout.h"

#include <windows.h>

// Look and layout (window_layout_win.cpp).
// The controls, fonts and icons at the window's scale, and the window sized for it.
void layOutWindow(HWND window);
// The outer size at a scale: the 96-DPI client area scaled, in the frame of that scale. At
// 96 DPI it is the outer size of the design.
SIZE windowSizeAt(int dpi);
// The notification icons at the scale of the primary monitor, where the notification area is,
// when it changed since they were loaded.
void loadTrayIconsForScale();
// Fonts, controls and icons for a new scale, and the window to the place Windows suggests.
void fitWindowToDpi(HWND window, int dpi, const RECT& suggested);
// The name of a static control of the window; effectSwitch for any other control.
ControlName staticNameOf(HWND control);
// Every text of the window in the language now in force.
void showTextsInLanguage(HWND window);
// The note under the sliders for the stored "Turn on at start".
void showRestoreNote();
// The fonts and icons the layout made, when the window goes.
void releaseWindowLook();

// Commands (window_commands_win.cpp).
LRESULT onCommand(HWND window, int id);
void openWindow(HWND window);
void repaintSwitch(HWND control); // a null handle is left alone
