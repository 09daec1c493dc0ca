// The animator over random pending amounts, clock jumps, resets, effect changes and failing
// injections. Besides the ranges, every tick is checked to lose nothing: what was in flight
// before it plus what it took equals what it injected plus what is in flight after it, unless
// the tick cleared, reversed or failed.
#include "engine/animator.h"
#include "engine/engine_state.h"
#include "fuzz_input.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t msToNs = 1'000'000;
// Far enough for any jump forward, and far from the end of the clock's range.
constexpr int64_t clockLimit = int64_t{1} << 60;

int posts = 0;

class FuzzPlatform final : public AnimatorPlatform {
  public:
    explicit FuzzPlatform(EngineState& state) : state(state) {}

    int64_t now = 0;
    bool failNext = false;
    bool timerResolution = true;
    int injectedThisTick = 0;
    int32_t lastInjected = 0;

    int64_t nowNs() override { return now; }
    void sleepMs(uint32_t milliseconds) override {
        FUZZ_CHECK(milliseconds > 0, "slept 0 ms");
        now += int64_t{milliseconds} * msToNs;
    }
    bool injectWheel(int32_t amount) override {
        FUZZ_CHECK(state.effectEnabled, "injected with the effect off");
        FUZZ_CHECK(amount != 0 && amount >= -MAX_UNITS_PER_EVENT && amount <= MAX_UNITS_PER_EVENT,
                   "injected %d", amount);
        ++injectedThisTick;
        lastInjected = amount;
        if (failNext) {
            failNext = false;
            return false;
        }
        return true;
    }
    bool raiseTimerResolution() override { return timerResolution; }

  private:
    EngineState& state;
};

// Units produced by the pulses or still to come from them.
double inFlight(const AnimatorState& animator) {
    double total = animator.remainder;
    for (int i = 0; i < animator.pulseQueue.count; ++i) {
        const Pulse& pulse = animator.pulseQueue.pulses[i];
        total += pulse.amount * (1.0 - pulse.progress);
    }
    return total;
}

double magnitude(const AnimatorState& animator) {
    double total = std::fabs(animator.remainder);
    for (int i = 0; i < animator.pulseQueue.count; ++i) {
        total += std::fabs(animator.pulseQueue.pulses[i].amount);
    }
    return total;
}

void checkShape(const AnimatorState& animator) {
    const PulseQueue& queue = animator.pulseQueue;
    FUZZ_CHECK(queue.count >= 0 && queue.count <= PULSE_QUEUE_LIMIT, "%d pulses", queue.count);
    FUZZ_CHECK(std::isfinite(animator.remainder), "remainder not finite");
    for (int i = 0; i < queue.count; ++i) {
        const Pulse& pulse = queue.pulses[i];
        // Just after its start the curve's first piece cancels to a few ulps below 0; harmless.
        FUZZ_CHECK(pulse.progress >= -1e-12 && pulse.progress <= 1.0 && std::isfinite(pulse.amount),
                   "pulse %d progress %f amount %f", i, pulse.progress, pulse.amount);
    }
}

void checkCleared(const AnimatorState& animator, const EngineState& state, const char* why) {
    FUZZ_CHECK(animator.pulseQueue.empty() && animator.remainder == 0.0 && state.pendingDelta == 0,
               "%s did not clear", why);
}

