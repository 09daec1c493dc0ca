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
                    L"Progman", L"WorkerW", L"#32769"},
                   sameClassName);
}

bool isShellProgram(std::wstring_view fileName) {
    return isOneOf(fileName,
                   {L"StartMenuExperienceHost.exe", L"SearchHost.exe", L"SearchApp.exe",
                    L"SearchUI.exe", L"ShellExperienceHost.exe", L"ShellHost.exe",
                    L"TextInputHost.exe", L"LockApp.exe"},
                   sameProgramName);
}

void noteMovement(MovementWatch& watch, ScreenRect window, uint32_t eventTime,
                  int32_t durationMs) {
    constexpr int32_t heldBackMs = 200;
    watch = {window, eventTime, static_cast<uint32_t>(durationMs + heldBackMs)};
}

bool endsMovement(MovementWatch& watch, uintptr_t message, int32_t x, int32_t y,
                  uint32_t eventTime) {
    if (watch.lastsMs == 0) {
        return false;
    }
    if (eventTime - watch.notedAt > watch.lastsMs) {
        watch.lastsMs = 0;
        return false;
    }
    const ScreenRect& w = watch.window;
    const bool outside = x < w.left || x >= w.right || y < w.top || y >= w.bottom;
    bool pressed = false;
    for (const uintptr_t buttonDown : MOUSE_MESSAGE_BUTTONS_DOWN) {
        pressed = pressed || message == buttonDown;
    }
    if ((message == MOUSE_MESSAGE_MOVE && outside) || pressed) {
        watch.lastsMs = 0;
        return true;
    }
    return false;
}

bool isFullScreenWindow(const WindowShape& shape) {
    return !shape.maximized && !shape.caption && !shape.sizingFrame &&
           coversWholeMonitor(shape.window, shape.monitor);
}
