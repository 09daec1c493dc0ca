#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "rolvane_version.h"

// The languages Rolvane speaks, in the order of the texts in each row of the table.
enum class UiLanguage : int32_t {
    english,
    czech,
    german,
    french,
    spanish,
    italian,
    polish,
    portugueseBrazil,
};
inline constexpr size_t UI_LANGUAGES = 8;

// Windows' primary language id (the low 10 bits of a language id) of each language, in the
// order of UiLanguage. Portuguese of Portugal shares its primary id with Brazil's.
inline constexpr std::array<uint16_t, UI_LANGUAGES> UI_LANGUAGE_PRIMARY_IDS{0x09, 0x05, 0x07, 0x0C,
                                                                            0x0A, 0x10, 0x15, 0x16};

// The language the texts are in. Only the UI thread reads or changes it.
extern UiLanguage uiLanguage;

// The language of a Windows language id by its primary language; English where we have none.
UiLanguage uiLanguageOf(uint16_t windowsLanguageId);

// A stored choice as it counts: the primary id of one of our languages, else 0 (like Windows).
uint32_t knownLanguageChoice(uint32_t stored);

// The stored choice where it names one of our languages, otherwise the display language.
UiLanguage chooseUiLanguage(uint32_t storedChoice, uint16_t windowsLanguageId);

// The text of a UI string in a language: null where the table has none for that language.
const wchar_t* uiStringIn(UiLanguage language, uint32_t id);

// The text of a UI string in the current language (English where a translation is missing);
// an empty text (never null) for an id without an entry.
const wchar_t* uiString(uint32_t id);

// The ids with an entry, ascending.
size_t uiStringCount();
uint32_t uiStringIdAt(size_t index);

inline constexpr uint32_t UI_WINDOW_TITLE = 0;
// The texts of the Language submenu; the names are each language's own name for itself.
inline constexpr uint32_t UI_MENU_LANGUAGE = 70;
inline constexpr uint32_t UI_MENU_LIKE_WINDOWS = 71;
inline constexpr uint32_t UI_LANGUAGE_NAME_FIRST = 72; // in the order of UiLanguage

inline constexpr wchar_t PROGRAM_NAME[] = L"Rolvane";
// The name and the version as the window title and the tooltip show them.
#define PROGRAM_NAME_AND_VERSION L"Rolvane " ROLVANE_SHORT_VERSION_TEXT
inline constexpr wchar_t TOOLTIP_FORMAT[] = PROGRAM_NAME_AND_VERSION L" \u2014 %s";
