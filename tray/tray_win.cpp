#include "tray/tray_win.h"

#include "engine/engine_state.h"
#include "shell/app_win.h"
#include "shell/program_settings_win.h"
#include "shell/shell_win.h"
#include "shell/start_options_win.h"
#include "shell/wheel_options_win.h"
#include "shell/ui_strings.h"
#include "tray/tray_ids.h"
#include "tray/tray_model.h"

#include <cwchar>

static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(wchar_t) == TOOLTIP_CAPACITY);
static_assert(sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(wchar_t) == BALLOON_TITLE_CAPACITY);
static_assert(sizeof(NOTIFYICONDATAW::szInfo) / sizeof(wchar_t) == BALLOON_TEXT_CAPACITY);
// The full current record, with the balloon icon; older shell versions accept it too.
static_assert(sizeof(void*) != 8 || sizeof(NOTIFYICONDATAW) == 976);

NOTIFYICONDATAW trayIconData{};
// Whether the shell has the icon: false until an add succeeds, and again after Explorer
// restarted, when every icon is gone.
static bool trayIconShown = false;

// The small icons the window loaded for its scale, for the effect on and off; null until it has.
static HICON trayIconOn = nullptr;
static HICON trayIconOff = nullptr;

// The image of the current state: the effect off (or out of reach) shows the other one.
static HICON trayIconImageOrFallback() {
    HICON image = engine.effectEnabled.load() ? trayIconOn : trayIconOff;
    if (image) {
        return image;
    }
    return appIcon ? appIcon : LoadIconW(nullptr, IDI_APPLICATION);
}

static bool trayIconSetUp() {
    return trayIconData.hWnd != nullptr;
}

static void formatCurrentTooltip(wchar_t* text) {
    const uint32_t stateId =
        tooltipStateTextId(engine.effectEnabled, engine.hookInstalled, programState());
    wchar_t stateText[TOOLTIP_CAPACITY] = {};
    // The state texts' own "%s" is the program in front; the others have none.
    formatTooltip(stateText, TOOLTIP_CAPACITY, uiString(stateId), frontProgramName().c_str());
    formatTooltip(text, TOOLTIP_CAPACITY, TOOLTIP_FORMAT, stateText);
}

// An icon the shell still has refuses a second add; modifying it then shows that it is there.
static void showTrayIcon() {
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData.hIcon = trayIconImageOrFallback();
    formatCurrentTooltip(trayIconData.szTip);
    trayIconShown = Shell_NotifyIconW(NIM_ADD, &trayIconData) ||
                    Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
}

void addTrayIcon() {
    HWND owner = static_cast<HWND>(engine.mainWindow);
    if (!owner) {
        return;
    }
    trayIconData = NOTIFYICONDATAW{};
    trayIconData.cbSize = sizeof(NOTIFYICONDATAW);
    trayIconData.hWnd = owner;
    trayIconData.uID = TRAY_ICON_UID;
    trayIconData.uCallbackMessage = WM_TRAY_NOTIFY;
    trayIconData.hIcon = trayIconImageOrFallback();
    showTrayIcon();
}

void keepTrayIconShown() {
    if (trayIconSetUp() && !trayIconShown) {
        showTrayIcon();
    }
}

void restoreTrayIcon() {
    if (trayIconSetUp()) {
        showTrayIcon();
    }
}

void updateTrayTooltip() {
    if (!trayIconShown) {
        return;
    }
    wchar_t text[TOOLTIP_CAPACITY] = {};
    formatCurrentTooltip(text);
    HICON image = trayIconImageOrFallback();
    trayIconData.uFlags = 0;
    if (std::wcsncmp(text, trayIconData.szTip, TOOLTIP_CAPACITY) != 0) {
        copyTextBounded(trayIconData.szTip, TOOLTIP_CAPACITY, text);
        trayIconData.uFlags |= NIF_TIP;
    }
    if (image != trayIconData.hIcon) {
        trayIconData.hIcon = image;
        trayIconData.uFlags |= NIF_ICON;
    }
    if (trayIconData.uFlags != 0) {
        Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
    }
}

void showCloseBalloon() {
    if (!trayIconSetUp()) {
        return;
    }
    trayIconData.uFlags = NIF_INFO;
    copyTextBounded(trayIconData.szInfoTitle, BALLOON_TITLE_CAPACITY, uiString(UI_BALLOON_TITLE));
    copyTextBounded(trayIconData.szInfo, BALLOON_TEXT_CAPACITY, uiString(UI_BALLOON_TEXT));
    trayIconData.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
}

void setTrayIconImages(HICON on, HICON off) {
    trayIconOn = on;
    trayIconOff = off;
    if (!trayIconSetUp()) {
        return;
    }
    trayIconData.hIcon = trayIconImageOrFallback();
    if (trayIconShown) {
        trayIconData.uFlags = NIF_ICON;
        Shell_NotifyIconW(NIM_MODIFY, &trayIconData);
    }
}

