#include "engine/window_program_win.h"

#include <dwmapi.h>

#include <algorithm>

namespace {

using SetThreadDpiAwarenessContextFn = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);

SetThreadDpiAwarenessContextFn setThreadDpiAwarenessContext() {
    static const auto function =
        reinterpret_cast<SetThreadDpiAwarenessContextFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    return function;
}

// The previous context, or null when the thread's awareness could not be changed.
DPI_AWARENESS_CONTEXT switchToPerMonitorAwareness() {
    const SetThreadDpiAwarenessContextFn set = setThreadDpiAwarenessContext();
    if (!set) {
        return nullptr;
    }
    // Version 2 came with Windows 10 1703; version 1 covers 1607.
    DPI_AWARENESS_CONTEXT previous = set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    return previous ? previous : set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

} // namespace

// WindowFromPoint would read the point as logical where the thread is not per-monitor aware.
uintptr_t WindowsDesktopLookup::windowAt(int32_t x, int32_t y) {
    return reinterpret_cast<uintptr_t>(WindowFromPhysicalPoint({x, y}));
}

uintptr_t WindowsDesktopLookup::topLevelOf(uintptr_t window) {
    return reinterpret_cast<uintptr_t>(GetAncestor(reinterpret_cast<HWND>(window), GA_ROOT));
}

uintptr_t WindowsDesktopLookup::focusWindow() {
    HWND front = GetForegroundWindow();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (front && GetGUIThreadInfo(GetWindowThreadProcessId(front, nullptr), &info)) {
        front = info.hwndFocus ? info.hwndFocus : info.hwndActive ? info.hwndActive : front;
    }
    return reinterpret_cast<uintptr_t>(front);
}

static ScreenRect screenRectOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

bool WindowsDesktopLookup::windowRect(uintptr_t window, ScreenRect& rect) {
    RECT read{};
    if (!GetWindowRect(reinterpret_cast<HWND>(window), &read)) {
        return false;
    }
    rect = screenRectOf(read);
    return true;
}

// In physical pixels whatever the thread's awareness; without the desktop window manager (and
// under Wine) the call fails and the window's rectangle stands in.
bool WindowsDesktopLookup::visibleFrame(uintptr_t window, ScreenRect& rect) {
    RECT read{};
    if (FAILED(DwmGetWindowAttribute(reinterpret_cast<HWND>(window), DWMWA_EXTENDED_FRAME_BOUNDS,
                                     &read, sizeof read)) ||
        read.right <= read.left || read.bottom <= read.top) {
        return false;
    }
    rect = screenRectOf(read);
    return true;
}

uintptr_t WindowsDesktopLookup::monitorOf(uintptr_t window) {
    return reinterpret_cast<uintptr_t>(
        MonitorFromWindow(reinterpret_cast<HWND>(window), MONITOR_DEFAULTTONEAREST));
}

uint32_t WindowsDesktopLookup::processOf(uintptr_t window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(window), &processId);
    return processId;
}

std::wstring_view WindowsDesktopLookup::className(uintptr_t window, std::span<wchar_t> buffer) {
    const int length = GetClassNameW(reinterpret_cast<HWND>(window), buffer.data(),
                                     static_cast<int>(buffer.size()));
    return {buffer.data(), static_cast<size_t>(std::max(length, 0))};
}

uintptr_t WindowsDesktopLookup::nextChildOfClass(uintptr_t parent, uintptr_t after,
                                                 const wchar_t* className) {
    return reinterpret_cast<uintptr_t>(FindWindowExW(
        reinterpret_cast<HWND>(parent), reinterpret_cast<HWND>(after), className, nullptr));
}

std::wstring_view WindowsDesktopLookup::imagePath(uint32_t processId, std::span<wchar_t> buffer) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) {
        return {};
    }
    DWORD size = static_cast<DWORD>(buffer.size());
    const bool read = QueryFullProcessImageNameW(process, 0, buffer.data(), &size);
    CloseHandle(process);
    return read ? std::wstring_view(buffer.data(), size) : std::wstring_view{};
}

PhysicalCoordinates::PhysicalCoordinates() : previous_(switchToPerMonitorAwareness()) {}

PhysicalCoordinates::~PhysicalCoordinates() {
    if (previous_) {
        setThreadDpiAwarenessContext()(previous_);
    }
}

bool usePhysicalCoordinatesOnThisThread() {
    return switchToPerMonitorAwareness() != nullptr;
}
