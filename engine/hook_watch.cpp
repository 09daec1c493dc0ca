#include "engine/hook_watch.h"

bool hookLooksRemoved(HookWatch& watch, uint32_t lastSystemInput, uint32_t lastHookEvent,
                      uint64_t pointerAtHookEvent, uint64_t nowTick, PointerReader readPointer) {
    const bool newInput = !watch.judgedOnce || lastSystemInput != watch.systemInputJudged;
    watch.systemInputJudged = lastSystemInput;
    watch.judgedOnce = true;
    const auto systemAhead = static_cast<int32_t>(lastSystemInput - lastHookEvent);
    if (!newInput || systemAhead <= static_cast<int32_t>(HOOK_SILENCE_LIMIT_MS) ||
        (watch.reinstalled && nowTick - watch.lastReinstallTick < HOOK_REINSTALL_SPACING_MS)) {
        return false;
    }
    uint64_t pointerNow = 0;
    return readPointer(pointerNow) && pointerNow != pointerAtHookEvent;
}

void noteReinstallRequested(HookWatch& watch, uint64_t nowTick) {
    watch.lastReinstallTick = nowTick;
    watch.reinstalled = true;
}
