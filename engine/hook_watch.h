#pragma once

#include <cstdint>

// Windows removes a low-level hook without a word when its procedure is slow to return (after
// a resume, under heavy load). The refresh timer compares the system's last input with the
// last event the hook saw. The system counts keystrokes too, and every reinstall moves our hook
// ahead of other mouse tools in the chain: only a pointer that moved since the hook's last
// event tells of mouse input the hook missed, and reinstalls are spaced out.
inline constexpr uint32_t HOOK_SILENCE_LIMIT_MS = 2'000;
inline constexpr uint64_t HOOK_REINSTALL_SPACING_MS = 5'000;

struct HookWatch {
    uint64_t lastReinstallTick = 0;
    bool reinstalled = false;
    // The system's last input at the previous look: only input newer than it is judged.
    uint32_t systemInputJudged = 0;
    bool judgedOnce = false;
};

// A screen point in physical pixels, as one atomic value.
inline uint64_t packPoint(int32_t x, int32_t y) {
    return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
}

// Where the pointer is now, packed; false when it cannot be read. It is a call into the system,
// so it is asked only when the system has seen new input that the hook did not.
using PointerReader = bool (*)(uint64_t& pointer);

// Both input times are 32-bit millisecond ticks, which wrap after 49.7 days; the point is where
// the hook's last event had the pointer.
bool hookLooksRemoved(HookWatch& watch, uint32_t lastSystemInput, uint32_t lastHookEvent,
                      uint64_t pointerAtHookEvent, uint64_t nowTick, PointerReader readPointer);

void noteReinstallRequested(HookWatch& watch, uint64_t nowTick);
