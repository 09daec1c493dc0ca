#include "engine/window_program_win.h"

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
uintptr_t WindowsDesktopLookup::topLevelAt(int32_t x, int32_t y) {
    HWND window = WindowFromPhysicalPoint({x, y});
    return reinterpret_cast<uintptr_t>(window ? GetAncestor(window, GA_ROOT) : nullptr);
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
