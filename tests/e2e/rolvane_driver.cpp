// Drives a running Rolvane from outside, as the end-to-end tests need: finds its window by
// class, sends it commands and reads what it shows. One verb per run; prints lines to stdout.
//
//   wait-window MS          wait until the window exists
//   wait-gone MS            wait until it no longer exists
//   info                    title, visibility, outer size, client origin, process id
//   instances               how many windows of the class exist, and their process ids
//   wait-menu MS            wait until a popup menu is open (of any program of the prefix)
//   command ID              WM_COMMAND with the id, sent (returns once handled)
//   post-command ID         WM_COMMAND posted (for commands that may open a message box)
//   close                   WM_CLOSE
//   minimize                WM_SYSCOMMAND with SC_MINIMIZE, as the caption's button sends it
//   tray MOUSE_MESSAGE      the notification icon's callback, posted (e.g. 517 = right up)
//   text NAME               a control's text: title subtitle state effect autostart
//                           parameters note1 note2
//   trackbar ID             a trackbar's position
//   rect NAME|ID            a control's rectangle in screen coordinates
//   trackbar-rects ID       a trackbar's channel and thumb rectangles, in its client
//                           coordinates, as the control itself reports them
//   window-rect             the window's outer rectangle in screen coordinates
//   slide ID POSITION       moves trackbar ID to POSITION and tells the window, as a drag does
//   memory                  the program's private bytes, working set, GDI and USER objects
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"RolvaneNative04";
constexpr UINT WM_TRAY_NOTIFY = WM_APP + 2;
constexpr UINT TRAY_ICON_UID = 510;
constexpr UINT SEND_TIMEOUT_MS = 5000;
constexpr wchar_t MENU_CLASS[] = L"#32768";

struct NamedControl {
    const wchar_t* name;
    const wchar_t* className;
    int top; // client y of the control: statics share the id 0, so the layout tells them apart
};

constexpr NamedControl namedControls[] = {
    {L"title", L"Static", 19},   {L"subtitle", L"Static", 52},    {L"state", L"Static", 94},
    {L"effect", L"Button", 128}, {L"parameters", L"Static", 198}, {L"note1", L"Static", 548},
    {L"note2", L"Static", 575},
};

HWND findWindow() {
    return FindWindowW(WINDOW_CLASS, nullptr);
}

void print(const wchar_t* key, const std::wstring& value) {
    // UTF-8 out, so the shell sees the Czech letters and the bullet as they are.
    std::wstring line = std::wstring(key) + L" " + value + L"\n";
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::fputs(bytes.c_str(), stdout);
}

std::wstring textOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(read > 0 ? read : 0));
    return text;
}

POINT clientOrigin(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

struct ChildSearch {
    HWND parent;
    const NamedControl* wanted;
    int x; // the autostart switch shares its row with the effect switch
    HWND found;
};

BOOL CALLBACK matchChild(HWND child, LPARAM context) {
    auto& search = *reinterpret_cast<ChildSearch*>(context);
    wchar_t className[64] = {};
    GetClassNameW(child, className, 64);
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, search.parent, reinterpret_cast<POINT*>(&rect), 2);
    if (_wcsicmp(className, search.wanted->className) == 0 && rect.top == search.wanted->top &&
        (search.x < 0 || rect.left == search.x)) {
        search.found = child;
        return FALSE;
    }
    return TRUE;
}

