#include "engine/animator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const double e1 = std::exp(-1.0);
const double curveNorm = (1.0 - std::exp(-2.0)) * (1.0 - e1) + e1;

int32_t roundTowardZero(double value) {
    return static_cast<int32_t>(value > 0 ? std::floor(value) : std::ceil(value));
}

// What is outstanding: units the pulses have still to produce, and those produced and not sent.
double outstandingUnits(const AxisAnimation& axis) {
    double units = axis.remainder;
    const PulseQueue& queue = axis.pulseQueue;
    for (int i = 0; i < queue.count; ++i) {
        units += queue.pulses[i].amount * (1.0 - queue.pulses[i].progress);
    }
    return units;
}

void clearAxis(AxisAnimation& axis) {
    axis.pulseQueue.clear();
    axis.remainder = 0.0;
    axis.lastDirection = 0;
}

void drainPending(AxisAnimation& axis, EngineState& state, Axis which, int64_t now) {
    const int32_t taken = pendingOf(state, which).exchange(0);
    if (taken == 0) {
        return;
    }
    const int direction = taken > 0 ? 1 : -1;
    if (axis.lastDirection != 0 && axis.lastDirection != direction) {
        // Reversing the wheel drops what is still in flight the other way.
        clearAxis(axis);
    }
    axis.lastDirection = direction;
    // More than the ticks of one tail can send would keep the page moving long after the
    // wheel stopped: what a free-spinning wheel adds beyond that is dropped.
    const int32_t ownDurationMs = pendingDurationOf(state, which).load(std::memory_order_acquire);
    const int32_t durationMs = ownDurationMs > 0 ? ownDurationMs : state.smoothDurationMs.load();
    const double room = outstandingLimit(durationMs) - direction * outstandingUnits(axis);
    const int64_t size = std::abs(int64_t{taken});
    const int64_t keptSize = room >= double(size) ? size : room > 0.0 ? int64_t(room) : 0;
    axis.boundDroppedUnits += direction * (size - keptSize);
    if (keptSize == 0) {
        return;
    }
    const double kept = double(direction * keptSize);
    if (!axis.pulseQueue.full()) {
        axis.pulseQueue.append({kept, 0.0, now, durationMs});
        return;
    }
    // A full queue merges into the newest pulse. Scaling by what is left of its curve makes
    // it still deliver every merged unit; only a pulse at its very end can't take more.
    Pulse& newest = axis.pulseQueue.newest();
    const double left = 1.0 - newest.progress;
    if (left > 1e-6) {
        newest.amount += kept / left;
    } else {
        axis.remainder += kept;
    }
}

void advancePulses(AxisAnimation& axis, int64_t now) {
    PulseQueue& queue = axis.pulseQueue;
    for (int i = 0; i < queue.count;) {
        Pulse& pulse = queue.pulses[i];
        double t = 1.0;
        if (pulse.durationMs > 0) {
            t = (double(now - pulse.startTime) / 1e6) / pulse.durationMs;
            t = std::clamp(t, 0.0, 1.0);
        }
        const double eased = easeCurve(t);
        axis.remainder += (eased - pulse.progress) * pulse.amount;
        pulse.progress = eased;
        if (t >= 1.0) {
            queue.removeAt(i);
        } else {
            ++i;
        }
    }
}

// The units this tick sends on the axis: the whole part of what the pulses produced, or at the
// end of a movement its last half unit or more.
struct Step {
    int32_t units = 0;
    bool finalFlush = false;
};

Step stepOf(AxisAnimation& axis) {
    const bool queueEmpty = axis.pulseQueue.empty();
    // While the per-event limit still holds whole units back, the movement is not over: a
    // notch the other way must drop that backlog like any reversal, not be netted against it.
    if (queueEmpty && std::fabs(axis.remainder) < 1.0) {
        axis.lastDirection = 0;
    }
    Step step{roundTowardZero(std::clamp(axis.remainder, -1e9, 1e9))};
    step.finalFlush = queueEmpty && step.units == 0 && std::fabs(axis.remainder) >= 0.5;
    if (step.finalFlush) {
        step.units = static_cast<int32_t>(std::round(axis.remainder));
    }
    step.units = std::clamp(step.units, -MAX_UNITS_PER_EVENT, MAX_UNITS_PER_EVENT);
    return step;
}

// Reversed notches where the effect is off or kept out go out whole, whatever the effect's
// state; a refusal costs only them.
void sendWholeNotches(EngineState& state, AnimatorPlatform& platform) {
    for (const Axis axis : {AXIS_VERTICAL, AXIS_HORIZONTAL}) {
        if (const int32_t units = state.pendingWhole[axis].exchange(0)) {
            platform.injectWheel(units, axis);
        }
    }
}

} // namespace

double outstandingLimit(int32_t durationMs) {
    const double ticks = durationMs / (double(TICK_PERIOD_NS) / 1e6);
    return MAX_UNITS_PER_EVENT * ticks * 0.9;
}

