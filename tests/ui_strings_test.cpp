#include "shell/ui_strings.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

constexpr uint32_t listedIds[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 12, 13, 14, 16,
                                  17, 18, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};

class UiStrings : public ::testing::Test {
  protected:
    void TearDown() override { uiLanguageIsCzech = 0; }

    static std::wstring in(int32_t language, uint32_t id) {
        uiLanguageIsCzech = language;
        return uiString(id);
    }
};

TEST_F(UiStrings, EveryListedIdHasTwoDifferentTexts) {
    for (const uint32_t id : listedIds) {
        const std::wstring english = in(0, id);
        const std::wstring czech = in(1, id);
        EXPECT_FALSE(english.empty()) << id;
        EXPECT_FALSE(czech.empty()) << id;
        EXPECT_NE(english, czech) << id;
    }
}

TEST_F(UiStrings, IdsWithoutAnEntryGiveAnEmptyTextNeverNull) {
    for (const int32_t language : {0, 1}) {
        uiLanguageIsCzech = language;
        for (const uint32_t id : {11u, 15u, 19u, 32u, 56u, 4294967295u, uint32_t(-1)}) {
            const wchar_t* text = uiString(id);
            ASSERT_NE(text, nullptr) << id;
            EXPECT_EQ(text[0], L'\0') << id;
        }
    }
}

TEST_F(UiStrings, OnlyOneSelectsCzech) {
    EXPECT_EQ(in(1, 24), L"Vyv\u00e1\u017een\u00fd");
    EXPECT_EQ(in(0, 24), L"Balanced");
    EXPECT_EQ(in(2, 24), L"Balanced");
    EXPECT_EQ(in(-1, 24), L"Balanced");
}

TEST_F(UiStrings, PunctuationAndCzechLettersComeOutAsWritten) {
    EXPECT_EQ(in(0, 16), L"Protection is unavailable \u2014 the effect remains off");
    EXPECT_EQ(in(1, 16), L"Ochrana nen\u00ed dostupn\u00e1 \u2014 efekt z\u016fst\u00e1v\u00e1 "
                         L"vypnut\u00fd");
    EXPECT_EQ(in(0, 17), L"ACTIVE  \u2022  smooth scrolling is enabled");
    EXPECT_EQ(in(1, 17), L"AKTIVN\u00cd  \u2022  plynul\u00e9 scrollov\u00e1n\u00ed je zapnuto");
    EXPECT_EQ(in(0, 18), L"OFF  \u2022  the wheel works normally");
    EXPECT_EQ(in(1, 18), L"VYPNUTO  \u2022  kole\u010dko funguje standardn\u011b");
    EXPECT_EQ(in(1, 27), L"Otev\u0159\u00edt Rolvane");
    EXPECT_EQ(in(1, 29), L"Ukon\u010dit Rolvane");
}

// A source file read in the wrong encoding would leave characters outside this set.
TEST_F(UiStrings, CzechTextsHoldOnlyCzechLettersAndTheTwoMarks) {
    const std::wstring allowed = L"\u00e1\u010d\u010f\u00e9\u011b\u00ed\u0148\u00f3\u0159\u0161"
                                 L"\u0165\u00fa\u016f\u00fd\u017e\u00c1\u010c\u010e\u00c9\u011a"
                                 L"\u00cd\u0147\u00d3\u0158\u0160\u0164\u00da\u016e\u00dd\u017d"
                                 L"\u2014\u2022";
    for (const uint32_t id : listedIds) {
        for (const wchar_t character : in(1, id)) {
            const bool printableAscii = character >= 0x20 && character < 0x7F;
            EXPECT_TRUE(printableAscii || allowed.find(character) != std::wstring::npos)
                << "id " << id << " holds U+" << std::hex << uint32_t(character);
        }
    }
}

TEST_F(UiStrings, ParameterLineFormatsTheFourValuesInOrder) {
    wchar_t line[160];
    std::swprintf(line, 160, in(0, 12).c_str(), 100, 100, 110, 360);
    EXPECT_STREQ(line,
                 L"Step 100 %   |   Acceleration 100 %   |   Window 110 ms   |   Tail 360 ms");
    std::swprintf(line, 160, in(1, 12).c_str(), 100, 100, 110, 360);
    EXPECT_STREQ(line, L"Krok 100 %   |   Akcelerace 100 %   |   Okno 110 ms   |   Dojezd 360 ms");
}

TEST(UiLanguage, CzechIsPrimaryLanguageFiveWithAnySublanguage) {
    EXPECT_TRUE(isCzechUiLanguage(0x0405));
    EXPECT_TRUE(isCzechUiLanguage(0x0005));
    EXPECT_TRUE(isCzechUiLanguage(0xFC05));
    EXPECT_FALSE(isCzechUiLanguage(0x041B)); // Slovak, primary 27
    EXPECT_FALSE(isCzechUiLanguage(0x0409));
    EXPECT_FALSE(isCzechUiLanguage(0x0105)); // low byte 5, but primary 0x105
    EXPECT_FALSE(isCzechUiLanguage(0x0000));
}

} // namespace
