#pragma once

#include "engine/engine_state.h"
#include "ui/layout.h"

#include <cstddef>
#include <cstdint>

// What the state line says: 16 without the hook, else 17 while on, else 18.
uint32_t stateLineTextId(bool hookInstalled, bool effectEnabled);
// Its colour, by the same test: alert, on, muted.
uint32_t stateLineColor(bool hookInstalled, bool effectEnabled);

// Text colour and background of a static control as the window colours them.
uint32_t staticTextColor(ControlName control, bool hookInstalled, bool effectEnabled);
Surface staticSurface(ControlName control);

inline constexpr size_t PARAMETER_LINE_CAPACITY = 180;

// Fills `format` (UI string 12) with the four values; always terminated, never past `capacity`.
void formatParameterLine(wchar_t* buffer, size_t capacity, const wchar_t* format,
                         const ScrollParameters& values);
