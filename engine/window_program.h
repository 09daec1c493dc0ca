#pragma once

#include "engine/movement_watch.h"
#include "engine/program_rules.h"
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
    // The window at a point in physical pixels, as the hook's points are at any display scale:
    // a child window (a pane, a list) where there is one; 0 for none.
    virtual uintptr_t windowAt(int32_t x, int32_t y) = 0;
    // The top-level window a window belongs to (itself for a top-level one).
    virtual uintptr_t topLevelOf(uintptr_t window) = 0;
    // The keyboard focus of the thread in front, or its active window where nothing has the
    // focus; 0 for none.
    virtual uintptr_t focusWindow() = 0;
    // The window's rectangle, and a top-level window's visible frame without the invisible
    // resize borders; false where they cannot be read.
    virtual bool windowRect(uintptr_t window, ScreenRect& rect) = 0;
    virtual bool visibleFrame(uintptr_t window, ScreenRect& rect) = 0;
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

// The routing SPI_GETMOUSEWHEELROUTING gave; where the call failed (Windows before 10, Wine) or
// gave an unknown value, the window under the pointer, as Windows 10 and later do by default.
int32_t wheelRoutingOf(bool read, uint32_t value);

// The window that receives a notch at a point, as Windows routes the wheel (WHEEL_ROUTING_*):
// the window under the pointer, the focus window, or under hybrid routing the focus window
// unless the pointer is over a Store app.
struct WheelTarget {
    uintptr_t window = 0;
    uintptr_t topLevel = 0;
    bool followsPointer = true;
};
WheelTarget wheelTargetAt(DesktopLookup& desktop, int32_t routing, int32_t x, int32_t y);

// Where the pointer may go while the target keeps the wheel: a child window's rectangle, a
// top-level window's visible frame (its invisible resize borders overlap a snapped neighbour
// and reach onto the next monitor). False where neither can be read.
bool movementAreaOf(DesktopLookup& desktop, const WheelTarget& target, ScreenRect& area);

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

// The shell's own windows, by their class, and its host processes, by file name.
bool isShellWindowClass(std::wstring_view className);
bool isShellProgram(std::wstring_view fileName);

struct WindowShape {
    ScreenRect window;
    ScreenRect monitor; // the whole monitor the window is on, not its work area
    bool caption;
};

// As the shell counts it: a window without a caption over its whole monitor, maximized or not
// (a game, a kiosk, a browser's or a player's full-screen mode; some go full screen by
// maximizing a pop-up window). A captioned maximized window reaches past its monitor by its
// invisible resize borders, and covers it where no taskbar takes a part: it is still an
// ordinary window.
bool isFullScreenWindow(const WindowShape& shape);

// The setting for a notch aimed at `target`: PROGRAM_OFF on the monitor of a full-screen
// program (`pausedMonitor`), else what `settingOf(topLevel, processId)` gives its top-level
// window, asked once per window and process.
template <typename SettingOf>
int32_t notchSettingFor(DesktopLookup& desktop, TargetCache& cache, const WheelTarget& target,
                        uintptr_t pausedMonitor, SettingOf settingOf) {
    const uintptr_t window = target.topLevel;
    if (pausedForFullScreen(pausedMonitor, window,
                            [&desktop](uintptr_t w) { return desktop.monitorOf(w); })) {
        return PROGRAM_OFF;
    }
    if (window == 0) {
        return PROGRAM_LIKE_EVERYWHERE;
    }
    const uint32_t processId = desktop.processOf(window);
    return cachedTargetSetting(cache, window, processId,
                               [&] { return settingOf(window, processId); });
}

// The setting of the program in a top-level window of `windowProcess`: untouched for a program
// that outranks us (`outranksUs(processId)`: Windows would drop our events, reversed ones too),
// else what the rules give it. A Store app's frame hands the notch on to the app in it; as lists
// from before apps could be told apart hold the frame host, its name counts for off as well. A
// frame seen without its app (as it is restored) is not kept: the app's own setting holds at
// the next notch. Our own windows follow the window's profile.
template <typename OutranksUs>
ProgramVerdict programSettingIn(DesktopLookup& desktop, ProgramNameReader& names,
                                const ProgramRules* rules, uint32_t ownProcessId,
                                uintptr_t window, uint32_t windowProcess, OutranksUs outranksUs) {
    const uint32_t app = programProcessOf(desktop, window);
    const bool lasting = app != 0;
    const uint32_t program = app != 0 ? app : windowProcess;
    if (program == ownProcessId) {
        return {PROGRAM_LIKE_EVERYWHERE, lasting};
    }
    if (outranksUs(program)) {
        return {PROGRAM_UNTOUCHED, lasting};
    }
    if (!rules) {
        return {PROGRAM_LIKE_EVERYWHERE, lasting};
    }
    const int32_t setting = rules->settingOf(names.fileNameOf(desktop, program));
    if (setting != PROGRAM_OFF && program != windowProcess &&
        rules->excluded.excludes(names.fileNameOf(desktop, windowProcess))) {
        return {PROGRAM_OFF, lasting};
    }
    return {setting, lasting};
}
