#include "ui/drawn_controls_win.h"

#include "engine/engine_state.h"
#include "shell/app_win.h"
#include "shell/shell_win.h"
#include "ui/toggle_switch.h"
#include "ui/window_win.h"

#include <objidl.h>

#include <gdiplus.h>

namespace gdip = Gdiplus::DllExports;

namespace {

bool switchIsOn(int controlId) {
    if (switchStateSource(controlId) == SwitchStateSource::autostartRegistry) {
        return isAutostartRegistered();
    }
    return engine.effectEnabled.load();
}

void drawLabel(HDC dc, HWND control, const DrawnRect& area, COLORREF color) {
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const HGDIOBJ oldFont = bodyFont ? SelectObject(dc, bodyFont) : nullptr;
    const COLORREF oldColor = SetTextColor(dc, color);

    wchar_t text[switchLabelCapacity] = {};
    GetWindowTextW(control, text, switchLabelCapacity);
    RECT rect{area.left, area.top, area.right, area.bottom};
    DrawTextW(dc, text, -1, &rect, DT_SINGLELINE | DT_VCENTER);

    SetTextColor(dc, oldColor);
    if (oldFont) {
        SelectObject(dc, oldFont);
    }
    SetBkMode(dc, oldMode);
}

void fillEllipse(Gdiplus::GpGraphics* graphics, Gdiplus::ARGB color, const DrawnBox& box) {
    Gdiplus::GpSolidFill* brush = nullptr;
    gdip::GdipCreateSolidFill(color, &brush);
    gdip::GdipFillEllipse(graphics, brush, box.x, box.y, box.width, box.height);
    gdip::GdipDeleteBrush(brush);
}

// Every GDI+ call below tolerates a null object from a failed creation: it draws nothing.
void drawTrackAndKnob(HDC dc, const ToggleSwitchLook& look) {
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipCreateFromHDC(dc, &graphics);
    gdip::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);

    Gdiplus::GpPath* track = nullptr;
    gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &track);
    const DrawnBox& left = look.trackLeftEnd;
    const DrawnBox& right = look.trackRightEnd;
    gdip::GdipAddPathArc(track, left.x, left.y, left.width, left.height, switchLeftArcStart,
                         switchArcSweep);
    gdip::GdipAddPathArc(track, right.x, right.y, right.width, right.height, switchRightArcStart,
                         switchArcSweep);
    gdip::GdipClosePathFigure(track);

    Gdiplus::GpSolidFill* trackBrush = nullptr;
    gdip::GdipCreateSolidFill(look.trackFill, &trackBrush);
    gdip::GdipFillPath(graphics, trackBrush, track);
    gdip::GdipDeleteBrush(trackBrush);

    if (look.trackOutlined) {
        Gdiplus::GpPen* outline = nullptr;
        gdip::GdipCreatePen1(look.trackOutline, look.trackOutlineWidth, Gdiplus::UnitWorld,
                             &outline);
        gdip::GdipDrawPath(graphics, outline, track);
        gdip::GdipDeletePen(outline);
    }

    fillEllipse(graphics, look.knobShadowColor, look.knobShadow);
    fillEllipse(graphics, look.knobColor, look.knob);

    Gdiplus::GpPen* knobPen = nullptr;
    gdip::GdipCreatePen1(look.knobOutline, look.knobOutlineWidth, Gdiplus::UnitWorld, &knobPen);
    gdip::GdipDrawEllipse(graphics, knobPen, look.knob.x, look.knob.y, look.knob.width,
                          look.knob.height);
    gdip::GdipDeletePen(knobPen);

    gdip::GdipDeletePath(track);
    gdip::GdipDeleteGraphics(graphics);
}

} // namespace

void drawToggleSwitch(const DRAWITEMSTRUCT& item) {
    const bool on = switchIsOn(static_cast<int>(item.CtlID));
    const RECT& rc = item.rcItem;
    const ToggleSwitchLook look = toggleSwitchLook({rc.left, rc.top, rc.right, rc.bottom}, on,
                                                   (item.itemState & ODS_SELECTED) != 0,
                                                   (item.itemState & ODS_FOCUS) != 0, windowDpi());

    FillRect(item.hDC, &rc, cardBrush);
    drawLabel(item.hDC, item.hwndItem, look.label, look.labelColor);
    drawTrackAndKnob(item.hDC, look);
}
