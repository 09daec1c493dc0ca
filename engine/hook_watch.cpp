#include "engine/hook_watch.h"

bool hookLooksRemoved(const HookWatch& watch, uint32_t lastSystemInput, uint32_t lastHookEvent,
                      uint64_t pointerNow, uint64_t pointerAtHookEvent, uint64_t nowTick) {
    const auto systemAhead = static_cast<int32_t>(lastSystemInput - lastHookEvent);
    if (systemAhead <= static_cast<int32_t>(HOOK_SILENCE_LIMIT_MS) ||
        pointerNow == pointerAtHookEvent) {
        return false;
    }
    return !watch.reinstalled || nowTick - watch.lastReinstallTick >= HOOK_REINSTALL_SPACING_MS;
}

void noteReinstallRequested(HookWatch& watch, uint64_t nowTick) {
    watch.lastReinstallTick = nowTick;
    watch.reinstalled = true;
}
