#include "ui/toggle_switch.h"

#include "ui/control_ids.h"
#include "ui/palette.h"

namespace {

constexpr int labelInsetLeft = 14;
constexpr int labelInsetRight = 72;
constexpr int trackInsetRight = 64;
constexpr int knobInset = 3;
constexpr int knobOnOffset = switchTrackWidth - knobInset - switchKnobDiameter;

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

ToggleSwitchLook toggleSwitchLook(DrawnRect item, bool on, bool pressed, bool focused) {
    const int height = item.bottom - item.top;
    const int trackX = item.right - trackInsetRight;
    // C++ division truncates toward zero, so a control lower than the track puts it at T
    // for H = 23 and at T - 2 for H = 20.
    const int trackY = item.top + (height - switchTrackHeight) / 2;
    const int knobX = trackX + (on ? knobOnOffset : knobInset);
    const int knobY = trackY + knobInset;

    ToggleSwitchLook look{};
    look.label = {item.left + labelInsetLeft, item.top, item.right - labelInsetRight, item.bottom};
    look.labelColor = gdiColor(textColor);
    look.trackLeftEnd = square(trackX, trackY, switchTrackHeight);
    look.trackRightEnd =
        square(trackX + switchTrackWidth - switchTrackHeight, trackY, switchTrackHeight);
    look.trackFill = gdiplusColor(trackFillRgb(on, pressed));
    look.trackOutlined = focused;
    look.trackOutline = gdiplusColor(on ? outlineOnColor : outlineOffColor);
    look.trackOutlineWidth = 1.0f;
    look.knobShadow = square(knobX, knobY + 1, switchKnobDiameter);
    look.knobShadowColor = gdiplusColor(knobShadowRgb, knobShadowAlpha);
    look.knob = square(knobX, knobY, switchKnobDiameter);
    look.knobColor = gdiplusColor(knobRgb);
    look.knobOutline = gdiplusColor(on ? knobOutlineOnColor : knobOutlineOffColor);
    look.knobOutlineWidth = 1.0f;
    return look;
}
