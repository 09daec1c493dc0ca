#pragma once

#include "engine/engine_state.h"

#include <windows.h>

#include <cstddef>

// Label and trackbar of slider row `index` (ui/layout.h) at a scale; the trackbar's handle lands
// in sliderTrackbars[index].
void createSliderRow(size_t index, const wchar_t* label, int dpi);
// Every row to its place at a new scale, with the new bodyFont.
void fitSliderRowsToScale(int dpi);
// The labels in the language now in force.
void relabelSliderRows();
// WM_HSCROLL from any of the four trackbars.
void onSliderScroll();
void moveSliders(const ScrollParameters& values);
void updateParameterLine();
void refreshStatus();
// Replaces the window's text only when it differs; true when it did.
bool setTextIfChanged(HWND window, const wchar_t* text);

extern HWND sliderTrackbars[4];
