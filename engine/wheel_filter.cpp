#include "engine/wheel_filter.h"

#include <algorithm>
#include <cmath>

bool isRealWheelEvent(const EngineState& state, int hookCode, uintptr_t message, uint32_t flags,
                      uintptr_t extraInfo, int16_t delta) {
    if (hookCode != 0) {
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
    return delta != 0;
}

bool isWholeNotch(int32_t delta) {
    return delta % NOTCH_SIZE == 0;
}

namespace {

void addClamped(std::atomic<int32_t>& pending, int32_t amount) {
    int32_t current = pending.load();
    int32_t next;
    do {
        next = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{current} + amount, -pendingDeltaLimit, pendingDeltaLimit));
    } while (!pending.compare_exchange_weak(current, next));
}

} // namespace

int32_t acceleratedAmount(int32_t delta, uint64_t gapMs, int32_t stepPercent,
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

void acceptNotch(EngineState& state, int32_t delta, uint64_t nowTick, int32_t setting, Axis axis) {
    const uint64_t previous = lastNotchTickOf(state, axis).exchange(nowTick);
    const uint64_t gap =
        (previous == 0 || nowTick < previous) ? NO_PREVIOUS_NOTCH_GAP_MS : nowTick - previous;
    const ScrollParameters parameters = parametersOfProfile(state, setting);
    const int32_t amount =
        acceleratedAmount(delta, gap, parameters.stepPercent, parameters.maxAccelerationPercent,
                          parameters.accelerationWindowMs);
    // Before the amount: the animator that takes the amount sees the length that goes with it.
    pendingDurationOf(state, axis)
        .store(setting == PROGRAM_LIKE_EVERYWHERE ? 0 : parameters.smoothDurationMs,
               std::memory_order_release);
    addClamped(pendingOf(state, axis), amount);
    wakeAnimator(state);
}

void sendWhole(EngineState& state, Axis axis, int32_t delta) {
    addClamped(state.pendingWhole[axis], delta);
    wakeAnimator(state);
}
