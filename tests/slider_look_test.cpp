#include "ui/slider_look.h"

#include <gtest/gtest.h>

namespace {

// A 460 x 34 trackbar with thumb length 18, as the control window makes it.
constexpr DrawnRect channel{8, 15, 452, 19};

DrawnRect thumbAt(int left, int width = 11) {
    return {left, 8, left + width, 26};
}

void expectBox(const DrawnBox& box, float x, float y, float size) {
    EXPECT_FLOAT_EQ(box.x, x);
    EXPECT_FLOAT_EQ(box.y, y);
    EXPECT_FLOAT_EQ(box.width, size);
    EXPECT_FLOAT_EQ(box.height, size);
}

void expectLine(const DrawnLine& line, float x1, float x2, float y) {
    EXPECT_FLOAT_EQ(line.x1, x1);
    EXPECT_FLOAT_EQ(line.x2, x2);
    EXPECT_FLOAT_EQ(line.y1, y);
    EXPECT_FLOAT_EQ(line.y2, y);
}

TEST(SliderGeometry, LineAndThumbPlacedFromTheTwoRectangles) {
    const SliderLook look = sliderLook(channel, thumbAt(100), false);
    // y = (15 + 19) / 2 = 17, cx = (100 + 111) / 2 = 105.
    expectLine(look.track, 8, 452, 17);
    expectLine(look.value, 8, 105, 17);
    EXPECT_FLOAT_EQ(look.lineWidth, 4.0f);
    expectBox(look.thumb, 97, 9, 16);
    expectBox(look.shadow, 97, 10.5f, 16);
    expectBox(look.haloBox, 93, 5, 24);
}

TEST(SliderGeometry, ThumbIsSixteenPixelsWhateverTheControlsThumbSize) {
    for (int width : {1, 9, 11, 30}) {
        const SliderLook look = sliderLook(channel, thumbAt(200, width), false);
        const float cx = static_cast<float>((200 + 200 + width) / 2);
        expectBox(look.thumb, cx - 8, 9, 16);
    }
}

TEST(SliderGeometry, LowSliderCentresOnTheChannelAndTruncatesTowardZero) {
    // A 20 px high trackbar whose channel sits near its top edge.
    const SliderLook look = sliderLook({8, 2, 452, 7}, {50, 0, 59, 20}, true);
    EXPECT_FLOAT_EQ(look.track.y1, 4);
    expectBox(look.thumb, 46, -4, 16);
    expectBox(look.haloBox, 42, -8, 24);
    // Flooring would give -3 for both.
    EXPECT_EQ(sliderLineY({0, -5, 10, 0}), -2);
    EXPECT_EQ(sliderThumbCenterX({-6, 0, 1, 10}), -2);
}

TEST(SliderValuePart, FromTheChannelStartToTheThumb) {
    // Thumb centred on the channel's left end: the value part is a dot under the thumb.
    const SliderLook atStart = sliderLook(channel, {3, 8, 13, 26}, false);
    EXPECT_FLOAT_EQ(atStart.value.x1, 8);
    EXPECT_FLOAT_EQ(atStart.value.x2, 8);
    EXPECT_FLOAT_EQ(atStart.thumb.x, 0);

    // Thumb centred on the right end: the value part covers the whole track.
    const SliderLook atEnd = sliderLook(channel, {447, 8, 457, 26}, false);
    EXPECT_FLOAT_EQ(atEnd.value.x1, atEnd.track.x1);
    EXPECT_FLOAT_EQ(atEnd.value.x2, atEnd.track.x2);
}

TEST(SliderValuePart, NeverLeavesTheTrackWhenTheThumbOvershoots) {
    const SliderLook beforeStart = sliderLook(channel, {0, 8, 10, 26}, false);
    EXPECT_FLOAT_EQ(beforeStart.value.x2, 8);
    EXPECT_FLOAT_EQ(beforeStart.thumb.x, -3) << "the thumb stays where the control has it";

    const SliderLook pastEnd = sliderLook(channel, {450, 8, 460, 26}, false);
    EXPECT_FLOAT_EQ(pastEnd.value.x2, 452);
    EXPECT_FLOAT_EQ(pastEnd.thumb.x, 447);

    // A degenerate channel keeps the value part at its start instead of running backward.
    const SliderLook empty = sliderLook({8, 15, 8, 19}, {100, 8, 110, 26}, false);
    EXPECT_FLOAT_EQ(empty.value.x1, 8);
    EXPECT_FLOAT_EQ(empty.value.x2, 8);
}

TEST(SliderColours, TrackValueThumbAndHalo) {
    const SliderLook look = sliderLook(channel, thumbAt(100), false);
    EXPECT_EQ(look.trackColor, 0xFFD3DBE9u);
    EXPECT_EQ(look.valueColor, 0xFF4169E1u);
    EXPECT_EQ(look.shadowColor, 0x23192D55u);
    EXPECT_EQ(look.thumbColor, 0xFFFFFFFFu);
    EXPECT_EQ(look.thumbOutline, 0xFFADBFE8u);
    EXPECT_FLOAT_EQ(look.thumbOutlineWidth, 1.25f);
    EXPECT_EQ(look.haloColor, 0x2D4169E1u);
    EXPECT_FALSE(look.halo);
    EXPECT_TRUE(sliderLook(channel, thumbAt(100), true).halo);
}

TEST(SliderRepaint, AfterEveryMessageThatCanChangeThePictureOnly) {
    // WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS, WM_ENABLE, WM_KEYDOWN, WM_KEYUP, WM_MOUSEMOVE,
    // WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL, TBM_SETPOS, TBM_SETRANGE, TBM_SETRANGEMIN,
    // TBM_SETRANGEMAX.
    for (uint32_t message : {0x0005u, 0x0007u, 0x0008u, 0x000Au, 0x0100u, 0x0101u, 0x0200u, 0x0201u,
                             0x0202u, 0x020Au, 0x0405u, 0x0406u, 0x0407u, 0x0408u}) {
        EXPECT_TRUE(sliderRepaintsAfter(message)) << std::hex << message;
    }
    // Invalidating after WM_PAINT, WM_PRINTCLIENT or WM_ERASEBKGND would repaint forever, and
    // TBM_GETPOS, TBM_GETTHUMBRECT, TBM_GETCHANNELRECT are asked during the paint itself.
    // Also WM_NCDESTROY, WM_TIMER, WM_CHAR.
    for (uint32_t message :
         {0x000Fu, 0x0318u, 0x0014u, 0x0400u, 0x0419u, 0x041Au, 0x0082u, 0x0113u, 0x0102u}) {
        EXPECT_FALSE(sliderRepaintsAfter(message)) << std::hex << message;
    }
}

} // namespace
