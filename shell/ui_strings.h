#pragma once

#include <cstdint>

#include "rolvane_version.h"

// 1 selects the Czech texts; anything else English. Fixed once at start-up.
extern int32_t uiLanguageIsCzech;

// Czech when the primary language (low 10 bits of the language id) is Czech (5).
bool isCzechUiLanguage(uint16_t languageId);

// The text of a UI string in the current language; an empty text (never null) for an id
// without an entry.
const wchar_t* uiString(uint32_t id);

inline constexpr wchar_t PROGRAM_NAME[] = L"Rolvane";
// The name and the version as the window title and the tooltip show them.
#define PROGRAM_NAME_AND_VERSION L"Rolvane " ROLVANE_SHORT_VERSION_TEXT
inline constexpr wchar_t TOOLTIP_FORMAT[] = PROGRAM_NAME_AND_VERSION L" \u2014 %s";
