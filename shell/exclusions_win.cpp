#include "shell/exclusions_win.h"

#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/excluded_programs.h"
#include "engine/window_program_win.h"
#include "shell/registry_win.h"
#include "shell/settings.h"

#include <shellapi.h>

namespace {

ExcludedPrograms excludedPrograms;
bool pauseInFullScreen = true;
// The monitor of the full-screen program in front; 0 while there is none.
uintptr_t fullScreenMonitor = 0;
std::wstring frontProgram;
WindowsDesktopLookup desktop;
ProgramNameReader programNames;

// Called in physical coordinates: the window's and the monitor's rectangles then agree at any
// display scale, on every monitor.
bool isFullScreen(HWND window) {
    RECT rect;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(window, &rect) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return false;
    }
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const RECT& screen = monitor.rcMonitor;
    return isFullScreenWindow({{rect.left, rect.top, rect.right, rect.bottom},
                               {screen.left, screen.top, screen.right, screen.bottom},
                               IsZoomed(window) != FALSE,
                               (style & WS_CAPTION) == WS_CAPTION,
                               (style & WS_THICKFRAME) != 0});
}

bool direct3dFullScreen() {
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(SHQueryUserNotificationState(&state)) &&
           state == QUNS_RUNNING_D3D_FULL_SCREEN;
}

void publishPause() {
    engine.fullScreenMonitor.store(pauseInFullScreen ? fullScreenMonitor : 0);
}

bool saveAndHandOver() {
    handExclusionsToHook(excludedPrograms);
    return saveExcludedPrograms(currentUserRegistry(), excludedPrograms);
}

} // namespace

void loadExclusions() {
    excludedPrograms = loadExcludedPrograms(currentUserRegistry());
    pauseInFullScreen = loadPauseInFullScreen(currentUserRegistry());
    handExclusionsToHook(excludedPrograms);
    publishPause();
}

void watchFrontProgram(HWND ownWindow) {
    const PhysicalCoordinates physical;
    HWND front = GetForegroundWindow();
    DWORD processId = 0;
    GetWindowThreadProcessId(front, &processId);
    const bool ours = processId == GetCurrentProcessId() || front == ownWindow;
    const bool desktopItself = front == GetDesktopWindow() || front == GetShellWindow();
    std::wstring_view program;
    if (front && !ours && !desktopItself) {
        program = programNames.programInFront(desktop, reinterpret_cast<uintptr_t>(front));
    }
    // The name stays while the shell or Rolvane is in front: the menu means the program before.
    if (!program.empty()) {
        frontProgram.assign(program);
    }
    const bool fullScreen = direct3dFullScreen() || (!program.empty() && isFullScreen(front));
    fullScreenMonitor =
        fullScreen ? reinterpret_cast<uintptr_t>(MonitorFromWindow(front, MONITOR_DEFAULTTOPRIMARY))
                   : 0;
    publishPause();
}

ExclusionState exclusionState() {
    ExclusionState state;
    state.frontProgramKnown = !frontProgram.empty();
    state.frontProgramExcluded = excludedPrograms.excludes(frontProgram);
    state.anyExcluded = !excludedPrograms.names.empty();
    state.pauseInFullScreen = pauseInFullScreen;
    state.fullScreenInFront = fullScreenMonitor != 0;
    return state;
}

const std::wstring& frontProgramName() {
    return frontProgram;
}

const std::vector<std::wstring>& excludedProgramNames() {
    return excludedPrograms.names;
}

bool toggleFrontProgramExcluded() {
    if (frontProgram.empty()) {
        return true;
    }
    if (!removeExcludedProgram(excludedPrograms, frontProgram) &&
        !addExcludedProgram(excludedPrograms, frontProgram)) {
        return false;
    }
    return saveAndHandOver();
}

bool togglePauseInFullScreen() {
    pauseInFullScreen = !pauseInFullScreen;
    publishPause();
    return savePauseInFullScreen(currentUserRegistry(), pauseInFullScreen);
}

bool removeExcludedProgramAt(size_t index) {
    if (index >= excludedPrograms.names.size()) {
        return true;
    }
    const std::wstring name = excludedPrograms.names[index];
    removeExcludedProgram(excludedPrograms, name);
    return saveAndHandOver();
}
