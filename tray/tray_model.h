#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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

// The tooltip's state text; the same test, in the same order, as the window's state line.
uint32_t tooltipStateTextId(bool effectEnabled, bool hookInstalled);

// Copies `source` into `destination` of `capacity` wide characters, always terminated when
// capacity > 0, never splitting a surrogate pair. Returns the characters copied.
size_t copyTextBounded(wchar_t* destination, size_t capacity, const wchar_t* source);

// `format` with each "%s" replaced by `stateText` and "%%" by "%", written like
// copyTextBounded. Wide printf's "%s" means different things to different C runtimes, so the
// substitution is done here.
size_t formatTooltip(wchar_t* destination, size_t capacity, const wchar_t* format,
                     const wchar_t* stateText);

enum TrayItemFlag : uint32_t {
    TRAY_ITEM_CHECKED = 1u << 0,
    TRAY_ITEM_GRAYED = 1u << 1,
    TRAY_ITEM_DEFAULT = 1u << 2,
    TRAY_ITEM_SEPARATOR = 1u << 3,
    TRAY_ITEM_POPUP = 1u << 4, // opens the profile submenu
};

struct TrayMenuItem {
    int32_t commandId; // 0 for separators and the popup item
    uint32_t textId;   // a UI string id; not used by separators
    uint32_t flags;    // TrayItemFlag bits
};

struct TrayMenu {
    std::array<TrayMenuItem, 6> main;
    std::array<TrayMenuItem, 5> profiles;
};

// The menu as it must look for this state, top to bottom.
TrayMenu buildTrayMenu(bool effectEnabled, bool hookInstalled, int32_t activeProfile);
