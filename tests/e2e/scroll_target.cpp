#include <windows.h>

#include <shellapi.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"RolvaneScrollTarget";
constexpr wchar_t WINDOW_TITLE[] = L"Rolvane scroll target";
constexpr int WINDOW_X = 100;
constexpr int WINDOW_Y = 80;
constexpr int WINDOW_WIDTH = 800;
constexpr int WINDOW_HEIGHT = 600;
constexpr UINT_PTR STOP_POLL_TIMER = 1;
constexpr UINT STOP_POLL_MS = 50;

constexpr int EXIT_BAD_ARGUMENTS = 1;
constexpr int EXIT_NO_LOG = 2;
constexpr int EXIT_NO_WINDOW = 3;

struct TargetOptions {
    const wchar_t* logPath = nullptr;
    const wchar_t* stopFile = nullptr;
};

FILE* logFile = nullptr;
const wchar_t* stopFilePath = nullptr;
int64_t countsPerSecond = 1;

int64_t microsecondsNow() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const int64_t seconds = counter.QuadPart / countsPerSecond;
    const int64_t rest = counter.QuadPart % countsPerSecond;
    return seconds * 1'000'000 + rest * 1'000'000 / countsPerSecond;
}

void logWheel(char kind, WPARAM wParam) {
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    const auto extraInfo = static_cast<uint64_t>(static_cast<ULONG_PTR>(GetMessageExtraInfo()));
    std::fprintf(logFile, "%" PRId64 " %c %d 0x%" PRIx64 "\n", microsecondsNow(), kind, delta,
                 extraInfo);
    std::fflush(logFile);
}

void closeIfStopFileExists(HWND window) {
    if (stopFilePath && GetFileAttributesW(stopFilePath) != INVALID_FILE_ATTRIBUTES) {
        DestroyWindow(window);
    }
}

LRESULT CALLBACK targetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEWHEEL:
        logWheel('v', wParam);
        return 0;
    case WM_MOUSEHWHEEL:
        logWheel('h', wParam);
        return 0;
    case WM_TIMER:
        closeIfStopFileExists(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool parseOptions(int argc, wchar_t** argv, TargetOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--log") == 0) {
            options.logPath = argv[i + 1];
        } else if (std::wcscmp(argv[i], L"--stop-file") == 0) {
            options.stopFile = argv[i + 1];
        } else {
            return false;
        }
    }
    return options.logPath != nullptr && argc % 2 == 1;
}

HWND createTargetWindow(HINSTANCE instance) {
    return CreateWindowExW(0, WINDOW_CLASS, WINDOW_TITLE, WS_OVERLAPPEDWINDOW, WINDOW_X, WINDOW_Y,
                           WINDOW_WIDTH, WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
}

// The wheel must reach this window whichever rule routes it: the one under the pointer or
// the one with the focus.
void showInFront(HWND window) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
    SetFocus(window);
}

void pumpMessages() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

int runTargetWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = targetWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WINDOW_CLASS;
    if (!RegisterClassExW(&windowClass)) {
        return EXIT_NO_WINDOW;
    }
    int result = EXIT_NO_WINDOW;
    HWND window = createTargetWindow(instance);
    if (window) {
        showInFront(window);
        std::fprintf(logFile, "ready foreground=%d\n", GetForegroundWindow() == window ? 1 : 0);
        std::fflush(logFile);
        SetTimer(window, STOP_POLL_TIMER, STOP_POLL_MS, nullptr);
        pumpMessages();
        result = 0;
    }
    UnregisterClassW(WINDOW_CLASS, instance);
    return result;
}

int runTarget(HINSTANCE instance, const TargetOptions& options) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    countsPerSecond = frequency.QuadPart;
    stopFilePath = options.stopFile;
    // Binary mode: msvcrt's text mode would turn every line end into CRLF.
    logFile = _wfopen(options.logPath, L"ab");
    if (!logFile) {
        return EXIT_NO_LOG;
    }
    const int result = runTargetWindow(instance);
    std::fclose(logFile);
    logFile = nullptr;
    return result;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) {
        return EXIT_BAD_ARGUMENTS;
    }
    TargetOptions options;
    const int result =
        parseOptions(argc, argv, options) ? runTarget(instance, options) : EXIT_BAD_ARGUMENTS;
    LocalFree(argv);
    return result;
}
