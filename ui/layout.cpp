#include "ui/layout.h"

#include "ui/control_ids.h"
#include "ui/scale.h"

// The switches, the parameter line and the notes are wider than their texts need under Segoe UI:
// the stand-ins of other systems, Tahoma under Wine among them, set them wider.
const std::array<ControlSpec, 6> controlsBeforeSliders{{
    {ControlName::titleLabel, L"STATIC", PROGRAM_NAME_TEXT, 0, 28, 19, 260, 31, 0, FontRole::title,
     Surface::page},
    {ControlName::subtitleLabel, L"STATIC", 1, 0, 29, 52, 485, 21, 0, FontRole::small,
     Surface::page},
    {ControlName::stateLine, L"STATIC", 2, STYLE_SS_CENTER, 35, 94, 470, 25, 0, FontRole::body,
     Surface::card},
    {ControlName::effectSwitch, L"BUTTON", 3, STYLE_BS_OWNERDRAW, 25, 128, 235, 40,
     IDC_EFFECT_SWITCH, FontRole::body, Surface::card},
    {ControlName::autostartSwitch, L"BUTTON", 4, STYLE_BS_OWNERDRAW, 265, 128, 235, 40,
     IDC_AUTOSTART_SWITCH, FontRole::body, Surface::card},
    {ControlName::parameterLine, L"STATIC", EMPTY_TEXT, STYLE_SS_CENTER, 22, 198, 496, 22, 0,
     FontRole::small, Surface::card},
}};

const std::array<ControlSpec, 2> controlsAfterSliders{{
    {ControlName::restoreNoteLabel, L"STATIC", 9, STYLE_SS_CENTER, 22, 548, 496, 22, 0,
     FontRole::small, Surface::page},
    {ControlName::trayNoteLabel, L"STATIC", 10, STYLE_SS_CENTER, 22, 575, 496, 22, 0,
     FontRole::small, Surface::page},
}};

const std::array<SliderRowSpec, 4> sliderRows{{
    {IDC_SLIDER_STEP, 235, 5, stepPercentRange, 100},
    {IDC_SLIDER_MAX_ACCELERATION, 313, 6, maxAccelerationPercentRange, 100},
    {IDC_SLIDER_ACCELERATION_WINDOW, 391, 7, accelerationWindowMsRange, 110},
    {IDC_SLIDER_SMOOTH_DURATION, 469, 8, smoothDurationMsRange, 360},
}};

ScrollParameters sliderValuesToApply(const std::array<std::optional<int32_t>, 4>& positions,
                                     const ScrollParameters& active) {
    return {positions[0].value_or(active.stepPercent),
            positions[1].value_or(active.maxAccelerationPercent),
            positions[2].value_or(active.accelerationWindowMs),
            positions[3].value_or(active.smoothDurationMs)};
}

DrawnRect controlRect(const ControlSpec& control, int dpi) {
    return scaledRect(control.x, control.y, control.width, control.height, dpi);
}

FontSpec fontSpec(FontRole role, int dpi) {
    switch (role) {
    case FontRole::title:
        return {-scaled(25, dpi), 600};
    case FontRole::small:
        return {-scaled(14, dpi), 400};
    default:
        return {-scaled(16, dpi), 400};
    }
}

DrawnRect sliderLabelRect(const SliderRowSpec& row, int dpi) {
    return scaledRect(SLIDER_ROW_X, row.top, SLIDER_ROW_WIDTH, SLIDER_LABEL_HEIGHT, dpi);
}

DrawnRect sliderTrackbarRect(const SliderRowSpec& row, int dpi) {
    return scaledRect(SLIDER_ROW_X, row.top + SLIDER_TRACKBAR_OFFSET, SLIDER_ROW_WIDTH,
                      SLIDER_TRACKBAR_HEIGHT, dpi);
}

PixelSize clientSize(int frameWidth96, int frameHeight96, int dpi) {
    return {scaled(WINDOW_OUTER_WIDTH - frameWidth96, dpi),
            scaled(WINDOW_OUTER_HEIGHT - frameHeight96, dpi)};
}

// The cards reach as far in from the client's right edge as from its left.
DrawnRect stateCard(int clientRight, int dpi) {
    return {scaled(20, dpi), scaled(82, dpi), clientRight - scaled(20, dpi), scaled(181, dpi)};
}

DrawnRect parameterCard(int clientRight, int dpi) {
    return {scaled(20, dpi), scaled(189, dpi), clientRight - scaled(20, dpi), scaled(535, dpi)};
}
