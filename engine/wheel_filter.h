#pragma once

#include "engine/engine_state.h"

#include <cstdint>

inline constexpr uintptr_t WHEEL_MESSAGE_VERTICAL = 522;   // WM_MOUSEWHEEL
inline constexpr uintptr_t WHEEL_MESSAGE_HORIZONTAL = 526; // WM_MOUSEHWHEEL
inline constexpr uint32_t INJECTED_FLAG = 1;               // LLMHF_INJECTED
inline constexpr int32_t NOTCH_SIZE = 120;
// "RLV3": the tag every wheel event of ours carries in its extra information.
inline constexpr uintptr_t INJECTION_TAG = 0x524C5633;
inline constexpr uint64_t NO_PREVIOUS_NOTCH_GAP_MS = 9999;

enum class HookVerdict { passOn, swallow };

// The wheel delta is the signed high word of the event's mouse data.
inline int16_t wheelDeltaOf(uint32_t mouseData) {
    return static_cast<int16_t>(static_cast<uint16_t>(mouseData >> 16));
}

// Is this a real wheel event the hook may take: an action, while no stop is asked for, of a
// wheel with a delta, neither ours nor anyone's injected?
bool isRealWheelEvent(const EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                      uintptr_t extraInfo, int16_t delta);
// A whole multiple of a notch; high-resolution wheels send less.
bool isWholeNotch(int32_t delta);

// The amount a notch of `delta` is worth `gapMs` after the previous one.
int32_t acceleratedAmount(int32_t delta, uint64_t gapMs, int32_t stepPercent,
                          int32_t maxAccelerationPercent, int32_t accelerationWindowMs);

// Measures the gap since the axis's previous notch and adds the amount to its pending amount,
// clamped; with the parameters of `setting`, a profile id or PROGRAM_LIKE_EVERYWHERE for the
// active ones.
void acceptNotch(EngineState& state, int32_t delta, uint64_t nowTick,
                 int32_t setting = PROGRAM_LIKE_EVERYWHERE, Axis axis = AXIS_VERTICAL);
// Hands a reversed notch the effect does not smooth to the animator, to send whole, clamped.
void sendWhole(EngineState& state, Axis axis, int32_t delta);

// What a notch for a top-level window gets: nothing of ours (PROGRAM_OFF: the user keeps the
// effect out of the program; PROGRAM_UNTOUCHED: it outranks us and Windows would drop our
// events), the window's profile (PROGRAM_LIKE_EVERYWHERE) or one of its own. The answer is
// remembered per window and process (a window handle may be reused by another process).
struct TargetVerdict {
    uintptr_t window = 0;
    uint32_t processId = 0;
    int32_t setting = PROGRAM_LIKE_EVERYWHERE;
};

inline constexpr int TARGET_CACHE_SIZE = 8;

// Owned by the hook thread alone.
struct TargetCache {
    TargetVerdict entries[TARGET_CACHE_SIZE]{};
    int next = 0;
};

// A verdict, and whether it may be kept for the window (not where the window did not show
// yet what it will hold).
struct ProgramVerdict {
    int32_t setting = PROGRAM_LIKE_EVERYWHERE;
    bool lasting = true;
};

// The setting for a notch aimed at `window` of process `processId`; `verdictOf()` is asked once
// per window and process while its answers last.
template <typename VerdictOf>
int32_t cachedTargetSetting(TargetCache& cache, uintptr_t window, uint32_t processId,
                            VerdictOf verdictOf) {
    for (const TargetVerdict& entry : cache.entries) {
        if (entry.window == window && entry.processId == processId && window != 0) {
            return entry.setting;
        }
    }
    const ProgramVerdict verdict = verdictOf();
    if (verdict.lasting) {
        cache.entries[cache.next] = {window, processId, verdict.setting};
        cache.next = (cache.next + 1) % TARGET_CACHE_SIZE;
    }
    return verdict.setting;
}

// A full-screen program pauses the effect on its own monitor only: `pausedMonitor` is its
// monitor (0 while there is none), `monitorOf` gives the monitor of the top-level window the
// notch is aimed at (0 when no window is there: then the pause holds).
template <typename MonitorOf>
bool pausedForFullScreen(uintptr_t pausedMonitor, uintptr_t window, MonitorOf monitorOf) {
    return pausedMonitor != 0 && (window == 0 || monitorOf(window) == pausedMonitor);
}

// The hook's whole decision. While the effect is on, a whole notch is smoothed on its axis (the
// horizontal one while "SmoothHorizontal" is on, or as a vertical notch with Shift held when
// "ShiftScrollsSideways" is on, down turning right). Where the user keeps the effect out (a
// program set off, a full-screen program, a window that outranks us) the notch passes exactly
// as it came: games filter injected input. Elsewhere a notch the effect does not smooth passes
// on, or when its axis is reversed is swallowed and sent whole the other way round. The target
// is asked, and the tick read, only for an event that could be taken, so that everything else
// costs no system call; `targetSetting` covers where it goes and what is held with it.
template <typename ReadTick, typename TargetSetting, typename ShiftHeld>
HookVerdict filterWheelEvent(EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                             uintptr_t extraInfo, int16_t delta, ReadTick readTick,
                             TargetSetting targetSetting, ShiftHeld shiftHeld) {
    if (!isRealWheelEvent(state, hookCode, message, flags, extraInfo, delta)) {
        return HookVerdict::passOn;
    }
    const Axis wheel = message == WHEEL_MESSAGE_VERTICAL ? AXIS_VERTICAL : AXIS_HORIZONTAL;
    const bool reversed = state.reversed[wheel].load(std::memory_order_relaxed);
    const bool effect = state.effectEnabled.load();
    if (!effect && !reversed) {
        return HookVerdict::passOn;
    }
    const int32_t setting = targetSetting();
    if (setting == PROGRAM_UNTOUCHED || setting == PROGRAM_OFF) {
        return HookVerdict::passOn;
    }
    const int32_t turned = reversed ? -int32_t{delta} : int32_t{delta};
    if (effect && isWholeNotch(delta)) {
        if (wheel == AXIS_VERTICAL && state.shiftScrollsSideways.load(std::memory_order_relaxed) &&
            shiftHeld()) {
            acceptNotch(state, -turned, readTick(), setting, AXIS_HORIZONTAL);
            return HookVerdict::swallow;
        }
        if (wheel == AXIS_VERTICAL || state.smoothHorizontal.load(std::memory_order_relaxed)) {
            acceptNotch(state, turned, readTick(), setting, wheel);
            return HookVerdict::swallow;
        }
    }
    if (!reversed) {
        return HookVerdict::passOn;
    }
    sendWhole(state, wheel, turned);
    return HookVerdict::swallow;
}

template <typename ReadTick, typename TargetSetting>
HookVerdict filterWheelEvent(EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                             uintptr_t extraInfo, int16_t delta, ReadTick readTick,
                             TargetSetting targetSetting) {
    return filterWheelEvent(state, hookCode, message, flags, extraInfo, delta, readTick,
                            targetSetting, [] { return false; });
}

template <typename ReadTick>
HookVerdict filterWheelEvent(EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                             uintptr_t extraInfo, int16_t delta, ReadTick readTick) {
    return filterWheelEvent(state, hookCode, message, flags, extraInfo, delta, readTick,
                            [] { return PROGRAM_LIKE_EVERYWHERE; });
}
