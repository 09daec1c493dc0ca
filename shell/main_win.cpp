// The process: one instance per logon session, the window, the two engine
// workers, and an orderly stop that releases everything in the reverse order of
// its making.
#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "shell/app_win.h"
#include "shell/shell_win.h"
#include "shell/ui_strings.h"
#include "shell/uninstall_win.h"
#include "tray/tray_ids.h"
#include "ui/layout.h"
#include "ui/palette.h"
#include "ui/window_win.h"

#include <objidl.h>

#include <commctrl.h>
#include <gdiplus.h>

#include <cwchar>
#include <system_error>
#include <thread>

namespace {

constexpr wchar_t SINGLE_INSTANCE_MUTEX[] = L"Local\\Rolvane.SingleInstance.v1";
constexpr int INSTANCE_ATTEMPTS = 10;
constexpr DWORD INSTANCE_RETRY_MS = 50;

HANDLE singleInstanceMutex = nullptr;
ULONG_PTR gdiplusToken = 0;
std::thread hookThread;
std::thread animatorThread;

bool bringExistingInstanceForward() {
    HWND existing = FindWindowW(CONTROL_WINDOW_CLASS, nullptr);
    if (!existing) {
        return false;
    }
    if (IsIconic(existing)) {
        ShowWindow(existing, SW_RESTORE);
    } else if (!IsWindowVisible(existing)) {
        ShowWindow(existing, SW_SHOW);
    }
    SetForegroundWindow(existing);
    FlashWindow(existing, TRUE);
    return true;
}

void releaseSingleInstanceMutex() {
    if (singleInstanceMutex) {
        ReleaseMutex(singleInstanceMutex);
        CloseHandle(singleInstanceMutex);
        singleInstanceMutex = nullptr;
    }
}

// True when another instance holds the name; its window has then been brought
// forward if it appeared within about half a second.
bool anotherInstanceHoldsTheMutex() {
    singleInstanceMutex = CreateMutexW(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    if (!singleInstanceMutex || GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    for (int attempt = 0; attempt < INSTANCE_ATTEMPTS; ++attempt) {
        if (bringExistingInstanceForward()) {
            break;
        }
        Sleep(INSTANCE_RETRY_MS);
    }
    // Never owned by this process, so only closed.
    CloseHandle(singleInstanceMutex);
    singleInstanceMutex = nullptr;
    return true;
}

bool startGdiplus() {
    Gdiplus::GdiplusStartupInput input;
    return Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr) == Gdiplus::Ok;
}

void initTrackbarClass() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
}

bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = controlWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = appIcon ? appIcon : LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = backgroundBrush;
    windowClass.lpszClassName = CONTROL_WINDOW_CLASS;
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON, 16, 16, LR_SHARED));
    return RegisterClassExW(&windowClass) != 0;
}

HWND createControlWindow(HINSTANCE instance) {
    return CreateWindowExW(0, CONTROL_WINDOW_CLASS, uiString(UI_WINDOW_TITLE), WINDOW_STYLE,
                           CW_USEDEFAULT, CW_USEDEFAULT, WINDOW_OUTER_WIDTH, WINDOW_OUTER_HEIGHT,
                           nullptr, nullptr, instance, nullptr);
}

bool startWorker(std::thread& slot, void (*body)()) {
    try {
        slot = std::thread(body);
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

// Ends the hook thread by the same handshake as shutdown: the flag first, then
// the message. The stop wakes a parked animator as well.
void stopHookThread() {
    requestStop(engine);
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_STOP, 0, 0);
    }
    if (hookThread.joinable()) {
        hookThread.join();
    }
}

// Without a hook thread the program runs on showing that protection is
// unavailable. Without an animator nothing could replay swallowed notches, so
// the hook is taken down again as well.
void startWorkers() {
    if (!startWorker(hookThread, hookThreadMain)) {
        turnEffectOff(engine);
        return;
    }
    if (!startWorker(animatorThread, animatorThreadMain)) {
        stopHookThread();
    }
}

int runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

void shutDown() {
    turnEffectOff(engine);
    stopHookThread();
    if (animatorThread.joinable()) {
        animatorThread.join();
    }
    if (cardBrush) {
        DeleteObject(cardBrush);
    }
    if (backgroundBrush) {
        DeleteObject(backgroundBrush);
    }
    Gdiplus::GdiplusShutdown(gdiplusToken);
    releaseSingleInstanceMutex();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    appInstance = instance;
    if (commandLine && std::wcsstr(commandLine, L"--uninstall")) {
        return uninstall(CONTROL_WINDOW_CLASS, IDM_EXIT);
    }
    if (bringExistingInstanceForward()) {
        return 0;
    }
    if (anotherInstanceHoldsTheMutex()) {
        return 0;
    }
    detectUiLanguage();
    if (!startGdiplus()) {
        releaseSingleInstanceMutex();
        return 1;
    }
    appIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON, 0,
                                            0, LR_DEFAULTSIZE | LR_SHARED));
    initTrackbarClass();
    backgroundBrush = CreateSolidBrush(gdiColor(pageColor));
    cardBrush = CreateSolidBrush(gdiColor(cardColor));
    connectEngineToWindow();
    if (!registerWindowClass(instance)) {
        Gdiplus::GdiplusShutdown(gdiplusToken);
        releaseSingleInstanceMutex();
        return 1;
    }
    HWND window = createControlWindow(instance);
    engine.mainWindow = window;
    if (!window) {
        Gdiplus::GdiplusShutdown(gdiplusToken);
        releaseSingleInstanceMutex();
        return 1;
    }
    startWorkers();
    if (!commandLine || !std::wcsstr(commandLine, L"--tray")) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);
    }
    runMessageLoop();
    shutDown();
    return 0;
}
