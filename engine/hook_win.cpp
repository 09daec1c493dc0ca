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
// Tells the modifier keys' transitions as they happen, so that no step of ours needs to ask
// for them; where it cannot be installed, the outgoing steps read the keys instead.
HHOOK keyHookHandle = nullptr;
HWINEVENTHOOK focusEventsHandle = nullptr;
TargetCache targetCache;
MovementWatch movementWatch;
ModifierKeys modifierKeys;
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

int32_t settingFor(const WheelTarget& target) {
    return notchSettingFor(desktop, targetCache, target,
                           engine.fullScreenMonitor.load(std::memory_order_relaxed),
                           [](uintptr_t window, uint32_t processId) {
                               return programSettingIn(desktop, programNames, rules.get(),
                                                       ownProcessId, window, processId,
                                                       outranksUs);
                           });
}

uint8_t readModifiers() {
    const auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    return static_cast<uint8_t>((down(VK_CONTROL) ? MODIFIER_CTRL : 0) |
                                (down(VK_MENU) ? MODIFIER_ALT : 0) |
                                (down(VK_SHIFT) ? MODIFIER_SHIFT : 0));
}

uint8_t heldModifiers() {
    return keyHookHandle ? modifiersHeld(modifierKeys) : readModifiers();
}

// Swallows the notch when the effect takes it, and notes the window its movement belongs to
// and the keys held with it. The keys are read here, once a notch, which also mends whatever
// key event the keyboard hook may have missed.
bool takeNotch(WPARAM message, const MSLLHOOKSTRUCT& event) {
    WheelTarget target;
    int32_t setting = PROGRAM_LIKE_EVERYWHERE;
    uint8_t modifiers = 0;
    const HookVerdict verdict = filterWheelEvent(
        engine, HC_ACTION, message, event.flags, event.dwExtraInfo, wheelDeltaOf(event.mouseData),
        readTick,
        [&] {
            modifiers = resetModifierKeys(modifierKeys, readModifiers());
            if (modifiers & (MODIFIER_CTRL | MODIFIER_ALT)) {
                return setting = PROGRAM_UNTOUCHED;
            }
            target = wheelTargetAt(desktop, engine.wheelRouting.load(std::memory_order_relaxed),
                                   event.pt.x, event.pt.y);
            return setting = settingFor(target);
        },
        [&] { return (modifiers & MODIFIER_SHIFT) != 0; });
    if (verdict != HookVerdict::swallow) {
        return false;
    }
    ScreenRect area{};
    if (movementAreaOf(desktop, target, area) || !target.followsPointer) {
        noteMovement(movementWatch, {target.window, area, target.followsPointer, modifiers},
                     event.time, parametersOfProfile(engine, setting).smoothDurationMs);
    }
    return true;
}

// One of our own steps that met a modifier pressed after the movement's last notch: the
// program would take it as a zoom step or turn it sideways. The keyboard hook ends the movement
// as the key goes down; here, as the event goes out, is the last moment to stop a step that the
// animator had on its way.
bool ownStepMeetsNewModifier(WPARAM message, const MSLLHOOKSTRUCT& event) {
    return (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) &&
           (event.flags & LLMHF_INJECTED) && event.dwExtraInfo == INJECTION_TAG &&
           (heldModifiers() & ~movementWatch.modifiersAtNotch) != 0;
}

LRESULT CALLBACK modifierKeyHookProc(int code, WPARAM message, LPARAM record) {
    if (code == HC_ACTION) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(record);
        const uint8_t held = noteModifierKey(modifierKeys, key.vkCode, !(key.flags & LLKHF_UP));
        if (keysEndMovement(movementWatch, held, key.time)) {
            dropMovement(engine);
        }
    }
    return CallNextHookEx(nullptr, code, message, record);
}

// Under focus routing the wheel goes where the focus is: a movement ends where the focus
// leaves its window.
void CALLBACK focusChanged(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD time) {
    if (focusEndsMovement(movementWatch, reinterpret_cast<uintptr_t>(window), time)) {
        dropMovement(engine);
    }
}

void notePointerNow() {
    POINT pointer{};
    if (GetPhysicalCursorPos(&pointer)) {
        engine.lastHookEventPoint.store(packPoint(pointer.x, pointer.y));
    }
}

// A new hook is in place before the old one goes, so no event falls between them; both run on
// this thread, which is busy here, so no event reaches the two of them.
HHOOK replaceHook(HHOOK& handle, int kind, HOOKPROC procedure) {
    HHOOK fresh = SetWindowsHookExW(kind, procedure, appInstance, 0);
    if (fresh) {
        if (handle) {
            UnhookWindowsHookEx(handle);
        }
        handle = fresh;
    }
    return fresh;
}

bool installHook() {
    if (!replaceHook(hookHandle, WH_MOUSE_LL, wheelHookProc)) {
        return false;
    }
    if (replaceHook(keyHookHandle, WH_KEYBOARD_LL, modifierKeyHookProc)) {
        resetModifierKeys(modifierKeys, readModifiers());
    }
    engine.lastHookEventTime.store(GetTickCount());
    notePointerNow();
    return true;
}

void removeHooks() {
    for (HHOOK* handle : {&keyHookHandle, &hookHandle}) {
        if (*handle) {
            UnhookWindowsHookEx(*handle);
            *handle = nullptr;
        }
    }
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
        if (ownStepMeetsNewModifier(message, event)) {
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
    focusEventsHandle = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
                                        focusChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    engine.hookInstalled.store(installHook());
    if (!hookHandle) {
        turnEffectOff(engine);
    }
    serveUntilStopped();
    engine.hookInstalled.store(false);
    turnEffectOff(engine);
    removeHooks();
    if (focusEventsHandle) {
        UnhookWinEvent(focusEventsHandle);
        focusEventsHandle = nullptr;
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
