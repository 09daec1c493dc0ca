#include "ui/status.h"

#include "ui/palette.h"

#include <cwchar>

uint32_t stateLineTextId(bool hookInstalled, bool effectEnabled) {
    if (!hookInstalled) {
        return 16;
    }
    return effectEnabled ? 17 : 18;
}

uint32_t stateLineColor(bool hookInstalled, bool effectEnabled) {
    if (!hookInstalled) {
        return alertColor;
    }
    return effectEnabled ? onColor : mutedColor;
}

uint32_t staticTextColor(ControlName control, bool hookInstalled, bool effectEnabled) {
    switch (control) {
    case ControlName::subtitleLabel:
    case ControlName::parameterLine:
        return mutedColor;
    case ControlName::stateLine:
        return stateLineColor(hookInstalled, effectEnabled);
    default:
        return textColor;
    }
}

Surface staticSurface(ControlName control) {
    switch (control) {
    case ControlName::titleLabel:
    case ControlName::subtitleLabel:
    case ControlName::restoreNoteLabel:
    case ControlName::trayNoteLabel:
        return Surface::page;
    default:
        return Surface::card;
    }
}

void formatParameterLine(wchar_t* buffer, size_t capacity, const wchar_t* format,
                         const ScrollParameters& values) {
    if (capacity == 0) {
        return;
    }
    buffer[0] = L'\0';
    const int written =
        std::swprintf(buffer, capacity, format, values.stepPercent, values.maxAccelerationPercent,
                      values.accelerationWindowMs, values.smoothDurationMs);
    if (written < 0) {
        buffer[capacity - 1] = L'\0';
    }
}
