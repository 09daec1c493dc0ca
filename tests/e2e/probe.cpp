// The end-to-end tests' one helper inside Wine. `probe serve TARGET_LOG NOTCH_LOG` reads
// commands from stdin, one a line, fields separated by tabs, and answers each with one line:
// "ok ..." or "error ...". Meanwhile it owns a scroll target window that logs every wheel
// message it receives ("QPC_US v|h DELTA EXTRA") and, on request, a low-level hook that logs
// every real notch ("QPC_US TICK_MS DELTA"). `probe idle` is the floor of the idle cost under
// Wine: a hidden window with one 250 ms timer and a message loop.
#include "engine/engine_state.h"
#include "shell/shell_win.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr wchar_t ROLVANE_CLASS[] = L"RolvaneNative04";
constexpr wchar_t TARGET_CLASS[] = L"RolvaneScrollTarget";
constexpr wchar_t TARGET_TITLE[] = L"Rolvane scroll target";
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 2;
constexpr UINT TRAY_ICON_UID = 510;
constexpr UINT IDM_EXIT = 1003;
// A loaded machine may keep Rolvane's thread from its queue for seconds: wait rather than give up.
// (Wine counts a queue unread for 5 s as hung, so SMTO_ABORTIFHUNG would fail at once then.)
constexpr UINT SEND_TIMEOUT_MS = 30000;
// Run on the target window's thread: wParam is a TargetShape.
constexpr UINT WM_PROBE_TARGET = WM_APP + 40;
// wParam 1 puts the notch hook in, 0 takes it out.
constexpr UINT WM_PROBE_NOTCHES = WM_APP + 41;

// How the target stands on the screen.
enum TargetShape : WPARAM { hidden, normal, borderless, maximized, maximizedPopup, panes };

using Words = std::vector<std::wstring>;

HWND targetWindow = nullptr;
HWND targetPanes[2] = {};
HANDLE heldMutex = nullptr;
HHOOK notchHook = nullptr;
FILE* targetLog = nullptr;
FILE* notchLog = nullptr;
int64_t countsPerSecond = 1;

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

std::wstring wide(const std::string& bytes) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), int(bytes.size()), nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), int(bytes.size()), text.data(), size);
    return text;
}

std::wstring number(long long value) {
    return std::to_wstring(value);
}

std::wstring numbers(std::initializer_list<long long> values) {
    std::wstring text;
    for (const long long value : values) {
        text += (text.empty() ? L"" : L" ") + number(value);
    }
    return text;
}

std::wstring rectText(const RECT& rect) {
    return numbers({rect.left, rect.top, rect.right, rect.bottom});
}

long numberOf(const Words& words, size_t index) {
    return index < words.size() ? std::wcstol(words[index].c_str(), nullptr, 0) : 0;
}

int64_t microsecondsNow() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / countsPerSecond * 1'000'000 +
           counter.QuadPart % countsPerSecond * 1'000'000 / countsPerSecond;
}

// --- the scroll target and the notch hook, on the main thread -----------------------------

void logEvent(char kind, long value, uint64_t extra) {
    std::fprintf(targetLog, "%" PRId64 " %c %ld 0x%" PRIx64 "\n", microsecondsNow(), kind, value,
                 extra);
    std::fflush(targetLog);
}

void logWheel(char kind, WPARAM wParam) {
    logEvent(kind, GET_WHEEL_DELTA_WPARAM(wParam),
             static_cast<uint64_t>(static_cast<ULONG_PTR>(GetMessageExtraInfo())));
}

// Put in after Rolvane's hook, it runs first, so it sees the notches that Rolvane swallows,
// with the tick that Rolvane's hook reads for its gaps.
LRESULT CALLBACK notchHookProc(int code, WPARAM message, LPARAM record) {
    const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(record);
    if (code == HC_ACTION && message == WM_MOUSEWHEEL && !(event.flags & LLMHF_INJECTED)) {
        const uint64_t tick = GetTickCount64();
        std::fprintf(notchLog, "%" PRId64 " %" PRIu64 " %d\n", microsecondsNow(), tick,
                     static_cast<int>(static_cast<int16_t>(HIWORD(event.mouseData))));
        std::fflush(notchLog);
    }
    return CallNextHookEx(nullptr, code, message, record);
}

