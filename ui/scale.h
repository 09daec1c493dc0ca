#pragma once

#include "ui/drawn_shapes.h"

// The window has one design, at 96 DPI (100 %). At another scale every length is the design's
// times dpi / 96.
inline constexpr int BASE_DPI = 96;

// A length in whole pixels (a position, a size, a radius, a font height) at `dpi`: to the
// nearest pixel, halves away from zero, as MulDiv rounds.
int scaled(int length, int dpi);

// A pen width or an offset below a pixel, which GDI+ draws at any fraction: exact.
float scaledFraction(float length, int dpi);

// A rectangle given at 96 DPI by its position and size, scaled edge by edge: what touches or
// stands apart at 96 DPI does so at every scale, and no size is off by more than a pixel.
DrawnRect scaledRect(int x, int y, int width, int height, int dpi);
