#include "ui/window_win.h"

#include "engine/engine_win.h"
#include "shell/app_win.h"
#include "shell/program_settings_win.h"
#include "shell/shell_win.h"
#include "shell/start_options_win.h"
#include "shell/wheel_options_win.h"
#include "tray/tray_win.h"
#include "ui/control_ids.h"
#include "ui/drawn_controls_win.h"
#include "ui/palette.h"
#include "ui/scale.h"
#include "ui/slider_rows_win.h"
#include "ui/status.h"
#include "ui/window_parts_win.h"

#include <wtsapi32.h>

#include <utility>

namespace {

bool closeBalloonShown = false;
// Broadcast by the shell to every top-level window when Explorer has restarted.
UINT taskbarCreatedMessage = 0;
bool sessionNotificationsOn = false;
uint64_t inputAtLastFrontLook = UINT64_MAX;
// "Turn on at start": the effect goes on once the hook is in place.
bool turnOnOnceHooked = false;

LRESULT onCreate(HWND window) {
    engine.mainWindow = window;
    layOutWindow(window);
    loadSettings();
    loadProgramSettings();
    loadWheelOptions();
    loadStartOptions();
    showRestoreNote();
    turnOnOnceHooked = effectAtStart();
    registerToggleHotkey(window);
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    // An elevated Rolvane would otherwise never hear it from a normal Explorer.
    ChangeWindowMessageFilterEx(window, taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    addTrayIcon();
    sessionNotificationsOn = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
    SetTimer(window, TIMER_REFRESH, REFRESH_INTERVAL_MS, nullptr);
    return 0;
}

// The hook comes in on its own thread a moment after the window; the refresh timer or the state
// notice finds it in place.
void turnOnAtStartOnceHooked() {
    if (turnOnOnceHooked && engine.hookInstalled.load()) {
        turnOnOnceHooked = false;
        turnEffectOn(engine);
        repaintSwitch(effectSwitch);
    }
}

// The front is looked at again only after input: the look costs a dozen calls into the system,
// and at rest the timer should cost no more than its own tick.
LRESULT onTimer(HWND window) {
    saveSettingsIfDirty();
    turnOnAtStartOnceHooked();
    keepTrayIconShown();
    const uint64_t input = watchInput(window);
    if (std::exchange(inputAtLastFrontLook, input) != input) {
        watchFrontProgram(window);
    }
    refreshStatus();
    return 0;
}

// A resume or an unlock is when Windows is most likely to have dropped a slow hook.
LRESULT onPowerBroadcast(WPARAM event) {
    if (event == PBT_APMRESUMEAUTOMATIC) {
        putHookBack();
    }
    return TRUE;
}

LRESULT onSessionChange(WPARAM event) {
    if (event == WTS_SESSION_UNLOCK) {
        putHookBack();
    }
    return 0;
}

// Before a change of scale Windows asks how large the window is to be at the new one: as large
// as at a start there, where a linear scale of the frame would be off by a pixel or two, so that
// moving to and fro between monitors keeps the window's size.
LRESULT onGetDpiScaledSize(int dpi, SIZE& size) {
    size = windowSizeAt(dpi);
    return TRUE;
}

// Windows sends it when the window has moved to a monitor of another scale, with the DPI there
// and the place it suggests for the window.
LRESULT onDpiChanged(HWND window, int dpi, const RECT& suggested) {
    fitWindowToDpi(window, dpi, suggested);
    return 0;
}

void fillCard(HDC dc, const DrawnRect& card) {
    const int corner = scaled(CARD_CORNER, windowDpi());
    RoundRect(dc, card.left, card.top, card.right, card.bottom, corner, corner);
}

LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, backgroundBrush);
    HBRUSH accent = CreateSolidBrush(gdiColor(accentColor));
    const RECT band{0, 0, client.right, scaled(HEADER_BAND_HEIGHT, windowDpi())};
    FillRect(dc, &band, accent);
    DeleteObject(accent);
    HGDIOBJ oldBrush = SelectObject(dc, cardBrush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    fillCard(dc, stateCard(client.right, windowDpi()));
    fillCard(dc, parameterCard(client.right, windowDpi()));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    EndPaint(window, &paint);
    return 0;
}

LRESULT onCtlColorStatic(HDC dc, HWND control) {
    const ControlName name = staticNameOf(control);
    const bool onPage = staticSurface(name) == Surface::page;
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, gdiColor(onPage ? pageColor : cardColor));
    SetTextColor(dc, gdiColor(staticTextColor(name, engine.hookInstalled.load(),
                                              engine.effectEnabled.load())));
    return reinterpret_cast<LRESULT>(onPage ? backgroundBrush : cardBrush);
}

