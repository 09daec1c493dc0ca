#include "ui/slider_look.h"

#include "ui/palette.h"
#include "ui/scale.h"

#include <algorithm>

namespace {

constexpr float lineWidth = 4.0f;
constexpr int haloDiameter = 24;
constexpr int thumbDiameter = 16;
constexpr float shadowDrop = 1.5f;
constexpr float thumbOutlineWidth = 1.25f;

constexpr uint32_t trackRgb = 0xD3DBE9;
constexpr uint32_t haloAlpha = 0x2D;
constexpr uint32_t shadowRgb = 0x192D55;
constexpr uint32_t shadowAlpha = 0x23;
constexpr uint32_t thumbRgb = 0xFFFFFF;
constexpr uint32_t thumbOutlineRgb = 0xADBFE8;

DrawnBox circleAround(float cx, float cy, int diameter) {
    const float side = static_cast<float>(diameter);
    return {cx - side / 2, cy - side / 2, side, side};
}

} // namespace

int sliderLineY(DrawnRect channel) {
    return (channel.top + channel.bottom) / 2;
}

int sliderThumbCenterX(DrawnRect thumb) {
    return (thumb.left + thumb.right) / 2;
}

SliderLook sliderLook(DrawnRect channel, DrawnRect thumb, bool focused, int dpi) {
    const auto y = static_cast<float>(sliderLineY(channel));
    const int cx = sliderThumbCenterX(thumb);
    const auto left = static_cast<float>(channel.left);
    const auto right = static_cast<float>(channel.right);
    // The value part stays on the track even if the control's thumb sits a pixel outside
    // its channel; the thumb itself is drawn where the control has it.
    const auto valueEnd = static_cast<float>(
        std::min(std::max(cx, channel.left), std::max(channel.left, channel.right)));
    const auto centre = static_cast<float>(cx);

    SliderLook look{};
    look.lineWidth = scaledFraction(lineWidth, dpi);
    look.track = {left, y, right, y};
    look.trackColor = gdiplusColor(trackRgb);
    look.value = {left, y, valueEnd, y};
    look.valueColor = gdiplusColor(accentColor);
    look.halo = focused;
    look.haloBox = circleAround(centre, y, scaled(haloDiameter, dpi));
    look.haloColor = gdiplusColor(accentColor, haloAlpha);
    look.shadow =
        circleAround(centre, y + scaledFraction(shadowDrop, dpi), scaled(thumbDiameter, dpi));
    look.shadowColor = gdiplusColor(shadowRgb, shadowAlpha);
    look.thumb = circleAround(centre, y, scaled(thumbDiameter, dpi));
    look.thumbColor = gdiplusColor(thumbRgb);
    look.thumbOutline = gdiplusColor(thumbOutlineRgb);
    look.thumbOutlineWidth = scaledFraction(thumbOutlineWidth, dpi);
    return look;
}

int sliderPressX(DrawnRect channel, DrawnRect thumb, int x, int y, int dpi) {
    const DrawnBox drawn = sliderLook(channel, thumb, false, dpi).thumb;
    const bool onDrawnThumb = x >= drawn.x && x < drawn.x + drawn.width && y >= drawn.y &&
                              y < drawn.y + drawn.height;
    if (!onDrawnThumb || thumb.right <= thumb.left) {
        return x;
    }
    return std::clamp(x, thumb.left, thumb.right - 1);
}

int sliderOverhang(int channelMargin, int dpi) {
    return std::max(0, scaled(thumbDiameter, dpi) / 2 - channelMargin);
}

bool sliderRepaintsAfter(uint32_t message) {
    switch (message) {
    case SLIDER_WM_SIZE:
    case SLIDER_WM_SETFOCUS:
    case SLIDER_WM_KILLFOCUS:
    case SLIDER_WM_ENABLE:
    case SLIDER_WM_KEYDOWN:
    case SLIDER_WM_KEYUP:
    case SLIDER_WM_TIMER:
    case SLIDER_WM_MOUSEMOVE:
    case SLIDER_WM_LBUTTONDOWN:
    case SLIDER_WM_LBUTTONUP:
    // The trackbar moves on the wheel as well, and invalidates only its own thumb
    // rectangle, narrower than the drawn thumb and halo.
    case SLIDER_WM_MOUSEWHEEL:
    case SLIDER_TBM_SETPOS:
    case SLIDER_TBM_SETRANGE:
    case SLIDER_TBM_SETRANGEMIN:
    case SLIDER_TBM_SETRANGEMAX:
        return true;
    default:
        return false;
    }
}
