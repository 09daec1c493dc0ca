// A second low-level mouse hook that logs every real (not injected) vertical wheel notch.
// Started after Rolvane, it sits before Rolvane's hook in the chain, so it sees the notches
// that Rolvane then swallows, with the millisecond tick Rolvane's hook reads for its gaps and
// the performance-counter time the scroll target logs with.
//
//   notch_probe --log FILE --stop-file FILE
//
// Log lines: "ready", then "QPC_US TICK_MS DELTA" per notch.
#include <windows.h>

#include <shellapi.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

constexpr UINT STOP_POLL_MS = 50;

FILE* logFile = nullptr;
int64_t countsPerSecond = 1;

int64_t microsecondsNow() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const int64_t seconds = counter.QuadPart / countsPerSecond;
    const int64_t rest = counter.QuadPart % countsPerSecond;
    return seconds * 1'000'000 + rest * 1'000'000 / countsPerSecond;
}

LRESULT CALLBACK probeHookProc(int code, WPARAM message, LPARAM record) {
    if (code == HC_ACTION && message == WM_MOUSEWHEEL) {
        const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(record);
        if (!(event.flags & LLMHF_INJECTED)) {
            // Read before the file write, as close as possible to where Rolvane's hook reads it.
            const uint64_t tick = GetTickCount64();
            const int64_t now = microsecondsNow();
            std::fprintf(logFile, "%" PRId64 " %" PRIu64 " %d\n", now, tick,
                         static_cast<int>(static_cast<int16_t>(HIWORD(event.mouseData))));
            std::fflush(logFile);
        }
    }
    return CallNextHookEx(nullptr, code, message, record);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const wchar_t* logPath = nullptr;
    const wchar_t* stopFile = nullptr;
    for (int i = 1; argv && i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--log") == 0) {
            logPath = argv[i + 1];
        } else if (std::wcscmp(argv[i], L"--stop-file") == 0) {
            stopFile = argv[i + 1];
        }
    }
    if (!logPath || !stopFile) {
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    countsPerSecond = frequency.QuadPart;
    // Binary mode: msvcrt's text mode would turn every line end into CRLF.
    logFile = _wfopen(logPath, L"ab");
    if (!logFile) {
        return 2;
    }
    HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, probeHookProc, instance, 0);
    if (!hook) {
        std::fclose(logFile);
        return 3;
    }
    std::fputs("ready\n", logFile);
    std::fflush(logFile);
    SetTimer(nullptr, 0, STOP_POLL_MS, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && GetFileAttributesW(stopFile) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
    }
    UnhookWindowsHookEx(hook);
    std::fclose(logFile);
    LocalFree(argv);
    return 0;
}
