#pragma once

#include <windows.h>

// The program's module instance; the low-level hook is installed with it.
extern HINSTANCE appInstance;

// Fills the engine's seam with the Win32 poster of WM_ENGINE_STATE_CHANGED.
void connectEngineToWindows();

// Thread bodies of the two workers; both run until engine.stopRequested.
void hookThreadMain();
void animatorThreadMain();

LRESULT CALLBACK wheelHookProc(int code, WPARAM message, LPARAM record);
