#include "ui/window_win.h"

#include "engine/engine_win.h"
#include "shell/app_win.h"
#include "shell/program_settings_win.h"
#include "shell/wheel_options_win.h"
#include "shell/shell_win.h"
#include "shell/ui_strings.h"
#include "tray/tray_win.h"
#include "ui/control_ids.h"
#include "ui/dpi_win.h"
#include "ui/drawn_controls_win.h"
#include "ui/layout.h"
#include "ui/palette.h"
#include "ui/scale.h"
#include "ui/slider_rows_win.h"
#include "ui/status.h"

#include <wtsapi32.h>

#include <utility>

HFONT titleFont = nullptr;
HFONT bodyFont = nullptr;
HFONT smallFont = nullptr;

HWND stateLine = nullptr;
HWND parameterLine = nullptr;
HWND effectSwitch = nullptr;
HWND autostartSwitch = nullptr;

namespace {

HWND titleLabel = nullptr;
HWND subtitleLabel = nullptr;
HWND restoreNoteLabel = nullptr;
HWND trayNoteLabel = nullptr;
bool closeBalloonShown = false;
int currentDpi = BASE_DPI;
// The window's own icons at its scale; the class keeps the ones of the start.
HICON smallIcon = nullptr;
HICON largeIcon = nullptr;
// Broadcast by the shell to every top-level window when Explorer has restarted.
UINT taskbarCreatedMessage = 0;
bool sessionNotificationsOn = false;
uint64_t inputAtLastFrontLook = UINT64_MAX;

HFONT createUiFont(FontRole role) {
    const FontSpec font = fontSpec(role, currentDpi);
    return CreateFontW(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

void deleteFont(HFONT& font) {
    if (font) {
        DeleteObject(font);
        font = nullptr;
    }
}

struct Fonts {
    HFONT title, body, small;
};

// The fonts for the current scale; returns the ones they replace, which the controls may still
// hold until they are given the new ones.
Fonts createFontsForScale() {
    const Fonts replaced{titleFont, bodyFont, smallFont};
    titleFont = createUiFont(FontRole::title);
    bodyFont = createUiFont(FontRole::body);
    smallFont = createUiFont(FontRole::small);
    return replaced;
}

void deleteFonts(Fonts fonts) {
    deleteFont(fonts.title);
    deleteFont(fonts.body);
    deleteFont(fonts.small);
}

HFONT fontFor(FontRole role) {
    switch (role) {
    case FontRole::title:
        return titleFont;
    case FontRole::small:
        return smallFont;
    default:
        return bodyFont;
    }
}

HWND& handleOf(ControlName name) {
    switch (name) {
    case ControlName::titleLabel:
        return titleLabel;
    case ControlName::subtitleLabel:
        return subtitleLabel;
    case ControlName::stateLine:
        return stateLine;
    case ControlName::effectSwitch:
        return effectSwitch;
    case ControlName::autostartSwitch:
        return autostartSwitch;
    case ControlName::parameterLine:
        return parameterLine;
    case ControlName::restoreNoteLabel:
        return restoreNoteLabel;
    default:
        return trayNoteLabel;
    }
}

const wchar_t* textOf(uint32_t textId) {
    if (textId == PROGRAM_NAME_TEXT) {
        return PROGRAM_NAME;
    }
    return textId == EMPTY_TEXT ? L"" : uiString(textId);
}

template <size_t N> void createControls(const std::array<ControlSpec, N>& specs) {
    for (const ControlSpec& spec : specs) {
        HWND control = createChildControl(spec.className, textOf(spec.textId), spec.extraStyle,
                                          controlRect(spec, currentDpi), spec.id);
        handleOf(spec.name) = control;
        if (spec.font != FontRole::body) {
            setControlFont(control, fontFor(spec.font));
        }
    }
}

template <size_t N> void fitControlsToScale(const std::array<ControlSpec, N>& specs) {
    for (const ControlSpec& spec : specs) {
        moveControl(handleOf(spec.name), controlRect(spec, currentDpi));
        setControlFont(handleOf(spec.name), fontFor(spec.font));
    }
}

void createSliderRows() {
    for (size_t i = 0; i < sliderRows.size(); ++i) {
        createSliderRow(i, uiString(sliderRows[i].labelId), currentDpi);
    }
}

// The outer size at a scale: the 96-DPI client area scaled, in the frame of that scale. At
// 96 DPI it is the outer size of the design.
SIZE windowSizeAt(int dpi) {
    const SIZE frame96 = windowSizeAround({0, 0}, WINDOW_STYLE, BASE_DPI);
    const PixelSize client = clientSize(frame96.cx, frame96.cy, dpi);
    return windowSizeAround({client.width, client.height}, WINDOW_STYLE, dpi);
}

void sizeWindowForScale(HWND window) {
    const SIZE outer = windowSizeAt(currentDpi);
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON loadAppIconAt(int sizeMetric) {
    const int size = systemMetricAt(sizeMetric, currentDpi);
    return static_cast<HICON>(
        LoadImageW(appInstance, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON, size, size, 0));
}

void destroyIcon(HICON& icon) {
    if (icon) {
        DestroyIcon(icon);
        icon = nullptr;
    }
}

// The icon group holds an image for each common scale: the title bar and the notification
// area get the one of their size instead of a stretched one. The icons replaced go once
// nothing shows them any more.
void loadIconsForScale(HWND window) {
    HICON small = loadAppIconAt(SM_CXSMICON);
    HICON large = loadAppIconAt(SM_CXICON);
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    setTrayIconImage(small);
    destroyIcon(smallIcon);
    destroyIcon(largeIcon);
    smallIcon = small;
    largeIcon = large;
}

LRESULT onCreate(HWND window) {
    engine.mainWindow = window;
    currentDpi = dpiOfWindow(window);
    createFontsForScale();
    createControls(controlsBeforeSliders);
    createSliderRows();
    createControls(controlsAfterSliders);
    sizeWindowForScale(window);
    loadIconsForScale(window);
    loadSettings();
    loadProgramSettings();
    loadWheelOptions();
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    // An elevated Rolvane would otherwise never hear it from a normal Explorer.
    ChangeWindowMessageFilterEx(window, taskbarCreatedMessage, MSGFLT_ALLOW, nullptr);
    addTrayIcon();
    sessionNotificationsOn = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
    SetTimer(window, TIMER_REFRESH, REFRESH_INTERVAL_MS, nullptr);
    return 0;
}

// A null handle would invalidate the whole desktop.
void repaintSwitch(HWND control) {
    if (control) {
        InvalidateRect(control, nullptr, FALSE);
    }
}

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

void openWindow(HWND window) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

// The Wheel submenu's options, the "In NAME" submenu's settings and the list of programs with
// their own setting.
void onProgramCommand(HWND window, int id) {
    const int settingIndex = id - IDM_PROGRAM_SETTING_FIRST;
    const int listedIndex = id - IDM_PROGRAM_LISTED_FIRST;
    const int wheelIndex = id - IDM_WHEEL_OPTION_FIRST;
    if (wheelIndex >= 0 && wheelIndex < int(WHEEL_OPTION_ITEMS)) {
        saveProgramSettingOrWarn(window, toggleWheelOption(size_t(wheelIndex)));
    } else if (settingIndex >= 0 && settingIndex < int(PROGRAM_SETTINGS.size())) {
        saveProgramSettingOrWarn(window, setFrontProgramSetting(PROGRAM_SETTINGS[settingIndex]));
    } else if (listedIndex >= 0 && listedIndex < int(PROGRAMS_LISTED_LIMIT)) {
        saveProgramSettingOrWarn(window, resetListedProgram(size_t(listedIndex)));
    }
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

// The front is looked at again only after input: the look costs a dozen calls into the system,
// and at rest the timer should cost no more than its own tick.
LRESULT onTimer(HWND window) {
    saveSettingsIfDirty();
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
    currentDpi = dpi;
    const Fonts replaced = createFontsForScale();
    fitControlsToScale(controlsBeforeSliders);
    fitSliderRowsToScale(currentDpi);
    fitControlsToScale(controlsAfterSliders);
    deleteFonts(replaced);
    loadIconsForScale(window);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

void fillCard(HDC dc, const DrawnRect& card) {
    const int corner = scaled(CARD_CORNER, currentDpi);
    RoundRect(dc, card.left, card.top, card.right, card.bottom, corner, corner);
}

LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, backgroundBrush);
    HBRUSH accent = CreateSolidBrush(gdiColor(accentColor));
    const RECT band{0, 0, client.right, scaled(HEADER_BAND_HEIGHT, currentDpi)};
    FillRect(dc, &band, accent);
    DeleteObject(accent);
    HGDIOBJ oldBrush = SelectObject(dc, cardBrush);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    fillCard(dc, stateCard(client.right, currentDpi));
    fillCard(dc, parameterCard(client.right, currentDpi));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    EndPaint(window, &paint);
    return 0;
}

ControlName staticNameOf(HWND control) {
    for (ControlName name :
         {ControlName::titleLabel, ControlName::subtitleLabel, ControlName::stateLine,
          ControlName::parameterLine, ControlName::restoreNoteLabel, ControlName::trayNoteLabel}) {
        if (control && handleOf(name) == control) {
            return name;
        }
    }
    return ControlName::effectSwitch; // any other control: card colours, default text
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
    if (sessionNotificationsOn) {
        WTSUnRegisterSessionNotification(window);
    }
    RemovePropW(window, HOOK_REINSTALLS_PROPERTY);
    removeTrayIcon();
    destroyIcon(smallIcon);
    destroyIcon(largeIcon);
    deleteFont(titleFont);
    deleteFont(bodyFont);
    deleteFont(smallFont);
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

LRESULT onEngineStateChanged() {
    repaintSwitch(effectSwitch);
    refreshStatus();
    return 0;
}

} // namespace

HWND createChildControl(const wchar_t* className, const wchar_t* text, DWORD extraStyle,
                        const DrawnRect& place, int id) {
    HWND control = CreateWindowExW(
        0, className, text, WS_CHILD | WS_VISIBLE | extraStyle, place.left, place.top,
        place.right - place.left, place.bottom - place.top, mainWindowHandle(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), appInstance, nullptr);
    setControlFont(control, bodyFont);
    return control;
}

void moveControl(HWND control, const DrawnRect& place) {
    if (control) {
        SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void setControlFont(HWND control, HFONT font) {
    if (control && font) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

int windowDpi() {
    return currentDpi;
}

// The user switched "Scroll inactive windows when I hover over them".
LRESULT onSettingChange(UINT setting) {
    if (setting == SPI_SETMOUSEWHEELROUTING) {
        readWheelRouting();
    }
    return 0;
}

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreatedMessage && message != 0) {
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
