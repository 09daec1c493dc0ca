#include "engine/window_program.h"

#include "engine/excluded_programs.h"

namespace {

bool isOneOf(std::wstring_view name, std::initializer_list<std::wstring_view> names,
             bool (*same)(std::wstring_view, std::wstring_view)) {
    for (const std::wstring_view listed : names) {
        if (same(name, listed)) {
            return true;
        }
    }
    return false;
}

bool sameClassName(std::wstring_view a, std::wstring_view b) {
    return a == b;
}

bool coversWholeMonitor(ScreenRect window, ScreenRect monitor) {
    return monitor.right > monitor.left && monitor.bottom > monitor.top &&
           window.left <= monitor.left && window.top <= monitor.top &&
           window.right >= monitor.right && window.bottom >= monitor.bottom;
}

} // namespace

uint32_t programProcessOf(DesktopLookup& lookup, uintptr_t topLevel) {
    const uint32_t windowProcess = lookup.processOf(topLevel);
    std::array<wchar_t, CLASS_NAME_CAPACITY> name{};
    if (lookup.className(topLevel, name) != STORE_APP_FRAME_CLASS) {
        return windowProcess;
    }
    // The frame host hosts every Store app; the app is the process that owns the content.
    for (uintptr_t child = lookup.nextChildOfClass(topLevel, 0, STORE_APP_CONTENT_CLASS);
         child != 0; child = lookup.nextChildOfClass(topLevel, child, STORE_APP_CONTENT_CLASS)) {
        const uint32_t app = lookup.processOf(child);
        if (app != 0 && app != windowProcess) {
            return app;
        }
    }
    return 0;
}

std::wstring_view ProgramNameReader::fileNameOf(DesktopLookup& lookup, uint32_t processId) {
    if (processId == 0) {
        return {};
    }
    return programFileName(lookup.imagePath(processId, path_));
}

std::wstring_view ProgramNameReader::programInFront(DesktopLookup& lookup, uintptr_t topLevel) {
    if (topLevel == 0 || isShellWindowClass(lookup.className(topLevel, className_))) {
        return {};
    }
    const std::wstring_view name = fileNameOf(lookup, programProcessOf(lookup, topLevel));
    return isShellProgram(name) ? std::wstring_view{} : name;
}

bool isShellWindowClass(std::wstring_view className) {
    return isOneOf(className,
                   {L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"NotifyIconOverflowWindow",
                    L"TopLevelWindowForOverflowXamlIsland", L"XamlExplorerHostIslandWindow",
                    L"MultitaskingViewFrame", L"ForegroundStaging", L"TaskListThumbnailWnd",
                    L"Progman", L"WorkerW", L"#32769", L"#32771"},
                   sameClassName);
}

bool isShellProgram(std::wstring_view fileName) {
    return isOneOf(fileName,
                   {L"StartMenuExperienceHost.exe", L"SearchHost.exe", L"SearchApp.exe",
                    L"SearchUI.exe", L"ShellExperienceHost.exe", L"ShellHost.exe",
                    L"TextInputHost.exe", L"LockApp.exe"},
                   sameProgramName);
}

bool isFullScreenWindow(const WindowShape& shape) {
    return !shape.caption && coversWholeMonitor(shape.window, shape.monitor);
}

int32_t wheelRoutingOf(bool read, uint32_t value) {
    // wheelTargetAt takes any other value for the pointer.
    return read ? static_cast<int32_t>(value) : WHEEL_ROUTING_POINTER;
}

WheelTarget wheelTargetAt(DesktopLookup& desktop, int32_t routing, int32_t x, int32_t y) {
    WheelTarget target;
    if (routing != WHEEL_ROUTING_FOCUS) {
        target.window = desktop.windowAt(x, y);
        target.topLevel = target.window ? desktop.topLevelOf(target.window) : 0;
        std::array<wchar_t, CLASS_NAME_CAPACITY> name{};
        if (routing != WHEEL_ROUTING_HYBRID ||
            (target.topLevel != 0 &&
             desktop.className(target.topLevel, name) == STORE_APP_FRAME_CLASS)) {
            return target;
        }
    }
    target.window = desktop.focusWindow();
    target.topLevel = target.window ? desktop.topLevelOf(target.window) : 0;
    target.followsPointer = false;
    return target;
}

bool movementAreaOf(DesktopLookup& desktop, const WheelTarget& target, ScreenRect& area) {
    if (target.window == 0) {
        return false;
    }
    return (target.window == target.topLevel && desktop.visibleFrame(target.window, area)) ||
           desktop.windowRect(target.window, area);
}
