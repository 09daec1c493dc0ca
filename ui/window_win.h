#pragma once

#include <windows.h>

inline constexpr wchar_t CONTROL_WINDOW_CLASS[] = L"RolvaneNative04";

extern HFONT titleFont;
extern HFONT bodyFont;
extern HFONT smallFont;

extern HWND stateLine;
extern HWND parameterLine;
extern HWND effectSwitch;
extern HWND autostartSwitch;

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
