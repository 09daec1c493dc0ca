#include "ui/slider_rows_win.h"

#include "engine/engine_win.h"
#include "shell/ui_strings.h"
#include "tray/tray_win.h"
#include "ui/drawn_controls_win.h"
#include "ui/layout.h"
#include "ui/status.h"
#include "ui/window_win.h"

#include <commctrl.h>

#include <optional>
#include <string>

HWND sliderTrackbars[4] = {};

void createSliderRow(HWND& trackbar, int trackbarId, int top, const wchar_t* label, int minimum,
                     int maximum, int initialPosition) {
    createChildControl(L"STATIC", label, 0, SLIDER_ROW_X, top, SLIDER_ROW_WIDTH,
                       SLIDER_LABEL_HEIGHT, 0);
    trackbar = createChildControl(TRACKBAR_CLASSW, L"", TBS_NOTICKS, SLIDER_ROW_X,
                                  top + SLIDER_TRACKBAR_OFFSET, SLIDER_ROW_WIDTH,
                                  SLIDER_TRACKBAR_HEIGHT, trackbarId);
    if (!trackbar) {
        return;
    }
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
    SendMessageW(trackbar, TBM_SETPOS, TRUE, initialPosition);
    SendMessageW(trackbar, TBM_SETTHUMBLENGTH, SLIDER_THUMB_LENGTH, 0);
    SetWindowSubclass(trackbar, sliderSubclassProc, 1, 0);
}

void onSliderScroll() {
    std::array<std::optional<int32_t>, 4> positions;
    for (size_t i = 0; i < positions.size(); ++i) {
        if (sliderTrackbars[i]) {
            positions[i] = static_cast<int32_t>(SendMessageW(sliderTrackbars[i], TBM_GETPOS, 0, 0));
        }
    }
    const ScrollParameters values = sliderValuesToApply(positions, activeParameters(engine));
    applyCustomValues(engine, values.stepPercent, values.maxAccelerationPercent,
                      values.accelerationWindowMs, values.smoothDurationMs);
}

void moveSliders(const ScrollParameters& values) {
    const int32_t positions[4] = {values.stepPercent, values.maxAccelerationPercent,
                                  values.accelerationWindowMs, values.smoothDurationMs};
    for (size_t i = 0; i < 4; ++i) {
        if (sliderTrackbars[i]) {
            SendMessageW(sliderTrackbars[i], TBM_SETPOS, TRUE, positions[i]);
        }
    }
}

void updateParameterLine() {
    if (!parameterLine) {
        return;
    }
    wchar_t text[PARAMETER_LINE_CAPACITY] = {};
    formatParameterLine(text, PARAMETER_LINE_CAPACITY, uiString(12), activeParameters(engine));
    SetWindowTextW(parameterLine, text);
}

void refreshStatus() {
    if (!stateLine) {
        return;
    }
    const uint32_t textId =
        stateLineTextId(engine.hookInstalled.load(), engine.effectEnabled.load());
    setTextIfChanged(stateLine, uiString(textId));
    updateTrayTooltip();
}

bool setTextIfChanged(HWND window, const wchar_t* text) {
    if (!window) {
        return false;
    }
    if (!text) {
        text = L"";
    }
    const int length = GetWindowTextLengthW(window);
    std::wstring current(static_cast<size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(window, current.data(), length + 1);
    current.resize(static_cast<size_t>(read > 0 ? read : 0));
    if (current == text) {
        return false;
    }
    SetWindowTextW(window, text);
    return true;
}
