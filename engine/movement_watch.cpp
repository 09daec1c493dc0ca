#include "engine/movement_watch.h"

#include <initializer_list>

namespace {

bool inFlight(MovementWatch& watch, uint32_t eventTime) {
    if (watch.lastsMs == 0) {
        return false;
    }
    if (eventTime - watch.notedAt > watch.lastsMs) {
        watch.lastsMs = 0;
        return false;
    }
    return true;
}

bool end(MovementWatch& watch) {
    watch.lastsMs = 0;
    return true;
}

// The virtual-key codes; the keyboard hook gives the sided ones, injected input may give the
// plain ones, which count as the left key.
struct ModifierKey {
    uint32_t virtualKey;
    uint8_t side;
    uint8_t modifier;
};
constexpr ModifierKey MODIFIER_KEYS[] = {
    {0x10, 0x01, MODIFIER_SHIFT}, {0xA0, 0x01, MODIFIER_SHIFT}, {0xA1, 0x02, MODIFIER_SHIFT},
    {0x11, 0x04, MODIFIER_CTRL},  {0xA2, 0x04, MODIFIER_CTRL},  {0xA3, 0x08, MODIFIER_CTRL},
    {0x12, 0x10, MODIFIER_ALT},   {0xA4, 0x10, MODIFIER_ALT},   {0xA5, 0x20, MODIFIER_ALT},
};

} // namespace

void noteMovement(MovementWatch& watch, const MovementNotch& notch, uint32_t eventTime,
                  int32_t durationMs) {
    constexpr int32_t heldBackMs = 200;
    watch.window = notch.window;
    watch.area = notch.area;
    watch.followsPointer = notch.followsPointer;
    watch.modifiersAtNotch = notch.modifiers;
    watch.notedAt = eventTime;
    watch.lastsMs = static_cast<uint32_t>(durationMs + heldBackMs);
}

bool endsMovement(MovementWatch& watch, uintptr_t message, int32_t x, int32_t y,
                  uint32_t eventTime) {
    if (!inFlight(watch, eventTime)) {
        return false;
    }
    for (const uintptr_t buttonDown : MOUSE_MESSAGE_BUTTONS_DOWN) {
        if (message == buttonDown) {
            return end(watch);
        }
    }
    const ScreenRect& a = watch.area;
    const bool outside = x < a.left || x >= a.right || y < a.top || y >= a.bottom;
    return message == MOUSE_MESSAGE_MOVE && outside && watch.followsPointer && end(watch);
}

bool focusEndsMovement(MovementWatch& watch, uintptr_t focus, uint32_t eventTime) {
    return !watch.followsPointer && focus != watch.window && inFlight(watch, eventTime) &&
           end(watch);
}

bool keysEndMovement(MovementWatch& watch, uint8_t held, uint32_t eventTime) {
    return (held & ~watch.modifiersAtNotch) != 0 && inFlight(watch, eventTime) && end(watch);
}

uint8_t noteModifierKey(ModifierKeys& keys, uint32_t virtualKey, bool down) {
    for (const ModifierKey& key : MODIFIER_KEYS) {
        if (key.virtualKey == virtualKey) {
            keys.sides =
                static_cast<uint8_t>(down ? keys.sides | key.side : keys.sides & ~key.side);
        }
    }
    return modifiersHeld(keys);
}

uint8_t resetModifierKeys(ModifierKeys& keys, uint8_t held) {
    uint8_t sides = 0;
    for (const uint8_t modifier : {MODIFIER_CTRL, MODIFIER_ALT, MODIFIER_SHIFT}) {
        uint8_t both = 0;
        uint8_t left = 0;
        for (const ModifierKey& key : MODIFIER_KEYS) {
            if (key.modifier == modifier) {
                both |= key.side;
                left = left ? left : key.side;
            }
        }
        // The keys' own events know which side is down; a reading only that one is.
        if (held & modifier) {
            sides |= (keys.sides & both) ? (keys.sides & both) : left;
        }
    }
    keys.sides = sides;
    return held;
}

uint8_t modifiersHeld(const ModifierKeys& keys) {
    uint8_t held = 0;
    for (const ModifierKey& key : MODIFIER_KEYS) {
        if (keys.sides & key.side) {
            held |= key.modifier;
        }
    }
    return held;
}