LRESULT onDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_EFFECT_SWITCH && item.CtlID != IDC_AUTOSTART_SWITCH) {
        return FALSE;
    }
    drawToggleSwitch(item);
    return TRUE;
}

LRESULT onClose(HWND window) {
    ShowWindow(window, SW_HIDE);
    if (!closeBalloonShown) {
        closeBalloonShown = true;
        showCloseBalloon();
    }
    return 0;
}

LRESULT onDestroy(HWND window) {
    if (engine.settingsDirty) {
        saveSettings();
    }
    turnEffectOff(engine);
    requestStop(engine);
    KillTimer(window, TIMER_REFRESH);
    unregisterToggleHotkey(window);
    if (sessionNotificationsOn) {
        WTSUnRegisterSessionNotification(window);
    }
    RemovePropW(window, HOOK_REINSTALLS_PROPERTY);
    removeTrayIcon();
    releaseWindowLook();
    PostQuitMessage(0);
    return 0;
}

LRESULT onTrayNotify(HWND window, UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        showTrayMenu(window);
        break;
    case WM_LBUTTONDBLCLK:
        openWindow(window);
        break;
    }
    return 0;
}

LRESULT onHotkey(HWND window, WPARAM id) {
    if (id == TOGGLE_HOTKEY_ID) {
        onCommand(window, IDC_EFFECT_SWITCH);
    }
    return 0;
}

LRESULT onEngineStateChanged() {
    turnOnAtStartOnceHooked();
    repaintSwitch(effectSwitch);
    refreshStatus();
    return 0;
}

// The user switched "Scroll inactive windows when I hover over them".
LRESULT onSettingChange(UINT setting) {
    if (setting == SPI_SETMOUSEWHEELROUTING) {
        readWheelRouting();
    }
    return 0;
}

} // namespace

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreatedMessage && message != 0) {
        loadTrayIconsForScale();
        restoreTrayIcon();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return onCreate(window);
    case WM_COMMAND:
        return onCommand(window, LOWORD(wParam));
    case WM_HSCROLL:
        onSliderScroll();
        return 0;
    case WM_TIMER:
        return onTimer(window);
    case WM_POWERBROADCAST:
        return onPowerBroadcast(wParam);
    case WM_WTSSESSION_CHANGE:
        return onSessionChange(wParam);
    case WM_SETTINGCHANGE:
        return onSettingChange(static_cast<UINT>(wParam));
    case WM_GETDPISCALEDSIZE:
        return onGetDpiScaledSize(static_cast<int>(wParam), *reinterpret_cast<SIZE*>(lParam));
    case WM_DISPLAYCHANGE:
        loadTrayIconsForScale();
        return 0;
    case WM_DPICHANGED:
        return onDpiChanged(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    case WM_PAINT:
        return onPaint(window);
    case WM_CTLCOLORSTATIC:
        return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
        return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CLOSE:
        return onClose(window);
    case WM_DESTROY:
        return onDestroy(window);
    case WM_TRAY_NOTIFY:
        return onTrayNotify(window, LOWORD(lParam));
    case WM_HOTKEY:
        return onHotkey(window, wParam);
    case WM_ENGINE_STATE_CHANGED:
        return onEngineStateChanged();
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void connectEngineToWindow() {
    connectEngineToWindows();
    readWheelRouting();
    engine.ui.moveSliders = moveSliders;
    engine.ui.updateParameterLine = updateParameterLine;
    engine.ui.saveSettings = saveSettings;
}
