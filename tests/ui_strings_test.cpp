#include "shell/ui_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UiLanguage english = UiLanguage::english, czech = UiLanguage::czech,
                     german = UiLanguage::german, french = UiLanguage::french,
                     spanish = UiLanguage::spanish, italian = UiLanguage::italian,
                     polish = UiLanguage::polish, portuguese = UiLanguage::portugueseBrazil;

// The printf directives of a text in their order: what a translation must keep.
std::wstring placeholders(const std::wstring& text) {
    std::wstring found;
    for (size_t at = text.find(L'%'); at != std::wstring::npos && at + 1 < text.size();
         at = text.find(L'%', at + 2)) {
        found += text.substr(at, 2);
    }
    return found;
}

// Every text exists in every language with the English placeholders, and holds only letters of
// our languages and the marks they use: a source read in the wrong encoding leaves others.
TEST(UiStrings, EveryTextIsInEveryLanguageWithTheEnglishPlaceholders) {
    const std::wstring letters = L"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽäöüßÄÖÜàâæçèêëîïôœùûÿÀÂÇÈÊÎÔ"
                                 L"ñÑìòÌÒąćęłńśźżĄĆĘŁŃŚŹŻãõÃÕ\u2014\u2022\u2026\u00AB\u00BB\u201E"
                                 L"\u201C\u201D\u00A0";
    ASSERT_GE(uiStringCount(), 50u);
    for (size_t index = 0; index < uiStringCount(); ++index) {
        const uint32_t id = uiStringIdAt(index);
        const std::wstring inEnglish = uiStringIn(english, id);
        for (size_t language = 0; language < UI_LANGUAGES; ++language) {
            const wchar_t* text = uiStringIn(UiLanguage(language), id);
            ASSERT_TRUE(text && *text) << "id " << id << " language " << language;
            EXPECT_EQ(placeholders(text), placeholders(inEnglish))
                << "id " << id << " language " << language;
            for (const wchar_t character : std::wstring(text)) {
                EXPECT_TRUE((character >= 0x20 && character < 0x7F) ||
                            letters.find(character) != std::wstring::npos)
                    << "id " << id << " language " << language << " holds U+" << std::hex
                    << uint32_t(character);
            }
        }
    }
}

// The lookup gives the text of the language in force; the state line reads differently in
// each. An id without an entry is an empty text in every language, never null.
TEST(UiStrings, TheLookupFollowsTheLanguageInForce) {
    for (size_t language = 0; language < UI_LANGUAGES; ++language) {
        uiLanguage = UiLanguage(language);
        EXPECT_EQ(std::wstring(uiString(18)), uiStringIn(UiLanguage(language), 18));
        for (size_t other = 0; other < language; ++other) {
            EXPECT_NE(std::wstring(uiString(18)), uiStringIn(UiLanguage(other), 18)) << language;
        }
        for (const uint32_t id : {11u, 15u, 19u, 60u, 98u, uint32_t(-1)}) {
            EXPECT_EQ(std::wstring(uiString(id)), L"") << id;
            EXPECT_EQ(uiStringIn(UiLanguage(language), id), nullptr) << id;
        }
    }
    uiLanguage = czech;
    EXPECT_EQ(std::wstring(uiString(18)), L"VYPNUTO  \u2022  kole\u010dko funguje standardn\u011b");
    uiLanguage = english;
}

// Windows' display language counts by its primary language, any sublanguage; a stored choice
// counts where it names one of ours, and wins over the display language.
TEST(UiLanguageChoice, TheStoredChoiceElseTheDisplayLanguageElseEnglish) {
    for (const auto& [windows, language] : {std::pair{0x0405, czech},
                                            {0x0005, czech},
                                            {0xFC05, czech},
                                            {0x041B, english},
                                            {0x0105, english},
                                            {0x0407, german},
                                            {0x0807, german},
                                            {0x0C0C, french},
                                            {0x080A, spanish},
                                            {0x0410, italian},
                                            {0x0415, polish},
                                            {0x0416, portuguese},
                                            {0x0816, portuguese},
                                            {0x0409, english},
                                            {0x0411, english},
                                            {0x0000, english}}) {
        EXPECT_EQ(chooseUiLanguage(0, uint16_t(windows)), language) << std::hex << windows;
    }
    for (const auto& [stored, windows, language] : {std::tuple{0x05u, 0x0407, czech},
                                                    {0x0Cu, 0x0409, french},
                                                    {0x09u, 0x0405, english},
                                                    {0x16u, 0x0415, portuguese},
                                                    {0x0407u, 0x0415, polish},
                                                    {0x11u, 0x0405, czech},
                                                    {0x10005u, 0x0409, english},
                                                    {0xFFFFFFFFu, 0x040C, french}}) {
        EXPECT_EQ(chooseUiLanguage(stored, uint16_t(windows)), language) << std::hex << stored;
    }
}

} // namespace
