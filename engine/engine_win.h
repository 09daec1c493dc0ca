#pragma once

#include <windows.h>

#include <cstdint>

// The program's module instance; the low-level hook is installed with it.
extern HINSTANCE appInstance;

// Fills the engine's seam with the Win32 poster of WM_ENGINE_STATE_CHANGED.
void connectEngineToWindows();

// Thread bodies of the two workers; both run until engine.stopRequested.
void hookThreadMain();
void animatorThreadMain();
// Wakes the parked animator thread; the engine's wakeAnimator seam.
void wakeAnimatorThread();

// How often the hook has been put back, for whoever wants to know, on the control window.
inline constexpr wchar_t HOOK_REINSTALLS_PROPERTY[] = L"Rolvane.HookReinstalls";

// Puts the hook back at once (after a resume or an unlock).
void putHookBack();
// On the refresh timer: puts the hook back when the system saw input that the hook did not.
// Returns a stamp of the latest input that the hook (mouse, at once) or the system (any, read
// at most once a second) saw; it changes whenever there was input.
uint64_t watchInput(HWND window);

// Reads where Windows sends the wheel, at the start and whenever the setting changes
// (WM_SETTINGCHANGE with SPI_SETMOUSEWHEELROUTING).
void readWheelRouting();

// Asks the hook thread to put the hook back (a new one first, then the old one removed).
void requestHookReinstall();

struct ProgramRules;
// Hands a copy of the rules to the hook thread, which takes it at its next message (or at its
// start); false when the copy could not be made.
bool handProgramRulesToHook(const ProgramRules& programRules);

LRESULT CALLBACK wheelHookProc(int code, WPARAM message, LPARAM record);
