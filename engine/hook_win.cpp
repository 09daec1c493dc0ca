#include "engine/engine_win.h"
#include "engine/hook_watch.h"
#include "engine/program_rules.h"
#include "engine/wheel_filter.h"
#include "engine/window_program_win.h"

#include <atomic>
#include <memory>
#include <new>

namespace {

HHOOK hookHandle = nullptr;
TargetCache targetCache;
MovementWatch movementWatch;
// The hook thread's own snapshot of the program rules, and the next one, handed over by the UI
// thread: whoever takes a pointer out of `nextRules` owns it.
std::unique_ptr<const ProgramRules> rules;
std::atomic<ProgramRules*> nextRules{nullptr};
DWORD ownProcessId = 0;
DWORD ownIntegrityLevel = 0;
bool ownIntegrityKnown = false;
WindowsDesktopLookup desktop;
ProgramNameReader programNames;

uint64_t readTick() {
    return GetTickCount64();
}

// The mandatory integrity level (its RID, e.g. 0x2000 for medium) of a process's token.
bool readIntegrityLevel(HANDLE process, DWORD& level) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return false;
    }
    alignas(TOKEN_MANDATORY_LABEL) BYTE buffer[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    bool read = GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size);
    if (read) {
        PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        const UCHAR count = *GetSidSubAuthorityCount(sid);
        read = count > 0;
        if (read) {
            level = *GetSidSubAuthority(sid, count - 1);
        }
    }
    CloseHandle(token);
    return read;
}

void readOwnIntegrityLevel() {
    ownProcessId = GetCurrentProcessId();
    ownIntegrityKnown = readIntegrityLevel(GetCurrentProcess(), ownIntegrityLevel);
}

// Where our own level cannot be read the system has no integrity levels to guard windows with.
bool outranksUs(uint32_t processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) {
        return ownIntegrityKnown;
    }
    DWORD level = 0;
    const bool outranks =
        ownIntegrityKnown && (!readIntegrityLevel(process, level) || level > ownIntegrityLevel);
    CloseHandle(process);
    return outranks;
}

void takeNextRules() {
    if (ProgramRules* next = nextRules.exchange(nullptr)) {
        rules.reset(next);
        targetCache = TargetCache{};
    }
}

int32_t settingAt(POINT point, uintptr_t& window) {
    return notchSettingAt(desktop, targetCache, point.x, point.y,
                          engine.fullScreenMonitor.load(std::memory_order_relaxed), window,
                          [](uintptr_t target, uint32_t processId) {
                              return programSettingIn(desktop, programNames, rules.get(),
                                                      ownProcessId, target, processId,
                                                      outranksUs);
                          });
}

// Swallows the notch when the effect takes it, and notes the window its movement belongs to.
bool takeNotch(WPARAM message, const MSLLHOOKSTRUCT& event) {
    uintptr_t window = 0;
    int32_t setting = PROGRAM_LIKE_EVERYWHERE;
    const HookVerdict verdict = filterWheelEvent(
        engine, HC_ACTION, message, event.flags, event.dwExtraInfo, wheelDeltaOf(event.mouseData),
        readTick,
        [&] { return setting = zoomKeysHeld() ? PROGRAM_UNTOUCHED : settingAt(event.pt, window); },
        [] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; });
    if (verdict != HookVerdict::swallow) {
        return false;
    }
    // The thread is per-monitor aware where Windows can: the rectangle is in physical pixels.
    RECT rect{};
    if (GetWindowRect(reinterpret_cast<HWND>(window), &rect)) {
        noteMovement(movementWatch, {rect.left, rect.top, rect.right, rect.bottom}, event.time,
                     parametersOfProfile(engine, setting).smoothDurationMs);
    }
    return true;
}

// One of our own steps that met Ctrl or Alt going down after the animator last looked: the
// program would take it as a zoom step. Here, as the event goes out, is the last moment to stop
// it, whatever kept the animator between its look at the keys and its send.
bool ownStepMeetsZoomKeys(WPARAM message, const MSLLHOOKSTRUCT& event) {
    return (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) &&
           (event.flags & LLMHF_INJECTED) && event.dwExtraInfo == INJECTION_TAG && zoomKeysHeld();
}

void notePointerNow() {
    POINT pointer{};
    if (GetPhysicalCursorPos(&pointer)) {
        engine.lastHookEventPoint.store(packPoint(pointer.x, pointer.y));
    }
}

bool installHook() {
    HHOOK fresh = SetWindowsHookExW(WH_MOUSE_LL, wheelHookProc, appInstance, 0);
    if (!fresh) {
        return false;
    }
    // The new hook is in place before the old one goes, so no notch falls between them; both
    // run on this thread, which is busy here, so no event reaches the two of them.
    HHOOK old = hookHandle;
    hookHandle = fresh;
    if (old) {
        UnhookWindowsHookEx(old);
    }
    engine.lastHookEventTime.store(GetTickCount());
    notePointerNow();
    return true;
}

void reinstallHook() {
    if (!installHook()) {
        return;
    }
    engine.hookReinstalls.fetch_add(1);
    if (!engine.hookInstalled.exchange(true) && engine.ui.postStateChanged) {
        engine.ui.postStateChanged(engine.mainWindow);
    }
}

void serveUntilStopped() {
    MSG message;
    while (!engine.stopRequested.load()) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result <= 0 || message.message == WM_HOOK_THREAD_STOP) {
            break;
        }
        if (message.message == WM_HOOK_THREAD_REINSTALL) {
            reinstallHook();
        } else if (message.message == WM_HOOK_THREAD_RULES) {
            takeNextRules();
        }
    }
}

} // namespace

LRESULT CALLBACK wheelHookProc(int code, WPARAM message, LPARAM record) {
    if (code == HC_ACTION) {
        const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(record);
        engine.lastHookEventTime.store(event.time, std::memory_order_relaxed);
        engine.lastHookEventPoint.store(packPoint(event.pt.x, event.pt.y),
                                        std::memory_order_relaxed);
        if (ownStepMeetsZoomKeys(message, event)) {
            dropMovement(engine);
            return 1;
        }
        if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) {
            if (takeNotch(message, event)) {
                return 1;
            }
        } else if (endsMovement(movementWatch, message, event.pt.x, event.pt.y, event.time)) {
            dropMovement(engine);
        }
    }
    return CallNextHookEx(nullptr, code, message, record);
}

void hookThreadMain() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    // The queue must exist before the id is published, or a message posted to it is lost.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    engine.hookThreadId.store(GetCurrentThreadId());
    if (engine.stopRequested.load()) {
        engine.hookThreadId.store(0);
        return;
    }
    usePhysicalCoordinatesOnThisThread();
    readOwnIntegrityLevel();
    takeNextRules();
    engine.hookInstalled.store(installHook());
    if (!hookHandle) {
        turnEffectOff(engine);
    }
    serveUntilStopped();
    engine.hookInstalled.store(false);
    turnEffectOff(engine);
    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = nullptr;
    }
    engine.hookThreadId.store(0);
    rules.reset();
    delete nextRules.exchange(nullptr);
}

void requestHookReinstall() {
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_REINSTALL, 0, 0);
    }
}

bool handProgramRulesToHook(const ProgramRules& programRules) {
    ProgramRules* snapshot = nullptr;
    try {
        snapshot = new ProgramRules(programRules);
    } catch (const std::bad_alloc&) {
        return false;
    }
    delete nextRules.exchange(snapshot);
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_RULES, 0, 0);
    }
    return true;
}
