#include "ui/toggle_switch.h"

#include <gtest/gtest.h>

namespace {

constexpr DrawnRect standardSwitch{0, 0, 225, 40};

void expectBox(const DrawnBox& box, float x, float y, float size) {
    EXPECT_FLOAT_EQ(box.x, x);
    EXPECT_FLOAT_EQ(box.y, y);
    EXPECT_FLOAT_EQ(box.width, size);
    EXPECT_FLOAT_EQ(box.height, size);
}

TEST(ToggleSwitchGeometry, StandardSwitchOnAndOff) {
    const ToggleSwitchLook on = toggleSwitchLook(standardSwitch, true, false, false);
    EXPECT_EQ(on.label.left, 14);
    EXPECT_EQ(on.label.top, 0);
    EXPECT_EQ(on.label.right, 153);
    EXPECT_EQ(on.label.bottom, 40);
    // The pill spans x 161 to 211 and y 8 to 32: two 24 px end squares 26 px apart.
    expectBox(on.trackLeftEnd, 161, 8, 24);
    expectBox(on.trackRightEnd, 187, 8, 24);
    expectBox(on.knob, 190, 11, 18);
    expectBox(on.knobShadow, 190, 12, 18);

    const ToggleSwitchLook off = toggleSwitchLook(standardSwitch, false, false, false);
    expectBox(off.trackLeftEnd, 161, 8, 24);
    expectBox(off.knob, 164, 11, 18);
    expectBox(off.knobShadow, 164, 12, 18);
}

TEST(ToggleSwitchGeometry, TrackFollowsTheRightEdgeAndVerticalCentreOfAnyRectangle) {
    const ToggleSwitchLook look = toggleSwitchLook({35, 128, 260, 169}, true, false, false);
    EXPECT_EQ(look.label.left, 49);
    EXPECT_EQ(look.label.right, 188);
    EXPECT_EQ(look.label.top, 128);
    EXPECT_EQ(look.label.bottom, 169);
    // H = 41: (41 - 24) / 2 = 8.
    expectBox(look.trackLeftEnd, 196, 136, 24);
    expectBox(look.knob, 225, 139, 18);
}

TEST(ToggleSwitchGeometry, ControlsLowerThanTheTrackTruncateTowardZero) {
    struct Case {
        int top;
        int height;
        int trackY;
    };
    // Flooring would give T - 1 for H = 23 and T - 2 for H = 21; truncation gives T and T - 1.
    for (const Case c : {Case{0, 24, 0}, Case{0, 23, 0}, Case{0, 21, -1}, Case{0, 20, -2},
                         Case{10, 23, 10}, Case{10, 20, 8}, Case{10, 0, -2}}) {
        const ToggleSwitchLook look =
            toggleSwitchLook({0, c.top, 225, c.top + c.height}, false, false, false);
        EXPECT_FLOAT_EQ(look.trackLeftEnd.y, static_cast<float>(c.trackY))
            << "top " << c.top << ", height " << c.height;
        EXPECT_FLOAT_EQ(look.knob.y, static_cast<float>(c.trackY + 3));
    }
}

TEST(ToggleSwitchColours, ByStatePressAndFocus) {
    struct Case {
        bool on;
        bool pressed;
        uint32_t fill;
    };
    for (const Case c : {Case{true, false, 0xFF4169E1}, Case{false, false, 0xFFCDD4E2},
                         Case{true, true, 0xFF355DD5}, Case{false, true, 0xFFC1C8D6}}) {
        for (bool focused : {false, true}) {
            const ToggleSwitchLook look =
                toggleSwitchLook(standardSwitch, c.on, c.pressed, focused);
            SCOPED_TRACE(testing::Message()
                         << "on " << c.on << ", pressed " << c.pressed << ", focused " << focused);
            EXPECT_EQ(look.trackFill, c.fill);
            EXPECT_EQ(look.trackOutlined, focused);
            EXPECT_EQ(look.trackOutline, c.on ? 0xFF2D4FBEu : 0xFF6C7EB4u);
            EXPECT_EQ(look.knobOutline, c.on ? 0xFFDDE4F8u : 0xFFB8C1D2u);
            EXPECT_EQ(look.knobColor, 0xFFFFFFFFu);
            EXPECT_EQ(look.knobShadowColor, 0x231E283Cu);
            // GDI takes the text colour #1C2434 as COLORREF 0x00BBGGRR.
            EXPECT_EQ(look.labelColor, 0x0034241Cu);
        }
    }
}

TEST(ToggleSwitchState, AutostartSwitchAsksTheRegistryEveryOtherTheEffectFlag) {
    EXPECT_EQ(switchStateSource(1007), SwitchStateSource::autostartRegistry);
    EXPECT_EQ(switchStateSource(1005), SwitchStateSource::effectFlag);
    EXPECT_EQ(switchStateSource(0), SwitchStateSource::effectFlag);
    EXPECT_EQ(switchStateSource(1006), SwitchStateSource::effectFlag);
}

} // namespace
