#include "engine/engine_state.h"
#include "engine/engine_win.h"

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <thread>

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"RolvaneEngineHost";
constexpr UINT_PTR STOP_POLL_TIMER = 1;
constexpr UINT STOP_POLL_MS = 50;
constexpr ULONGLONG HOOK_WAIT_MS = 5000;

constexpr int EXIT_BAD_ARGUMENTS = 1;
constexpr int EXIT_NO_LOG = 2;
constexpr int EXIT_NO_WINDOW = 3;
constexpr int EXIT_NO_HOOK = 4;

struct HostOptions {
    const wchar_t* logPath = nullptr;
    const wchar_t* stopFile = nullptr;
    int32_t profileId = IDM_PROFILE_BALANCED;
    const char* profileName = "balanced";
    bool effectOn = true;
    ULONGLONG timeoutMs = 0;
};

FILE* logFile = nullptr;
const HostOptions* activeOptions = nullptr;
ULONGLONG startTick = 0;
int stateChangedCount = 0;

void writeLog(const char* line) {
    std::fputs(line, logFile);
    std::fputc('\n', logFile);
    std::fflush(logFile);
}

bool stopWanted() {
    const HostOptions& options = *activeOptions;
    if (options.stopFile && GetFileAttributesW(options.stopFile) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    return options.timeoutMs != 0 && GetTickCount64() - startTick >= options.timeoutMs;
}

void quitIfStopWanted() {
    if (stopWanted()) {
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        quitIfStopWanted();
        return 0;
    case WM_ENGINE_STATE_CHANGED:
        ++stateChangedCount;
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool parseProfile(const wchar_t* name, HostOptions& options) {
    if (std::wcscmp(name, L"soft") == 0) {
        options.profileId = IDM_PROFILE_SOFT;
        options.profileName = "soft";
    } else if (std::wcscmp(name, L"balanced") == 0) {
        options.profileId = IDM_PROFILE_BALANCED;
        options.profileName = "balanced";
    } else if (std::wcscmp(name, L"fast") == 0) {
        options.profileId = IDM_PROFILE_FAST;
        options.profileName = "fast";
    } else {
        return false;
    }
    return true;
}

bool parseOptions(int argc, wchar_t** argv, HostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::wcscmp(argv[i], L"--effect-off") == 0) {
            options.effectOn = false;
        } else if (hasValue && std::wcscmp(argv[i], L"--log") == 0) {
            options.logPath = argv[++i];
        } else if (hasValue && std::wcscmp(argv[i], L"--stop-file") == 0) {
            options.stopFile = argv[++i];
        } else if (hasValue && std::wcscmp(argv[i], L"--timeout-ms") == 0) {
            options.timeoutMs = std::wcstoull(argv[++i], nullptr, 10);
        } else if (hasValue && std::wcscmp(argv[i], L"--profile") == 0) {
            if (!parseProfile(argv[++i], options)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return options.logPath != nullptr;
}

bool waitForHook() {
    const ULONGLONG deadline = GetTickCount64() + HOOK_WAIT_MS;
    while (!engine.hookInstalled.load()) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

void pumpUntilStop(HWND window) {
    SetTimer(window, STOP_POLL_TIMER, STOP_POLL_MS, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    KillTimer(window, STOP_POLL_TIMER);
}

void requestEngineStop() {
    engine.stopRequested.exchange(true);
    turnEffectOff(engine);
    const DWORD hookThreadId = engine.hookThreadId.load();
    if (hookThreadId != 0) {
        PostThreadMessageW(hookThreadId, WM_HOOK_THREAD_STOP, 0, 0);
    }
}

int runEngine(HWND window, const HostOptions& options) {
    engine.mainWindow = window;
    connectEngineToWindows();
    applyProfile(engine, options.profileId, false);
    std::thread hookThread(hookThreadMain);
    std::thread animatorThread(animatorThreadMain);
    const bool hooked = waitForHook();
    if (hooked) {
        if (options.effectOn) {
            turnEffectOn(engine);
        }
        char line[96];
        std::snprintf(line, sizeof line, "ready profile=%s effect=%s", options.profileName,
                      options.effectOn ? "on" : "off");
        writeLog(line);
        pumpUntilStop(window);
    } else {
        writeLog("failed: the wheel hook could not be installed");
    }
    requestEngineStop();
    hookThread.join();
    animatorThread.join();
    char line[64];
    std::snprintf(line, sizeof line, "stopped state_changed=%d", stateChangedCount);
    writeLog(line);
    return hooked ? 0 : EXIT_NO_HOOK;
}

int runHostWindow(HINSTANCE instance, const HostOptions& options) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassExW(&windowClass)) {
        return EXIT_NO_WINDOW;
    }
    int result = EXIT_NO_WINDOW;
    // Message-only: it never takes the focus away from the window being scrolled.
    HWND window = CreateWindowExW(0, WINDOW_CLASS, L"Rolvane engine host", 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, nullptr, instance, nullptr);
    if (window) {
        result = runEngine(window, options);
        DestroyWindow(window);
    }
    UnregisterClassW(WINDOW_CLASS, instance);
    return result;
}

int runHost(HINSTANCE instance, const HostOptions& options) {
    activeOptions = &options;
    startTick = GetTickCount64();
    // Binary mode: msvcrt's text mode would turn every line end into CRLF.
    logFile = _wfopen(options.logPath, L"ab");
    if (!logFile) {
        return EXIT_NO_LOG;
    }
    const int result = runHostWindow(instance, options);
    std::fclose(logFile);
    logFile = nullptr;
    return result;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    appInstance = instance;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        return EXIT_BAD_ARGUMENTS;
    }
    HostOptions options;
    const int result =
        parseOptions(argc, argv, options) ? runHost(instance, options) : EXIT_BAD_ARGUMENTS;
    LocalFree(argv);
    return result;
}
