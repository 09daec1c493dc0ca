#pragma once

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

// The shell's own windows, by their class, and its host processes, by file name.
bool isShellWindowClass(std::wstring_view className);
bool isShellProgram(std::wstring_view fileName);

struct ScreenRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The movement stays in its window: the window of its latest notch, noted by the hook. The
// pointer leaving that window or a button going down (as a touch stops a fling) ends it, so that
// no other window gets its rest. Mice report up to 8,000 times a second: a mouse event costs a
// few comparisons of the hook thread's own values, no system call.
struct MovementWatch {
    ScreenRect window{};
    uint32_t notedAt = 0;
    uint32_t lastsMs = 0; // 0: no movement to watch
};

// The mouse messages that end a movement, with the platform's values.
inline constexpr uintptr_t MOUSE_MESSAGE_MOVE = 0x200;
inline constexpr uintptr_t MOUSE_MESSAGE_BUTTONS_DOWN[] = {0x201, 0x204, 0x207, 0x20B};

// At an accepted notch: the rectangle of its top-level window (physical pixels), the event time
// (32-bit ms) and its pulse length. The movement may run that long after the last notch, and a
// little more for the rest held back by the per-event limit.
void noteMovement(MovementWatch& watch, ScreenRect window, uint32_t eventTime,
                  int32_t durationMs);
// For any other mouse event: true when it ends the movement in flight, which is then over.
bool endsMovement(MovementWatch& watch, uintptr_t message, int32_t x, int32_t y,
                  uint32_t eventTime);

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

// The setting for a notch at the hook's point (physical pixels): PROGRAM_OFF on the monitor
// of a full-screen program (`pausedMonitor`), else what `settingOf(window, processId)` gives the
// top-level window there (`window`, 0 for none), asked once per window and process.
template <typename SettingOf>
int32_t notchSettingAt(DesktopLookup& desktop, TargetCache& cache, int32_t x, int32_t y,
                       uintptr_t pausedMonitor, uintptr_t& window, SettingOf settingOf) {
    window = desktop.topLevelAt(x, y);
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
// else what the rules give it. A Store app's frame hands the notch on to the app in it; as lists from before apps
// could be told apart hold the frame host, its name counts for off as well. Our own windows
// follow the window's profile.
template <typename OutranksUs>
int32_t programSettingIn(DesktopLookup& desktop, ProgramNameReader& names,
                         const ProgramRules* rules, uint32_t ownProcessId, uintptr_t window,
                         uint32_t windowProcess, OutranksUs outranksUs) {
    const uint32_t app = programProcessOf(desktop, window);
    const uint32_t program = app != 0 ? app : windowProcess;
    if (program == ownProcessId) {
        return PROGRAM_LIKE_EVERYWHERE;
    }
    if (outranksUs(program)) {
        return PROGRAM_UNTOUCHED;
    }
    if (!rules) {
        return PROGRAM_LIKE_EVERYWHERE;
    }
    const int32_t setting = rules->settingOf(names.fileNameOf(desktop, program));
    if (setting != PROGRAM_OFF && program != windowProcess &&
        rules->excluded.excludes(names.fileNameOf(desktop, windowProcess))) {
        return PROGRAM_OFF;
    }
    return setting;
}
