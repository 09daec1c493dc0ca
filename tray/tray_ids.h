#pragma once

#include "engine/engine_state.h"

#include <cstdint>

// The commands the notification icon's menu sends to the control window, which the window's own
// controls send too, and the icon's message and number.
inline constexpr int IDM_EXIT = 1003;
inline constexpr int IDM_OPEN = 1004;
inline constexpr int IDC_EFFECT_SWITCH = 1005; // the window's switch and the menu's item
inline constexpr uint32_t WM_TRAY_NOTIFY = ENGINE_WM_APP + 2;
inline constexpr unsigned TRAY_ICON_UID = 510;