RECT monitorOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcMonitor;
}

// Two panes side by side, as a mail program's or Explorer's: the wheel goes to the one under
// the pointer. The left one logs as the target does, the right one its own kinds ("w", "n").
void showPanes(HWND window, bool show) {
    RECT client;
    GetClientRect(window, &client);
    for (int pane = 0; pane < 2; ++pane) {
        if (!targetPanes[pane]) {
            targetPanes[pane] = CreateWindowExW(0, L"RolvaneScrollPane", nullptr,
                                                WS_CHILD | WS_BORDER, 0, 0, 0, 0, window,
                                                reinterpret_cast<HMENU>(pane + 1), nullptr, nullptr);
        }
        const int half = client.right / 2;
        SetWindowPos(targetPanes[pane], nullptr, pane * half, 0, half, client.bottom,
                     SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
}

// The wheel must reach the target whichever rule routes it: the pointer or the focus.
// A normal target stands at `place` when it is given.
LRESULT onProbeTarget(HWND window, WPARAM shape, const RECT* place) {
    if (shape == hidden) {
        ShowWindow(window, SW_HIDE);
        return 1;
    }
    const bool popup = shape == borderless || shape == maximizedPopup;
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowLongPtrW(window, GWL_STYLE, popup ? WS_POPUP : WS_OVERLAPPEDWINDOW);
    const RECT rect = shape == borderless ? monitorOf(window)
                      : place             ? *place
                                          : RECT{100, 80, 900, 680};
    SetWindowPos(window, HWND_TOP, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_FRAMECHANGED);
    ShowWindow(window, shape == maximized || shape == maximizedPopup ? SW_MAXIMIZE
                                                                     : SW_SHOWNORMAL);
    showPanes(window, shape == panes);
    SetForegroundWindow(window);
    SetFocus(window);
    return 1;
}

LRESULT CALLBACK paneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool left = GetDlgCtrlID(window) == 1;
    switch (message) {
    case WM_MOUSEWHEEL:
        logWheel(left ? 'v' : 'w', wParam);
        return 0;
    case WM_MOUSEMOVE:
        logEvent(left ? 'm' : 'n', GET_X_LPARAM(lParam), 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT onProbeNotches(bool on) {
    // Put in again each time: after a Rolvane started since, so that it runs first.
    if (on) {
        HHOOK fresh = SetWindowsHookExW(WH_MOUSE_LL, notchHookProc, nullptr, 0);
        if (notchHook && fresh) {
            UnhookWindowsHookEx(notchHook);
        }
        notchHook = fresh ? fresh : notchHook;
        return fresh != nullptr;
    }
    if (notchHook) {
        UnhookWindowsHookEx(notchHook);
        notchHook = nullptr;
    }
    return 1;
}

LRESULT CALLBACK targetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEWHEEL:
        logWheel('v', wParam);
        return 0;
    case WM_MOUSEHWHEEL:
        logWheel('h', wParam);
        return 0;
    // Keys down and up ("k", "u") with their virtual-key code; Alt without the menu mode.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        logEvent('k', long(wParam), 0);
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        logEvent('u', long(wParam), 0);
        return 0;
    // The pointer's moves ("m"): when it came over the window.
    case WM_MOUSEMOVE:
        logEvent('m', GET_X_LPARAM(lParam), 0);
        return 0;
    case WM_PROBE_TARGET:
        return onProbeTarget(window, wParam, reinterpret_cast<const RECT*>(lParam));
    case WM_PROBE_NOTCHES:
        return onProbeNotches(wParam != 0);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND createTopWindow(const wchar_t* className, const wchar_t* title, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 100, 80, 800, 600, nullptr,
                           nullptr, windowClass.hInstance, nullptr);
}

// --- Rolvane's window, found by its class ----------------------------------------------------

HWND rolvane() {
    return FindWindowW(ROLVANE_CLASS, nullptr);
}

std::wstring textOf(HWND window) {
    std::wstring text(GetWindowTextLengthW(window) + 1, L'\0');
    text.resize(std::max(GetWindowTextW(window, text.data(), int(text.size())), 0));
    return text;
}

HWND childAt(HWND window, long index) {
    HWND child = GetWindow(window, GW_CHILD);
    for (; child && index > 0; --index) {
        child = GetWindow(child, GW_HWNDNEXT);
    }
    return child;
}

// A control by its id, "#N" by its place in the order of making, or a status line (the third and
// the sixth made, statics with the id 0).
HWND control(HWND window, const std::wstring& name) {
    if (name == L"state" || name == L"parameters") {
        return childAt(window, name == L"state" ? 2 : 5);
    }
    if (name[0] == L'#') {
        return childAt(window, std::wcstol(name.c_str() + 1, nullptr, 10));
    }
    return GetDlgItem(window, std::wcstol(name.c_str(), nullptr, 10));
}

bool sendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, SEND_TIMEOUT_MS,
                               &result) != 0;
}

// " PID,VISIBLE,LEFT,TOP,RIGHT,BOTTOM"
std::wstring placeOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    RECT rect;
    GetWindowRect(window, &rect);
    std::wstring fields = numbers(
        {long(processId), IsWindowVisible(window), rect.left, rect.top, rect.right, rect.bottom});
    std::replace(fields.begin(), fields.end(), L' ', L',');
    return L" " + fields;
}