void removeTrayIcon() {
    if (!trayIconSetUp()) {
        return;
    }
    Shell_NotifyIconW(NIM_DELETE, &trayIconData);
    // Back to "never set up", so that a late refresh neither modifies nor adds it again.
    trayIconData = NOTIFYICONDATAW{};
    trayIconShown = false;
}

static UINT menuFlags(const TrayMenuItem& item) {
    if (item.flags & TRAY_ITEM_SEPARATOR) {
        return MF_SEPARATOR;
    }
    UINT flags = MF_STRING;
    if (item.flags & TRAY_ITEM_CHECKED) {
        flags |= MF_CHECKED;
    }
    if (item.flags & TRAY_ITEM_GRAYED) {
        flags |= MF_GRAYED;
    }
    if (item.flags & TRAY_ITEM_POPUP) {
        flags |= MF_POPUP;
    }
    return flags;
}

constexpr size_t MENU_TEXT_CAPACITY = 300;

// The submenus a popup item opens, by its number; an attached one becomes the menu's.
struct Submenus {
    HMENU menus[TRAY_SUBMENUS] = {};
    bool attached[TRAY_SUBMENUS] = {};
};

static void fillMenu(HMENU menu, const TrayMenuItem* items, size_t count, Submenus* submenus) {
    for (size_t i = 0; i < count; ++i) {
        const TrayMenuItem& item = items[i];
        const bool popup = (item.flags & TRAY_ITEM_POPUP) != 0;
        const UINT_PTR id = popup ? reinterpret_cast<UINT_PTR>(submenus->menus[item.commandId])
                                  : static_cast<UINT_PTR>(item.commandId);
        wchar_t text[MENU_TEXT_CAPACITY] = {};
        if (!(item.flags & TRAY_ITEM_SEPARATOR)) {
            const std::wstring name = item.commandId == IDM_HOTKEY
                                          ? hotkeyText(toggleHotkey())
                                          : menuTextOfName(frontProgramName());
            formatTooltip(text, MENU_TEXT_CAPACITY, uiString(item.textId), name.c_str());
        }
        const BOOL appended = AppendMenuW(menu, menuFlags(item), id, text);
        if (popup && appended) {
            submenus->attached[item.commandId] = true;
        }
        if (item.flags & TRAY_ITEM_DEFAULT) {
            SetMenuDefaultItem(menu, static_cast<UINT>(item.commandId), FALSE);
        }
    }
}

// "name: setting" for every program with its own; choosing one takes its setting away.
static void fillListedPrograms(HMENU menu) {
    const std::vector<ListedProgram> listed = listedPrograms();
    for (size_t i = 0; i < listed.size() && i < PROGRAMS_LISTED_LIMIT; ++i) {
        const std::wstring text =
            menuTextOfName(listed[i].name) + L": " + uiString(programSettingTextId(listed[i].setting));
        AppendMenuW(menu, MF_STRING | MF_CHECKED,
                    static_cast<UINT_PTR>(IDM_PROGRAM_LISTED_FIRST) + i, text.c_str());
    }
}

void showTrayMenu(HWND window) {
    HMENU menu = CreatePopupMenu();
    Submenus submenus;
    bool made = menu != nullptr;
    for (HMENU& submenu : submenus.menus) {
        submenu = CreatePopupMenu();
        made = made && submenu;
    }
    if (made) {
        const TrayMenu model =
            buildTrayMenu(engine.effectEnabled, engine.hookInstalled, engine.activeProfile,
                          programState(), wheelOptions(),
                          {effectAtStart(), toggleHotkey(), toggleHotkeyHeld()}, languageChoice());
        fillMenu(submenus.menus[TRAY_SUBMENU_PROFILES], model.profiles.data(),
                 model.profiles.size(), &submenus);
        fillMenu(submenus.menus[TRAY_SUBMENU_PROGRAM], model.program.data(),
                 model.program.size(), &submenus);
        fillListedPrograms(submenus.menus[TRAY_SUBMENU_LISTED]);
        fillMenu(submenus.menus[TRAY_SUBMENU_WHEEL], model.wheel.data(), model.wheel.size(),
                 &submenus);
        fillMenu(submenus.menus[TRAY_SUBMENU_LANGUAGE], model.languages.data(),
                 model.languages.size(), &submenus);
        fillMenu(menu, model.main.data(), model.main.size(), &submenus);

        POINT cursor{};
        GetCursorPos(&cursor);
        // Without this the menu does not close when the user clicks elsewhere.
        SetForegroundWindow(window);
        const UINT flags = TPM_RIGHTBUTTON | TPM_NONOTIFY | TPM_RETURNCMD;
        const int command =
            static_cast<int>(TrackPopupMenuEx(menu, flags, cursor.x, cursor.y, window, nullptr));
        if (command != 0) {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        }
    }
    // A submenu attached to the menu goes with it.
    for (int i = TRAY_SUBMENUS - 1; i >= 0; --i) {
        if (submenus.menus[i] && !submenus.attached[i]) {
            DestroyMenu(submenus.menus[i]);
        }
    }
    if (menu) {
        DestroyMenu(menu);
    }
    // Without it the next menu of a notification icon can close the moment it opens.
    PostMessageW(window, WM_NULL, 0, 0);
}
