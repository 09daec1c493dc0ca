#pragma once

#include "engine/engine_state.h"
#include "shell/ui_strings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Field sizes of NOTIFYICONDATAW, in wide characters with the terminator.
inline constexpr size_t TOOLTIP_CAPACITY = 128;
inline constexpr size_t BALLOON_TITLE_CAPACITY = 64;
inline constexpr size_t BALLOON_TEXT_CAPACITY = 256;

// UI string ids used by the notification area.
inline constexpr uint32_t UI_TOOLTIP_NO_HOOK = 20;
inline constexpr uint32_t UI_TOOLTIP_ENABLED = 21;
inline constexpr uint32_t UI_TOOLTIP_DISABLED = 22;
inline constexpr uint32_t UI_MENU_EFFECT = 3;
inline constexpr uint32_t UI_MENU_SOFT = 23;
inline constexpr uint32_t UI_MENU_BALANCED = 24;
inline constexpr uint32_t UI_MENU_FAST = 25;
inline constexpr uint32_t UI_MENU_CUSTOM = 26;
inline constexpr uint32_t UI_MENU_OPEN = 27;
inline constexpr uint32_t UI_MENU_PROFILES = 28;
inline constexpr uint32_t UI_MENU_EXIT = 29;
inline constexpr uint32_t UI_BALLOON_TITLE = 30;
inline constexpr uint32_t UI_BALLOON_TEXT = 31;
inline constexpr uint32_t UI_MENU_IN_PROGRAM = 32; // "%s": the program's file name
inline constexpr uint32_t UI_MENU_PROGRAMS_WITH_OWN_SETTING = 33;
inline constexpr uint32_t UI_MENU_OFF_IN_FULL_SCREEN = 34;
inline constexpr uint32_t UI_TOOLTIP_PAUSED_EXCLUDED = 35; // "%s": the program's file name
inline constexpr uint32_t UI_TOOLTIP_PAUSED_FULL_SCREEN = 36;
inline constexpr uint32_t UI_MENU_IN_NO_PROGRAM = 37;
inline constexpr uint32_t UI_MENU_LIKE_EVERYWHERE = 39;
inline constexpr uint32_t UI_MENU_OFF = 40;
// 41 to 44: "%s" in a program's own profile, Soft to Custom.
inline constexpr uint32_t UI_TOOLTIP_OWN_PROFILE_SOFT = 41;
inline constexpr uint32_t UI_MENU_WHEEL = 45;
// 46 to 49: the wheel's options, in the order of the Wheel submenu.
inline constexpr uint32_t UI_MENU_WHEEL_OPTION_FIRST = 46;
inline constexpr uint32_t UI_MENU_EFFECT_AT_START = 50;
inline constexpr uint32_t UI_MENU_HOTKEY = 52;             // none set
inline constexpr uint32_t UI_MENU_HOTKEY_SET = 53;         // "%s": the combination
inline constexpr uint32_t UI_MENU_HOTKEY_UNAVAILABLE = 54; // "%s": the combination
inline constexpr size_t WHEEL_OPTION_ITEMS = 4;
// The Wheel submenu's options: smooth sideways, reverse vertical, reverse horizontal, Shift
// sideways; the command of each is IDM_WHEEL_OPTION_FIRST plus its place.
inline constexpr int32_t IDM_WHEEL_OPTION_FIRST = 1320;
// The Language submenu: IDM_LANGUAGE_FIRST is "Like Windows", the languages follow in the order
// of UiLanguage.
inline constexpr int32_t IDM_LANGUAGE_FIRST = 1340;
// The language choice a command stands for (a primary language id, 0 for like Windows), or -1.
int64_t languageChoiceOfCommand(int32_t command);

// The settings a program can have, in the order of the "In NAME" submenu; the command of each
// is IDM_PROGRAM_SETTING_FIRST plus its place. A name of the submenu of programs with their own
// setting is IDM_PROGRAM_LISTED_FIRST plus its place in that list.
inline constexpr std::array<int32_t, 6> PROGRAM_SETTINGS{
    PROGRAM_LIKE_EVERYWHERE, PROGRAM_OFF,      IDM_PROFILE_SOFT,
    IDM_PROFILE_BALANCED,    IDM_PROFILE_FAST, IDM_PROFILE_CUSTOM};
