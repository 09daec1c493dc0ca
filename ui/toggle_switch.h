#pragma once

#include "ui/drawn_shapes.h"

#include <cstdint>

// The owner-drawn on/off switch: label on the left, a 50 x 24 pill with an 18 px knob at the
// right end of the control, all at 96 DPI and scaled with the window.
inline constexpr int switchTrackWidth = 50;
inline constexpr int switchTrackHeight = 24;
inline constexpr int switchKnobDiameter = 18;
// GDI+ angles, clockwise from the positive x axis: the left end runs bottom-left-top, the
// right end top-right-bottom, so closing the figure adds the bottom edge.
inline constexpr float switchLeftArcStart = 90.0f;
inline constexpr float switchRightArcStart = 270.0f;
inline constexpr float switchArcSweep = 180.0f;
inline constexpr int switchLabelCapacity = 80;

enum class SwitchStateSource { effectFlag, autostartRegistry };

// Where a switch's on-state comes from: the Run value for the autostart switch, the engine's
// flag for any other id.
SwitchStateSource switchStateSource(int controlId);

struct ToggleSwitchLook {
    DrawnRect label;
    uint32_t labelColor; // GDI COLORREF
    DrawnBox trackLeftEnd;
    DrawnBox trackRightEnd;
    uint32_t trackFill; // GDI+ ARGB from here on
    bool trackOutlined;
    uint32_t trackOutline;
    float trackOutlineWidth;
    DrawnBox knobShadow;
    uint32_t knobShadowColor;
    DrawnBox knob;
    uint32_t knobColor;
    uint32_t knobOutline;
    float knobOutlineWidth;
};

// The whole picture of a switch in the item rectangle, for its state and pressed/focus bits,
// at the window's scale.
ToggleSwitchLook toggleSwitchLook(DrawnRect item, bool on, bool pressed, bool focused, int dpi);
