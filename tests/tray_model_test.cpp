#include "engine/engine_state.h"
#include "shell/ui_strings.h"
#include "tray/tray_model.h"
#include "ui/control_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The program's tooltip format, written out here so that the test does not lean on the header.
const wchar_t* const format = L"Rolvane 0.6 \u2014 %s";
const std::wstring prefix = L"Rolvane 0.6 \u2014 ";

std::wstring tooltip(const wchar_t* stateText) {
    wchar_t buffer[TOOLTIP_CAPACITY];
    const size_t length = formatTooltip(buffer, TOOLTIP_CAPACITY, format, stateText);
    EXPECT_EQ(length, std::wstring(buffer).size());
    return buffer;
}

TEST(TrayTooltip, StateTextIsChosenHookFirstThenEffect) {
    EXPECT_EQ(tooltipStateTextId(false, false), 20u);
    EXPECT_EQ(tooltipStateTextId(true, false), 20u);
    EXPECT_EQ(tooltipStateTextId(true, true), 21u);
    EXPECT_EQ(tooltipStateTextId(false, true), 22u);
}

TEST(TrayTooltip, FillsTheFormatWithEnglishAndCzechStateTexts) {
    EXPECT_EQ(tooltip(L"protection unavailable"), prefix + L"protection unavailable");
    for (const wchar_t* czech :
         {L"ochrana nen\u00ed dostupn\u00e1", L"plynul\u00e9 scrollov\u00e1n\u00ed je zapnuto",
          L"plynul\u00e9 scrollov\u00e1n\u00ed je vypnuto"}) {
        EXPECT_EQ(tooltip(czech), prefix + czech);
    }
    EXPECT_EQ(tooltip(nullptr), prefix);
    wchar_t buffer[TOOLTIP_CAPACITY];
    formatTooltip(buffer, TOOLTIP_CAPACITY, L"100%% %s %d", L"50 %s");
    EXPECT_EQ(std::wstring(buffer), L"100% 50 %s %d") << "only the format's %s is a directive";
}