// The texts of a tooltip window's tools, each after a tab, asked for in its process's memory.
// Wine's shell keeps the tooltip of a deleted icon, with an empty rectangle.
std::wstring tooltipTexts(HWND tooltip) {
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) {
        return {};
    }
    std::wstring texts;
    wchar_t text[256] = {};
    TTTOOLINFOW tool{};
    auto* remote = static_cast<BYTE*>(
        VirtualAllocEx(process, nullptr, sizeof tool + sizeof text, MEM_COMMIT, PAGE_READWRITE));
    DWORD_PTR count = 0;
    if (remote && SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_NORMAL,
                                      SEND_TIMEOUT_MS, &count)) {
        for (DWORD_PTR i = 0; i < count; ++i) {
            tool = TTTOOLINFOW{};
            tool.cbSize = sizeof tool;
            tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof tool);
            text[0] = L'\0';
            if (WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr) &&
                WriteProcessMemory(process, tool.lpszText, text, sizeof text, nullptr) &&
                sendTo(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(process, tool.lpszText, text, sizeof text - sizeof text[0],
                                  nullptr) &&
                ReadProcessMemory(process, remote, &tool, sizeof tool, nullptr) &&
                !IsRectEmpty(&tool.rect)) {
                texts += L"\t" + std::wstring(text);
            }
        }
    }
    if (remote) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return texts;
}

struct WindowList {
    const wchar_t* className;
    std::wstring (*describe)(HWND);
    std::wstring text;
};

BOOL CALLBACK listWindow(HWND window, LPARAM context) {
    auto& list = *reinterpret_cast<WindowList*>(context);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wcscmp(className, list.className) == 0) {
        list.text += list.describe(window);
    }
    return TRUE;
}

std::wstring windowsOfClass(const wchar_t* className, std::wstring (*describe)(HWND) = placeOf) {
    WindowList list{className, describe, L""};
    EnumWindows(listWindow, reinterpret_cast<LPARAM>(&list));
    return list.text;
}

HWND dialogInFront = nullptr;

std::wstring noteDialogInFront(HWND window) {
    if (!dialogInFront && IsWindowVisible(window) && IsWindowEnabled(window)) {
        dialogInFront = window;
    }
    return L"";
}

// dialog ID [HOTKEY]: presses button ID of the dialog in front (a message box before the dialog
// it came from), its hotkey control first set to HOTKEY (HKM_SETHOTKEY's word) when given.
// Answers the dialog's title and static texts as they were, separated by "|".
std::wstring pressInDialog(const Words& words) {
    dialogInFront = nullptr;
    windowsOfClass(L"#32770", noteDialogInFront);
    if (!dialogInFront) {
        return L"error no dialog";
    }
    std::wstring texts = textOf(dialogInFront);
    for (HWND child = GetWindow(dialogInFront, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        texts += _wcsicmp(className, L"Static") == 0 ? L"|" + textOf(child) : L"";
    }
    HWND hotkey = FindWindowExW(dialogInFront, nullptr, HOTKEY_CLASSW, nullptr);
    if (words.size() == 3 && !(hotkey && sendTo(hotkey, HKM_SETHOTKEY, numberOf(words, 2), 0))) {
        return L"error no hotkey control";
    }
    return PostMessageW(dialogInFront, WM_COMMAND, MAKEWPARAM(numberOf(words, 1), BN_CLICKED), 0)
               ? L"ok " + texts
               : L"error not posted";
}

// A message with a pointer in lParam is not carried across processes: the rectangle is put in
// and read from Rolvane's own memory.
bool sendWithRect(HWND window, UINT message, WPARAM wParam, RECT& rect) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) {
        return false;
    }
    bool read = false;
    if (void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE)) {
        read = WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr) &&
               sendTo(window, message, wParam, reinterpret_cast<LPARAM>(remote)) &&
               ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return read;
}

