#include "tray/tray_model.h"

#include "engine/engine_state.h"
#include "tray/tray_ids.h"

uint32_t programSettingTextId(int32_t setting) {
    if (isProfileId(setting)) {
        return UI_MENU_SOFT + uint32_t(setting - IDM_PROFILE_SOFT);
    }
    return setting == PROGRAM_OFF ? UI_MENU_OFF : UI_MENU_LIKE_EVERYWHERE;
}

uint32_t tooltipStateTextId(bool effectEnabled, bool hookInstalled, const ProgramState& programs) {
    if (!hookInstalled) {
        return UI_TOOLTIP_NO_HOOK;
    }
    if (!effectEnabled) {
        return UI_TOOLTIP_DISABLED;
    }
    const bool known = programs.frontProgramKnown;
    if (known && programs.frontSetting == PROGRAM_OFF) {
        return UI_TOOLTIP_PAUSED_EXCLUDED;
    }
    if (programs.pauseInFullScreen && programs.fullScreenInFront) {
        return UI_TOOLTIP_PAUSED_FULL_SCREEN;
    }
    if (known && isProfileId(programs.frontSetting) &&
        programs.frontSetting != programs.windowProfile) {
        return UI_TOOLTIP_OWN_PROFILE_SOFT + uint32_t(programs.frontSetting - IDM_PROFILE_SOFT);
    }
    return UI_TOOLTIP_ENABLED;
}

namespace {

bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// Appends to a buffer of `capacity` characters that keeps one place for the terminator.
struct BoundedWriter {
    wchar_t* destination;
    size_t capacity;
    size_t length = 0;
    bool full = false;

    void append(const wchar_t* text) {
        for (; text && *text && !full; ++text) {
            put(*text);
        }
    }

    void put(wchar_t unit) {
        if (length + 1 >= capacity) {
            full = true;
            return;
        }
        destination[length++] = unit;
    }

    size_t finish() {
        // A pair cut in half would show as a broken glyph at the end of the text.
        if (full && length > 0 && isHighSurrogate(destination[length - 1])) {
            --length;
        }
        destination[length] = L'\0';
        return length;
    }
};

} // namespace

size_t copyTextBounded(wchar_t* destination, size_t capacity, const wchar_t* source) {
    if (!destination || capacity == 0) {
        return 0;
    }
    BoundedWriter writer{destination, capacity};
    writer.append(source);
    return writer.finish();
}

size_t formatTooltip(wchar_t* destination, size_t capacity, const wchar_t* format,
                     const wchar_t* stateText) {
    if (!destination || capacity == 0) {
        return 0;
    }
    BoundedWriter writer{destination, capacity};
    for (const wchar_t* at = format; at && *at && !writer.full; ++at) {
        if (at[0] == L'%' && at[1] == L's') {
            writer.append(stateText);
            ++at;
        } else if (at[0] == L'%' && at[1] == L'%') {
            writer.put(L'%');
            ++at;
        } else {
            writer.put(*at);
        }
    }
    return writer.finish();
}

int64_t languageChoiceOfCommand(int32_t command) {
    const int32_t index = command - IDM_LANGUAGE_FIRST;
    if (index < 0 || index > int32_t(UI_LANGUAGES)) {
        return -1;
    }
    return index == 0 ? 0 : UI_LANGUAGE_PRIMARY_IDS[size_t(index - 1)];
}

std::wstring menuTextOfName(std::wstring_view name) {
    std::wstring text;
    for (const wchar_t c : name) {
        text += c == L'&' ? L"&&" : std::wstring(1, c);
    }
    return text;
}

