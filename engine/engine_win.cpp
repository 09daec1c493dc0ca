#include "engine/engine_win.h"

#include "engine/engine_state.h"
#include "engine/hook_watch.h"
#include "engine/window_program.h"

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

// Each read of the system's last input is a call into the system, which at rest would be the
// refresh timer's only cost; once a second still puts a missing hook back within seconds.
static constexpr uint64_t SYSTEM_INPUT_READ_SPACING_MS = 1'000;
static uint64_t lastSystemInputRead = 0;
static uint32_t lastSystemInput = 0;
static uintptr_t publishedReinstalls = UINTPTR_MAX;

static bool readPhysicalPointer(uint64_t& pointer) {
    POINT point{};
    if (!GetPhysicalCursorPos(&point)) {
        return false;
    }
    pointer = packPoint(point.x, point.y);
    return true;
}

static void readSystemInput() {
    const uint64_t now = GetTickCount64();
    if (lastSystemInputRead != 0 && now - lastSystemInputRead < SYSTEM_INPUT_READ_SPACING_MS) {
        return;
    }
    lastSystemInputRead = now;
    LASTINPUTINFO input{sizeof input, 0};
    if (!GetLastInputInfo(&input)) {
        return;
    }
    lastSystemInput = input.dwTime;
    if (engine.hookInstalled.load() &&
        hookLooksRemoved(hookWatch, lastSystemInput, engine.lastHookEventTime.load(),
                         engine.lastHookEventPoint.load(), now, readPhysicalPointer)) {
        putHookBack();
    }
}

void readWheelRouting() {
    UINT routing = 0;
    const bool read = SystemParametersInfoW(SPI_GETMOUSEWHEELROUTING, 0, &routing, 0);
    engine.wheelRouting.store(wheelRoutingOf(read, routing));
}

uint64_t watchInput(HWND window) {
    readSystemInput();
    const uintptr_t reinstalls = engine.hookReinstalls.load();
    if (reinstalls != publishedReinstalls &&
        SetPropW(window, HOOK_REINSTALLS_PROPERTY, reinterpret_cast<HANDLE>(reinstalls))) {
        publishedReinstalls = reinstalls;
    }
    return uint64_t{lastSystemInput} << 32 | engine.lastHookEventTime.load();
}
