#pragma once

#include "engine/engine_state.h"
#include "ui/drawn_shapes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The layout of the control window at 96 DPI, in client pixels, in creation order; at another
// scale every control stands at its scaled rectangle (ui/scale.h).
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

DrawnRect controlRect(const ControlSpec& control, int dpi);

struct FontSpec {
    int height; // as CreateFont takes it: negative, the height of the characters in pixels
    int weight;
};
FontSpec fontSpec(FontRole role, int dpi);

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

DrawnRect sliderLabelRect(const SliderRowSpec& row, int dpi);
DrawnRect sliderTrackbarRect(const SliderRowSpec& row, int dpi);

// The values a slider movement puts in force. A trackbar that could not be created reads no
// position; its value in force is kept rather than replaced by an out-of-range 0.
ScrollParameters sliderValuesToApply(const std::array<std::optional<int32_t>, 4>& positions,
                                     const ScrollParameters& active);

inline constexpr int WINDOW_OUTER_WIDTH = 560;
inline constexpr int WINDOW_OUTER_HEIGHT = 730;
inline constexpr uint32_t WINDOW_STYLE = 0x00CA0000; // caption, system menu, minimise box
inline constexpr int HEADER_BAND_HEIGHT = 6;
inline constexpr int CARD_CORNER = 18;

// The 96-DPI client area is what the outer size leaves inside a frame of frameWidth96 x
// frameHeight96 pixels at 96 DPI; at any scale the client area is that one scaled.
struct PixelSize {
    int width, height;
};
PixelSize clientSize(int frameWidth96, int frameHeight96, int dpi);

// The two cards over a client area whose right edge is `clientRight`.
DrawnRect stateCard(int clientRight, int dpi);
DrawnRect parameterCard(int clientRight, int dpi);
