#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// "EffectAtStart" and "ToggleHotkey" as the running program holds them, on the UI thread.
void loadStartOptions();

bool effectAtStart();
// Stores the other choice; false when it could not be stored (and nothing changed).
bool toggleEffectAtStart();

// The hotkey's id with RegisterHotKey, on the control window.
inline constexpr int TOGGLE_HOTKEY_ID = 1;

// The stored hotkey, 0 for none; whether the system gave it to us at the start or its last change.
uint32_t toggleHotkey();
bool toggleHotkeyHeld();
// Registers the stored hotkey on the window, once it exists; a failure leaves it unavailable.
void registerToggleHotkey(HWND window);
void unregisterToggleHotkey(HWND window);

enum class HotkeyChange { done, heldElsewhere, notSaved };
// Puts `hotkey` (0: none) in place of the current one. When the system refuses it, the old one
// stays registered and stored; `notSaved` means it is in force but could not be stored.
HotkeyChange changeToggleHotkey(HWND window, uint32_t hotkey);

// "Ctrl+Alt+F9" in the current language; empty for none.
std::wstring hotkeyText(uint32_t hotkey);
