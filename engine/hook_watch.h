#pragma once

#include <cstdint>

// Windows removes a low-level hook without a word when its procedure is slow to return (after
// a resume, under heavy load). The refresh timer compares the system's last input with the
// last event the hook saw; keyboard input counts for the system too, so a reinstall must be
// harmless when the alarm is false, and they are spaced out.
inline constexpr uint32_t HOOK_SILENCE_LIMIT_MS = 2'000;
inline constexpr uint64_t HOOK_REINSTALL_SPACING_MS = 5'000;

struct HookWatch {
    uint64_t lastReinstallTick = 0;
    bool reinstalled = false;
};

// Both input times are 32-bit millisecond ticks, which wrap after 49.7 days.
bool hookLooksRemoved(const HookWatch& watch, uint32_t lastSystemInput, uint32_t lastHookEvent,
                      uint64_t nowTick);

void noteReinstallRequested(HookWatch& watch, uint64_t nowTick);
