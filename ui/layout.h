#pragma once

#include "engine/engine_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The fixed layout of the control window, in client pixels, in creation order.
enum class FontRole { title, body, small };
enum class Surface { page, card };

// Text ids beyond the UI string table for the two controls whose text is not a UI string.
inline constexpr uint32_t PROGRAM_NAME_TEXT = UINT32_MAX;
inline constexpr uint32_t EMPTY_TEXT = UINT32_MAX - 1;
inline constexpr uint32_t STYLE_SS_CENTER = 0x1;
inline constexpr uint32_t STYLE_BS_OWNERDRAW = 0xB;
inline constexpr uint32_t STYLE_TBS_NOTICKS = 0x10;

enum class ControlName {
    titleLabel,
    subtitleLabel,
    stateLine,
    effectSwitch,
    autostartSwitch,
    parameterLine,
    restoreNoteLabel,
    trayNoteLabel,
};

struct ControlSpec {
    ControlName name;
    const wchar_t* className;
    uint32_t textId; // a UI string id, PROGRAM_NAME_TEXT or EMPTY_TEXT
    uint32_t extraStyle;
    int x, y, width, height;
    int id;
    FontRole font;
    Surface surface;
};

// Rows 1-6 come before the slider rows, rows 11-12 after them.
extern const std::array<ControlSpec, 6> controlsBeforeSliders;
extern const std::array<ControlSpec, 2> controlsAfterSliders;

struct SliderRowSpec {
    int trackbarId;
    int top; // the label's y; the trackbar stands 22 px lower
    uint32_t labelId;
    ParameterRange range;
    int32_t initialPosition;
};

inline constexpr int SLIDER_ROW_X = 35;
inline constexpr int SLIDER_ROW_WIDTH = 460;
inline constexpr int SLIDER_LABEL_HEIGHT = 20;
inline constexpr int SLIDER_TRACKBAR_OFFSET = 22;
inline constexpr int SLIDER_TRACKBAR_HEIGHT = 34;
inline constexpr int SLIDER_THUMB_LENGTH = 18;

// In the order step, maximum acceleration, acceleration window, smooth duration.
extern const std::array<SliderRowSpec, 4> sliderRows;

// The values a slider movement puts in force. A trackbar that could not be created reads no
// position; its value in force is kept rather than replaced by an out-of-range 0.
ScrollParameters sliderValuesToApply(const std::array<std::optional<int32_t>, 4>& positions,
                                     const ScrollParameters& active);

inline constexpr int WINDOW_OUTER_WIDTH = 560;
inline constexpr int WINDOW_OUTER_HEIGHT = 730;
inline constexpr uint32_t WINDOW_STYLE = 0x00CA0000; // caption, system menu, minimise box
inline constexpr int HEADER_BAND_HEIGHT = 6;
inline constexpr int CARD_CORNER = 18;

struct CardRect {
    int left, top, right, bottom;
};
// The two cards over a client area whose right edge is `clientRight`.
CardRect stateCard(int clientRight);
CardRect parameterCard(int clientRight);
