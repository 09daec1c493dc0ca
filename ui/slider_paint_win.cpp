#include "ui/drawn_controls_win.h"

#include "shell/app_win.h"
#include "ui/slider_look.h"
#include "ui/window_win.h"

#include <objidl.h>

#include <gdiplus.h>
#include <windowsx.h>

namespace gdip = Gdiplus::DllExports;

static_assert(SLIDER_WM_SIZE == WM_SIZE && SLIDER_WM_SETFOCUS == WM_SETFOCUS &&
              SLIDER_WM_KILLFOCUS == WM_KILLFOCUS && SLIDER_WM_ENABLE == WM_ENABLE);
static_assert(SLIDER_WM_KEYDOWN == WM_KEYDOWN && SLIDER_WM_KEYUP == WM_KEYUP &&
              SLIDER_WM_TIMER == WM_TIMER);
static_assert(SLIDER_WM_MOUSEMOVE == WM_MOUSEMOVE && SLIDER_WM_LBUTTONDOWN == WM_LBUTTONDOWN &&
              SLIDER_WM_LBUTTONUP == WM_LBUTTONUP && SLIDER_WM_MOUSEWHEEL == WM_MOUSEWHEEL);
static_assert(SLIDER_TBM_SETPOS == TBM_SETPOS && SLIDER_TBM_SETRANGE == TBM_SETRANGE &&
              SLIDER_TBM_SETRANGEMIN == TBM_SETRANGEMIN &&
              SLIDER_TBM_SETRANGEMAX == TBM_SETRANGEMAX);

namespace {

DrawnRect askTrackbar(HWND slider, UINT message) {
    RECT rect{};
    SendMessageW(slider, message, 0, reinterpret_cast<LPARAM>(&rect));
    return {rect.left, rect.top, rect.right, rect.bottom};
}

Gdiplus::GpPen* roundPen(Gdiplus::ARGB color, float width) {
    Gdiplus::GpPen* pen = nullptr;
    gdip::GdipCreatePen1(color, width, Gdiplus::UnitWorld, &pen);
    gdip::GdipSetPenStartCap(pen, Gdiplus::LineCapRound);
    gdip::GdipSetPenEndCap(pen, Gdiplus::LineCapRound);
    return pen;
}

Gdiplus::GpSolidFill* solidBrush(Gdiplus::ARGB color) {
    Gdiplus::GpSolidFill* brush = nullptr;
    gdip::GdipCreateSolidFill(color, &brush);
    return brush;
}

void fillCircle(Gdiplus::GpGraphics* graphics, Gdiplus::GpSolidFill* brush, const DrawnBox& box) {
    gdip::GdipFillEllipse(graphics, brush, box.x, box.y, box.width, box.height);
}

// GDI+ objects that fail to be made stay null, and the calls that get them draw nothing.
void drawSlider(HDC dc, const SliderLook& look) {
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipCreateFromHDC(dc, &graphics);
    gdip::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
    gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);

    Gdiplus::GpPen* trackPen = roundPen(look.trackColor, look.lineWidth);
    gdip::GdipDrawLine(graphics, trackPen, look.track.x1, look.track.y1, look.track.x2,
                       look.track.y2);
    Gdiplus::GpPen* valuePen = roundPen(look.valueColor, look.lineWidth);
    gdip::GdipDrawLine(graphics, valuePen, look.value.x1, look.value.y1, look.value.x2,
                       look.value.y2);

    if (look.halo) {
        Gdiplus::GpSolidFill* haloBrush = solidBrush(look.haloColor);
        fillCircle(graphics, haloBrush, look.haloBox);
        gdip::GdipDeleteBrush(haloBrush);
    }

    Gdiplus::GpSolidFill* shadowBrush = solidBrush(look.shadowColor);
    fillCircle(graphics, shadowBrush, look.shadow);
    Gdiplus::GpSolidFill* thumbBrush = solidBrush(look.thumbColor);
    fillCircle(graphics, thumbBrush, look.thumb);
    Gdiplus::GpPen* outlinePen = nullptr;
    gdip::GdipCreatePen1(look.thumbOutline, look.thumbOutlineWidth, Gdiplus::UnitWorld,
                         &outlinePen);
    gdip::GdipDrawEllipse(graphics, outlinePen, look.thumb.x, look.thumb.y, look.thumb.width,
                          look.thumb.height);

    gdip::GdipDeletePen(outlinePen);
    gdip::GdipDeleteBrush(thumbBrush);
    gdip::GdipDeleteBrush(shadowBrush);
    gdip::GdipDeletePen(valuePen);
    gdip::GdipDeletePen(trackPen);
    gdip::GdipDeleteGraphics(graphics);
}

void paintSlider(HWND slider, HDC target) {
    RECT client{};
    GetClientRect(slider, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return;
    }

    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    if (!memory || !bitmap) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
        if (memory) {
            DeleteDC(memory);
        }
        FillRect(target, &client, cardBrush);
        return;
    }
    const HGDIOBJ replaced = SelectObject(memory, bitmap);
    FillRect(memory, &client, cardBrush);

    const DrawnRect channel = askTrackbar(slider, TBM_GETCHANNELRECT);
    const DrawnRect thumb = askTrackbar(slider, TBM_GETTHUMBRECT);
    // The graphics object is gone before the copy, so everything it drew is in the bitmap.
    drawSlider(memory, sliderLook(channel, thumb, GetFocus() == slider, windowDpi()));

    BitBlt(target, 0, 0, width, height, memory, 0, 0, SRCCOPY);

    SelectObject(memory, replaced);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

LPARAM pressOnDrawnThumb(HWND slider, LPARAM point) {
    const int x = GET_X_LPARAM(point);
    const int y = GET_Y_LPARAM(point);
    const int pressX = sliderPressX(askTrackbar(slider, TBM_GETCHANNELRECT),
                                    askTrackbar(slider, TBM_GETTHUMBRECT), x, y, windowDpi());
    return MAKELPARAM(pressX, y);
}

} // namespace

LRESULT CALLBACK sliderSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR subclassId, DWORD_PTR) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (dc) {
            paintSlider(window, dc);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        paintSlider(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        lParam = pressOnDrawnThumb(window, lParam);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, sliderSubclassProc, subclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    default:
        break;
    }
    const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
    if (sliderRepaintsAfter(message)) {
        InvalidateRect(window, nullptr, FALSE);
    }
    return result;
}
