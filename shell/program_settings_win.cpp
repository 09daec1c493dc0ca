#include "shell/program_settings_win.h"

#include "engine/engine_state.h"
#include "engine/engine_win.h"
#include "engine/program_rules.h"
#include "engine/window_program_win.h"
#include "shell/registry_win.h"
#include "shell/settings.h"

#include <shellapi.h>

namespace {

ProgramRules programRules;
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
                               (style & WS_CAPTION) == WS_CAPTION});
}

bool direct3dFullScreen() {
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(SHQueryUserNotificationState(&state)) &&
           state == QUNS_RUNNING_D3D_FULL_SCREEN;
}

void publishPause() {
    engine.fullScreenMonitor.store(pauseInFullScreen ? fullScreenMonitor : 0);
}

} // namespace

void loadProgramSettings() {
    programRules.excluded = loadExcludedPrograms(currentUserRegistry());
    programRules.profiles = loadProgramProfiles(currentUserRegistry());
    pauseInFullScreen = loadPauseInFullScreen(currentUserRegistry());
    handProgramRulesToHook(programRules);
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

ProgramState programState() {
    ProgramState state;
    state.frontProgramKnown = !frontProgram.empty();
    state.frontSetting = programRules.settingOf(frontProgram);
    state.anyOwnSetting = !programRules.excluded.names.empty() || !programRules.profiles.empty();
    state.pauseInFullScreen = pauseInFullScreen;
    state.fullScreenInFront = fullScreenMonitor != 0;
    state.windowProfile = engine.activeProfile;
    return state;
}

const std::wstring& frontProgramName() {
    return frontProgram;
}

std::vector<ListedProgram> listedPrograms() {
    std::vector<ListedProgram> listed;
    for (std::wstring& name : programsWithOwnSetting(programRules)) {
        const int32_t setting = programRules.settingOf(name);
        listed.push_back({std::move(name), setting});
    }
    return listed;
}

// The hook has the new rules at once; each list is written only when it changed.
static bool applyProgramSetting(const std::wstring& name, int32_t setting) {
    if (name.empty() || programRules.settingOf(name) == setting) {
        return true;
    }
    const ExcludedPrograms excludedBefore = programRules.excluded;
    if (!setProgramSetting(programRules, name, setting)) {
        return false;
    }
    handProgramRulesToHook(programRules);
    RegistryStore& registry = currentUserRegistry();
    const bool excludedSaved = programRules.excluded == excludedBefore ||
                               saveExcludedPrograms(registry, programRules.excluded);
    const int32_t profile = isProfileId(setting) ? setting : PROGRAM_LIKE_EVERYWHERE;
    return saveProgramProfile(registry, name, profile) && excludedSaved;
}

bool setFrontProgramSetting(int32_t setting) {
    return applyProgramSetting(frontProgram, setting);
}

bool resetListedProgram(size_t index) {
    const std::vector<ListedProgram> listed = listedPrograms();
    return index >= listed.size() ||
           applyProgramSetting(listed[index].name, PROGRAM_LIKE_EVERYWHERE);
}

bool togglePauseInFullScreen() {
    pauseInFullScreen = !pauseInFullScreen;
    publishPause();
    return savePauseInFullScreen(currentUserRegistry(), pauseInFullScreen);
}
