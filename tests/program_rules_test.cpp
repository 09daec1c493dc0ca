#include "engine/excluded_programs.h"
#include "engine/program_rules.h"
#include "memory_registry.h"
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using namespace std::string_literals;
using Names = std::vector<std::wstring>;

const std::wstring long260(260, L'y');
const std::wstring long261(261, L'x');

TEST(ExcludedPrograms, ParsesDamagedMultiStringData) {
    // Names that do not fit, and duplicates, take none of the 64 places.
    Names seventy;
    std::wstring many = long261 + L'\0';
    for (int i = 0; i < 70; ++i) {
        seventy.push_back(L"n" + std::to_wstring(i));
        many += seventy.back() + L"\0N"s + std::to_wstring(i) + L'\0';
    }
    struct Case {
        const char* what;
        std::wstring data;
        size_t characters;
        Names names;
    };
    const size_t all = SIZE_MAX;
    const Case cases[] = {
        {"nothing", L"", 0, {}},
        {"no final NUL", L"a.exe\0b.exe"s, all, {L"a.exe", L"b.exe"}},
        {"cut short", L"a.exe\0b.exe\0c.exe\0\0"s, 8, {L"a.exe", L"b."}},
        {"an empty string inside", L"a.exe\0\0b.exe\0\0"s, all, {L"a.exe"}},
        {"too long", long261 + L'\0' + long260 + L'\0', all, {long260}},
        {"duplicates", L"Game.exe\0GAME.EXE\0C:\\x\\game.exe\0\0"s, all, {L"Game.exe"}},
        {"paths",
         L"C:\\Games\\game.exe\0D:/x/Tool.EXE\0dir\\\0/\0..\\a.exe\0"s,
         all,
         {L"game.exe", L"Tool.EXE", L"a.exe"}},
        {"more than 64", many, all, Names(seventy.begin(), seventy.begin() + 64)},
    };
    for (const Case& c : cases) {
        // An exact copy on the heap, so that a read past its end is caught under ASan.
        const std::vector<wchar_t> data(c.data.begin(),
                                        c.data.begin() + std::min(c.characters, c.data.size()));
        EXPECT_EQ(parseExcludedPrograms(data.data(), data.size()).names, c.names) << c.what;
    }
}

// Off, a profile of its own, or like everywhere else; one list or the other, never both.
TEST(ProgramRules, AProgramIsOffHasAProfileOfItsOwnOrIsLikeEverywhereElse) {
    ProgramRules rules;
    EXPECT_TRUE(setProgramSetting(rules, L"C:\\Games\\Game.exe", PROGRAM_OFF));
    EXPECT_TRUE(setProgramSetting(rules, L"code.exe", IDM_PROFILE_FAST));
    EXPECT_TRUE(setProgramSetting(rules, L"Kůň.exe", IDM_PROFILE_SOFT));
    EXPECT_FALSE(setProgramSetting(rules, L"CODE.EXE", IDM_PROFILE_FAST));
    EXPECT_EQ(rules.settingOf(L"GAME.EXE"), PROGRAM_OFF);
    EXPECT_EQ(rules.settingOf(L"D:\\bin\\Code.exe"), IDM_PROFILE_FAST);
    EXPECT_TRUE(setProgramSetting(rules, L"kůň.exe", PROGRAM_OFF));
    EXPECT_TRUE(setProgramSetting(rules, L"game.exe", IDM_PROFILE_CUSTOM));
    EXPECT_EQ(rules.excluded.names, Names{L"kůň.exe"});
    EXPECT_EQ(rules.profiles, (std::vector<ProgramProfile>{{L"code.exe", IDM_PROFILE_FAST},
                                                           {L"game.exe", IDM_PROFILE_CUSTOM}}));
    EXPECT_TRUE(setProgramSetting(rules, L"code.exe", PROGRAM_LIKE_EVERYWHERE));
    EXPECT_FALSE(setProgramSetting(rules, L"code.exe", PROGRAM_LIKE_EVERYWHERE));
    // Stored settings may name a program in both places: it is off, and listed once.
    rules.profiles.push_back({L"KŮŇ.EXE", IDM_PROFILE_FAST});
    EXPECT_EQ(rules.settingOf(L"kůň.exe"), PROGRAM_OFF);
    EXPECT_EQ(programsWithOwnSetting(rules), (Names{L"kůň.exe", L"game.exe"}));
    // 64 profiles at most; Off on a full list of excluded programs keeps the program's profile.
    for (int i = 0; rules.profiles.size() < PROGRAM_PROFILES_LIMIT; ++i) {
        EXPECT_TRUE(setProgramSetting(rules, std::to_wstring(i) + L".exe", IDM_PROFILE_SOFT));
    }
    for (int i = 0; rules.excluded.names.size() < EXCLUDED_PROGRAMS_LIMIT; ++i) {
        addExcludedProgram(rules.excluded, std::to_wstring(i) + L".com");
    }
    EXPECT_FALSE(setProgramSetting(rules, L"one-more.exe", IDM_PROFILE_SOFT));
    EXPECT_FALSE(setProgramSetting(rules, L"game.exe", PROGRAM_OFF));
    EXPECT_EQ(rules.settingOf(L"game.exe"), IDM_PROFILE_CUSTOM);
}