// The private bytes and the working set of Rolvane's process.
std::wstring memoryOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    PROCESS_MEMORY_COUNTERS_EX counters{};
    const bool read = process && K32GetProcessMemoryInfo(
                                     process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                     sizeof counters);
    if (process) {
        CloseHandle(process);
    }
    return read ? L"ok " + number(counters.PrivateUsage) + L" " + number(counters.WorkingSetSize)
                : L"error cannot read the counters";
}

// The slider moved and Exit chosen before Rolvane's thread can look at its queue: both are
// posted while it is suspended, and posted messages come before any timer message, so the
// refresh timer cannot save the change first.
bool slideThenExit(HWND window, HWND trackbar, long position) {
    const DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    if (!thread || !sendTo(trackbar, TBM_SETPOS, TRUE, position)) {
        return false;
    }
    const bool suspended = SuspendThread(thread) != DWORD(-1);
    const bool posted = PostMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                                     reinterpret_cast<LPARAM>(trackbar)) &&
                        PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    if (suspended) {
        ResumeThread(thread);
    }
    CloseHandle(thread);
    return suspended && posted;
}

// --- the registry, under HKEY_CURRENT_USER ---------------------------------------------------

std::wstring hexOf(const std::vector<BYTE>& bytes) {
    std::wstring text;
    wchar_t pair[3];
    for (BYTE byte : bytes) {
        std::swprintf(pair, 3, L"%02x", byte);
        text += pair;
    }
    return text;
}

