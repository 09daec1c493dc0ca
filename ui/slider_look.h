#pragma once

#include "ui/drawn_shapes.h"

#include <cstdint>

// The custom-painted trackbar: a thin light track, the value part in blue up to the thumb,
// a white round thumb with a soft shadow, and a translucent halo while focused; drawn at the
// window's scale.

// The line's y: the middle of the channel rectangle, truncated toward zero.
int sliderLineY(DrawnRect channel);
// The thumb's centre x: the middle of the control's own thumb rectangle, truncated toward zero.
int sliderThumbCenterX(DrawnRect thumb);

struct SliderLook {
    float lineWidth;
    DrawnLine track;
    uint32_t trackColor; // GDI+ ARGB throughout
    DrawnLine value;
    uint32_t valueColor;
    bool halo;
    DrawnBox haloBox;
    uint32_t haloColor;
    DrawnBox shadow;
    uint32_t shadowColor;
    DrawnBox thumb;
    uint32_t thumbColor;
    uint32_t thumbOutline;
    float thumbOutlineWidth;
};

// Everything the paint draws, placed from the trackbar's channel and thumb rectangles.
SliderLook sliderLook(DrawnRect channel, DrawnRect thumb, bool focused, int dpi);

// The trackbar grabs its thumb only inside its own thumb rectangle, which is narrower than the
// drawn thumb: a press elsewhere on the drawn thumb would page instead. Returns the x to give the
// trackbar for a press at (x, y): inside its thumb rectangle when the press is on the drawn thumb.
int sliderPressX(DrawnRect channel, DrawnRect thumb, int x, int y, int dpi);

// The trackbar keeps a margin of its own before either end of its channel, which need not grow
// with the scale as the drawn thumb does: how far the trackbar must reach past its row on each
// side so that the thumb, at either end, still ends at the row's edge.
int sliderOverhang(int channelMargin, int dpi);

// Messages after which the trackbar may show something else (position, range, size, focus),
// numbered as <windows.h> and <commctrl.h> number them; slider_paint_win.cpp checks that.
inline constexpr uint32_t SLIDER_WM_SIZE = 0x0005;
inline constexpr uint32_t SLIDER_WM_SETFOCUS = 0x0007;
inline constexpr uint32_t SLIDER_WM_KILLFOCUS = 0x0008;
inline constexpr uint32_t SLIDER_WM_ENABLE = 0x000A;
inline constexpr uint32_t SLIDER_WM_KEYDOWN = 0x0100;
inline constexpr uint32_t SLIDER_WM_KEYUP = 0x0101;
// While the mouse is held on the channel the trackbar pages from its own timer.
inline constexpr uint32_t SLIDER_WM_TIMER = 0x0113;
inline constexpr uint32_t SLIDER_WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t SLIDER_WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t SLIDER_WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t SLIDER_WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t SLIDER_TBM_SETPOS = 0x0405;
inline constexpr uint32_t SLIDER_TBM_SETRANGE = 0x0406;
inline constexpr uint32_t SLIDER_TBM_SETRANGEMIN = 0x0407;
inline constexpr uint32_t SLIDER_TBM_SETRANGEMAX = 0x0408;

// True for the messages after which the whole slider is invalidated (without erase).
bool sliderRepaintsAfter(uint32_t message);
