#include "shell/start_options_win.h"

#include "shell/registry_win.h"
#include "shell/start_options.h"
#include "shell/ui_strings.h"

namespace {

bool atStart = false;
uint32_t hotkey = 0;
bool hotkeyHeld = false;

bool registerHotkey(HWND window, uint32_t combination) {
    return RegisterHotKey(window, TOGGLE_HOTKEY_ID, (combination >> 16) | MOD_NOREPEAT,
                          combination & 0xFFFF);
}

} // namespace

void loadStartOptions() {
    atStart = loadEffectAtStart(currentUserRegistry());
    hotkey = loadToggleHotkey(currentUserRegistry());
}

bool effectAtStart() {
    return atStart;
}

bool toggleEffectAtStart() {
    if (!saveEffectAtStart(currentUserRegistry(), !atStart)) {
        return false;
    }
    atStart = !atStart;
    return true;
}

uint32_t toggleHotkey() {
    return hotkey;
}

bool toggleHotkeyHeld() {
    return hotkeyHeld;
}

void registerToggleHotkey(HWND window) {
    hotkeyHeld = hotkey != 0 && registerHotkey(window, hotkey);
}

void unregisterToggleHotkey(HWND window) {
    if (hotkeyHeld) {
        UnregisterHotKey(window, TOGGLE_HOTKEY_ID);
        hotkeyHeld = false;
    }
}

HotkeyChange changeToggleHotkey(HWND window, uint32_t combination) {
    const bool wasHeld = hotkeyHeld;
    unregisterToggleHotkey(window);
    if (combination != 0 && !registerHotkey(window, combination)) {
        const DWORD error = GetLastError();
        if (wasHeld) {
            registerToggleHotkey(window);
        }
        SetLastError(error);
        return HotkeyChange::heldElsewhere;
    }
    hotkey = combination;
    hotkeyHeld = combination != 0;
    return saveToggleHotkey(currentUserRegistry(), combination) ? HotkeyChange::done
                                                                : HotkeyChange::notSaved;
}

std::wstring hotkeyText(uint32_t combination) {
    if (combination == 0) {
        return L"";
    }
    const uint32_t virtualKey = combination & 0xFFFF;
    std::wstring key = keyName(virtualKey);
    if (key.empty()) {
        // The keyboard layout's own name of the key, as the hotkey control shows it.
        wchar_t name[64] = {};
        const LONG scanCode = LONG(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        key = GetKeyNameTextW(scanCode << 16, name, 64) > 0 ? name : L"?";
    }
    return hotkeyText(combination, key);
}
