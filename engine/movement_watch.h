#pragma once

#include <cstdint>

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

// Ctrl, Alt and Shift, as one small mask.
inline constexpr uint8_t MODIFIER_CTRL = 1;
inline constexpr uint8_t MODIFIER_ALT = 2;
inline constexpr uint8_t MODIFIER_SHIFT = 4;

// The movement stays with its intent: the window the wheel went to at its latest notch and the
// keys held then. Rolvane sends its steps where Windows sends the wheel, so the rest of a
// movement must not reach another window, and a key pressed after the notch changes what a
// wheel message means (Ctrl zooms, Alt zooms in image editors, Shift scrolls sideways). The
// hook thread owns it. Mice report up to 8,000 times a second: a mouse event costs a few
// comparisons of these values, no system call.
struct MovementWatch {
    // The window that received the wheel, and its area in physical pixels: the pane under the
    // pointer, or a top-level window's visible frame.
    uintptr_t window = 0;
    ScreenRect area{};
    // Under pointer routing the wheel follows the pointer out of the window; under focus
    // routing it stays with the focus, wherever the pointer goes.
    bool followsPointer = true;
    uint8_t modifiersAtNotch = 0;
    uint32_t notedAt = 0;
    uint32_t lastsMs = 0; // 0: no movement to watch
};

struct MovementNotch {
    uintptr_t window;
    ScreenRect area;
    bool followsPointer;
    uint8_t modifiers;
};

// The mouse messages that end a movement, with the platform's values.
inline constexpr uintptr_t MOUSE_MESSAGE_MOVE = 0x200;
inline constexpr uintptr_t MOUSE_MESSAGE_BUTTONS_DOWN[] = {0x201, 0x204, 0x207, 0x20B};

// At an accepted notch, with its event time (32-bit ms) and its pulse length. The movement may
// run that long after the last notch, and a little more for the rest held back by the
// per-event limit.
void noteMovement(MovementWatch& watch, const MovementNotch& notch, uint32_t eventTime,
                  int32_t durationMs);
// For any other mouse event: true when it ends the movement in flight (the pointer leaving the
// window the wheel follows, a button going down as a touch stops a fling), which is then over.
bool endsMovement(MovementWatch& watch, uintptr_t message, int32_t x, int32_t y,
                  uint32_t eventTime);
// The focus moved to `focus`: it ends a movement whose wheel goes to the focus window.
bool focusEndsMovement(MovementWatch& watch, uintptr_t focus, uint32_t eventTime);
// A key event changed the modifiers to `held`: one that was up at the last notch and is down
// now ends the movement. The Shift that turned a notch sideways was down at it.
bool keysEndMovement(MovementWatch& watch, uint8_t held, uint32_t eventTime);

// The modifier keys as the keyboard's own events tell them, each side on its own: releasing one
// Ctrl while the other is down leaves Ctrl held.
struct ModifierKeys {
    uint8_t sides = 0;
};

// Takes a key event (a virtual-key code, down or up) and returns the modifiers held after it.
uint8_t noteModifierKey(ModifierKeys& keys, uint32_t virtualKey, bool down);
// Sets the state from a reading of the keys, as at a notch; returns it.
uint8_t resetModifierKeys(ModifierKeys& keys, uint8_t held);
uint8_t modifiersHeld(const ModifierKeys& keys);
