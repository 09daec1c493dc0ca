#pragma once

#include <windows.h>

// Process-wide handles made at start-up and released at shutdown; appInstance lives with the
// engine (engine/engine_win.h), whose hook needs it.
extern HICON appIcon;
// The icon group of Rolvane.exe: 16, 20, 24, 32, 48, 64 and 256 pixels.
inline constexpr int APP_ICON_ID = 101;
// The same sizes drawn for the effect switched off: the notification icon shows them then.
inline constexpr int APP_OFF_ICON_ID = 102;
extern HBRUSH backgroundBrush;
extern HBRUSH cardBrush;
