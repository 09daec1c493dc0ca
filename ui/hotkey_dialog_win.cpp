#include "ui/hotkey_dialog_win.h"

#include "engine/engine_win.h"
#include "shell/start_options.h"
#include "shell/start_options_win.h"
#include "shell/ui_strings.h"
#include "ui/dpi_win.h"
#include "ui/layout.h"
#include "ui/scale.h"

#include <commctrl.h>

namespace {

constexpr int IDC_HOTKEY_EDIT = 2001;
constexpr int IDC_HOTKEY_NONE = 2002;
constexpr DWORD DIALOG_STYLE = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr uint32_t UI_HOTKEY_TITLE = 55;
constexpr uint32_t UI_HOTKEY_PROMPT = 56;
constexpr uint32_t UI_HOTKEY_CANCEL = 57;
constexpr uint32_t UI_HOTKEY_NONE = 58;
constexpr uint32_t UI_HOTKEY_HELD_ELSEWHERE = 59;
constexpr uint32_t UI_SETTING_NOT_SAVED = 38;

// The client area at 96 DPI, and each control's place in it.
constexpr SIZE CLIENT_96{360, 144};
struct ChildSpec {
    const wchar_t* className;
    int id;
    DWORD style;
    int left, top, width, height;
};
constexpr ChildSpec children[] = {
    {L"STATIC", -1, SS_LEFT, 16, 12, 328, 44}, // room for two lines in Czech
    {HOTKEY_CLASSW, IDC_HOTKEY_EDIT, WS_BORDER | WS_TABSTOP, 16, 62, 328, 24},
    {L"BUTTON", IDC_HOTKEY_NONE, BS_PUSHBUTTON | WS_TABSTOP, 16, 104, 88, 26},
    {L"BUTTON", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 160, 104, 88, 26},
    {L"BUTTON", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 256, 104, 88, 26},
};

HWND openDialog = nullptr;
HWND dialogOwner = nullptr;
HFONT dialogFont = nullptr;

const wchar_t* childText(int id) {
    switch (id) {
    case IDC_HOTKEY_NONE:
        return uiString(UI_HOTKEY_NONE);
    case IDOK:
        return L"OK";
    case IDCANCEL:
        return uiString(UI_HOTKEY_CANCEL);
    case IDC_HOTKEY_EDIT:
        return L"";
    default:
        return uiString(UI_HOTKEY_PROMPT);
    }
}

// Centred on the work area of the monitor that has the pointer, where the menu was.
void placeDialog(HWND dialog, int dpi) {
    const SIZE outer =
        windowSizeAround({scaled(CLIENT_96.cx, dpi), scaled(CLIENT_96.cy, dpi)}, DIALOG_STYLE, dpi);
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    SetWindowPos(dialog, nullptr, (work.left + work.right - outer.cx) / 2,
                 (work.top + work.bottom - outer.cy) / 2, outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL onInitDialog(HWND dialog) {
    openDialog = dialog;
    const int dpi = dpiOfWindow(dialog);
    const FontSpec font = fontSpec(FontRole::body, dpi);
    dialogFont =
        CreateFontW(font.height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, 0, L"Segoe UI");
    SetWindowTextW(dialog, uiString(UI_HOTKEY_TITLE));
    for (const ChildSpec& child : children) {
        HWND control = CreateWindowExW(
            0, child.className, childText(child.id), WS_CHILD | WS_VISIBLE | child.style,
            scaled(child.left, dpi), scaled(child.top, dpi), scaled(child.width, dpi),
            scaled(child.height, dpi), dialog, reinterpret_cast<HMENU>(INT_PTR(child.id)),
            appInstance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    }
    HWND edit = GetDlgItem(dialog, IDC_HOTKEY_EDIT);
    // A key alone or with Shift only would take it from every program: Ctrl+Alt is added.
    SendMessageW(edit, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                 MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    SendMessageW(edit, HKM_SETHOTKEY, hotkeyToControl(toggleHotkey()), 0);
    placeDialog(dialog, dpi);
    SetForegroundWindow(dialog);
    SetFocus(edit);
    return FALSE; // the focus is set
}

void warn(HWND dialog, uint32_t textId) {
    MessageBoxW(dialog, uiString(textId), uiString(UI_HOTKEY_TITLE), MB_OK | MB_ICONWARNING);
}

// A combination another program holds is refused and the dialog stays open with the old one in
// force.
void apply(HWND dialog, uint32_t hotkey) {
    if (hotkey == toggleHotkey() && (hotkey == 0 || toggleHotkeyHeld())) {
        EndDialog(dialog, IDOK);
        return;
    }
    switch (changeToggleHotkey(dialogOwner, hotkey)) {
    case HotkeyChange::heldElsewhere:
        warn(dialog, UI_HOTKEY_HELD_ELSEWHERE);
        SetFocus(GetDlgItem(dialog, IDC_HOTKEY_EDIT));
        return;
    case HotkeyChange::notSaved:
        warn(dialog, UI_SETTING_NOT_SAVED);
        break;
    case HotkeyChange::done:
        break;
    }
    EndDialog(dialog, IDOK);
}

BOOL onDialogCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK: {
        const auto word = SendDlgItemMessageW(dialog, IDC_HOTKEY_EDIT, HKM_GETHOTKEY, 0, 0);
        apply(dialog, hotkeyFromControl(uint32_t(word)));
        return TRUE;
    }
    case IDC_HOTKEY_NONE:
        apply(dialog, 0);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

BOOL onDialogDestroy() {
    openDialog = nullptr;
    if (dialogFont) {
        DeleteObject(dialogFont);
        dialogFont = nullptr;
    }
    return FALSE;
}

INT_PTR CALLBACK hotkeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog);
    case WM_COMMAND:
        return onDialogCommand(dialog, LOWORD(wParam));
    case WM_DESTROY:
        return onDialogDestroy();
    }
    return FALSE;
}

// An empty template: the controls are made at the monitor's scale when the dialog starts.
struct alignas(4) EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu = 0, windowClass = 0, title = 0;
};

} // namespace

void showHotkeyDialog(HWND owner) {
    if (openDialog) {
        SetForegroundWindow(openDialog);
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    dialogOwner = owner;
    const EmptyDialogTemplate dialogTemplate{{DIALOG_STYLE, 0, 0, 0, 0, 0, 0}};
    DialogBoxIndirectParamW(appInstance, &dialogTemplate.header, owner, hotkeyDialogProc, 0);
}