HWND controlByName(HWND window, const wchar_t* name) {
    if (std::wcscmp(name, L"autostart") == 0) {
        static constexpr NamedControl autostart{L"autostart", L"Button", 128};
        ChildSearch search{window, &autostart, 275, nullptr};
        EnumChildWindows(window, matchChild, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    for (const NamedControl& control : namedControls) {
        if (std::wcscmp(control.name, name) == 0) {
            ChildSearch search{window, &control, std::wcscmp(name, L"effect") == 0 ? 35 : -1,
                               nullptr};
            EnumChildWindows(window, matchChild, reinterpret_cast<LPARAM>(&search));
            return search.found;
        }
    }
    if (std::iswdigit(name[0])) {
        return GetDlgItem(window, std::wcstol(name, nullptr, 10));
    }
    return nullptr;
}

struct WindowCount {
    const wchar_t* className;
    bool visibleOnly;
    std::wstring processIds;
    int count;
};

BOOL CALLBACK countWindow(HWND window, LPARAM context) {
    auto& counted = *reinterpret_cast<WindowCount*>(context);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wcscmp(className, counted.className) != 0 ||
        (counted.visibleOnly && !IsWindowVisible(window))) {
        return TRUE;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    counted.processIds += (counted.count ? L" " : L"") + std::to_wstring(processId);
    ++counted.count;
    return TRUE;
}

WindowCount countWindows(const wchar_t* className, bool visibleOnly) {
    WindowCount counted{className, visibleOnly, L"", 0};
    EnumWindows(countWindow, reinterpret_cast<LPARAM>(&counted));
    return counted;
}

bool waitForMenu(const wchar_t* milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + std::wcstoul(milliseconds, nullptr, 10);
    while (countWindows(MENU_CLASS, true).count == 0) {
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

bool waitFor(bool present, const wchar_t* milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + std::wcstoul(milliseconds, nullptr, 10);
    for (;;) {
        if ((findWindow() != nullptr) == present) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(20);
    }
}

int showInfo(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    const POINT origin = clientOrigin(window);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    print(L"title", textOf(window));
    print(L"visible", IsWindowVisible(window) ? L"1" : L"0");
    print(L"iconic", IsIconic(window) ? L"1" : L"0");
    print(L"foreground", GetForegroundWindow() == window ? L"1" : L"0");
    print(L"size", std::to_wstring(outer.right - outer.left) + L"x" +
                       std::to_wstring(outer.bottom - outer.top));
    print(L"origin", std::to_wstring(origin.x) + L"," + std::to_wstring(origin.y));
    print(L"pid", std::to_wstring(processId));
    return 0;
}

int showRect(HWND window, const wchar_t* name) {
    HWND control = controlByName(window, name);
    if (!control) {
        std::fprintf(stderr, "no control %ls\n", name);
        return 1;
    }
    RECT rect;
    GetWindowRect(control, &rect);
    print(L"rect", std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
                       std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom));
    return 0;
}

// The two rectangles are written into the program's own memory: messages with a pointer in
// lParam are not carried across processes.
bool askTrackbarRect(HWND trackbar, UINT message, RECT& rect) {
    DWORD processId = 0;
    GetWindowThreadProcessId(trackbar, &processId);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) {
        return false;
    }
    bool read = false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
        const RECT zero{};
        DWORD_PTR result = 0;
        read = WriteProcessMemory(process, remote, &zero, sizeof zero, nullptr) &&
               SendMessageTimeoutW(trackbar, message, 0, reinterpret_cast<LPARAM>(remote),
                                   SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &result) &&
               ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return read;
}

int showTrackbarRects(HWND window, const wchar_t* id) {
    HWND trackbar = GetDlgItem(window, std::wcstol(id, nullptr, 10));
    if (!trackbar) {
        std::fprintf(stderr, "no trackbar %ls\n", id);
        return 1;
    }
    RECT channel{};
    RECT thumb{};
    if (!askTrackbarRect(trackbar, TBM_GETCHANNELRECT, channel) ||
        !askTrackbarRect(trackbar, TBM_GETTHUMBRECT, thumb)) {
        std::fprintf(stderr, "could not read the rectangles of trackbar %ls\n", id);
        return 1;
    }
    const auto printRect = [](const wchar_t* key, const RECT& rect) {
        print(key, std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
                       std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom));
    };
    printRect(L"channel", channel);
    printRect(L"thumb", thumb);
    return 0;
}

int showWindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    print(L"window", std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," +
                         std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom));
    return 0;
}

int sendCommand(HWND window, const wchar_t* id, bool post) {
    const WPARAM command = std::wcstoul(id, nullptr, 10);
    if (post) {
        return PostMessageW(window, WM_COMMAND, command, 0) ? 0 : 1;
    }
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_COMMAND, command, 0, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS,
                               &result)
               ? 0
               : 1;
}

