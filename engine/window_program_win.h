#pragma once

#include "engine/window_program.h"

#include <windows.h>

// The desktop's windows as user32 and kernel32 tell them.
class WindowsDesktopLookup final : public DesktopLookup {
  public:
    uintptr_t windowAt(int32_t x, int32_t y) override;
    uintptr_t topLevelOf(uintptr_t window) override;
    uintptr_t focusWindow() override;
    bool windowRect(uintptr_t window, ScreenRect& rect) override;
    bool visibleFrame(uintptr_t window, ScreenRect& rect) override;
    uintptr_t monitorOf(uintptr_t window) override;
    uint32_t processOf(uintptr_t window) override;
    std::wstring_view className(uintptr_t window, std::span<wchar_t> buffer) override;
    uintptr_t nextChildOfClass(uintptr_t parent, uintptr_t after,
                               const wchar_t* className) override;
    std::wstring_view imagePath(uint32_t processId, std::span<wchar_t> buffer) override;
};

// While it lives, the thread sees window and monitor rectangles in physical pixels, as the
// hook's points are, on every monitor at any scale (Windows 10 from version 1607; elsewhere
// nothing changes).
class PhysicalCoordinates {
  public:
    PhysicalCoordinates();
    ~PhysicalCoordinates();
    PhysicalCoordinates(const PhysicalCoordinates&) = delete;
    PhysicalCoordinates& operator=(const PhysicalCoordinates&) = delete;

  private:
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

// Makes the calling thread per-monitor aware for good; false where Windows cannot.
bool usePhysicalCoordinatesOnThisThread();
