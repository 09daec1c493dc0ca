#include "ui/control_ids.h"
#include "ui/layout.h"
#include "ui/palette.h"
#include "ui/scale.h"
#include "ui/slider_look.h"
#include "ui/status.h"
#include "ui/toggle_switch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int scales[] = {96, 120, 144, 192};

bool inside(const DrawnRect& r, const DrawnRect& card) {
    return r.left >= card.left && r.top >= card.top && r.right <= card.right &&
           r.bottom <= card.bottom;
}

bool overlap(const DrawnRect& a, const DrawnRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(Scale, LengthsGoToTheNearestPixelWithHalvesAwayFromZeroAndRectanglesByTheirEdges) {
    EXPECT_EQ(scaled(14, 120), 18);
    EXPECT_EQ(scaled(705, 144), 1058);
    EXPECT_EQ(scaled(460, 96), 460);
    EXPECT_EQ(fontSpec(FontRole::title, 144).height, -38); // 37.5, away from zero
    // 35 + 470 at 120 DPI: 43.75 to 631.25, where a scaled width would end at 632.
    EXPECT_EQ(scaledRect(35, 0, 470, 1, 120).right, 631);
}

// Every control's place at a scale, and whether it stands on a card.
std::vector<std::pair<DrawnRect, bool>> placesAt(int dpi) {
    std::vector<std::pair<DrawnRect, bool>> places;
    const auto add = [&](const auto& table) {
        for (const ControlSpec& c : table) {
            places.push_back({controlRect(c, dpi), c.surface == Surface::card});
        }
    };
    add(controlsBeforeSliders);
    add(controlsAfterSliders);
    for (const SliderRowSpec& row : sliderRows) {
        places.push_back({sliderLabelRect(row, dpi), true});
        places.push_back({sliderTrackbarRect(row, dpi), true});
    }
    return places;
}

TEST(WindowLayout, AtEveryScaleNothingOverlapsAndCardControlsStayOnTheirCards) {
    const auto places96 = placesAt(96);
    for (const int dpi : scales) {
        // Windows 10's fixed frame at 96 DPI: 3 px on each side, a 23 px caption.
        const PixelSize client = clientSize(6, 29, dpi);
        const DrawnRect cards[] = {stateCard(client.width, dpi), parameterCard(client.width, dpi)};
        const auto places = placesAt(dpi);
        for (size_t i = 0; i < places.size(); ++i) {
            const auto& [r, onCard] = places[i];
            EXPECT_EQ(inside(r, cards[0]) || inside(r, cards[1]), onCard) << i << " at " << dpi;
            EXPECT_TRUE(inside(r, {0, 0, client.width, client.height})) << i << " at " << dpi;
            // Proportions: every size within a pixel of the exact one.
            const DrawnRect& r96 = places96[i].first;
            EXPECT_NEAR(r.right - r.left, (r96.right - r96.left) * dpi / 96.0, 1) << i << dpi;
            EXPECT_NEAR(r.bottom - r.top, (r96.bottom - r96.top) * dpi / 96.0, 1) << i << dpi;
            for (size_t j = 0; j < i; ++j) {
                EXPECT_FALSE(overlap(r, places[j].first)) << i << " and " << j << " at " << dpi;
            }
        }
    }
    for (size_t i = 0; i < sliderRows.size(); ++i) { // Balanced
        EXPECT_EQ(sliderRows[i].initialPosition, (std::array{100, 100, 110, 360})[i]);
    }
}

TEST(StatusLines, AMissingHookOutranksTheEffectInTextAndColour) {
    struct Case {
        bool hook, effect;
        uint32_t text, colour;
    };
    for (const Case c : {Case{false, true, 16, alertColor}, Case{false, false, 16, alertColor},
                         Case{true, true, 17, onColor}, Case{true, false, 18, mutedColor}}) {
        EXPECT_EQ(stateLineTextId(c.hook, c.effect), c.text) << c.hook << c.effect;
        EXPECT_EQ(staticTextColor(ControlName::stateLine, c.hook, c.effect), c.colour);
    }
    EXPECT_EQ(staticTextColor(ControlName::parameterLine, true, true), mutedColor);
    EXPECT_EQ(staticTextColor(ControlName::restoreNoteLabel, true, true), textColor);
}

TEST(SliderValues, AMissingTrackbarKeepsTheValueInForce) {
    const ScrollParameters applied =
        sliderValuesToApply({70, std::nullopt, 40, std::nullopt}, {110, 150, 80, 240});
    EXPECT_EQ((std::vector{applied.stepPercent, applied.maxAccelerationPercent,
                           applied.accelerationWindowMs, applied.smoothDurationMs}),
              (std::vector{70, 150, 40, 240}));
}

// A 460 x 34 trackbar with thumb length 18, as the control window makes it.
constexpr DrawnRect channel{8, 15, 452, 19};

TEST(SliderLook, PlacedFromTheChannelAndTheThumbWithTheValuePartOnTheTrack) {
    struct Case {
        DrawnRect thumb;
        float valueEnd, thumbX;
    };
    // Centred at 105; on the channel's ends; a pixel before and past them.
    for (const Case c : {Case{{100, 8, 111, 26}, 105, 97}, Case{{3, 8, 13, 26}, 8, 0},
                         Case{{447, 8, 457, 26}, 452, 444}, Case{{0, 8, 10, 26}, 8, -3},
                         Case{{450, 8, 460, 26}, 452, 447}}) {
        const SliderLook look = sliderLook(channel, c.thumb, false, 96);
        EXPECT_FLOAT_EQ(look.track.y1, 17);
        EXPECT_FLOAT_EQ(look.value.x1, 8);
        EXPECT_FLOAT_EQ(look.value.x2, c.valueEnd) << c.thumb.left;
        EXPECT_FLOAT_EQ(look.thumb.x, c.thumbX) << c.thumb.left;
        EXPECT_FLOAT_EQ(look.thumb.width, 16);
        EXPECT_FALSE(look.halo);
    }
    const SliderLook focused = sliderLook({8, 2, 452, 7}, {50, 0, 59, 20}, true, 96);
    EXPECT_TRUE(focused.halo);
    // Truncation toward zero: flooring would put the thumb at y -5.
    EXPECT_FLOAT_EQ(focused.thumb.y, -4);
    EXPECT_FLOAT_EQ(focused.haloBox.width, 24);
    // At 144 DPI: a thumb of 24 px, 4 px past a channel margin of 8, none past one of 12.
    EXPECT_FLOAT_EQ(sliderLook(channel, {100, 8, 111, 26}, true, 144).thumb.width, 24);
    EXPECT_EQ(sliderOverhang(8, 144), 4);
    EXPECT_EQ(sliderOverhang(12, 144), 0);
}

TEST(SliderLook, RepaintsAfterWhatCanMoveTheThumbAndNeverAfterItsOwnPaint) {
    // WM_SIZE, WM_SETFOCUS, WM_KILLFOCUS, WM_KEYDOWN, WM_TIMER (paging while held), WM_MOUSEMOVE,
    // WM_LBUTTONUP, WM_MOUSEWHEEL, TBM_SETPOS, TBM_SETRANGE.
    for (uint32_t message :
         {0x05u, 0x07u, 0x08u, 0x100u, 0x113u, 0x200u, 0x202u, 0x20Au, 0x405u, 0x406u}) {
        EXPECT_TRUE(sliderRepaintsAfter(message)) << std::hex << message;
    }
    // WM_PAINT, WM_PRINTCLIENT, WM_ERASEBKGND, TBM_GETPOS, TBM_GETTHUMBRECT.
    for (uint32_t message : {0x0Fu, 0x318u, 0x14u, 0x400u, 0x419u}) {
        EXPECT_FALSE(sliderRepaintsAfter(message)) << std::hex << message;
    }
}

// The control's thumb is 11 px wide at 100..111 (centre 105); the drawn one 16 px at 97..113,
// on the line at y 17, from y 9 to 25.
TEST(SliderLook, APressOnTheDrawnThumbGrabsItInsteadOfPaging) {
    const DrawnRect thumb{100, 8, 111, 26};
    struct Case {
        int x, y, pressX;
    };
    for (const Case c : {Case{97, 17, 100}, Case{112, 17, 110}, Case{105, 9, 105},
                         Case{104, 17, 104}, Case{96, 17, 96}, Case{113, 17, 113},
                         Case{98, 26, 98}, Case{300, 17, 300}}) {
        EXPECT_EQ(sliderPressX(channel, thumb, c.x, c.y, 96), c.pressX) << c.x << "," << c.y;
    }
}

TEST(ToggleSwitch, TheKnobSitsAtTheEndForTheStateOnATrackCentredOnTheRightEdge) {
    const ToggleSwitchLook on = toggleSwitchLook({0, 0, 225, 40}, true, false, false, 96);
    const ToggleSwitchLook off = toggleSwitchLook({0, 0, 225, 40}, false, false, false, 96);
    // The pill spans x 161 to 211 and y 8 to 32: two 24 px end squares 26 px apart.
    EXPECT_FLOAT_EQ(on.trackLeftEnd.x, 161);
    EXPECT_FLOAT_EQ(on.trackRightEnd.x, 187);
    EXPECT_FLOAT_EQ(on.trackLeftEnd.y, 8);
    EXPECT_FLOAT_EQ(on.knob.x, 190);
    EXPECT_FLOAT_EQ(off.knob.x, 164);
    EXPECT_FLOAT_EQ(off.knob.y, 11);
    EXPECT_EQ(on.label.right, 153);
    // A control lower than the track: (21 - 24) / 2 truncates to -1, where flooring gives -2.
    EXPECT_FLOAT_EQ(toggleSwitchLook({0, 10, 225, 31}, false, false, false, 96).trackLeftEnd.y, 9);
}

TEST(ToggleSwitch, ColoursFollowTheStateThePressAndTheFocus) {
    struct Case {
        bool on, pressed;
        uint32_t fill;
    };
    for (const Case c : {Case{true, false, 0x4169E1}, Case{false, false, 0xCDD4E2},
                         Case{true, true, 0x355DD5}, Case{false, true, 0xC1C8D6}}) {
        for (const bool focused : {false, true}) {
            const ToggleSwitchLook look =
                toggleSwitchLook({0, 0, 225, 40}, c.on, c.pressed, focused, 96);
            EXPECT_EQ(look.trackFill, gdiplusColor(c.fill)) << c.on << c.pressed;
            EXPECT_EQ(look.trackOutlined, focused);
        }
    }
    EXPECT_EQ(switchStateSource(IDC_AUTOSTART_SWITCH), SwitchStateSource::autostartRegistry);
    EXPECT_EQ(switchStateSource(1005), SwitchStateSource::effectFlag);
}

} // namespace
