#pragma once

#include "engine/engine_state.h"
#include "ui/drawn_shapes.h"

#include <windows.h>

inline constexpr wchar_t CONTROL_WINDOW_CLASS[] = L"RolvaneNative04";

extern HFONT titleFont;
extern HFONT bodyFont;
extern HFONT smallFont;

extern HWND stateLine;
extern HWND parameterLine;
extern HWND effectSwitch;
extern HWND autostartSwitch;

inline HWND mainWindowHandle() {
    return static_cast<HWND>(engine.mainWindow);
}

// A visible child of the control window at its place in client pixels, sent bodyFont; null when
// it could not be made.
HWND createChildControl(const wchar_t* className, const wchar_t* text, DWORD extraStyle,
                        const DrawnRect& place, int id);

// A control to its place in client pixels; a null control is left alone.
void moveControl(HWND control, const DrawnRect& place);
// WM_SETFONT with redraw, when both exist.
void setControlFont(HWND control, HFONT font);
// The DPI the window is laid out and drawn at: 96 at 100 %.
int windowDpi();

LRESULT CALLBACK controlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Points the engine's UI seam at the window: sliders, parameter line, saves, the state notice.
void connectEngineToWindow();