TrayMenu buildTrayMenu(bool effectEnabled, bool hookInstalled, int32_t activeProfile,
                       const ProgramState& programs,
                       const std::array<bool, WHEEL_OPTION_ITEMS>& wheelOptions,
                       const StartState& start, uint32_t languageChoice) {
    uint32_t effectFlags = 0;
    if (effectEnabled) {
        effectFlags |= TRAY_ITEM_CHECKED;
    }
    if (!hookInstalled) {
        effectFlags |= TRAY_ITEM_GRAYED;
    }
    const auto profile = [activeProfile](int32_t id, uint32_t textId) {
        return TrayMenuItem{id, textId, activeProfile == id ? TRAY_ITEM_CHECKED : 0u};
    };
    const TrayMenuItem separator{0, 0, TRAY_ITEM_SEPARATOR};
    const auto flagsIf = [](bool checked, bool grayed) {
        return (checked ? TRAY_ITEM_CHECKED : 0u) | (grayed ? TRAY_ITEM_GRAYED : 0u);
    };
    const bool frontKnown = programs.frontProgramKnown;
    const uint32_t hotkeyTextId = start.hotkey == 0  ? UI_MENU_HOTKEY
                                  : start.hotkeyHeld ? UI_MENU_HOTKEY_SET
                                                     : UI_MENU_HOTKEY_UNAVAILABLE;
    TrayMenu menu{
        .main = {{
            {IDM_OPEN, UI_MENU_OPEN, TRAY_ITEM_DEFAULT},
            separator,
            {IDC_EFFECT_SWITCH, UI_MENU_EFFECT, effectFlags},
            {TRAY_SUBMENU_PROFILES, UI_MENU_PROFILES, TRAY_ITEM_POPUP},
            {TRAY_SUBMENU_WHEEL, UI_MENU_WHEEL, TRAY_ITEM_POPUP},
            {TRAY_SUBMENU_PROGRAM, frontKnown ? UI_MENU_IN_PROGRAM : UI_MENU_IN_NO_PROGRAM,
             TRAY_ITEM_POPUP | flagsIf(false, !frontKnown)},
            {TRAY_SUBMENU_LISTED, UI_MENU_PROGRAMS_WITH_OWN_SETTING,
             TRAY_ITEM_POPUP | flagsIf(false, !programs.anyOwnSetting)},
            {IDM_PAUSE_IN_FULL_SCREEN, UI_MENU_OFF_IN_FULL_SCREEN,
             flagsIf(programs.pauseInFullScreen, false)},
            {IDM_EFFECT_AT_START, UI_MENU_EFFECT_AT_START, flagsIf(start.effectAtStart, false)},
            {IDM_HOTKEY, hotkeyTextId, 0},
            {TRAY_SUBMENU_LANGUAGE, UI_MENU_LANGUAGE, TRAY_ITEM_POPUP},
            separator,
            {IDM_EXIT, UI_MENU_EXIT, 0},
        }},
        .profiles = {{
            profile(IDM_PROFILE_SOFT, UI_MENU_SOFT),
            profile(IDM_PROFILE_BALANCED, UI_MENU_BALANCED),
            profile(IDM_PROFILE_FAST, UI_MENU_FAST),
            separator,
            profile(IDM_PROFILE_CUSTOM, UI_MENU_CUSTOM),
        }},
        .program = {},
        .wheel = {},
        .languages = {},
    };
    menu.languages[0] = {IDM_LANGUAGE_FIRST, UI_MENU_LIKE_WINDOWS,
                         flagsIf(languageChoice == 0, false)};
    menu.languages[1] = separator;
    for (size_t i = 0; i < UI_LANGUAGES; ++i) {
        menu.languages[i + 2] = {IDM_LANGUAGE_FIRST + 1 + int32_t(i),
                                 UI_LANGUAGE_NAME_FIRST + uint32_t(i),
                                 flagsIf(languageChoice == UI_LANGUAGE_PRIMARY_IDS[i], false)};
    }
    for (size_t i = 0; i < WHEEL_OPTION_ITEMS; ++i) {
        menu.wheel[i] = {IDM_WHEEL_OPTION_FIRST + int32_t(i),
                         UI_MENU_WHEEL_OPTION_FIRST + uint32_t(i), flagsIf(wheelOptions[i], false)};
    }
    for (size_t i = 0; i < PROGRAM_SETTINGS.size(); ++i) {
        const int32_t setting = PROGRAM_SETTINGS[i];
        menu.program[i] = {IDM_PROGRAM_SETTING_FIRST + int32_t(i), programSettingTextId(setting),
                           flagsIf(setting == programs.frontSetting, false)};
    }
    return menu;
}
