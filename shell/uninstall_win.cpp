#include "shell/uninstall_win.h"

#include "shell/autostart.h"
#include "shell/settings.h"

#include <windows.h>

namespace {

// Where Task Manager and Settings > Apps > Startup keep a Run entry switched off.
constexpr wchar_t STARTUP_APPROVED_RUN_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
// An instance saves its settings as it ends: the key goes only after it has.
constexpr DWORD INSTANCE_END_TIMEOUT_MS = 15000;
constexpr DWORD WINDOW_POLL_MS = 50;

// FindWindow sees only this session's desktop: another user's instance is not ours to end.
bool endRunningInstance(const wchar_t* windowClass, int exitCommand) {
    HWND window = FindWindowW(windowClass, nullptr);
    if (!window) {
        return true;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!PostMessageW(window, WM_COMMAND, MAKEWPARAM(exitCommand, 0), 0)) {
        if (process) {
            CloseHandle(process);
        }
        return false;
    }
    bool ended = false;
    if (process) {
        ended = WaitForSingleObject(process, INSTANCE_END_TIMEOUT_MS) == WAIT_OBJECT_0;
        CloseHandle(process);
    } else {
        for (DWORD waited = 0; IsWindow(window) && waited < INSTANCE_END_TIMEOUT_MS;
             waited += WINDOW_POLL_MS) {
            Sleep(WINDOW_POLL_MS);
        }
        ended = !IsWindow(window);
    }
    return ended;
}

bool gone(LSTATUS status) {
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

} // namespace

int uninstall(const wchar_t* windowClass, int exitCommand) {
    bool clean = endRunningInstance(windowClass, exitCommand);
    clean = gone(RegDeleteKeyValueW(HKEY_CURRENT_USER, RUN_KEY, AUTOSTART_VALUE)) && clean;
    clean = gone(RegDeleteKeyValueW(HKEY_CURRENT_USER, STARTUP_APPROVED_RUN_KEY,
                                    AUTOSTART_VALUE)) &&
            clean;
    clean = gone(RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY)) && clean;
    return clean ? 0 : 1;
}
