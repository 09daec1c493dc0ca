#pragma once

#include "shell/registry_store.h"

#include <cstdint>
#include <string>

// Two stored choices of how Rolvane starts and is switched, under SETTINGS_KEY.
inline constexpr wchar_t EFFECT_AT_START_VALUE[] = L"EffectAtStart";
inline constexpr wchar_t TOGGLE_HOTKEY_VALUE[] = L"ToggleHotkey";

// RegisterHotKey's modifiers, as the high word of a stored hotkey; the low word is the key.
inline constexpr uint32_t HOTKEY_ALT = 1;
inline constexpr uint32_t HOTKEY_CONTROL = 2;
inline constexpr uint32_t HOTKEY_SHIFT = 4;
inline constexpr uint32_t HOTKEY_WIN = 8;
// The hotkey control's modifier bits (HOTKEYF_*): Shift and Alt the other way round.
inline constexpr uint32_t HOTKEY_CONTROL_SHIFT = 1;
inline constexpr uint32_t HOTKEY_CONTROL_CONTROL = 2;
inline constexpr uint32_t HOTKEY_CONTROL_ALT = 4;

// On only for a stored 4-byte REG_DWORD 1. Writes nothing and never creates the key.
bool loadEffectAtStart(RegistryStore& registry);
bool saveEffectAtStart(RegistryStore& registry, bool on);

// A sound hotkey: 0 (none), or a key from 1 to 254 with only known modifiers.
bool isSoundHotkey(uint32_t hotkey);
// The stored hotkey when it is a sound 4-byte REG_DWORD, else 0. Writes nothing.
uint32_t loadToggleHotkey(RegistryStore& registry);
bool saveToggleHotkey(RegistryStore& registry, uint32_t hotkey);

// Between the stored form and the hotkey control's (HKM_GETHOTKEY / HKM_SETHOTKEY) word.
uint32_t hotkeyFromControl(uint32_t controlWord);
uint32_t hotkeyToControl(uint32_t hotkey);

// The key's own name in the UI language where Rolvane knows it (letters, digits, F-keys, the
// common named keys); empty for others, which the platform names.
std::wstring keyName(uint32_t virtualKey);
// "Ctrl+Alt+F9": the modifiers in the order Windows writes them (Win, Ctrl, Alt, Shift) and by
// the names it gives them in the UI language ("Strg+Alt+F9"), then `key`.
std::wstring hotkeyText(uint32_t hotkey, const std::wstring& key);
