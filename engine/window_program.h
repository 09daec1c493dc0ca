#pragma once

#include "engine/excluded_programs.h"
#include "engine/wheel_filter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Which program a window belongs to as the user sees it, and whether it is a full-screen
// program: questions the hook asks of the window under the pointer and the refresh timer of
// the window in front.

// A path may be this long with its terminator (the \\?\ form), far beyond MAX_PATH.
inline constexpr size_t LONGEST_PATH = 32768;
inline constexpr size_t CLASS_NAME_CAPACITY = 257;

// Store apps: the top-level window is a frame of the host process, the app's own process owns
// its content, a child window of the frame.
inline constexpr wchar_t STORE_APP_FRAME_CLASS[] = L"ApplicationFrameWindow";
inline constexpr wchar_t STORE_APP_CONTENT_CLASS[] = L"Windows.UI.Core.CoreWindow";

// What the engine asks of the desktop's windows; the Win32 layer answers with user32 and
// kernel32. Windows and processes are plain numbers here.
class DesktopLookup {
  public:
    virtual ~DesktopLookup() = default;
    // The top-level window at a point in physical pixels, as the hook's points are at any
    // display scale; 0 for none.
    virtual uintptr_t topLevelAt(int32_t x, int32_t y) = 0;
    // The monitor (its handle) that a window is on.
    virtual uintptr_t monitorOf(uintptr_t window) = 0;
    virtual uint32_t processOf(uintptr_t window) = 0;
    // The window's class name in `buffer`; empty when it cannot be read.
    virtual std::wstring_view className(uintptr_t window, std::span<wchar_t> buffer) = 0;
    // The child of `parent` after `after` (0: the first) of the class; 0 when there is none.
    virtual uintptr_t nextChildOfClass(uintptr_t parent, uintptr_t after,
                                       const wchar_t* className) = 0;
    // The full path of the process's program file in `buffer`; empty when it cannot be read
    // whole (a buffer too small for it included).
    virtual std::wstring_view imagePath(uint32_t processId, std::span<wchar_t> buffer) = 0;
};

// The process whose program shows in a top-level window: for a Store app's frame, the app in
// it; 0 for a frame whose app is gone (suspended, or closing).
uint32_t programProcessOf(DesktopLookup& lookup, uintptr_t topLevel);

// Reads program file names without allocating, so that the hook can use it; one per thread.
class ProgramNameReader {
  public:
    // The file name ("game.exe") of the process's program; empty when it cannot be read.
    std::wstring_view fileNameOf(DesktopLookup& lookup, uint32_t processId);
    // The file name of the program in a top-level window, or empty for the shell (taskbar,
    // Start, search, the notification flyouts, task switching, the desktop) and for a window
    // whose program cannot be told: none of them is a program the user could mean.
    std::wstring_view programInFront(DesktopLookup& lookup, uintptr_t topLevel);

  private:
    std::array<wchar_t, LONGEST_PATH> path_{};
    std::array<wchar_t, CLASS_NAME_CAPACITY> className_{};
};

// Whether the list keeps the effect out of `program`, the process whose program a notch reaches
// (programProcessOf) in a top-level window of `windowProcess`. For a Store app the frame host's
// own name counts as well: lists from before apps could be told apart may hold it.
bool excludesProgram(const ExcludedPrograms& programs, DesktopLookup& lookup,
                     ProgramNameReader& names, uint32_t program, uint32_t windowProcess);

// The shell's own windows, by their class, and its host processes, by file name.
bool isShellWindowClass(std::wstring_view className);
bool isShellProgram(std::wstring_view fileName);

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct WindowShape {
    ScreenRect window;
    ScreenRect monitor; // the whole monitor the window is on, not its work area
    bool maximized;
    bool caption;
    bool sizingFrame;
};

// As the shell counts it: a window over its whole monitor that is not maximized and has neither
// caption nor sizing frame (a game, a browser's or a player's full-screen mode). A maximized
// window reaches past its monitor by its invisible resize borders, and covers it where no
// taskbar takes a part: it is still an ordinary window.
bool isFullScreenWindow(const WindowShape& shape);

// Whether a notch at the hook's point (physical pixels) may be smoothed: not on the monitor of a
// full-screen program (`pausedMonitor`), and not for a window that `passesThrough(window,
// processId)` keeps out, asked once per window and process.
template <typename PassesThrough>
bool notchTakesSmoothing(DesktopLookup& desktop, TargetCache& cache, int32_t x, int32_t y,
                         uintptr_t pausedMonitor, PassesThrough passesThrough) {
    const uintptr_t window = desktop.topLevelAt(x, y);
    if (pausedForFullScreen(pausedMonitor, window,
                            [&desktop](uintptr_t w) { return desktop.monitorOf(w); })) {
        return false;
    }
    if (window == 0) {
        return true;
    }
    const uint32_t processId = desktop.processOf(window);
    return targetTakesSmoothing(cache, window, processId,
                                [&] { return passesThrough(window, processId); });
}

// A notch passes through whole to a program that outranks us (`outranksUs(processId)`: Windows
// would drop our events) or that the user excluded. A Store app's frame hands the notch on to
// the app in it. Our own windows always take it.
template <typename OutranksUs>
bool notchPassesThrough(DesktopLookup& desktop, ProgramNameReader& names,
                        const ExcludedPrograms* exclusions, uint32_t ownProcessId, uintptr_t window,
                        uint32_t windowProcess, OutranksUs outranksUs) {
    const uint32_t app = programProcessOf(desktop, window);
    const uint32_t program = app != 0 ? app : windowProcess;
    if (program == ownProcessId) {
        return false;
    }
    return outranksUs(program) ||
           (exclusions && excludesProgram(*exclusions, desktop, names, program, windowProcess));
}
