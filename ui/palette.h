#pragma once

#include <cstdint>

// Colours as RGB 0xRRGGBB; gdiColor and gdiplusColor turn them into what each API takes.
inline constexpr uint32_t pageColor = 0xF5F7FB;
inline constexpr uint32_t cardColor = 0xFFFFFF;
inline constexpr uint32_t accentColor = 0x4169E1;
inline constexpr uint32_t textColor = 0x1C2434;
inline constexpr uint32_t mutedColor = 0x657084;
inline constexpr uint32_t onColor = 0x19915D;
inline constexpr uint32_t alertColor = 0xC23934;

// GDI's COLORREF is 0x00BBGGRR.
constexpr uint32_t gdiColor(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// GDI+ takes 0xAARRGGBB.
constexpr uint32_t gdiplusColor(uint32_t rgb, uint32_t alpha = 0xFF) {
    return (alpha << 24) | (rgb & 0xFFFFFF);
}
