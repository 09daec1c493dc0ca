#pragma once

#include <windows.h>

#include <commctrl.h>

// Paints one of the two owner-drawn switches (ids 1005 and 1007) from its current state.
void drawToggleSwitch(const DRAWITEMSTRUCT& item);

// Installed last on each trackbar (subclass id 1): paints the slider, leaves behaviour alone.
LRESULT CALLBACK sliderSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR subclassId, DWORD_PTR referenceData);
