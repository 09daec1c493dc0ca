#include "engine/engine_win.h"
#include "engine/wheel_filter.h"

namespace {

HHOOK hookHandle = nullptr;

uint64_t readTick() {
    return GetTickCount64();
}

void waitForStop() {
    MSG message;
    while (!engine.stopRequested.load()) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result <= 0 || message.message == WM_HOOK_THREAD_STOP) {
            break;
        }
    }
}

} // namespace

LRESULT CALLBACK wheelHookProc(int code, WPARAM message, LPARAM record) {
    if (code == HC_ACTION) {
        const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(record);
        if (filterWheelEvent(engine, code, message, event.flags, event.dwExtraInfo,
                             wheelDeltaOf(event.mouseData), readTick) == HookVerdict::swallow) {
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, message, record);
}

void hookThreadMain() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    // The queue must exist before the id is published, or a stop posted to it is lost.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    engine.hookThreadId.store(GetCurrentThreadId());
    if (engine.stopRequested.load()) {
        engine.hookThreadId.store(0);
        return;
    }
    hookHandle = SetWindowsHookExW(WH_MOUSE_LL, wheelHookProc, appInstance, 0);
    engine.hookInstalled.store(hookHandle != nullptr);
    if (!hookHandle) {
        turnEffectOff(engine);
    }
    waitForStop();
    engine.hookInstalled.store(false);
    turnEffectOff(engine);
    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = nullptr;
    }
    engine.hookThreadId.store(0);
}
