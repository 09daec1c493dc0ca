#pragma once

#include "engine/engine_state.h"

#include <windows.h>

// Label and trackbar of one slider row; the trackbar's handle lands in `trackbar`.
void createSliderRow(HWND& trackbar, int trackbarId, int top, const wchar_t* label, int minimum,
                     int maximum, int initialPosition);
// WM_HSCROLL from any of the four trackbars.
void onSliderScroll();
void moveSliders(const ScrollParameters& values);
void updateParameterLine();
void refreshStatus();
// Replaces the window's text only when it differs; true when it did.
bool setTextIfChanged(HWND window, const wchar_t* text);

extern HWND sliderTrackbars[4];
