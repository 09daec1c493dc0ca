#include "shell/start_options.h"

#include "shell/settings.h"
#include "shell/ui_strings.h"

namespace {

bool readDword(RegistryStore& registry, const wchar_t* name, uint32_t& value) {
    RegistryKeyHolder key(registry);
    uint32_t type = REGISTRY_TYPE_NONE;
    uint32_t size = sizeof value;
    return key.open(SETTINGS_KEY, REGISTRY_QUERY_VALUE) == REGISTRY_SUCCESS &&
           registry.queryValue(key.get(), name, type, &value, size) == REGISTRY_SUCCESS &&
           type == REGISTRY_TYPE_DWORD && size == sizeof value;
}

bool writeDword(RegistryStore& registry, const wchar_t* name, uint32_t value) {
    RegistryKeyHolder key(registry);
    return key.create(SETTINGS_KEY, REGISTRY_SET_VALUE) == REGISTRY_SUCCESS &&
           registry.setValue(key.get(), name, REGISTRY_TYPE_DWORD, &value, sizeof value) ==
               REGISTRY_SUCCESS;
}

// The keys Rolvane names itself, by their UI string: the names Windows gives them in each
// language.
struct NamedKey {
    uint32_t virtualKey;
    uint32_t textId;
};

constexpr uint32_t UI_KEY_CONTROL = 80;
constexpr uint32_t UI_KEY_SHIFT = 81;
constexpr NamedKey namedKeys[] = {
    {0x08, 82}, {0x09, 83}, {0x0D, 84}, {0x13, 85}, {0x1B, 86}, {0x20, 87}, {0x21, 88}, {0x22, 89},
    {0x23, 90}, {0x24, 91}, {0x25, 92}, {0x26, 93}, {0x27, 94}, {0x28, 95}, {0x2D, 96}, {0x2E, 97},
};

} // namespace

bool loadEffectAtStart(RegistryStore& registry) {
    uint32_t value = 0;
    return readDword(registry, EFFECT_AT_START_VALUE, value) && value == 1;
}

bool saveEffectAtStart(RegistryStore& registry, bool on) {
    return writeDword(registry, EFFECT_AT_START_VALUE, on ? 1 : 0);
}

bool isSoundHotkey(uint32_t hotkey) {
    const uint32_t modifiers = hotkey >> 16;
    const uint32_t key = hotkey & 0xFFFF;
    const uint32_t known = HOTKEY_ALT | HOTKEY_CONTROL | HOTKEY_SHIFT | HOTKEY_WIN;
    return hotkey == 0 || (key >= 1 && key <= 254 && (modifiers & ~known) == 0);
}

uint32_t loadToggleHotkey(RegistryStore& registry) {
    uint32_t value = 0;
    return readDword(registry, TOGGLE_HOTKEY_VALUE, value) && isSoundHotkey(value) ? value : 0;
}

bool saveToggleHotkey(RegistryStore& registry, uint32_t hotkey) {
    return writeDword(registry, TOGGLE_HOTKEY_VALUE, hotkey);
}

uint32_t hotkeyFromControl(uint32_t controlWord) {
    const uint32_t key = controlWord & 0xFF;
    const uint32_t flags = controlWord >> 8 & 0xFF;
    if (key == 0) {
        return 0;
    }
    uint32_t modifiers = 0;
    modifiers |= flags & HOTKEY_CONTROL_ALT ? HOTKEY_ALT : 0;
    modifiers |= flags & HOTKEY_CONTROL_CONTROL ? HOTKEY_CONTROL : 0;
    modifiers |= flags & HOTKEY_CONTROL_SHIFT ? HOTKEY_SHIFT : 0;
    return modifiers << 16 | key;
}

uint32_t hotkeyToControl(uint32_t hotkey) {
    const uint32_t modifiers = hotkey >> 16;
    uint32_t flags = 0;
    flags |= modifiers & HOTKEY_ALT ? HOTKEY_CONTROL_ALT : 0;
    flags |= modifiers & HOTKEY_CONTROL ? HOTKEY_CONTROL_CONTROL : 0;
    flags |= modifiers & HOTKEY_SHIFT ? HOTKEY_CONTROL_SHIFT : 0;
    return flags << 8 | (hotkey & 0xFF);
}

std::wstring keyName(uint32_t virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        return std::wstring(1, wchar_t(virtualKey));
    }
    if (virtualKey >= 0x70 && virtualKey <= 0x87) { // F1 to F24
        return L"F" + std::to_wstring(virtualKey - 0x70 + 1);
    }
    if (virtualKey >= 0x60 && virtualKey <= 0x69) { // the number pad's digits
        return L"Num " + std::to_wstring(virtualKey - 0x60);
    }
    for (const NamedKey& named : namedKeys) {
        if (named.virtualKey == virtualKey) {
            return uiString(named.textId);
        }
    }
    return L"";
}

std::wstring hotkeyText(uint32_t hotkey, const std::wstring& key) {
    const uint32_t modifiers = hotkey >> 16;
    std::wstring text;
    text += modifiers & HOTKEY_WIN ? L"Win+" : L"";
    text += modifiers & HOTKEY_CONTROL ? uiString(UI_KEY_CONTROL) + std::wstring(L"+") : L"";
    text += modifiers & HOTKEY_ALT ? L"Alt+" : L"";
    text += modifiers & HOTKEY_SHIFT ? uiString(UI_KEY_SHIFT) + std::wstring(L"+") : L"";
    return text + key;
}
