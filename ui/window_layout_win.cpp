#include "ui/window_parts_win.h"
#include "ui/window_win.h"

#include "engine/engine_win.h"
#include "shell/app_win.h"
#include "shell/start_options_win.h"
#include "shell/ui_strings.h"
#include "tray/tray_win.h"
#include "ui/dpi_win.h"
#include "ui/layout.h"
#include "ui/scale.h"
#include "ui/slider_rows_win.h"

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
int currentDpi = BASE_DPI;
// The window's own icons at its scale; the class keeps the ones of the start.
HICON smallIcon = nullptr;
HICON largeIcon = nullptr;
// The notification icon's, for the effect on and off, at the notification area's scale.
HICON trayOnIcon = nullptr;
HICON trayOffIcon = nullptr;
int trayIconsDpi = 0;

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

// The texts of the language now in force; the state line and the note under the sliders follow
// their own state.
template <size_t N> void relabelControls(const std::array<ControlSpec, N>& specs) {
    for (const ControlSpec& spec : specs) {
        if (spec.textId != PROGRAM_NAME_TEXT && spec.textId != EMPTY_TEXT &&
            spec.name != ControlName::stateLine && spec.name != ControlName::restoreNoteLabel) {
            setTextIfChanged(handleOf(spec.name), uiString(spec.textId));
        }
    }
}

void createSliderRows() {
    for (size_t i = 0; i < sliderRows.size(); ++i) {
        createSliderRow(i, uiString(sliderRows[i].labelId), currentDpi);
    }
}

void sizeWindowForScale(HWND window) {
    const SIZE outer = windowSizeAt(currentDpi);
    SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON loadAppIconAt(int sizeMetric, int id = APP_ICON_ID) {
    const int size = systemMetricAt(sizeMetric, currentDpi);
    return static_cast<HICON>(
        LoadImageW(appInstance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

void destroyIcon(HICON& icon) {
    if (icon) {
        DestroyIcon(icon);
        icon = nullptr;
    }
}

// The icon group holds an image for each common scale: the title bar gets the one of its
// size instead of a stretched one. The icons replaced go once nothing shows them any more.
void loadIconsForScale(HWND window) {
    HICON small = loadAppIconAt(SM_CXSMICON);
    HICON large = loadAppIconAt(SM_CXICON);
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    destroyIcon(smallIcon);
    destroyIcon(largeIcon);
    smallIcon = small;
    largeIcon = large;
}

// A size the icon group lacks (28 px at 175 %, 36 px at 225 %) is made from a larger image
// with the system's high-quality scaling, which LoadImage does not use. The call is looked up:
// it belongs to the common controls of version 6.
HICON loadIconOfSize(int id, int size) {
    using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto loadIconWithScaleDown = [] {
        HMODULE controls = GetModuleHandleW(L"comctl32.dll");
        return controls ? reinterpret_cast<LoadIconWithScaleDownFn>(reinterpret_cast<void*>(
                              GetProcAddress(controls, "LoadIconWithScaleDown")))
                        : nullptr;
    }();
    HICON icon = nullptr;
    if (loadIconWithScaleDown &&
        SUCCEEDED(loadIconWithScaleDown(appInstance, MAKEINTRESOURCEW(id), size, size, &icon))) {
        return icon;
    }
    return static_cast<HICON>(
        LoadImageW(appInstance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

} // namespace

// The notification area is on the primary monitor's taskbar and draws its icons at that
// monitor's scale, whichever monitor the window is on.
void loadTrayIconsForScale() {
    const int dpi = dpiOfPrimaryMonitor();
    if (dpi == trayIconsDpi && trayOnIcon) {
        return;
    }
    const int size = systemMetricAt(SM_CXSMICON, dpi);
    HICON on = loadIconOfSize(APP_ICON_ID, size);
    HICON off = loadIconOfSize(APP_OFF_ICON_ID, size);
    setTrayIconImages(on, off);
    destroyIcon(trayOnIcon);
    destroyIcon(trayOffIcon);
    trayOnIcon = on;
    trayOffIcon = off;
    trayIconsDpi = dpi;
}

namespace {

} // namespace

void layOutWindow(HWND window) {
    currentDpi = dpiOfWindow(window);
    createFontsForScale();
    createControls(controlsBeforeSliders);
    createSliderRows();
    createControls(controlsAfterSliders);
    sizeWindowForScale(window);
    loadIconsForScale(window);
    loadTrayIconsForScale();
}

SIZE windowSizeAt(int dpi) {
    const SIZE frame96 = windowSizeAround({0, 0}, WINDOW_STYLE, BASE_DPI);
    const PixelSize client = clientSize(frame96.cx, frame96.cy, dpi);
    return windowSizeAround({client.width, client.height}, WINDOW_STYLE, dpi);
}

void fitWindowToDpi(HWND window, int dpi, const RECT& suggested) {
    currentDpi = dpi;
    const Fonts replaced = createFontsForScale();
    fitControlsToScale(controlsBeforeSliders);
    fitSliderRowsToScale(currentDpi);
    fitControlsToScale(controlsAfterSliders);
    deleteFonts(replaced);
    loadIconsForScale(window);
    loadTrayIconsForScale();
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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

void showTextsInLanguage(HWND window) {
    SetWindowTextW(window, uiString(UI_WINDOW_TITLE));
    relabelControls(controlsBeforeSliders);
    relabelSliderRows();
    relabelControls(controlsAfterSliders);
    showRestoreNote();
    updateParameterLine();
    repaintSwitch(effectSwitch);
    repaintSwitch(autostartSwitch);
}

void showRestoreNote() {
    constexpr uint32_t UI_NOTE_EFFECT_STAYS_OFF = 9;
    constexpr uint32_t UI_NOTE_EFFECT_TURNS_ON = 51;
    const uint32_t note = effectAtStart() ? UI_NOTE_EFFECT_TURNS_ON : UI_NOTE_EFFECT_STAYS_OFF;
    setTextIfChanged(restoreNoteLabel, uiString(note));
}

void releaseWindowLook() {
    destroyIcon(smallIcon);
    destroyIcon(largeIcon);
    destroyIcon(trayOnIcon);
    destroyIcon(trayOffIcon);
    deleteFont(titleFont);
    deleteFont(bodyFont);
    deleteFont(smallFont);
}

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