TEST(TrayTooltip, CutAt127CharactersWithoutWritingPastTheBuffer) {
    wchar_t buffer[TOOLTIP_CAPACITY + 8];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const std::wstring longState(300, L'x');
    EXPECT_EQ(formatTooltip(buffer, TOOLTIP_CAPACITY, format, longState.c_str()), 127u);
    EXPECT_EQ(std::wstring(buffer), prefix + std::wstring(127 - prefix.size(), L'x'));
    EXPECT_EQ(buffer[TOOLTIP_CAPACITY], L'#');

    const std::wstring exactState(127 - prefix.size(), L'y');
    EXPECT_EQ(tooltip(exactState.c_str()), prefix + exactState);

    buffer[0] = L'#';
    EXPECT_EQ(formatTooltip(buffer, 0, format, L"x"), 0u);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(formatTooltip(buffer, 1, format, L"x"), 0u);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST(TrayText, BoundedCopyFitsTheBalloonFieldsAndKeepsSurrogatePairsWhole) {
    wchar_t title[BALLOON_TITLE_CAPACITY];
    const std::wstring longTitle(100, L't');
    EXPECT_EQ(copyTextBounded(title, BALLOON_TITLE_CAPACITY, longTitle.c_str()), 63u);
    EXPECT_EQ(std::wstring(title), std::wstring(63, L't'));

    wchar_t text[BALLOON_TEXT_CAPACITY];
    const wchar_t* czech =
        L"Ovl\u00e1d\u00e1n\u00ed najdete po kliknut\u00ed na ikonu v oznamovac\u00ed oblasti.";
    EXPECT_EQ(copyTextBounded(text, BALLOON_TEXT_CAPACITY, czech), std::wstring(czech).size());
    EXPECT_EQ(std::wstring(text), czech);

    // A character outside the basic plane is two UTF-16 units; a cut between them drops both.
    const wchar_t pair[] = {L'a', L'b', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                            L'\0'};
    EXPECT_EQ(copyTextBounded(text, 4, pair), 2u);
    EXPECT_EQ(std::wstring(text), L"ab");
    EXPECT_EQ(copyTextBounded(text, 5, pair), 4u);
}

// The real table in both languages: every text the notification area sends fits its field whole.
TEST(TrayText, EveryTrayTextFitsItsFieldInBothLanguages) {
    for (int32_t language : {0, 1}) {
        uiLanguageIsCzech = language;
        for (uint32_t id : {20u, 21u, 22u}) {
            wchar_t buffer[TOOLTIP_CAPACITY];
            formatTooltip(buffer, TOOLTIP_CAPACITY, TOOLTIP_FORMAT, uiString(id));
            EXPECT_EQ(std::wstring(buffer), prefix + uiString(id)) << language << " " << id;
        }
        EXPECT_LT(std::wstring(uiString(UI_BALLOON_TITLE)).size(), BALLOON_TITLE_CAPACITY);
        EXPECT_LT(std::wstring(uiString(UI_BALLOON_TEXT)).size(), BALLOON_TEXT_CAPACITY);
        const TrayMenu menu = buildTrayMenu(false, true, 0);
        std::vector<TrayMenuItem> items(menu.main.begin(), menu.main.end());
        items.insert(items.end(), menu.profiles.begin(), menu.profiles.end());
        for (const TrayMenuItem& item : items) {
            if (!(item.flags & TRAY_ITEM_SEPARATOR)) {
                EXPECT_NE(*uiString(item.textId), L'\0') << language << " " << item.textId;
            }
        }
    }
    uiLanguageIsCzech = 0;
}

void expectItem(const TrayMenuItem& item, int32_t commandId, uint32_t textId, uint32_t flags) {
    EXPECT_EQ(item.commandId, commandId);
    if (!(flags & TRAY_ITEM_SEPARATOR)) {
        EXPECT_EQ(item.textId, textId);
    }
    EXPECT_EQ(item.flags, flags);
}

TEST(TrayMenu, MainMenuItemsInOrder) {
    const TrayMenu menu = buildTrayMenu(false, true, IDM_PROFILE_BALANCED);
    expectItem(menu.main[0], 1004, 27, TRAY_ITEM_DEFAULT);
    expectItem(menu.main[1], 0, 0, TRAY_ITEM_SEPARATOR);
    expectItem(menu.main[2], 1005, 3, 0);
    expectItem(menu.main[3], 0, 28, TRAY_ITEM_POPUP);
    expectItem(menu.main[4], 0, 0, TRAY_ITEM_SEPARATOR);
    expectItem(menu.main[5], 1003, 29, 0);
}

TEST(TrayMenu, EffectItemIsCheckedWhileOnAndGreyWithoutTheHook) {
    EXPECT_EQ(buildTrayMenu(true, true, IDM_PROFILE_SOFT).main[2].flags, TRAY_ITEM_CHECKED);
    EXPECT_EQ(buildTrayMenu(false, false, IDM_PROFILE_SOFT).main[2].flags, TRAY_ITEM_GRAYED);
    EXPECT_EQ(buildTrayMenu(true, false, IDM_PROFILE_SOFT).main[2].flags,
              TRAY_ITEM_CHECKED | TRAY_ITEM_GRAYED);
    const TrayMenu off = buildTrayMenu(false, true, IDM_PROFILE_SOFT);
    const TrayMenu on = buildTrayMenu(true, false, IDM_PROFILE_FAST);
    for (size_t i : {0u, 1u, 3u, 4u, 5u}) {
        EXPECT_EQ(on.main[i].flags, off.main[i].flags) << "item " << i << " follows the state";
    }
}

TEST(TrayMenu, ProfileSubmenuInOrderWithOnlyTheActiveOneChecked) {
    for (int32_t active : {1201, 1202, 1203, 1204}) {
        const TrayMenu menu = buildTrayMenu(false, true, active);
        const auto checked = [&](int32_t id) { return active == id ? TRAY_ITEM_CHECKED : 0u; };
        expectItem(menu.profiles[0], 1201, 23, checked(1201));
        expectItem(menu.profiles[1], 1202, 24, checked(1202));
        expectItem(menu.profiles[2], 1203, 25, checked(1203));
        expectItem(menu.profiles[3], 0, 0, TRAY_ITEM_SEPARATOR);
        expectItem(menu.profiles[4], 1204, 26, checked(1204));
    }
    for (const TrayMenuItem& item : buildTrayMenu(false, true, 0).profiles) {
        EXPECT_EQ(item.flags & TRAY_ITEM_CHECKED, 0u) << "no profile id, no check";
    }
}

} // namespace
