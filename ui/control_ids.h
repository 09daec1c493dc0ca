#pragma once

#include "engine/engine_state.h"
#include "tray/tray_ids.h"

#include <cstdint>

inline constexpr int IDC_AUTOSTART_SWITCH = 1007;
inline constexpr int IDC_SLIDER_STEP = 1101;
inline constexpr int IDC_SLIDER_MAX_ACCELERATION = 1102;
inline constexpr int IDC_SLIDER_ACCELERATION_WINDOW = 1103;
inline constexpr int IDC_SLIDER_SMOOTH_DURATION = 1104;
// The profile commands IDM_PROFILE_SOFT .. IDM_PROFILE_CUSTOM (1201-1204) are the profile ids.

inline constexpr unsigned TIMER_REFRESH = 1;
inline constexpr unsigned REFRESH_INTERVAL_MS = 250;