std::vector<uint8_t> utf16(const std::u16string& units, size_t cut = 0) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(units.data());
    return {bytes, bytes + units.size() * 2 - cut};
}

// Every load writes nothing, creates no key and closes every key it opened.
Names load(MemoryRegistry& registry) {
    const size_t keys = registry.keys.size();
    const int changes = registry.changes;
    const Names names = loadExcludedPrograms(registry).names;
    EXPECT_EQ(registry.changes, changes);
    EXPECT_EQ(registry.keys.size(), keys);
    EXPECT_TRUE(registry.allKeysClosed());
    return names;
}

TEST(ExcludedProgramsSettings, LoadsOnlyAWholeListOfASoundTypeAndSize) {
    // 65,536 bytes: one name, then one too long to keep.
    std::u16string atLimit = u"a.exe\0"s;
    atLimit.append(32761, u'x').append(1, u'\0');
    struct Case {
        const char* what;
        uint32_t type;
        std::u16string units;
        size_t cut; // bytes
        Names names;
    };
    const Case cases[] = {
        {"a list", REGISTRY_TYPE_MULTI_SZ, u"a.exe\0Příklad\0\0"s, 0, {L"a.exe", L"Příklad"}},
        {"an odd length", REGISTRY_TYPE_MULTI_SZ, u"a.exe\0b.exe\0x"s, 1, {L"a.exe", L"b.exe"}},
        {"a text", REGISTRY_TYPE_SZ, u"C:\\Games\\game.exe\0"s, 0, {L"game.exe"}},
        {"an expandable text", REGISTRY_TYPE_EXPAND_SZ, u"a.exe\0\0"s, 0, {}},
        {"empty", REGISTRY_TYPE_MULTI_SZ, u""s, 0, {}},
        {"64 KB", REGISTRY_TYPE_MULTI_SZ, atLimit, 0, {L"a.exe"}},
        {"over 64 KB", REGISTRY_TYPE_MULTI_SZ, atLimit + u'\0', 0, {}},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        registry.keys[SETTINGS_KEY][EXCLUDED_PROGRAMS_VALUE] = {c.type, utf16(c.units, c.cut)};
        EXPECT_EQ(load(registry), c.names) << c.what;
    }
    MemoryRegistry registry;
    EXPECT_EQ(load(registry), Names{}) << "no key";
    registry.keys[SETTINGS_KEY];
    EXPECT_EQ(load(registry), Names{}) << "no value";
    for (int failing = 1; failing <= 3; ++failing) {
        MemoryRegistry failed;
        failed.setRaw(SETTINGS_KEY, EXCLUDED_PROGRAMS_VALUE, REGISTRY_TYPE_MULTI_SZ, u"a\0", 6);
        failed.failures[failing] = failing == 3 ? REGISTRY_MORE_DATA : REGISTRY_ACCESS_DENIED;
        EXPECT_EQ(load(failed), Names{}) << "call " << failing << " fails";
    }
}

