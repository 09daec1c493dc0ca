#include "engine/engine_win.h"

#include "engine/engine_state.h"
#include "engine/hook_watch.h"

HINSTANCE appInstance = nullptr;

static void postStateChanged(void* window) {
    PostMessageW(static_cast<HWND>(window), WM_ENGINE_STATE_CHANGED, 0, 0);
}

void connectEngineToWindows() {
    engine.ui.postStateChanged = postStateChanged;
    engine.ui.wakeAnimator = wakeAnimatorThread;
}

static HookWatch hookWatch;

void putHookBack() {
    noteReinstallRequested(hookWatch, GetTickCount64());
    requestHookReinstall();
}

void watchHook(HWND window) {
    LASTINPUTINFO input{sizeof input, 0};
    if (engine.hookInstalled.load() && GetLastInputInfo(&input) &&
        hookLooksRemoved(hookWatch, input.dwTime, engine.lastHookEventTime.load(),
                         GetTickCount64())) {
        putHookBack();
    }
    const uintptr_t reinstalls = engine.hookReinstalls.load();
    SetPropW(window, HOOK_REINSTALLS_PROPERTY, reinterpret_cast<HANDLE>(reinstalls));
}
