#include "ui/slider_rows_win.h"

#include "engine/engine_win.h"
#include "shell/ui_strings.h"
#include "tray/tray_win.h"
#include "ui/drawn_controls_win.h"
#include "ui/layout.h"
#include "ui/scale.h"
#include "ui/slider_look.h"
#include "ui/status.h"
#include "ui/window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>

HWND sliderTrackbars[4] = {};

namespace {

HWND sliderLabels[4] = {};

// The trackbar at its row for the scale. Where its own margin before the channel is narrower than
// the drawn thumb's radius, it reaches past the row by the difference: the thumb at either end of
// the channel then still ends at the row's edge.
void placeTrackbar(HWND trackbar, const SliderRowSpec& row, int dpi) {
    const DrawnRect place = sliderTrackbarRect(row, dpi);
    moveControl(trackbar, place);
    SendMessageW(trackbar, TBM_SETTHUMBLENGTH, scaled(SLIDER_THUMB_LENGTH, dpi), 0);
    RECT channel{};
    SendMessageW(trackbar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const int margin = std::min<int>(channel.left, place.right - place.left - channel.right);
    const int overhang = sliderOverhang(margin, dpi);
    if (overhang > 0) {
        moveControl(trackbar,
                    {place.left - overhang, place.top, place.right + overhang, place.bottom});
    }
}

} // namespace

void createSliderRow(size_t index, const wchar_t* label, int dpi) {
    const SliderRowSpec& row = sliderRows[index];
    sliderLabels[index] = createChildControl(L"STATIC", label, 0, sliderLabelRect(row, dpi), 0);
    HWND& trackbar = sliderTrackbars[index];
    trackbar = createChildControl(TRACKBAR_CLASSW, L"", TBS_NOTICKS, sliderTrackbarRect(row, dpi),
                                  row.trackbarId);
    if (!trackbar) {
        return;
    }
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(row.range.min, row.range.max));
    SendMessageW(trackbar, TBM_SETPOS, TRUE, row.initialPosition);
    placeTrackbar(trackbar, row, dpi);
    SetWindowSubclass(trackbar, sliderSubclassProc, 1, 0);
}

void fitSliderRowsToScale(int dpi) {
    for (size_t i = 0; i < sliderRows.size(); ++i) {
        moveControl(sliderLabels[i], sliderLabelRect(sliderRows[i], dpi));
        setControlFont(sliderLabels[i], bodyFont);
        if (sliderTrackbars[i]) {
            placeTrackbar(sliderTrackbars[i], sliderRows[i], dpi);
            setControlFont(sliderTrackbars[i], bodyFont);
        }
    }
}

void relabelSliderRows() {
    for (size_t i = 0; i < sliderRows.size(); ++i) {
        setTextIfChanged(sliderLabels[i], uiString(sliderRows[i].labelId));
    }
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
