#include "shell/ui_strings.h"
#include "tray/tray_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const std::wstring prefix = std::wstring(L"Rolvane ") + ROLVANE_SHORT_VERSION_TEXT + L" \u2014 ";

TEST(TrayTooltip, TellsTheSameStateAsTheWindowInEitherLanguage) {
    struct Case {
        bool effect, hook;
        uint32_t text;
    };
    for (const Case c : {Case{false, false, 20}, Case{true, false, 20}, Case{true, true, 21},
                         Case{false, true, 22}}) {
        EXPECT_EQ(tooltipStateTextId(c.effect, c.hook), c.text) << c.effect << c.hook;
        for (const int32_t language : {0, 1}) {
            uiLanguageIsCzech = language;
            wchar_t tooltip[TOOLTIP_CAPACITY];
            formatTooltip(tooltip, TOOLTIP_CAPACITY, TOOLTIP_FORMAT, uiString(c.text));
            EXPECT_EQ(tooltip, prefix + uiString(c.text));
        }
        uiLanguageIsCzech = 0;
    }
    wchar_t buffer[TOOLTIP_CAPACITY];
    formatTooltip(buffer, TOOLTIP_CAPACITY, L"100%% %s %d", L"50 %s");
    EXPECT_EQ(std::wstring(buffer), L"100% 50 %s %d") << "only the format's %s is a directive";
}

// While on, the tooltip says why the program in front gets whole notches, or which profile of
// its own it gets.
TEST(TrayTooltip, NamesTheReasonOrTheOwnProfileOfTheProgramInFront) {
    struct Case {
        bool effect, known;
        int32_t setting;
        bool pause, fullScreen;
        int32_t windowProfile;
        uint32_t text;
    };
    const int32_t off = PROGRAM_OFF, like = PROGRAM_LIKE_EVERYWHERE;
    for (const Case c : {Case{true, true, off, true, true, 1202, UI_TOOLTIP_PAUSED_EXCLUDED},
                         Case{true, false, off, true, false, 1202, UI_TOOLTIP_ENABLED},
                         Case{true, true, like, true, true, 1202, UI_TOOLTIP_PAUSED_FULL_SCREEN},
                         Case{true, true, like, false, true, 1202, UI_TOOLTIP_ENABLED},
                         Case{false, true, off, true, true, 1202, UI_TOOLTIP_DISABLED},
                         Case{true, true, 1203, true, false, 1202, 43},
                         Case{true, true, 1201, true, false, 1204, 41},
                         Case{true, true, 1203, true, false, 1203, UI_TOOLTIP_ENABLED},
                         Case{true, true, 1204, true, true, 1202, UI_TOOLTIP_PAUSED_FULL_SCREEN}}) {
        const ProgramState state{c.known, c.setting, false, c.pause, c.fullScreen, c.windowProfile};
        EXPECT_EQ(tooltipStateTextId(c.effect, true, state), c.text)
            << c.effect << c.known << c.setting << c.pause << c.fullScreen << c.windowProfile;
    }
}

TEST(TrayText, ABoundedCopyStopsAtItsFieldAndKeepsSurrogatePairsWhole) {
    wchar_t buffer[TOOLTIP_CAPACITY + 8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const std::wstring longState(300, L'x');
    EXPECT_EQ(formatTooltip(buffer, TOOLTIP_CAPACITY, TOOLTIP_FORMAT, longState.c_str()), 127u);
    EXPECT_EQ(std::wstring(buffer), prefix + std::wstring(127 - prefix.size(), L'x'));
    EXPECT_EQ(buffer[TOOLTIP_CAPACITY], L'#');
    // A character outside the basic plane is two UTF-16 units; a cut between them drops both.
    const wchar_t pair[] = {L'a', L'b', wchar_t(0xD83D), wchar_t(0xDE00), L'\0'};
    EXPECT_EQ(copyTextBounded(buffer, 4, pair), 2u);
    EXPECT_EQ(std::wstring(buffer), L"ab");
    EXPECT_EQ(copyTextBounded(buffer, 5, pair), 4u);
    EXPECT_EQ(copyTextBounded(buffer, 0, pair), 0u);
}

TEST(TrayMenu, TheEffectItemAndTheProfilesCarryTheState) {
    struct Case {
        bool effect, hook;
        uint32_t flags;
    };
    for (const Case c : {Case{false, true, 0}, Case{true, true, TRAY_ITEM_CHECKED},
                         Case{false, false, TRAY_ITEM_GRAYED},
                         Case{true, false, TRAY_ITEM_CHECKED | TRAY_ITEM_GRAYED}}) {
        EXPECT_EQ(buildTrayMenu(c.effect, c.hook, 1201).main[2].flags, c.flags);
    }
    // In NAME, Programs with their own setting, Off in full-screen programs: checked and grey by
    // the state; the program's own setting checked in its submenu.
    struct Programs {
        ProgramState state;
        uint32_t flags[3];
    };
    const uint32_t popup = TRAY_ITEM_POPUP, grey = TRAY_ITEM_GRAYED, checked = TRAY_ITEM_CHECKED;
    for (const Programs c :
         {Programs{{false, 0, false, true, false}, {popup | grey, popup | grey, checked}},
          Programs{{true, PROGRAM_OFF, true, false}, {popup, popup, 0}},
          Programs{{true, 1204, true, true}, {popup, popup, checked}}}) {
        const TrayMenu menu = buildTrayMenu(true, true, 1201, c.state);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(menu.main[5 + i].flags, c.flags[i]) << i;
        }
        for (size_t i = 0; i < PROGRAM_SETTINGS.size(); ++i) {
            EXPECT_EQ(menu.program[i].flags,
                      PROGRAM_SETTINGS[i] == c.state.frontSetting ? checked : 0);
        }
    }
    for (const int32_t active : {1201, 1202, 1203, 1204, 0}) {
        for (const TrayMenuItem& item : buildTrayMenu(false, true, active).profiles) {
            EXPECT_EQ(item.flags & TRAY_ITEM_CHECKED ? item.commandId : 0,
                      item.commandId == active ? active : 0);
        }
    }
}

} // namespace
