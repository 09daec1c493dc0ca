// The hook's decision over random event streams, parameters and state changes.
#include "engine/engine_state.h"
#include "engine/wheel_filter.h"
#include "fuzz_input.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr uintptr_t otherMessages[] = {0x200, 0x201, 0x202, 0x204, 0x20A, 0x20E, 0x20B};

// The largest amount a notch of `delta` can be worth: full acceleration at the top of every range.
int64_t largestAmount(int16_t delta) {
    return int64_t(std::ceil(std::abs(int32_t{delta}) * 2.4 * 1.4));
}

bool isRealNotch(const EngineState& state, int code, uintptr_t message, uint32_t flags,
                 uintptr_t extraInfo, int16_t delta) {
    return code == 0 && state.effectEnabled && !state.stopRequested &&
           message == WHEEL_MESSAGE_VERTICAL && (flags & INJECTED_FLAG) == 0 &&
           extraInfo != INJECTION_TAG && delta != 0 && std::abs(int32_t{delta}) % NOTCH_SIZE == 0;
}

void checkProfile(const EngineState& state) {
    FUZZ_CHECK(state.activeProfile >= IDM_PROFILE_SOFT && state.activeProfile <= IDM_PROFILE_CUSTOM,
               "profile %d in force", state.activeProfile);
    FUZZ_CHECK(parametersInRange(activeParameters(state)), "active parameters out of range");
}

void sendEvent(EngineState& state, FuzzInput& input, uint64_t& tick) {
    const int code = input.byte() % 8 == 0 ? int(int8_t(input.byte())) : 0;
    const uint8_t kind = input.byte() % 8;
    const uintptr_t message = kind < 5   ? WHEEL_MESSAGE_VERTICAL
                              : kind < 6 ? WHEEL_MESSAGE_HORIZONTAL
                              : kind < 7 ? input.pick(otherMessages)
                                         : input.u32();
    const uint32_t flags = input.byte() % 8 == 0 ? input.u32() : 0;
    const uint8_t extraKind = input.byte() % 8;
    const uintptr_t extraInfo = extraKind < 5   ? 0
                                : extraKind < 6 ? INJECTION_TAG
                                : extraKind < 7 ? INJECTION_TAG | uintptr_t{1} << 32
                                                : uintptr_t(input.u64());
    const int16_t delta = input.flag() ? int16_t(input.inRange(-4, 4) * NOTCH_SIZE)
                                       : int16_t(input.u16());
    // A gap of any size, the clock standing still, or going backwards.
    tick += uint64_t(int64_t(int16_t(input.u16())));

    const int32_t pendingBefore = state.pendingDelta;
    const uint64_t notchTickBefore = state.lastNotchTick;
    const bool realNotch = isRealNotch(state, code, message, flags, extraInfo, delta);
    int tickReads = 0;
    const HookVerdict verdict =
        filterWheelEvent(state, code, message, flags, extraInfo, delta, [&] {
            ++tickReads;
            return tick;
        });
    const int32_t pending = state.pendingDelta;
    FUZZ_CHECK(pending >= -pendingDeltaLimit && pending <= pendingDeltaLimit, "pendingDelta %d",
               pending);
    if (verdict == HookVerdict::passOn) {
        FUZZ_CHECK(!realNotch, "a real notch (delta %d) was passed on with the effect on", delta);
        FUZZ_CHECK(pending == pendingBefore && state.lastNotchTick == notchTickBefore &&
                       tickReads == 0,
                   "an event passed on changed the state or read the clock");
        return;
    }
    FUZZ_CHECK(realNotch, "message %#llx flags %#x extra %#llx delta %d was swallowed",
               (unsigned long long)message, flags, (unsigned long long)extraInfo, delta);
    FUZZ_CHECK(tickReads == 1 && state.lastNotchTick == tick, "notch time not taken once");
    // Between the plain scaled notch and the fully accelerated one, in the notch's direction,
    // unless the clamp held it.
    const ScrollParameters active = activeParameters(state);
    const int64_t change = int64_t{pending} - pendingBefore;
    const int64_t direction = delta > 0 ? 1 : -1;
    const int64_t atLimit = direction * pendingDeltaLimit;
    const int64_t smallest = int64_t(std::abs(int32_t{delta}) * active.stepPercent / 100.0) - 1;
    FUZZ_CHECK(change * direction <= largestAmount(delta),
               "notch %d added %lld, more than any acceleration gives", delta, (long long)change);
    FUZZ_CHECK(pending == atLimit || change * direction >= smallest,
               "notch %d added only %lld", delta, (long long)change);
}

void changeState(EngineState& state, FuzzInput& input) {
    switch (input.byte() % 6) {
    case 0:
        applyProfile(state, input.inRange(IDM_PROFILE_SOFT - 2, IDM_PROFILE_CUSTOM + 2), false);
        FUZZ_CHECK(state.pendingDelta == 0 && state.resetRequested, "profile change kept pending");
        break;
    case 1:
        applyCustomValues(state, input.inRange(stepPercentRange.min, stepPercentRange.max),
                          input.inRange(maxAccelerationPercentRange.min,
                                        maxAccelerationPercentRange.max),
                          input.inRange(accelerationWindowMsRange.min, accelerationWindowMsRange.max),
                          input.inRange(smoothDurationMsRange.min, smoothDurationMsRange.max));
        break;
    case 2:
        turnEffectOn(state);
        break;
    case 3:
        turnEffectOff(state);
        FUZZ_CHECK(state.lastNotchTick == 0 && state.pendingDelta == 0, "off kept a notch");
        break;
    case 4:
        state.pendingDelta.exchange(0); // the animator's drain
        break;
    default:
        if (input.byte() == 0) {
            state.stopRequested = true;
        }
        break;
    }
    checkProfile(state);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    EngineState state;
    state.hookInstalled = true;
    state.effectEnabled = input.flag();
    uint64_t tick = input.u32();
    while (!input.empty()) {
        if (input.byte() % 4 == 0) {
            changeState(state, input);
        } else {
            sendEvent(state, input, tick);
        }
    }
    return 0;
}
