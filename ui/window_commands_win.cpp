#include "ui/window_parts_win.h"
#include "ui/window_win.h"

#include "engine/engine_win.h"
#include "shell/program_settings_win.h"
#include "shell/shell_win.h"
#include "shell/start_options_win.h"
#include "shell/ui_strings.h"
#include "shell/wheel_options_win.h"
#include "tray/tray_model.h"
#include "ui/control_ids.h"
#include "ui/hotkey_dialog_win.h"
#include "ui/slider_rows_win.h"

namespace {

void warn(HWND window, uint32_t textId) {
    MessageBoxW(window, uiString(textId), PROGRAM_NAME, MB_OK | MB_ICONWARNING);
}

void toggleEffect(HWND window) {
    if (engine.effectEnabled.load()) {
        turnEffectOff(engine);
    } else if (engine.hookInstalled.load()) {
        turnEffectOn(engine);
    } else {
        warn(window, 13);
    }
    repaintSwitch(effectSwitch);
}

void switchAutostart(HWND window) {
    if (!toggleAutostart()) {
        warn(window, 14);
    }
    repaintSwitch(autostartSwitch);
}

void saveProgramSettingOrWarn(HWND window, bool saved) {
    if (!saved) {
        warn(window, 38);
    }
}

// The new language shows at once, even where it could not be stored.
void switchLanguage(HWND window, uint32_t choice) {
    const bool saved = chooseLanguage(choice);
    showTextsInLanguage(window);
    saveProgramSettingOrWarn(window, saved);
}

// The Language submenu, the Wheel submenu's options, the "In NAME" submenu's settings and the list
// of programs with their own setting.
void onProgramCommand(HWND window, int id) {
    const int settingIndex = id - IDM_PROGRAM_SETTING_FIRST;
    const int listedIndex = id - IDM_PROGRAM_LISTED_FIRST;
    const int wheelIndex = id - IDM_WHEEL_OPTION_FIRST;
    const int64_t languageChoice = languageChoiceOfCommand(id);
    if (languageChoice >= 0) {
        switchLanguage(window, uint32_t(languageChoice));
    } else if (wheelIndex >= 0 && wheelIndex < int(WHEEL_OPTION_ITEMS)) {
        saveProgramSettingOrWarn(window, toggleWheelOption(size_t(wheelIndex)));
    } else if (settingIndex >= 0 && settingIndex < int(PROGRAM_SETTINGS.size())) {
        saveProgramSettingOrWarn(window, setFrontProgramSetting(PROGRAM_SETTINGS[settingIndex]));
    } else if (listedIndex >= 0 && listedIndex < int(PROGRAMS_LISTED_LIMIT)) {
        saveProgramSettingOrWarn(window, resetListedProgram(size_t(listedIndex)));
    }
}

} // namespace

// A null handle would invalidate the whole desktop.
void repaintSwitch(HWND control) {
    if (control) {
        InvalidateRect(control, nullptr, FALSE);
    }
}

void openWindow(HWND window) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

LRESULT onCommand(HWND window, int id) {
    switch (id) {
    case IDC_EFFECT_SWITCH:
        toggleEffect(window);
        break;
    case IDC_AUTOSTART_SWITCH:
        switchAutostart(window);
        break;
    case IDM_OPEN:
        openWindow(window);
        break;
    case IDM_PROFILE_SOFT:
    case IDM_PROFILE_BALANCED:
    case IDM_PROFILE_FAST:
    case IDM_PROFILE_CUSTOM:
        applyProfile(engine, id, true);
        break;
    case IDM_EFFECT_AT_START:
        saveProgramSettingOrWarn(window, toggleEffectAtStart());
        showRestoreNote();
        break;
    case IDM_HOTKEY:
        showHotkeyDialog(window);
        break;
    case IDM_PAUSE_IN_FULL_SCREEN:
        saveProgramSettingOrWarn(window, togglePauseInFullScreen());
        break;
    case IDM_EXIT:
        DestroyWindow(window);
        return 0;
    default:
        onProgramCommand(window, id);
        break;
    }
    refreshStatus();
    return 0;
}
