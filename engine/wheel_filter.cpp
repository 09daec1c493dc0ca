#include "engine/wheel_filter.h"

#include <algorithm>
#include <cmath>

bool isNotchToSwallow(const EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                      uintptr_t extraInfo, int16_t delta) {
    if (hookCode != 0) {
        return false;
    }
    if (!state.effectEnabled.load()) {
        return false;
    }
    if (state.stopRequested.load()) {
        return false;
    }
    if (message != WHEEL_MESSAGE_VERTICAL && message != WHEEL_MESSAGE_HORIZONTAL) {
        return false;
    }
    if (flags & INJECTED_FLAG) {
        return false;
    }
    if (extraInfo == INJECTION_TAG) {
        return false;
    }
    if (message != WHEEL_MESSAGE_VERTICAL) {
        return false;
    }
    if (delta == 0) {
        return false;
    }
    const int32_t magnitude = delta < 0 ? -int32_t{delta} : int32_t{delta};
    return magnitude % NOTCH_SIZE == 0;
}

int32_t acceleratedAmount(int16_t delta, uint64_t gapMs, int32_t stepPercent,
                          int32_t maxAccelerationPercent, int32_t accelerationWindowMs) {
    double closeness = 0.0;
    if (accelerationWindowMs > 0 && gapMs < static_cast<uint64_t>(accelerationWindowMs)) {
        closeness = 1.0 - static_cast<double>(gapMs) / accelerationWindowMs;
    }
    const double gain = 1.0 + (maxAccelerationPercent / 100.0 - 1.0) * closeness;
    const double amount = ((gain * delta) * stepPercent) / 100.0;
    // std::round rounds halves away from zero.
    return static_cast<int32_t>(std::round(amount));
}

void acceptNotch(EngineState& state, int16_t delta, uint64_t nowTick, int32_t setting) {
    const uint64_t previous = state.lastNotchTick.exchange(nowTick);
    const uint64_t gap =
        (previous == 0 || nowTick < previous) ? NO_PREVIOUS_NOTCH_GAP_MS : nowTick - previous;
    const ScrollParameters parameters = parametersOfProfile(state, setting);
    const int32_t amount =
        acceleratedAmount(delta, gap, parameters.stepPercent, parameters.maxAccelerationPercent,
                          parameters.accelerationWindowMs);
    // Before the amount: the animator that takes the amount sees the length that goes with it.
    state.pendingDurationMs.store(
        setting == PROGRAM_LIKE_EVERYWHERE ? 0 : parameters.smoothDurationMs,
        std::memory_order_release);

    int32_t current = state.pendingDelta.load();
    int32_t next;
    do {
        next = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{current} + amount, -pendingDeltaLimit, pendingDeltaLimit));
    } while (!state.pendingDelta.compare_exchange_weak(current, next));
    wakeAnimator(state);
}
