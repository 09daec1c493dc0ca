#pragma once

#include <windows.h>

// Process-wide handles made at start-up and released at shutdown; appInstance lives with the
// engine (engine/engine_win.h), whose hook needs it.
extern HICON appIcon;
extern HBRUSH backgroundBrush;
extern HBRUSH cardBrush;