double easeCurve(double t) {
    if (t >= 1.0) {
        return 1.0;
    }
    const double u = 3.0 * t;
    if (u < 1.0) {
        return (u - (1.0 - std::exp(-u))) / curveNorm;
    }
    return ((1.0 - std::exp(-(u - 1.0))) * (1.0 - e1) + e1) / curveNorm;
}

void PulseQueue::removeAt(int index) {
    std::copy(pulses.begin() + index + 1, pulses.begin() + count, pulses.begin() + index);
    --count;
}

void clearAnimator(AnimatorState& animator) {
    for (AxisAnimation& axis : animator.axes) {
        clearAxis(axis);
    }
}

bool startAnimator(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform) {
    animator = AnimatorState{};
    platform.raiseThreadPriority();
    return !state.stopRequested.load();
}

bool animatorIdle(const AnimatorState& animator, const EngineState& state) {
    for (const AxisAnimation& axis : animator.axes) {
        if (!axis.pulseQueue.empty() || std::fabs(axis.remainder) >= 0.5) {
            return false;
        }
    }
    return state.pendingWhole[AXIS_VERTICAL].load() == 0 &&
           state.pendingWhole[AXIS_HORIZONTAL].load() == 0 &&
           (!state.effectEnabled.load() ||
            (state.pendingDelta.load() == 0 && state.pendingHorizontalDelta.load() == 0 &&
             !state.resetRequested.load()));
}

void parkAnimator(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform) {
    state.animatorParked.store(true);
    // Work given before the flag was up found no one to wake: it is seen here instead.
    if (animatorIdle(animator, state) && !state.stopRequested.load()) {
        const int64_t timeout = animator.timerResolutionRaised ? TIMER_HOLD_NS : -1;
        if (!platform.waitForWake(timeout)) {
            platform.lowerTimerResolution();
            animator.timerResolutionRaised = false;
            platform.waitForWake(-1);
        }
    }
    state.animatorParked.store(false);
}

void waitForNextTick(AnimatorState& animator, AnimatorPlatform& platform) {
    animator.deadline += TICK_PERIOD_NS;
    int64_t now = platform.nowNs();
    while (now < animator.deadline) {
        platform.sleepNs(animator.deadline - now);
        now = platform.nowNs();
    }
    if (animator.deadline + RESYNC_THRESHOLD_NS < now) {
        animator.deadline = now;
    }
}

void animateTick(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform) {
    sendWholeNotches(state, platform);
    if (!state.effectEnabled.load()) {
        clearAnimator(animator);
        state.pendingDelta.exchange(0);
        state.pendingHorizontalDelta.exchange(0);
        return;
    }
    // The operation that asked for the reset cleared what was pending itself: whatever is
    // there now came after it, was swallowed by the hook, and starts the fresh movement at once.
    if (state.resetRequested.exchange(false)) {
        clearAnimator(animator);
    }
    // One clock read serves the new pulses' start and this tick's evaluation.
    const int64_t now = platform.nowNs();
    std::array<Step, AXES> steps;
    for (const Axis axis : {AXIS_VERTICAL, AXIS_HORIZONTAL}) {
        drainPending(animator.axes[axis], state, axis, now);
        advancePulses(animator.axes[axis], now);
        steps[axis] = stepOf(animator.axes[axis]);
    }
    if ((steps[AXIS_VERTICAL].units == 0 && steps[AXIS_HORIZONTAL].units == 0) ||
        !state.effectEnabled.load()) {
        return;
    }
    for (const Axis axis : {AXIS_VERTICAL, AXIS_HORIZONTAL}) {
        const Step& step = steps[axis];
        AxisAnimation& animation = animator.axes[axis];
        if (step.units == 0) {
            continue;
        }
        if (!platform.injectWheel(step.units, axis)) {
            // A refusal costs the movement, not the effect, which works again once the user
            // is back or the other program lets go.
            if (!platform.injectionCanWork()) {
                turnEffectOff(state);
            }
            clearAnimator(animator);
            return;
        }
        animation.remainder -= step.units;
        // Flushing a rest of exactly one half leaves one half of the other sign, which would
        // flush back and forth forever; such a rest ends here.
        if (step.finalFlush && std::fabs(animation.remainder) == 0.5) {
            animation.remainder = 0.0;
        }
    }
}

void stopAnimator(AnimatorState& animator, AnimatorPlatform& platform) {
    if (animator.timerResolutionRaised) {
        platform.lowerTimerResolution();
    }
    clearAnimator(animator);
}

void runAnimator(EngineState& state, AnimatorPlatform& platform) {
    AnimatorState animator;
    // The first tick after a park runs at once, and the 4 ms beat goes on from there.
    bool woken = true;
    startAnimator(animator, state, platform);
    while (!state.stopRequested.load()) {
        if (animatorIdle(animator, state)) {
            parkAnimator(animator, state, platform);
            woken = true;
            continue;
        }
        if (woken) {
            woken = false;
            if (!animator.timerResolutionRaised) {
                animator.timerResolutionRaised = platform.raiseTimerResolution();
            }
            animator.deadline = platform.nowNs();
        } else {
            waitForNextTick(animator, platform);
        }
        animateTick(animator, state, platform);
    }
    stopAnimator(animator, platform);
}
