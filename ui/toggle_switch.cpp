#include "ui/toggle_switch.h"

#include "ui/control_ids.h"
#include "ui/palette.h"
#include "ui/scale.h"

namespace {

constexpr int labelInsetLeft = 14;
constexpr int labelInsetRight = 72;
constexpr int trackInsetRight = 64;
constexpr int knobInset = 3;
constexpr float knobShadowDrop = 1.0f;
constexpr float outlineWidth = 1.0f;

constexpr uint32_t trackOffColor = 0xCDD4E2;
constexpr uint32_t trackPressedOnColor = 0x355DD5;
constexpr uint32_t trackPressedOffColor = 0xC1C8D6;
constexpr uint32_t outlineOnColor = 0x2D4FBE;
constexpr uint32_t outlineOffColor = 0x6C7EB4;
constexpr uint32_t knobShadowRgb = 0x1E283C;
constexpr uint32_t knobShadowAlpha = 0x23;
constexpr uint32_t knobRgb = 0xFFFFFF;
constexpr uint32_t knobOutlineOnColor = 0xDDE4F8;
constexpr uint32_t knobOutlineOffColor = 0xB8C1D2;

DrawnBox square(int x, int y, int size) {
    const auto side = static_cast<float>(size);
    return {static_cast<float>(x), static_cast<float>(y), side, side};
}

uint32_t trackFillRgb(bool on, bool pressed) {
    if (pressed) {
        return on ? trackPressedOnColor : trackPressedOffColor;
    }
    return on ? accentColor : trackOffColor;
}

} // namespace

SwitchStateSource switchStateSource(int controlId) {
    return controlId == IDC_AUTOSTART_SWITCH ? SwitchStateSource::autostartRegistry
                                             : SwitchStateSource::effectFlag;
}

ToggleSwitchLook toggleSwitchLook(DrawnRect item, bool on, bool pressed, bool focused, int dpi) {
    const int trackWidth = scaled(switchTrackWidth, dpi);
    const int trackHeight = scaled(switchTrackHeight, dpi);
    const int knobDiameter = scaled(switchKnobDiameter, dpi);
    const int inset = scaled(knobInset, dpi);
    const int height = item.bottom - item.top;
    const int trackX = item.right - scaled(trackInsetRight, dpi);
    // C++ division truncates toward zero, so a control lower than the track puts it at T
    // for H = 23 and at T - 2 for H = 20.
    const int trackY = item.top + (height - trackHeight) / 2;
    // The knob keeps the same inset from either end of the track at every scale.
    const int knobX = trackX + (on ? trackWidth - inset - knobDiameter : inset);
    const int knobY = trackY + inset;

    ToggleSwitchLook look{};
    look.label = {item.left + scaled(labelInsetLeft, dpi), item.top,
                  item.right - scaled(labelInsetRight, dpi), item.bottom};
    look.labelColor = gdiColor(textColor);
    look.trackLeftEnd = square(trackX, trackY, trackHeight);
    look.trackRightEnd = square(trackX + trackWidth - trackHeight, trackY, trackHeight);
    look.trackFill = gdiplusColor(trackFillRgb(on, pressed));
    look.trackOutlined = focused;
    look.trackOutline = gdiplusColor(on ? outlineOnColor : outlineOffColor);
    look.trackOutlineWidth = scaledFraction(outlineWidth, dpi);
    look.knob = square(knobX, knobY, knobDiameter);
    look.knobShadow = look.knob;
    look.knobShadow.y += scaledFraction(knobShadowDrop, dpi);
    look.knobShadowColor = gdiplusColor(knobShadowRgb, knobShadowAlpha);
    look.knobColor = gdiplusColor(knobRgb);
    look.knobOutline = gdiplusColor(on ? knobOutlineOnColor : knobOutlineOffColor);
    look.knobOutlineWidth = scaledFraction(outlineWidth, dpi);
    return look;
}
