#pragma once

#include "engine/engine_state.h"

#include <array>
#include <cstdint>

inline constexpr int64_t TICK_PERIOD_NS = 4'000'000;
inline constexpr int64_t RESYNC_THRESHOLD_NS = 20'000'000;
// How long a parked animator keeps the raised timer resolution, for the next notch.
inline constexpr int64_t TIMER_HOLD_NS = 1'000'000'000;
inline constexpr int PULSE_QUEUE_LIMIT = 64;
inline constexpr int32_t MAX_UNITS_PER_EVENT = 48;

// The most that may be outstanding (in the pulses and the remainder) after a drain, so that a
// movement ends one tail after the last notch however fast the wheel spun: what the ticks of
// one tail can send, less a tenth: the curve starts slowly, and a fresh pulse holding all of
// it would end late.
double outstandingLimit(int32_t durationMs);

// The eased share of a pulse reached at t (0..1): smooth start, exponential ease-out.
double easeCurve(double t);

struct Pulse {
    double amount;
    double progress;
    int64_t startTime; // ns of the monotonic clock
    int32_t durationMs;
};

// Fixed storage: the hot path never allocates.
struct PulseQueue {
    std::array<Pulse, PULSE_QUEUE_LIMIT> pulses{};
    int count = 0;

    bool empty() const { return count == 0; }
    bool full() const { return count == PULSE_QUEUE_LIMIT; }
    void clear() { count = 0; }
    void append(const Pulse& pulse) { pulses[count++] = pulse; }
    Pulse& newest() { return pulses[count - 1]; }
    void removeAt(int index);
};

// One axis's movement: its pulses, the units produced and not yet sent, its direction.
struct AxisAnimation {
    PulseQueue pulseQueue;
    double remainder = 0.0;
    int lastDirection = 0;
    // Signed sum of the units that the outstanding limit dropped; only reports read it.
    int64_t boundDroppedUnits = 0;
};

// Everything the animator thread owns; nothing else touches it.
struct AnimatorState {
    std::array<AxisAnimation, AXES> axes;
    int64_t deadline = 0;
    bool timerResolutionRaised = false;
};

// The animator's platform: a monotonic clock, a sleep, a wait for a wake, the injector and the
// timer set-up.
class AnimatorPlatform {
  public:
    virtual ~AnimatorPlatform() = default;
    virtual int64_t nowNs() = 0;
    // Sleeps at least this long, as precisely as the platform can.
    virtual void sleepNs(int64_t nanoseconds) = 0;
    // Waits for EngineUi::wakeAnimator, at most timeoutNs (< 0: no limit); false on the
    // timeout. A wake signalled before the wait ends it at once. A platform without such a
    // wait polls: one tick's sleep, then a wake that may find nothing to do.
    virtual bool waitForWake(int64_t /*timeoutNs*/) {
        sleepNs(TICK_PERIOD_NS);
        return true;
    }
    // Injects one tagged wheel event on the axis; false when the system did not insert it.
    virtual bool injectWheel(int32_t amount, Axis axis) = 0;
    // Whether injected input can reach the user at all: not from a window station without
    // input, such as a service's. A refusal anywhere else is passing: a locked workstation,
    // the secure desktop, another session with the input, another program's BlockInput.
    virtual bool injectionCanWork() { return true; }
    virtual bool raiseTimerResolution() { return false; }
    virtual void lowerTimerResolution() {}
    virtual void raiseThreadPriority() {}
};

// Drops the pulses, the remainders and the directions of both axes; what is pending stays.
void clearAnimator(AnimatorState& animator);

// Thread start steps; returns false when a stop was requested before the first tick.
bool startAnimator(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform);
// No pulse, no rest of half a unit or more on either axis, no whole notch to send, and with the
// effect on nothing pending and no reset asked for (with it off, notches are not taken and a
// reset waits for it to come on).
bool animatorIdle(const AnimatorState& animator, const EngineState& state);
// Raises animatorParked, looks for work once more, and waits for a wake when there is none;
// the timer resolution goes back after TIMER_HOLD_NS parked.
void parkAnimator(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform);
// Advances the deadline by one period, waits for it, and resynchronises when far behind.
void waitForNextTick(AnimatorState& animator, AnimatorPlatform& platform);
// One tick's work after the wait: send the whole notches, drain, advance the pulses, inject at
// most one event per axis.
void animateTick(AnimatorState& animator, EngineState& state, AnimatorPlatform& platform);
void stopAnimator(AnimatorState& animator, AnimatorPlatform& platform);

// The whole thread body: start, ticks while there is work, parks while there is none, until
// stopRequested; the first tick after a park runs at once.
void runAnimator(EngineState& state, AnimatorPlatform& platform);
