#include "engine/engine_win.h"
#include "engine/excluded_programs.h"
#include "engine/hook_watch.h"
#include "engine/wheel_filter.h"
#include "engine/window_program_win.h"

#include <atomic>
#include <new>

namespace {

HHOOK hookHandle = nullptr;
TargetCache targetCache;
// The hook thread's own snapshot of the excluded programs, and the next one, handed over by the
// UI thread: whoever takes a pointer out of `nextExclusions` owns it.
const ExcludedPrograms* exclusions = nullptr;
std::atomic<ExcludedPrograms*> nextExclusions{nullptr};
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

void takeNextExclusions() {
    if (ExcludedPrograms* next = nextExclusions.exchange(nullptr)) {
        delete exclusions;
        exclusions = next;
        targetCache = TargetCache{};
    }
}

bool targetTakesNotchAt(POINT point) {
    return notchTakesSmoothing(desktop, targetCache, point.x, point.y,
                               engine.fullScreenMonitor.load(std::memory_order_relaxed),
                               [](uintptr_t window, uint32_t processId) {
                                   return notchPassesThrough(desktop, programNames, exclusions,
                                                             ownProcessId, window, processId,
                                                             outranksUs);
                               });
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
        } else if (message.message == WM_HOOK_THREAD_EXCLUSIONS) {
            takeNextExclusions();
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
        if (filterWheelEvent(engine, code, message, event.flags, event.dwExtraInfo,
                             wheelDeltaOf(event.mouseData), readTick,
                             [&event] {
                                 return !zoomKeysHeld() && targetTakesNotchAt(event.pt);
                             }) ==
            HookVerdict::swallow) {
            return 1;
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
    takeNextExclusions();
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
    delete exclusions;
    exclusions = nullptr;
    delete nextExclusions.exchange(nullptr);
}

void requestHookReinstall() {
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_REINSTALL, 0, 0);
    }
}

bool handExclusionsToHook(const ExcludedPrograms& programs) {
    ExcludedPrograms* snapshot = nullptr;
    try {
        snapshot = new ExcludedPrograms(programs);
    } catch (const std::bad_alloc&) {
        return false;
    }
    delete nextExclusions.exchange(snapshot);
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_EXCLUSIONS, 0, 0);
    }
    return true;
}