void tick(AnimatorState& animator, EngineState& state, FuzzPlatform& platform) {
    const bool enabled = state.effectEnabled;
    const bool reset = state.resetRequested;
    const int32_t taken = state.pendingDelta;
    const int lastDirection = animator.lastDirection;
    const double before = inFlight(animator);
    const double scale = magnitude(animator) + std::abs(taken) + 1.0;
    const bool willFail = platform.failNext;
    const int postsBefore = posts;
    platform.injectedThisTick = 0;
    platform.lastInjected = 0;

    animateTick(animator, state, platform);
    checkShape(animator);
    FUZZ_CHECK(platform.injectedThisTick <= 1, "%d events in one tick", platform.injectedThisTick);

    if (!enabled || reset) {
        checkCleared(animator, state, enabled ? "a reset" : "the effect off");
        FUZZ_CHECK(animator.lastDirection == 0, "a clear kept the direction");
        FUZZ_CHECK(platform.injectedThisTick == 0, "injected while clearing");
        FUZZ_CHECK(state.resetRequested == (reset && !enabled), "reset flag mishandled");
        return;
    }
    FUZZ_CHECK(state.pendingDelta == 0, "pending amount not taken");
    if (willFail && platform.injectedThisTick == 1) {
        FUZZ_CHECK(!state.effectEnabled && state.resetRequested && state.lastNotchTick == 0 &&
                       posts == postsBefore + 1,
                   "a failed injection did not turn the effect off with one message");
        // The direction may stay until the next tick, which clears with the effect off.
        checkCleared(animator, state, "a failed injection");
        return;
    }
    // A movement is over when no pulse and less than a whole unit is left of it (the rest before
    // this tick's event).
    const bool over = animator.pulseQueue.empty() &&
                      std::fabs(animator.remainder + platform.lastInjected) < 1.0;
    FUZZ_CHECK(!over || animator.lastDirection == 0, "direction kept after the movement ended");
    FUZZ_CHECK(posts == postsBefore, "a message without a failure");
    const double after = inFlight(animator) + platform.lastInjected;
    const bool reversed = taken != 0 && lastDirection != 0 && (taken > 0 ? 1 : -1) != lastDirection;
    const double expected = reversed ? taken : before + taken;
    const double lost = expected - after;
    const double tolerance = 1e-9 * scale + 1e-6;
    // A flushed rest of exactly one half is dropped rather than flushed back and forth.
    const bool halfDropped = std::fabs(std::fabs(lost) - 0.5) <= tolerance &&
                             animator.pulseQueue.empty() && animator.remainder == 0.0 &&
                             platform.injectedThisTick == 1;
    FUZZ_CHECK(std::fabs(lost) <= tolerance || halfDropped,
               "tick lost %.9f units (in flight %.6f, taken %d, injected %d, after %.6f)", lost,
               before, taken, platform.lastInjected, after);
}

void jumpClock(FuzzPlatform& platform, FuzzInput& input) {
    int64_t jump = 0;
    switch (input.byte() % 4) {
    case 0: // a late wake-up of up to about a quarter second
        jump = int64_t{input.u32() % 250'000'000};
        break;
    case 1: // far forwards: up to about 13 days
        jump = int64_t(input.u64() % (uint64_t{1} << 50));
        break;
    case 2: // backwards by up to about 4 s
        jump = -int64_t{input.u32()};
        break;
    default: // a few whole ticks
        jump = int64_t{input.byte() % 16} * TICK_PERIOD_NS;
        break;
    }
    platform.now = std::clamp<int64_t>(platform.now + jump, 0, clockLimit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    EngineState state;
    static int window = 0;
    state.mainWindow = &window;
    state.ui.postStateChanged = [](void*) { ++posts; };
    state.hookInstalled = true;
    state.effectEnabled = !input.flag();
    state.smoothDurationMs = input.inRange(smoothDurationMsRange.min, smoothDurationMsRange.max);

    FuzzPlatform platform(state);
    platform.now = int64_t{input.u32()} * 1000;
    platform.timerResolution = input.flag();
    AnimatorState animator;
    const bool stopFirst = input.byte() == 0xFF;
    state.stopRequested = stopFirst;
    const bool ticking = startAnimator(animator, state, platform);
    FUZZ_CHECK(ticking == !stopFirst, "start ignored the stop flag");
    while (ticking && !input.empty()) {
        switch (input.byte() % 10) {
        case 0: {
            // As the hook adds: clamped to the limit.
            const int32_t amount = input.inRange(-pendingDeltaLimit, pendingDeltaLimit);
            state.pendingDelta = std::clamp(state.pendingDelta + amount, -pendingDeltaLimit,
                                            pendingDeltaLimit);
            break;
        }
        case 1:
            state.resetRequested = true;
            break;
        case 2:
            if (input.flag()) {
                turnEffectOn(state);
            } else {
                turnEffectOff(state);
            }
            break;
        case 3:
            state.smoothDurationMs =
                input.inRange(smoothDurationMsRange.min, smoothDurationMsRange.max);
            break;
        case 4:
            jumpClock(platform, input);
            break;
        case 5:
            platform.failNext = true;
            break;
        case 6: {
            waitForNextTick(animator, platform);
            const int64_t now = platform.now;
            FUZZ_CHECK(animator.deadline <= now && animator.deadline >= now - RESYNC_THRESHOLD_NS,
                       "deadline %lld at clock %lld", (long long)animator.deadline, (long long)now);
            tick(animator, state, platform);
            break;
        }
        default:
            tick(animator, state, platform);
            break;
        }
    }
    stopAnimator(animator, platform);
    FUZZ_CHECK(animator.pulseQueue.empty(), "queue kept after the end");
    return 0;
}
