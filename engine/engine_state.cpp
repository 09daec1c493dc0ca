#include "engine/engine_state.h"

EngineState engine;

bool parametersInRange(const ScrollParameters& parameters) {
    return stepPercentRange.contains(parameters.stepPercent) &&
           maxAccelerationPercentRange.contains(parameters.maxAccelerationPercent) &&
           accelerationWindowMsRange.contains(parameters.accelerationWindowMs) &&
           smoothDurationMsRange.contains(parameters.smoothDurationMs);
}

std::atomic<int32_t>& pendingOf(EngineState& state, Axis axis) {
    return axis == AXIS_VERTICAL ? state.pendingDelta : state.pendingHorizontalDelta;
}

std::atomic<int32_t>& pendingDurationOf(EngineState& state, Axis axis) {
    return axis == AXIS_VERTICAL ? state.pendingDurationMs : state.pendingHorizontalDurationMs;
}

std::atomic<uint64_t>& lastNotchTickOf(EngineState& state, Axis axis) {
    return axis == AXIS_VERTICAL ? state.lastNotchTick : state.lastHorizontalNotchTick;
}

const std::atomic<int32_t>& pendingOf(const EngineState& state, Axis axis) {
    return pendingOf(const_cast<EngineState&>(state), axis);
}

const std::atomic<int32_t>& pendingDurationOf(const EngineState& state, Axis axis) {
    return pendingDurationOf(const_cast<EngineState&>(state), axis);
}

const std::atomic<uint64_t>& lastNotchTickOf(const EngineState& state, Axis axis) {
    return lastNotchTickOf(const_cast<EngineState&>(state), axis);
}

bool isProfileId(int32_t id) {
    return id >= IDM_PROFILE_SOFT && id <= IDM_PROFILE_CUSTOM;
}

ScrollParameters activeParameters(const EngineState& state) {
    return {state.stepPercent.load(), state.maxAccelerationPercent.load(),
            state.accelerationWindowMs.load(), state.smoothDurationMs.load()};
}

ScrollParameters customParameters(const EngineState& state) {
    return {state.customStepPercent.load(), state.customMaxAccelerationPercent.load(),
            state.customAccelerationWindowMs.load(), state.customSmoothDurationMs.load()};
}

ScrollParameters parametersOfProfile(const EngineState& state, int32_t profile) {
    switch (profile) {
    case IDM_PROFILE_SOFT:
        return softParameters;
    case IDM_PROFILE_BALANCED:
        return balancedParameters;
    case IDM_PROFILE_FAST:
        return fastParameters;
    case IDM_PROFILE_CUSTOM:
        return customParameters(state);
    default:
        return activeParameters(state);
    }
}

static void storeActiveParameters(EngineState& state, const ScrollParameters& values) {
    state.stepPercent.exchange(values.stepPercent);
    state.maxAccelerationPercent.exchange(values.maxAccelerationPercent);
    state.accelerationWindowMs.exchange(values.accelerationWindowMs);
    state.smoothDurationMs.exchange(values.smoothDurationMs);
}

void applyProfile(EngineState& state, int32_t profileId, bool save) {
    ScrollParameters values = balancedParameters;
    switch (profileId) {
    case IDM_PROFILE_SOFT:
        values = softParameters;
        break;
    case IDM_PROFILE_FAST:
        values = fastParameters;
        break;
    case IDM_PROFILE_CUSTOM:
        values = customParameters(state);
        break;
    default:
        profileId = IDM_PROFILE_BALANCED;
        break;
    }
    storeActiveParameters(state, values);
    state.activeProfile = profileId;
    if (state.ui.moveSliders) {
        state.ui.moveSliders(values);
    }
    state.pendingDelta.exchange(0);
    state.pendingHorizontalDelta.exchange(0);
    state.resetRequested.exchange(true);
    if (state.ui.updateParameterLine) {
        state.ui.updateParameterLine();
    }
    wakeAnimator(state);
    if (save) {
        const bool saved = state.ui.saveSettings && state.ui.saveSettings();
        state.settingsDirty = !saved;
    }
}

void applyCustomValues(EngineState& state, int32_t step, int32_t maxAcceleration,
                       int32_t accelerationWindow, int32_t smoothDuration) {
    storeActiveParameters(state, {step, maxAcceleration, accelerationWindow, smoothDuration});
    state.customStepPercent = step;
    state.customMaxAccelerationPercent = maxAcceleration;
    state.customAccelerationWindowMs = accelerationWindow;
    state.customSmoothDurationMs = smoothDuration;
    state.activeProfile = IDM_PROFILE_CUSTOM;
    state.settingsDirty = true;
    if (state.ui.updateParameterLine) {
        state.ui.updateParameterLine();
    }
}

void turnEffectOn(EngineState& state) {
    state.pendingDelta.exchange(0);
    state.pendingHorizontalDelta.exchange(0);
    state.resetRequested.exchange(true);
    state.effectEnabled.exchange(true);
    wakeAnimator(state);
}

void turnEffectOff(EngineState& state) {
    state.effectEnabled.store(false);
    state.pendingDelta.store(0);
    state.pendingHorizontalDelta.store(0);
    state.lastNotchTick.store(0);
    state.lastHorizontalNotchTick.store(0);
    state.resetRequested.store(true);
    wakeAnimator(state);
    if (state.mainWindow && state.ui.postStateChanged) {
        state.ui.postStateChanged(state.mainWindow);
    }
}

void wakeAnimator(EngineState& state) {
    // Sequentially consistent on both sides: the animator raises the flag and then looks for
    // work, the caller gave work and then looks at the flag, so at least one of them sees the
    // other. The exchange lets only one caller signal a park.
    if (state.animatorParked.load() && state.animatorParked.exchange(false) &&
        state.ui.wakeAnimator) {
        state.ui.wakeAnimator();
    }
}

void dropMovement(EngineState& state) {
    state.pendingDelta.exchange(0);
    state.pendingHorizontalDelta.exchange(0);
    state.resetRequested.exchange(true);
    wakeAnimator(state);
}

void requestStop(EngineState& state) {
    state.stopRequested.store(true);
    wakeAnimator(state);
}
