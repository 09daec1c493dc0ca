#include "shell/ui_strings.h"

#include "shell/ui_texts.h"

#include <algorithm>

UiLanguage uiLanguage = UiLanguage::english;

namespace {

constexpr uint16_t PRIMARY_LANGUAGE_MASK = 0x3FF;

// The place of a primary id among our languages; UI_LANGUAGES when we have none.
size_t languageIndexOf(uint32_t primaryId) {
    const auto found =
        std::find(UI_LANGUAGE_PRIMARY_IDS.begin(), UI_LANGUAGE_PRIMARY_IDS.end(), primaryId);
    return size_t(found - UI_LANGUAGE_PRIMARY_IDS.begin());
}

const UiTextRow* rowOf(uint32_t id) {
    const auto found =
        std::lower_bound(UI_TEXTS.begin(), UI_TEXTS.end(), id,
                         [](const UiTextRow& row, uint32_t wanted) { return row.id < wanted; });
    return found != UI_TEXTS.end() && found->id == id ? &*found : nullptr;
}

} // namespace

static_assert(std::is_sorted(UI_TEXTS.begin(), UI_TEXTS.end(),
                             [](const UiTextRow& a, const UiTextRow& b) { return a.id <= b.id; }),
              "the rows stand by ascending id, each id once");

UiLanguage uiLanguageOf(uint16_t windowsLanguageId) {
    const size_t index = languageIndexOf(windowsLanguageId & PRIMARY_LANGUAGE_MASK);
    return index < UI_LANGUAGES ? UiLanguage(index) : UiLanguage::english;
}

uint32_t knownLanguageChoice(uint32_t stored) {
    return languageIndexOf(stored) < UI_LANGUAGES ? stored : 0;
}

UiLanguage chooseUiLanguage(uint32_t storedChoice, uint16_t windowsLanguageId) {
    const size_t chosen = languageIndexOf(knownLanguageChoice(storedChoice));
    return chosen < UI_LANGUAGES ? UiLanguage(chosen) : uiLanguageOf(windowsLanguageId);
}

const wchar_t* uiStringIn(UiLanguage language, uint32_t id) {
    const UiTextRow* row = rowOf(id);
    const size_t index = size_t(language);
    return row && index < UI_LANGUAGES ? row->texts[index] : nullptr;
}

const wchar_t* uiString(uint32_t id) {
    for (const UiLanguage language : {uiLanguage, UiLanguage::english}) {
        if (const wchar_t* text = uiStringIn(language, id)) {
            return text;
        }
    }
    return L"";
}

size_t uiStringCount() {
    return UI_TEXTS.size();
}

uint32_t uiStringIdAt(size_t index) {
    return index < UI_TEXTS.size() ? UI_TEXTS[index].id : UINT32_MAX;
}
