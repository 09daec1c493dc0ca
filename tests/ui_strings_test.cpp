#include "shell/ui_strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t listedIds[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 12, 13, 14, 16,
                                  17, 18, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32,
                                  33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
                                  48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59};

std::wstring in(int32_t language, uint32_t id) {
    uiLanguageIsCzech = language;
    const std::wstring text = uiString(id);
    uiLanguageIsCzech = 0;
    return text;
}

// Every listed text exists in both languages, and the Czech ones hold only Czech letters and
// the two marks: a source file read in the wrong encoding would leave other characters.
TEST(UiStrings, EveryTextHasACzechTranslationInCzechLetters) {
    const std::wstring czechLetters = L"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ—•…";
    for (const uint32_t id : listedIds) {
        const std::wstring english = in(0, id);
        const std::wstring czech = in(1, id);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_NE(english, czech) << id;
        for (const wchar_t character : czech) {
            EXPECT_TRUE((character >= 0x20 && character < 0x7F) ||
                        czechLetters.find(character) != std::wstring::npos)
                << "id " << id << " holds U+" << std::hex << uint32_t(character);
        }
    }
    EXPECT_EQ(in(1, 18), L"VYPNUTO  \u2022  kole\u010dko funguje standardn\u011b");
    // Only 1 selects Czech; an id without an entry is an empty text, never null.
    EXPECT_EQ(in(2, 24), L"Balanced");
    for (const uint32_t id : {11u, 19u, 60u, uint32_t(-1)}) {
        EXPECT_EQ(in(1, id), L"") << id;
    }
}

TEST(UiStrings, CzechIsPrimaryLanguageFiveWithAnySublanguage) {
    for (const auto& [id, czech] : {std::pair{0x0405, true},
                                    {0x0005, true},
                                    {0xFC05, true},
                                    {0x041B, false},
                                    {0x0409, false},
                                    {0x0105, false}}) {
        EXPECT_EQ(isCzechUiLanguage(uint16_t(id)), czech) << std::hex << id;
    }
}

} // namespace
