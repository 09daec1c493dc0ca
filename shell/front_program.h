#pragma once

#include <string_view>

// Which program is in front, as the notification menu and the full-screen rule see it.

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The taskbar, its overflow and the desktop belong to the shell: clicking the notification icon
// brings them to the front, and they are never the program the user means.
bool isShellWindowClass(std::wstring_view className);

// A window that covers its whole monitor is taken as a full-screen program (a game in a
// borderless window, a video); Direct3D's exclusive mode the system reports itself.
bool coversWholeMonitor(ScreenRect window, ScreenRect monitor);