// Damaged values cost no place and no valid value; more than 64 are not read.
TEST(ProgramProfilesSettings, LoadsSoundProfileDwordsOnly) {
    MemoryRegistry registry;
    const auto plant = [&](const std::wstring& name, uint32_t type, std::vector<uint8_t> data) {
        registry.keys[PROGRAMS_KEY][name] = {type, std::move(data)};
    };
    const std::vector<uint8_t> fast{0xB3, 0x04, 0, 0}, soft{0xB1, 0x04, 0, 0};
    plant(L"code.exe", REGISTRY_TYPE_DWORD, fast);
    plant(L"Word.exe", REGISTRY_TYPE_DWORD, soft);
    plant(L"", REGISTRY_TYPE_DWORD, fast);
    plant(L"dir\\x.exe", REGISTRY_TYPE_DWORD, fast);
    plant(L"a" + long260, REGISTRY_TYPE_DWORD, fast); // too long, and read before code.exe
    plant(L"n1205.exe", REGISTRY_TYPE_DWORD, {0xB5, 0x04, 0, 0});
    plant(L"binary.exe", REGISTRY_TYPE_BINARY, fast);
    plant(L"short.exe", REGISTRY_TYPE_DWORD, {0xB3, 0x04});
    const std::vector<ProgramProfile> sound{{L"Word.exe", IDM_PROFILE_SOFT},
                                            {L"code.exe", IDM_PROFILE_FAST}};
    EXPECT_EQ(loadProgramProfiles(registry), sound);
    EXPECT_TRUE(registry.changes == 0 && registry.allKeysClosed());
    for (int i = 0; i < 70; ++i) {
        plant(L"p" + std::to_wstring(100 + i) + L".exe", REGISTRY_TYPE_DWORD, soft);
    }
    const std::vector<ProgramProfile> many = loadProgramProfiles(registry);
    EXPECT_EQ(many.size(), PROGRAM_PROFILES_LIMIT);
    EXPECT_EQ(std::vector(many.begin(), many.begin() + 2), sound);

    MemoryRegistry saved;
    EXPECT_TRUE(saveProgramProfile(saved, L"code.exe", PROGRAM_LIKE_EVERYWHERE)) << "no key yet";
    EXPECT_TRUE(saveProgramProfile(saved, L"code.exe", IDM_PROFILE_FAST));
    EXPECT_TRUE(saveProgramProfile(saved, L"word.exe", IDM_PROFILE_CUSTOM));
    EXPECT_TRUE(saveProgramProfile(saved, L"code.exe", PROGRAM_LIKE_EVERYWHERE));
    EXPECT_EQ(loadProgramProfiles(saved),
              (std::vector<ProgramProfile>{{L"word.exe", IDM_PROFILE_CUSTOM}}));
    saved.failures[saved.calls + 2] = REGISTRY_ACCESS_DENIED;
    EXPECT_FALSE(saveProgramProfile(saved, L"word.exe", PROGRAM_LIKE_EVERYWHERE));
    EXPECT_TRUE(saved.allKeysClosed());
}

// Smooth sideways scrolling is on unless a DWORD 0 is stored; the other three only for a 1.
TEST(WheelOptions, SidewaysIsOnUnlessStoredOffTheOthersOffUnlessStoredOn) {
    using Options = std::array<bool, WHEEL_OPTIONS>;
    const std::pair<uint32_t, Options> cases[] = {
        {2, {true, false, false, false}}, {0, {false, false, false, false}},
        {1, {true, true, true, true}}};
    for (const auto& [number, options] : cases) {
        MemoryRegistry registry;
        for (const wchar_t* name : WHEEL_OPTION_VALUES) {
            registry.setDword(SETTINGS_KEY, name, number);
        }
        EXPECT_EQ(loadWheelOptions(registry), options) << number;
    }
    MemoryRegistry saved;
    EXPECT_EQ(loadWheelOptions(saved), (Options{true, false, false, false}));
    EXPECT_TRUE(saveWheelOption(saved, 2, true) && saveWheelOption(saved, 0, false));
    EXPECT_EQ(loadWheelOptions(saved), (Options{false, false, true, false}));
}

TEST(PauseInFullScreen, IsOffOnlyForAStoredDwordZero) {
    struct Case {
        const char* what;
        uint32_t type;
        std::vector<uint8_t> data; // empty: no value
        int failing;
        bool on;
    };
    const Case cases[] = {
        {"no value", REGISTRY_TYPE_DWORD, {}, 0, true},
        {"0", REGISTRY_TYPE_DWORD, {0, 0, 0, 0}, 0, false},
        {"1", REGISTRY_TYPE_DWORD, {1, 0, 0, 0}, 0, true},
        {"256", REGISTRY_TYPE_DWORD, {0, 1, 0, 0}, 0, true},
        {"0 as binary", REGISTRY_TYPE_BINARY, {0, 0, 0, 0}, 0, true},
        {"0 in 2 bytes", REGISTRY_TYPE_DWORD, {0, 0}, 0, true},
        {"0, open fails", REGISTRY_TYPE_DWORD, {0, 0, 0, 0}, 1, true},
        {"0, read fails", REGISTRY_TYPE_DWORD, {0, 0, 0, 0}, 2, true},
    };
    for (const Case& c : cases) {
        MemoryRegistry registry;
        registry.keys[SETTINGS_KEY];
        if (!c.data.empty()) {
            registry.keys[SETTINGS_KEY][PAUSE_IN_FULL_SCREEN_VALUE] = {c.type, c.data};
        }
        registry.failures[c.failing] = REGISTRY_ACCESS_DENIED;
        EXPECT_EQ(loadPauseInFullScreen(registry), c.on) << c.what;
        EXPECT_TRUE(registry.changes == 0 && registry.allKeysClosed()) << c.what;
    }
    MemoryRegistry saved;
    for (const bool pause : {false, true, false}) {
        EXPECT_TRUE(savePauseInFullScreen(saved, pause));
        EXPECT_EQ(loadPauseInFullScreen(saved), pause);
    }
    saved.failures[saved.calls + 2] = REGISTRY_ACCESS_DENIED;
    EXPECT_FALSE(savePauseInFullScreen(saved, true));
    EXPECT_TRUE(saved.allKeysClosed());
}

} // namespace
