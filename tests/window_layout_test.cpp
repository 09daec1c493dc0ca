#include "ui/layout.h"
#include "ui/palette.h"
#include "ui/status.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t englishParameterFormat[] =
    L"Step %d %%   |   Acceleration %d %%   |   Window %d ms   |   Tail %d ms";

bool inside(const ControlSpec& control, const CardRect& card) {
    return control.x >= card.left && control.y >= card.top &&
           control.x + control.width <= card.right && control.y + control.height <= card.bottom;
}

// The client area of a 560 px wide window with a fixed frame is a few pixels narrower.
constexpr int clientRight = 544;

TEST(WindowLayout, CardControlsStandInsideTheirCards) {
    for (const ControlSpec& control : controlsBeforeSliders) {
        if (control.surface == Surface::card) {
            const bool inEither = inside(control, stateCard(clientRight)) ||
                                  inside(control, parameterCard(clientRight));
            EXPECT_TRUE(inEither) << control.x << "," << control.y;
        }
    }
    for (const SliderRowSpec& row : sliderRows) {
        const ControlSpec trackbar{ControlName::parameterLine,
                                   L"",
                                   0,
                                   0,
                                   SLIDER_ROW_X,
                                   row.top + SLIDER_TRACKBAR_OFFSET,
                                   SLIDER_ROW_WIDTH,
                                   SLIDER_TRACKBAR_HEIGHT,
                                   row.trackbarId,
                                   FontRole::body,
                                   Surface::card};
        EXPECT_TRUE(inside(trackbar, parameterCard(clientRight))) << row.trackbarId;
    }
    for (const ControlSpec& note : controlsAfterSliders) {
        EXPECT_GT(note.y, parameterCard(clientRight).bottom);
    }
}

TEST(WindowLayout, SliderRowsStartAtTheBalancedValuesWithinTheirRanges) {
    const ScrollParameters initial{sliderRows[0].initialPosition, sliderRows[1].initialPosition,
                                   sliderRows[2].initialPosition, sliderRows[3].initialPosition};
    EXPECT_EQ(initial.stepPercent, balancedParameters.stepPercent);
    EXPECT_EQ(initial.maxAccelerationPercent, balancedParameters.maxAccelerationPercent);
    EXPECT_EQ(initial.accelerationWindowMs, balancedParameters.accelerationWindowMs);
    EXPECT_EQ(initial.smoothDurationMs, balancedParameters.smoothDurationMs);
    EXPECT_TRUE(parametersInRange(initial));
    // Trackbar ranges travel as 16-bit halves of one message parameter.
    for (const SliderRowSpec& row : sliderRows) {
        EXPECT_LE(row.range.max, 0xFFFF);
    }
}

TEST(SliderValues, AMissingTrackbarKeepsTheValueInForce) {
    const ScrollParameters active{110, 150, 80, 240};
    const ScrollParameters all = sliderValuesToApply({70, 200, 40, 500}, active);
    EXPECT_EQ(all.stepPercent, 70);
    EXPECT_EQ(all.smoothDurationMs, 500);
    const ScrollParameters partial =
        sliderValuesToApply({70, std::nullopt, 40, std::nullopt}, active);
    EXPECT_EQ(partial.stepPercent, 70);
    EXPECT_EQ(partial.maxAccelerationPercent, 150);
    EXPECT_EQ(partial.accelerationWindowMs, 40);
    EXPECT_EQ(partial.smoothDurationMs, 240);
}

TEST(StateLine, MissingHookOutranksTheEffectFlag) {
    EXPECT_EQ(stateLineTextId(false, true), 16u);
    EXPECT_EQ(stateLineTextId(false, false), 16u);
    EXPECT_EQ(stateLineTextId(true, true), 17u);
    EXPECT_EQ(stateLineTextId(true, false), 18u);
    EXPECT_EQ(stateLineColor(false, true), 0xC23934u);
    EXPECT_EQ(stateLineColor(true, true), 0x19915Du);
    EXPECT_EQ(stateLineColor(true, false), 0x657084u);
}

TEST(StaticColours, FollowTheSurfaceAndTheControl) {
    EXPECT_EQ(staticSurface(ControlName::titleLabel), Surface::page);
    EXPECT_EQ(staticSurface(ControlName::trayNoteLabel), Surface::page);
    EXPECT_EQ(staticSurface(ControlName::stateLine), Surface::card);
    EXPECT_EQ(staticTextColor(ControlName::parameterLine, true, false), mutedColor);
    EXPECT_EQ(staticTextColor(ControlName::stateLine, false, false), alertColor);
    EXPECT_EQ(staticTextColor(ControlName::restoreNoteLabel, true, true), textColor);
}

TEST(Palette, ConvertsToGdiAndGdiplusOrder) {
    EXPECT_EQ(gdiColor(0xF5F7FB), 0x00FBF7F5u);
    EXPECT_EQ(gdiplusColor(0x4169E1), 0xFF4169E1u);
    EXPECT_EQ(gdiplusColor(0x4169E1, 0x40), 0x404169E1u);
}

TEST(ParameterLine, FillsTheFourValuesInOrder) {
    wchar_t line[PARAMETER_LINE_CAPACITY];
    formatParameterLine(line, PARAMETER_LINE_CAPACITY, englishParameterFormat,
                        {100, 100, 110, 360});
    EXPECT_EQ(std::wstring(line),
              L"Step 100 %   |   Acceleration 100 %   |   Window 110 ms   |   Tail 360 ms");
    formatParameterLine(line, PARAMETER_LINE_CAPACITY,
                        L"Krok %d %%   |   Akcelerace %d %%   |   Okno %d ms   |   Dojezd %d ms",
                        {110, 150, 80, 240});
    EXPECT_EQ(std::wstring(line),
              L"Krok 110 %   |   Akcelerace 150 %   |   Okno 80 ms   |   Dojezd 240 ms");
}

TEST(ParameterLine, NeverWritesPastASmallBuffer) {
    wchar_t line[12];
    std::fill(std::begin(line), std::end(line), L'#');
    formatParameterLine(line, 8, englishParameterFormat, {100, 100, 110, 360});
    EXPECT_EQ(line[7], L'\0');
    EXPECT_EQ(line[8], L'#');
}

} // namespace
