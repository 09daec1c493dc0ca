#include "shell/exclusions_win.h"

#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "shell/excluded_programs.h"
#include "shell/front_program.h"
#include "shell/registry_win.h"
#include "shell/settings.h"

#include <shellapi.h>

namespace {

ExcludedPrograms excludedPrograms;
bool pauseInFullScreen = true;
bool fullScreenInFront = false;
std::wstring frontProgram;

std::wstring programOfWindow(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) {
        return {};
    }
    wchar_t path[MAX_PATH + 1];
    DWORD size = MAX_PATH + 1;
    std::wstring name;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) {
        name = programFileName(std::wstring_view(path, size));
    }
    CloseHandle(process);
    return name;
}

bool isShellWindow(HWND window) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    return isShellWindowClass(className) || window == GetDesktopWindow() ||
           window == GetShellWindow();
}

bool coversItsMonitor(HWND window) {
    RECT rect;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(window, &rect) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return false;
    }
    const RECT& screen = monitor.rcMonitor;
    return coversWholeMonitor({rect.left, rect.top, rect.right, rect.bottom},
                              {screen.left, screen.top, screen.right, screen.bottom});
}

bool direct3dFullScreen() {
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(SHQueryUserNotificationState(&state)) &&
           state == QUNS_RUNNING_D3D_FULL_SCREEN;
}

void publishPause() {
    engine.pausedForFullScreen.store(pauseInFullScreen && fullScreenInFront);
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
    HWND front = GetForegroundWindow();
    DWORD processId = 0;
    GetWindowThreadProcessId(front, &processId);
    const bool ours = processId == GetCurrentProcessId() || front == ownWindow;
    const bool program = front && !ours && !isShellWindow(front);
    if (program) {
        frontProgram = programOfWindow(front);
    }
    fullScreenInFront = direct3dFullScreen() || (program && coversItsMonitor(front));
    publishPause();
}

ExclusionState exclusionState() {
    ExclusionState state;
    state.frontProgramKnown = !frontProgram.empty();
    state.frontProgramExcluded = excludedPrograms.excludes(frontProgram.c_str());
    state.anyExcluded = !excludedPrograms.names.empty();
    state.pauseInFullScreen = pauseInFullScreen;
    state.fullScreenInFront = fullScreenInFront;
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
