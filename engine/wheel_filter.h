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

// Is this a real whole-notch vertical wheel event that the effect takes over?
bool isNotchToSwallow(const EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                      uintptr_t extraInfo, int16_t delta);

// The amount a notch of `delta` is worth `gapMs` after the previous one.
int32_t acceleratedAmount(int16_t delta, uint64_t gapMs, int32_t stepPercent,
                          int32_t maxAccelerationPercent, int32_t accelerationWindowMs);

// Measures the gap since the previous notch and adds the amount to pendingDelta, clamped.
void acceptNotch(EngineState& state, int16_t delta, uint64_t nowTick);

// The hook's whole decision. The tick is read only for an accepted notch, so that
// everything passed on costs no system call.
template <typename ReadTick>
HookVerdict filterWheelEvent(EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                             uintptr_t extraInfo, int16_t delta, ReadTick readTick) {
    if (!isNotchToSwallow(state, hookCode, message, flags, extraInfo, delta)) {
        return HookVerdict::passOn;
    }
    acceptNotch(state, delta, readTick());
    return HookVerdict::swallow;
}
