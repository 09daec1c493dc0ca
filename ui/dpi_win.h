#pragma once

#include <windows.h>

// The per-DPI calls came with Windows 10 version 1607 and are looked up when first used. Where
// they are missing the program lays itself out at the system's DPI, which Windows reports to a
// program that is aware only of that one.

// The DPI of the monitor the window is on (96 at 100 %).
int dpiOfWindow(HWND window);
// The DPI of the primary monitor (Windows 8.1 and later; elsewhere the system's).
int dpiOfPrimaryMonitor();
// GetSystemMetrics at a DPI.
int systemMetricAt(int index, int dpi);
// The outer size of a window of this style around a client area of the given size at a DPI.
SIZE windowSizeAround(SIZE client, DWORD style, int dpi);
