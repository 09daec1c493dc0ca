#include "memory_registry.h"
#include "shell/settings.h"
#include "shell/start_options.h"
#include "shell/ui_strings.h"

#include <gtest/gtest.h>

namespace {

// What each stored form reads as: only a sound 4-byte REG_DWORD counts, anything else is the
// default (off, no hotkey). Ctrl+Alt+F9 is 0x00030078.
TEST(StartOptions, DamagedOrOutOfRangeValuesReadAsTheDefault) {
    struct Case {
        uint32_t type;
        uint64_t data;
        uint32_t size;
        bool effectAtStart;
        uint32_t hotkey;
    };
    for (const Case c :
         {Case{REGISTRY_TYPE_DWORD, 1, 4, true, 1},
          Case{REGISTRY_TYPE_DWORD, 0x00030078, 4, false, 0x00030078},
          Case{REGISTRY_TYPE_DWORD, 0x000F0078, 4, false, 0x000F0078},
          Case{REGISTRY_TYPE_DWORD, 2, 4, false, 2},
          Case{REGISTRY_TYPE_DWORD, 0x00100078, 4, false, 0},
          Case{REGISTRY_TYPE_DWORD, 0x000300FF, 4, false, 0},
          Case{REGISTRY_TYPE_DWORD, 0x00030000, 4, false, 0},
          Case{REGISTRY_TYPE_DWORD, 0x00010100, 4, false, 0},
          Case{REGISTRY_TYPE_BINARY, 1, 4, false, 0}, Case{REGISTRY_TYPE_QWORD, 1, 8, false, 0},
          Case{REGISTRY_TYPE_DWORD, 1, 2, false, 0}}) {
        MemoryRegistry registry;
        registry.setRaw(SETTINGS_KEY, EFFECT_AT_START_VALUE, c.type, &c.data, c.size);
        registry.setRaw(SETTINGS_KEY, TOGGLE_HOTKEY_VALUE, c.type, &c.data, c.size);
        EXPECT_EQ(loadEffectAtStart(registry), c.effectAtStart) << std::hex << c.data;
        EXPECT_EQ(loadToggleHotkey(registry), c.hotkey) << std::hex << c.data;
        EXPECT_EQ(registry.changes, 0);
        EXPECT_TRUE(registry.allKeysClosed());
    }
    MemoryRegistry empty;
    EXPECT_FALSE(loadEffectAtStart(empty));
    EXPECT_EQ(loadToggleHotkey(empty), 0u);
    ASSERT_TRUE(saveEffectAtStart(empty, true) && saveToggleHotkey(empty, 0x00060078));
    EXPECT_TRUE(loadEffectAtStart(empty));
    EXPECT_EQ(loadToggleHotkey(empty), 0x00060078u);
}

// The hotkey control's HOTKEYF_SHIFT is 1 and HOTKEYF_ALT 4; RegisterHotKey's MOD_ALT is 1 and
// MOD_SHIFT 4. HOTKEYF_EXT (8) is no modifier.
TEST(StartOptions, TheHotkeyControlsModifiersAreConvertedNotCopied) {
    for (const auto& [control, stored] : {std::pair{0x0178u, 0x00040078u}, // Shift+F9
                                          {0x0478u, 0x00010078u},          // Alt+F9
                                          {0x0678u, 0x00030078u},          // Ctrl+Alt+F9
                                          {0x0378u, 0x00060078u},          // Ctrl+Shift+F9
                                          {0x0741u, 0x00070041u},
                                          {0u, 0u}}) { // Ctrl+Alt+Shift+A
        EXPECT_EQ(hotkeyFromControl(control), stored) << std::hex << control;
        EXPECT_EQ(hotkeyToControl(stored), control) << std::hex << stored;
    }
    EXPECT_EQ(hotkeyFromControl(0x0E78), 0x00030078u);
    EXPECT_EQ(hotkeyFromControl(0x0600), 0u); // modifiers without a key are none
}

TEST(StartOptions, TheHotkeyReadsInWindowsOrderAndWindowsNames) {
    EXPECT_EQ(hotkeyText(0x00030078, keyName(0x78)), L"Ctrl+Alt+F9");
    EXPECT_EQ(hotkeyText(0x00060087, keyName(0x87)), L"Ctrl+Shift+F24");
    EXPECT_EQ(hotkeyText(0x00010020, keyName(0x20)), L"Alt+Space");
    EXPECT_EQ(keyName(0x65), L"Num 5");
    EXPECT_EQ(keyName(0xBA), L""); // named by the keyboard layout
    uiLanguage = UiLanguage::czech;
    EXPECT_EQ(hotkeyText(0x000F0041, keyName('A')), L"Win+Ctrl+Alt+Shift+A");
    EXPECT_EQ(hotkeyText(0x00010020, keyName(0x20)), L"Alt+Mezerník");
    EXPECT_EQ(keyName(0x25), L"Šipka vlevo");
    EXPECT_EQ(keyName(0x39), L"9");
    uiLanguage = UiLanguage::german;
    EXPECT_EQ(hotkeyText(0x00060078, keyName(0x78)), L"Strg+Umschalt+F9");
    EXPECT_EQ(hotkeyText(0x00020000 | 0x2E, keyName(0x2E)), L"Strg+Entf");
    uiLanguage = UiLanguage::english;
}

} // namespace