// The thumb released at the position: what the window hears at the end of a drag.
int slide(HWND window, const wchar_t* id, const wchar_t* position) {
    HWND trackbar = GetDlgItem(window, std::wcstol(id, nullptr, 10));
    if (!trackbar) {
        std::fprintf(stderr, "no trackbar %ls\n", id);
        return 1;
    }
    const long value = std::wcstol(position, nullptr, 10);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(trackbar, TBM_SETPOS, TRUE, value, SMTO_ABORTIFHUNG,
                               SEND_TIMEOUT_MS, &result) &&
                   SendMessageTimeoutW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, value),
                                       reinterpret_cast<LPARAM>(trackbar), SMTO_ABORTIFHUNG,
                                       SEND_TIMEOUT_MS, &result)
               ? 0
               : 1;
}

int showMemory(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) {
        std::fputs("cannot open the Rolvane process\n", stderr);
        return 1;
    }
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    const bool read = K32GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    const DWORD gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD userObjects = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
    if (!read) {
        std::fputs("cannot read the memory counters\n", stderr);
        return 1;
    }
    print(L"private", std::to_wstring(counters.PrivateUsage));
    print(L"working-set", std::to_wstring(counters.WorkingSetSize));
    print(L"gdi", std::to_wstring(gdiObjects));
    print(L"user", std::to_wstring(userObjects));
    return 0;
}

int run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: rolvane_driver VERB [ARGUMENT]\n", stderr);
        return 2;
    }
    const std::wstring verb = argv[1];
    const wchar_t* argument = argc > 2 ? argv[2] : L"";
    if (verb == L"wait-window") {
        return waitFor(true, argument) ? 0 : 1;
    }
    if (verb == L"wait-gone") {
        return waitFor(false, argument) ? 0 : 1;
    }
    if (verb == L"wait-menu") {
        return waitForMenu(argument) ? 0 : 1;
    }
    if (verb == L"instances") {
        const WindowCount counted = countWindows(WINDOW_CLASS, false);
        print(L"instances", std::to_wstring(counted.count));
        print(L"pids", counted.processIds);
        return 0;
    }
    HWND window = findWindow();
    if (!window) {
        std::fputs("no Rolvane window\n", stderr);
        return 1;
    }
    if (verb == L"info") {
        return showInfo(window);
    }
    if (verb == L"command" || verb == L"post-command") {
        return sendCommand(window, argument, verb == L"post-command");
    }
    if (verb == L"close") {
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (verb == L"minimize") {
        return PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
    }
    if (verb == L"tray") {
        return PostMessageW(window, WM_TRAY_NOTIFY, TRAY_ICON_UID,
                            std::wcstol(argument, nullptr, 10))
                   ? 0
                   : 1;
    }
    if (verb == L"text") {
        HWND control = controlByName(window, argument);
        if (!control) {
            std::fprintf(stderr, "no control %ls\n", argument);
            return 1;
        }
        print(L"text", textOf(control));
        return 0;
    }
    if (verb == L"trackbar") {
        HWND trackbar = GetDlgItem(window, std::wcstol(argument, nullptr, 10));
        if (!trackbar) {
            return 1;
        }
        print(L"position", std::to_wstring(SendMessageW(trackbar, TBM_GETPOS, 0, 0)));
        return 0;
    }
    if (verb == L"rect") {
        return showRect(window, argument);
    }
    if (verb == L"trackbar-rects") {
        return showTrackbarRects(window, argument);
    }
    if (verb == L"window-rect") {
        return showWindowRect(window);
    }
    if (verb == L"slide") {
        return slide(window, argument, argc > 3 ? argv[3] : L"");
    }
    if (verb == L"memory") {
        return showMemory(window);
    }
    std::fprintf(stderr, "unknown verb %ls\n", verb.c_str());
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int code = run(argc, argv);
    std::fflush(stdout);
    return code;
}