inline constexpr int32_t IDM_PAUSE_IN_FULL_SCREEN = 1302;
inline constexpr int32_t IDM_EFFECT_AT_START = 1303;
inline constexpr int32_t IDM_HOTKEY = 1304;
inline constexpr int32_t IDM_PROGRAM_SETTING_FIRST = 1310;
inline constexpr int32_t IDM_PROGRAM_LISTED_FIRST = 1400;
inline constexpr size_t PROGRAMS_LISTED_LIMIT = 128;

// The UI string that names a program setting.
uint32_t programSettingTextId(int32_t setting);

// What the menu and the tooltip show of the program in front and of full-screen programs.
struct ProgramState {
    bool frontProgramKnown = false; // a program other than Rolvane and the shell was in front
    int32_t frontSetting = PROGRAM_LIKE_EVERYWHERE;
    bool anyOwnSetting = false;
    bool pauseInFullScreen = true;
    bool fullScreenInFront = false;
    int32_t windowProfile = IDM_PROFILE_BALANCED;
};

// The tooltip's state text; the same test, in the same order, as the window's state line, and
// while on, the reason when the program in front keeps the effect out, or the profile of its
// own when that is not the window's.
uint32_t tooltipStateTextId(bool effectEnabled, bool hookInstalled,
                            const ProgramState& programs = {});

// Copies `source` into `destination` of `capacity` wide characters, always terminated when
// capacity > 0, never splitting a surrogate pair. Returns the characters copied.
size_t copyTextBounded(wchar_t* destination, size_t capacity, const wchar_t* source);

// `format` with each "%s" replaced by `stateText` and "%%" by "%", written like
// copyTextBounded. Wide printf's "%s" means different things to different C runtimes, so the
// substitution is done here.
size_t formatTooltip(wchar_t* destination, size_t capacity, const wchar_t* format,
                     const wchar_t* stateText);

// A name as typed, for a menu item's text: a menu takes "&" as the mark of its access key and
// shows "&&" as one "&".
std::wstring menuTextOfName(std::wstring_view name);

enum TrayItemFlag : uint32_t {
    TRAY_ITEM_CHECKED = 1u << 0,
    TRAY_ITEM_GRAYED = 1u << 1,
    TRAY_ITEM_DEFAULT = 1u << 2,
    TRAY_ITEM_SEPARATOR = 1u << 3,
    TRAY_ITEM_POPUP = 1u << 4, // opens the submenu numbered by its commandId
};

inline constexpr int32_t TRAY_SUBMENU_PROFILES = 0;
inline constexpr int32_t TRAY_SUBMENU_PROGRAM = 1;
inline constexpr int32_t TRAY_SUBMENU_LISTED = 2;
inline constexpr int32_t TRAY_SUBMENU_WHEEL = 3;
inline constexpr int32_t TRAY_SUBMENU_LANGUAGE = 4;
inline constexpr int32_t TRAY_SUBMENUS = 5;

struct TrayMenuItem {
    int32_t commandId; // 0 for separators; a TRAY_SUBMENU_ number for a popup item
    uint32_t textId;   // a UI string id; not used by separators
    uint32_t flags;    // TrayItemFlag bits
};

struct TrayMenu {
    std::array<TrayMenuItem, 13> main;
    std::array<TrayMenuItem, 5> profiles;
    std::array<TrayMenuItem, PROGRAM_SETTINGS.size()> program;
    std::array<TrayMenuItem, WHEEL_OPTION_ITEMS> wheel;
    std::array<TrayMenuItem, UI_LANGUAGES + 2> languages; // Like Windows, a separator, each one
};

// How Rolvane starts and is switched: "Turn on at start", and the hotkey (0 for none) with
// whether the system gave it to Rolvane.
struct StartState {
    bool effectAtStart = false;
    uint32_t hotkey = 0;
    bool hotkeyHeld = false;
};

// The menu as it must look for this state, top to bottom. The submenu of programs with their
// own setting is built from the list itself; the hotkey item's "%s" is the combination. The
// language choice is checked: a primary language id, or 0 for like Windows.
TrayMenu buildTrayMenu(bool effectEnabled, bool hookInstalled, int32_t activeProfile,
                       const ProgramState& programs = {},
                       const std::array<bool, WHEEL_OPTION_ITEMS>& wheelOptions = {true},
                       const StartState& start = {}, uint32_t languageChoice = 0);