std::vector<BYTE> bytesOf(const std::wstring& hex) {
    std::vector<BYTE> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(BYTE(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

std::wstring registrySet(const Words& words) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, words[1].c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return L"error cannot create the key";
    }
    const std::vector<BYTE> bytes = bytesOf(words.size() > 4 ? words[4] : L"");
    const LONG status = RegSetValueExW(key, words[2].c_str(), 0, numberOf(words, 3), bytes.data(),
                                       DWORD(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? L"ok" : L"error status " + number(status);
}

std::wstring registryGet(const Words& words) {
    DWORD type = 0;
    DWORD size = 0;
    const LONG status = RegGetValueW(HKEY_CURRENT_USER, words[1].c_str(), words[2].c_str(),
                                     RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return L"ok missing";
    }
    std::vector<BYTE> bytes(size);
    if (status != ERROR_SUCCESS ||
        RegGetValueW(HKEY_CURRENT_USER, words[1].c_str(), words[2].c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &type, bytes.data(), &size) != ERROR_SUCCESS) {
        return L"error status " + number(status);
    }
    bytes.resize(size);
    return L"ok " + number(type) + L" " + hexOf(bytes);
}

std::wstring registryDelete(const Words& words) {
    LONG status = ERROR_SUCCESS;
    if (words.size() > 2) {
        HKEY key = nullptr;
        status = RegOpenKeyExW(HKEY_CURRENT_USER, words[1].c_str(), 0, KEY_SET_VALUE, &key);
        if (status == ERROR_SUCCESS) {
            status = RegDeleteValueW(key, words[2].c_str());
            RegCloseKey(key);
        }
    } else {
        status = RegDeleteTreeW(HKEY_CURRENT_USER, words[1].c_str());
        if (status == ERROR_SUCCESS) {
            status = RegDeleteKeyW(HKEY_CURRENT_USER, words[1].c_str());
        }
    }
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND
               ? L"ok"
               : L"error status " + number(status);
}

// The program's own load of its settings, on this process's engine, from the real registry.
std::wstring loadWithTheProgramsCode() {
    engine.customStepPercent = 100;
    engine.customMaxAccelerationPercent = 100;
    engine.customAccelerationWindowMs = 110;
    engine.customSmoothDurationMs = 360;
    loadSettings();
    const ScrollParameters a = activeParameters(engine);
    const ScrollParameters c = customParameters(engine);
    return L"ok " + numbers({engine.activeProfile, a.stepPercent, a.maxAccelerationPercent,
                             a.accelerationWindowMs, a.smoothDurationMs, c.stepPercent,
                             c.maxAccelerationPercent, c.accelerationWindowMs, c.smoothDurationMs});
}

// How wide a text is in the window's face at a height and weight: its advance, and the first and
// last column + 1 its pixels reach from its origin (under Wine's Tahoma, past the advance).
// text-width SIZE WEIGHT TEXT in Segoe UI, or menu-text-width TEXT as a menu item shows it, in
// the menu font, "&" marking the access key.
std::wstring textWidth(const Words& words) {
    constexpr long width = 3000, height = 200, origin = 100;
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    uint32_t* pixels = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels),
                                      nullptr, 0);
    const bool menu = words[0] == L"menu-text-width";
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    const std::wstring& text = words.back();
    HFONT font = menu ? CreateFontIndirectW(&metrics.lfMenuFont)
                      : CreateFontW(-numberOf(words, 1), 0, 0, 0, numberOf(words, 2), FALSE, FALSE,
                                    FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                    CLEARTYPE_QUALITY, 0, L"Segoe UI");
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    SIZE advance{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &advance);
    RECT line{origin, 0, width, height};
    if (menu) {
        DrawTextW(dc, text.c_str(), int(text.size()), &line, DT_SINGLELINE);
    } else {
        TextOutW(dc, origin, 0, text.c_str(), int(text.size()));
    }
    GdiFlush();
    long first = width, last = -1;
    // Dark enough in some channel to stand out on white: anti-aliasing's faint rim is left out.
    for (long i = 0; pixels && i < width * height; ++i) {
        if ((pixels[i] & 0xC0) != 0xC0 || (pixels[i] & 0xC000) != 0xC000 ||
            (pixels[i] & 0xC00000) != 0xC00000) {
            first = std::min(first, i % width);
            last = std::max(last, i % width);
        }
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return L"ok " + numbers({advance.cx, first - origin, last + 1 - origin});
}

// --- commands ----------------------------------------------------------------------------

std::wstring onRolvane(const Words& words, HWND window) {
    const std::wstring& verb = words[0];
    const long argument = numberOf(words, 1);
    if (verb == L"info") {
        RECT outer;
        GetWindowRect(window, &outer);
        POINT origin{0, 0};
        ClientToScreen(window, &origin);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        RECT client{};
        GetClientRect(window, &client);
        return L"ok " +
               numbers(
                   {IsWindowVisible(window), IsIconic(window), GetForegroundWindow() == window}) +
               L" " + rectText(outer) + L" " + numbers({origin.x, origin.y, long(processId)}) +
               L" " + numbers({client.right, client.bottom});
    }
    if (verb == L"dpi-changed") {
        // What Windows does when the window has moved to a monitor of another scale: it asks
        // Rolvane for its size there, then sends the DPI with the place of that size it suggests.
        RECT place{};
        RECT size{}; // a SIZE in its first two fields
        GetWindowRect(window, &place);
        const bool asked = sendWithRect(window, WM_GETDPISCALEDSIZE, argument, size);
        place = {place.left, place.top, place.left + size.left, place.top + size.top};
        return asked && sendWithRect(window, WM_DPICHANGED, MAKEWPARAM(argument, argument), place)
                   ? L"ok"
                   : L"error not handled";
    }
    if (verb == L"title") {
        return L"ok " + textOf(window);
    }
    if (verb == L"command") {
        return sendTo(window, WM_COMMAND, argument, 0) ? L"ok" : L"error not handled";
    }
    if (verb == L"close" || verb == L"minimize" || verb == L"tray") {
        const UINT message = verb == L"close"  ? WM_CLOSE
                             : verb == L"tray" ? WM_TRAY_NOTIFY
                                               : WM_SYSCOMMAND;
        const WPARAM wParam = verb == L"tray"       ? TRAY_ICON_UID
                              : verb == L"minimize" ? SC_MINIMIZE
                                                    : 0;
        return PostMessageW(window, message, wParam, argument) ? L"ok" : L"error not posted";
    }
    if (verb == L"memory") {
        return memoryOf(window);
    }
    if (verb == L"focus") {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        const bool read = GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
        return read ? L"ok " + number(GetDlgCtrlID(thread.hwndFocus)) : L"error no thread info";
    }
    if (verb == L"prop" && words.size() == 2) {
        return L"ok " + number(long(reinterpret_cast<uintptr_t>(GetPropW(window, words[1].c_str()))));
    }
    if (verb == L"post" && words.size() == 4) {
        // A message by name that Windows would send: "TaskbarCreated", or a number.
        const UINT message = std::iswdigit(words[1][0]) ? UINT(numberOf(words, 1))
                                                         : RegisterWindowMessageW(words[1].c_str());
        return PostMessageW(window, message, numberOf(words, 2), numberOf(words, 3))
                   ? L"ok"
                   : L"error not posted";
    }
    if (verb == L"tray-delete") {
        // What Explorer's restart does to every icon.
        NOTIFYICONDATAW icon{};
        icon.cbSize = sizeof icon;
        icon.hWnd = window;
        icon.uID = TRAY_ICON_UID;
        return Shell_NotifyIconW(NIM_DELETE, &icon) ? L"ok" : L"error not deleted";
    }
    HWND child = words.size() > 1 ? control(window, words[1]) : nullptr;
    if (!child) {
        return L"error no control " + (words.size() > 1 ? words[1] : L"");
    }
    if (verb == L"text") {
        return L"ok " + textOf(child);
    }
    if (verb == L"rect") {
        RECT rect;
        GetWindowRect(child, &rect);
        return L"ok " + rectText(rect);
    }
    if (verb == L"trackbar") {
        DWORD_PTR position = 0;
        return SendMessageTimeoutW(child, TBM_GETPOS, 0, 0, SMTO_NORMAL, SEND_TIMEOUT_MS, &position)
                   ? L"ok " + number(long(position))
                   : L"error no answer";
    }
    if (verb == L"trackbar-rects") {
        RECT channel{};
        RECT thumb{};
        return sendWithRect(child, TBM_GETCHANNELRECT, 0, channel) &&
                       sendWithRect(child, TBM_GETTHUMBRECT, 0, thumb)
                   ? L"ok " + rectText(channel) + L" " + rectText(thumb)
                   : L"error cannot read the rectangles";
    }
    const long position = numberOf(words, 2);
    if (verb == L"slide") {
        // The thumb released at the position: what the window hears at the end of a drag.
        return sendTo(child, TBM_SETPOS, TRUE, position) &&
                       sendTo(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                              reinterpret_cast<LPARAM>(child))
                   ? L"ok"
                   : L"error not handled";
    }
    if (verb == L"slide-then-exit") {
        return slideThenExit(window, child, position) ? L"ok" : L"error cannot suspend Rolvane";
    }
    return L"error unknown verb";
}

std::wstring onCommand(const Words& words) {
    const std::wstring& verb = words[0];
    if (verb == L"windows") {
        return L"ok" + windowsOfClass(ROLVANE_CLASS);
    }
    if (verb == L"menus") {
        return L"ok" + windowsOfClass(L"#32768");
    }
    if (verb == L"target" || verb == L"notches") {
        // target SHAPE [LEFT TOP RIGHT BOTTOM] (a TargetShape), notches 1|0
        const UINT message = verb == L"target" ? WM_PROBE_TARGET : WM_PROBE_NOTCHES;
        const RECT place{numberOf(words, 2), numberOf(words, 3), numberOf(words, 4),
                         numberOf(words, 5)};
        const LPARAM placed = words.size() == 6 ? reinterpret_cast<LPARAM>(&place) : 0;
        return SendMessageW(targetWindow, message, numberOf(words, 1), placed) ? L"ok"
                                                                               : L"error failed";
    }
    if (verb == L"target-rect") {
        RECT rect;
        GetWindowRect(targetWindow, &rect);
        return L"ok " + rectText(rect) + L" " + rectText(monitorOf(targetWindow)) + L" " +
               number(IsZoomed(targetWindow));
    }
    if (verb == L"tooltips") {
        return L"ok " + windowsOfClass(TOOLTIPS_CLASSW, tooltipTexts);
    }
    if (verb == L"reg-set" && words.size() >= 4) {
        return registrySet(words);
    }
    if (verb == L"reg-get" && words.size() == 3) {
        return registryGet(words);
    }
    if (verb == L"reg-delete" && words.size() >= 2) {
        return registryDelete(words);
    }
    if ((verb == L"text-width" && words.size() == 4) ||
        (verb == L"menu-text-width" && words.size() == 2)) {
        return textWidth(words);
    }
    if (verb == L"load") {
        return loadWithTheProgramsCode();
    }
    if (verb == L"dialog" && words.size() >= 2) {
        return pressInDialog(words);
    }
    if (verb == L"hold-hotkey" || verb == L"release-hotkey") {
        // Another program holding a combination: "hold-hotkey" with ToggleHotkey's form.
        const long hotkey = numberOf(words, 1);
        UnregisterHotKey(nullptr, 1);
        return verb == L"release-hotkey" ||
                       RegisterHotKey(nullptr, 1, UINT(hotkey >> 16) | MOD_NOREPEAT, hotkey & 0xFFFF)
                   ? L"ok"
                   : L"error not registered " + number(long(GetLastError()));
    }
    if (verb == L"hold-mutex") {
        // What a first instance holds before its window exists.
        heldMutex = heldMutex ? heldMutex
                              : CreateMutexW(nullptr, TRUE, L"Local\\Rolvane.SingleInstance.v1");
        return heldMutex ? L"ok" : L"error cannot create the mutex";
    }
    if (verb == L"release-mutex" && heldMutex) {
        ReleaseMutex(heldMutex);
        CloseHandle(heldMutex);
        heldMutex = nullptr;
        return L"ok";
    }
    HWND window = rolvane();
    return window ? onRolvane(words, window) : L"error no Rolvane window";
}

Words split(const std::wstring& line) {
    Words words;
    size_t start = 0;
    for (size_t tab; (tab = line.find(L'\t', start)) != std::wstring::npos; start = tab + 1) {
        words.push_back(line.substr(start, tab - start));
    }
    words.push_back(line.substr(start));
    return words;
}

void serveCommands() {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        if (line == "quit") {
            break;
        }
        const std::wstring answer = line.empty() ? L"error empty" : onCommand(split(wide(line)));
        std::fputs((utf8(answer) + "\n").c_str(), stdout);
        std::fflush(stdout);
    }
    PostMessageW(targetWindow, WM_CLOSE, 0, 0);
}

int serve(const wchar_t* targetLogPath, const wchar_t* notchLogPath) {
    // Binary mode: msvcrt's text mode would turn every line end into CRLF.
    targetLog = _wfopen(targetLogPath, L"ab");
    notchLog = _wfopen(notchLogPath, L"ab");
    // The title names the program file, so that the tests tell the probe from its copy.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring title = std::wstring(TARGET_TITLE) + L" " +
                               (std::wcsrchr(path, L'\\') ? std::wcsrchr(path, L'\\') + 1 : path);
    targetWindow = createTopWindow(TARGET_CLASS, title.c_str(), targetWindowProc);
    WNDCLASSEXW paneClass{};
    paneClass.cbSize = sizeof paneClass;
    paneClass.lpfnWndProc = paneWindowProc;
    paneClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    paneClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    paneClass.lpszClassName = L"RolvaneScrollPane";
    RegisterClassExW(&paneClass);
    if (!targetLog || !notchLog || !targetWindow) {
        return 2;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    std::thread reader(serveCommands);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    reader.join();
    onProbeNotches(false);
    std::fclose(notchLog);
    std::fclose(targetLog);
    return 0;
}

int idle() {
    HWND window = createTopWindow(L"RolvaneIdle", L"Rolvane idle", DefWindowProcW);
    if (!window || !SetTimer(window, 1, 250, nullptr)) {
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    countsPerSecond = frequency.QuadPart;
    if (argc == 4 && std::wcscmp(argv[1], L"serve") == 0) {
        return serve(argv[2], argv[3]);
    }
    if (argc == 2 && std::wcscmp(argv[1], L"idle") == 0) {
        return idle();
    }
    std::fputs("usage: probe serve TARGET_LOG NOTCH_LOG | probe idle\n", stderr);
    return 1;
}
