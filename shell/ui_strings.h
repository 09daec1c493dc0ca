#pragma once

#include <cstdint>

// 1 selects the Czech texts; anything else English. Fixed once at start-up.
extern int32_t uiLanguageIsCzech;

// Czech when the primary language (low 10 bits of the language id) is Czech (5).
bool isCzechUiLanguage(uint16_t languageId);

// The text of a UI string in the current language; an empty text (never null) for an id
// without an entry.
const wchar_t* uiString(uint32_t id);

inline constexpr wchar_t PROGRAM_NAME[] = L"Rolvane";
inline constexpr wchar_t TOOLTIP_FORMAT[] = L"Rolvane 0.6 \u2014 %s";
