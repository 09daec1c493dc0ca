#include "engine/excluded_programs.h"
#include "engine/window_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

namespace {

struct FakeWindow {
    std::wstring className;
    uint32_t process;
    uintptr_t parent = 0;
    ScreenRect rect{}; // physical pixels
    uintptr_t monitor = 1;
    ScreenRect frame{}; // the visible frame of a top-level window; none where empty
};

// Answers as user32 and kernel32 do: a class name is cut to the buffer, children come in handle
// order, and a path that does not fit with its terminator is not read at all.
class FakeDesktop final : public DesktopLookup {
  public:
    std::map<uintptr_t, FakeWindow> windows;
    std::map<uint32_t, std::wstring> paths;

    uintptr_t focus = 0;

    // The windows in handle order stand for the Z order, the first on top; WindowFromPoint
    // gives the child under the point where there is one.
    uintptr_t windowAt(int32_t x, int32_t y) override {
        uintptr_t found = 0;
        for (const auto& [window, w] : windows) {
            if (w.parent == found && x >= w.rect.left && x < w.rect.right && y >= w.rect.top &&
                y < w.rect.bottom) {
                found = window;
            }
        }
        return found;
    }
    uintptr_t topLevelOf(uintptr_t window) override {
        return windows.at(window).parent ? topLevelOf(windows.at(window).parent) : window;
    }
    uintptr_t focusWindow() override { return focus; }
    bool windowRect(uintptr_t window, ScreenRect& rect) override {
        return rect = windows.at(window).rect, true;
    }
    bool visibleFrame(uintptr_t window, ScreenRect& rect) override {
        rect = windows.at(window).frame;
        return rect.right > rect.left;
    }
    uintptr_t monitorOf(uintptr_t window) override { return windows.at(window).monitor; }
    uint32_t processOf(uintptr_t window) override {
        return windows.count(window) ? windows[window].process : 0;
    }
    std::wstring_view className(uintptr_t window, std::span<wchar_t> buffer) override {
        return windows.count(window) ? copy(windows[window].className, buffer, true) : L"";
    }
    uintptr_t nextChildOfClass(uintptr_t parent, uintptr_t after, const wchar_t* name) override {
        for (auto it = windows.upper_bound(after); it != windows.end(); ++it) {
            if (it->second.parent == parent && it->second.className == name) {
                return it->first;
            }
        }
        return 0;
    }
    std::wstring_view imagePath(uint32_t processId, std::span<wchar_t> buffer) override {
        return paths.count(processId) ? copy(paths[processId], buffer, false) : L"";
    }

  private:
    static std::wstring_view copy(const std::wstring& text, std::span<wchar_t> buffer, bool cut) {
        if (text.size() >= buffer.size() && !cut) {
            return {};
        }
        const size_t length = std::min(text.size(), buffer.size() - 1);
        std::copy_n(text.begin(), length, buffer.begin());
        return {buffer.data(), length};
    }
};

const std::wstring systemApps = L"C:\\Windows\\SystemApps\\";
const std::wstring windowsApps = L"C:\\Program Files\\WindowsApps\\";
// A program more than MAX_PATH deep.
const std::wstring deepFolder = L"D:\\" + std::wstring(300, L'd') + L"\\";

// Windows as Windows 10 and 11 make them; the processes by their real file names.
FakeDesktop realDesktop() {
    FakeDesktop desktop;
    desktop.paths = {
        {1, L"C:\\Windows\\explorer.exe"},
        {2, L"C:\\Windows\\System32\\notepad.exe"},
        {3, L"C:\\Windows\\System32\\ApplicationFrameHost.exe"},
        {4, windowsApps + L"Microsoft.WindowsCalculator_8wekyb3d8bbwe\\CalculatorApp.exe"},
        {5, windowsApps + L"Microsoft.Windows.Photos_8wekyb3d8bbwe\\Photos.exe"},
        {6, systemApps + L"Microsoft.Windows.StartMenuExperienceHost\\StartMenuExperienceHost.exe"},
        {7, systemApps + L"MicrosoftWindows.Client.CBS_cw5n1h2txyewy\\SearchHost.exe"},
        {8, systemApps + L"Microsoft.Windows.Search_cw5n1h2txyewy\\SearchApp.exe"},
        {9, systemApps + L"ShellExperienceHost_cw5n1h2txyewy\\ShellExperienceHost.exe"},
        {10, deepFolder + L"Editor.exe"},
    };
    desktop.windows = {
        {0x100, {L"Notepad", 2}},
        {0x110, {L"CabinetWClass", 1}},
        {0x120, {L"Shell_TrayWnd", 1}},
        {0x121, {L"Shell_SecondaryTrayWnd", 1}},
        {0x122, {L"TopLevelWindowForOverflowXamlIsland", 1}},
        {0x123, {L"XamlExplorerHostIslandWindow", 1}},
        {0x124, {L"MultitaskingViewFrame", 1}},
        {0x125, {L"WorkerW", 1}},
        {0x126, {L"#32771", 1}}, // classic Alt+Tab
        {0x130, {L"Windows.UI.Core.CoreWindow", 6}},
        {0x131, {L"Windows.UI.Core.CoreWindow", 7}},
        {0x132, {L"Windows.UI.Core.CoreWindow", 8}},
        {0x133, {L"Windows.UI.Core.CoreWindow", 9}},
        // Calculator: the frame's own title bar comes first among its children.
        {0x200, {L"ApplicationFrameWindow", 3}},
        {0x201, {L"ApplicationFrameTitleBarWindow", 3, 0x200}},
        {0x202, {L"Windows.UI.Core.CoreWindow", 4, 0x200}},
        // Photos, and a frame whose app is suspended: its content has left the frame.
        {0x300, {L"ApplicationFrameWindow", 3}},
        {0x301, {L"Windows.UI.Core.CoreWindow", 5, 0x300}},
        {0x400, {L"ApplicationFrameWindow", 3}},
        {0x500, {L"Editor", 10}},
        {0x600, {L"Unreadable", 11}},
    };
    return desktop;
}

TEST(WindowProgram, TheProgramInFrontIsNeverTheShellAndAStoreAppIsItsOwnProcess) {
    FakeDesktop desktop = realDesktop();
    ProgramNameReader reader;
    const std::pair<uintptr_t, std::wstring_view> programs[] = {
        {0x100, L"notepad.exe"}, {0x110, L"explorer.exe"}, {0x200, L"CalculatorApp.exe"},
        {0x300, L"Photos.exe"},  {0x500, L"Editor.exe"},
    };
    for (const auto& [window, program] : programs) {
        EXPECT_EQ(reader.programInFront(desktop, window), program) << std::hex << window;
    }
    // The shell, a frame without its app, a process that cannot be read, no window.
    for (const uintptr_t window :
         {0x120, 0x121, 0x122, 0x123, 0x124, 0x125, 0x126, 0x130, 0x131, 0x132, 0x133, 0x400, 0x600, 0}) {
        EXPECT_EQ(reader.programInFront(desktop, window), L"") << std::hex << window;
    }
}

// A desktop at 150 %: the hook's points and the rectangles are physical pixels, the monitor
// right of the primary one shows a full-screen game. A notch gets the setting of the window
// Windows sends the wheel to: under pointer routing the one at the point itself (the logical
// point, two thirds of it, would be another window), under focus routing the focus window
// wherever the pointer is, under hybrid routing the focus window but for a Store app under the
// pointer. Where the routing cannot be read, Windows 10's default: the pointer.
TEST(WindowProgram, ANotchGetsTheSettingOfTheWindowThatReceivesTheWheel) {
    FakeDesktop desktop = realDesktop();
    desktop.windows.at(0x100).rect = {0, 0, 1200, 1200};       // notepad
    desktop.windows.at(0x500).rect = {1200, 0, 2400, 1200};    // an excluded editor
    desktop.windows.at(0x200).rect = {0, 1200, 1200, 2160};    // Calculator, excluded
    desktop.windows.at(0x300).rect = {1200, 1200, 2400, 2160}; // Photos, Fast
    desktop.windows[0x700] = {L"UnrealWindow", 12, 0, {3840, 0, 5760, 1080}, 2};
    desktop.windows[0x800] = {L"RegEdit_RegEdit", 13, 0, {2400, 0, 3840, 2160}};
    desktop.windows[0x801] = {L"SysTreeView32", 13, 0x800, {2400, 0, 3000, 2160}};
    ProgramRules rules;
    setProgramSetting(rules, L"Editor.exe", PROGRAM_OFF);
    setProgramSetting(rules, L"calculatorapp.exe", PROGRAM_OFF);
    setProgramSetting(rules, L"PHOTOS.EXE", IDM_PROFILE_FAST);
    ProgramNameReader reader;
    TargetCache cache;
    int32_t routing = wheelRoutingOf(false, WHEEL_ROUTING_FOCUS);
    const auto settingAt = [&](int32_t x, int32_t y, uintptr_t pausedMonitor = 0) {
        return notchSettingFor(desktop, cache, wheelTargetAt(desktop, routing, x, y),
                               pausedMonitor, [&](uintptr_t target, uint32_t processId) {
                                   return programSettingIn(
                                       desktop, reader, &rules, 99, target, processId,
                                       [](uint32_t process) { return process == 13; });
                               });
    };
    EXPECT_EQ(settingAt(600, 600), PROGRAM_LIKE_EVERYWHERE);
    EXPECT_EQ(settingAt(1500, 600), PROGRAM_OFF);
    EXPECT_EQ(settingAt(600, 1500), PROGRAM_OFF);
    EXPECT_EQ(settingAt(1500, 1500), IDM_PROFILE_FAST);
    EXPECT_EQ(settingAt(2500, 600), PROGRAM_UNTOUCHED); // an elevated window's pane
    EXPECT_EQ(settingAt(4000, 500, 2), PROGRAM_OFF);
    EXPECT_EQ(settingAt(600, 600, 2), PROGRAM_LIKE_EVERYWHERE);
    // The excluded editor has the focus.
    desktop.focus = 0x500;
    for (const auto& [read, value, overNotepad, overPhotos] :
         {std::tuple{true, 0u, PROGRAM_OFF, PROGRAM_OFF},
          {true, 1u, PROGRAM_OFF, IDM_PROFILE_FAST},
          {true, 2u, PROGRAM_LIKE_EVERYWHERE, IDM_PROFILE_FAST},
          {true, 7u, PROGRAM_LIKE_EVERYWHERE, IDM_PROFILE_FAST},
          {false, 0u, PROGRAM_LIKE_EVERYWHERE, IDM_PROFILE_FAST}}) {
        routing = wheelRoutingOf(read, value);
        EXPECT_EQ(settingAt(600, 600), overNotepad) << read << value;
        EXPECT_EQ(settingAt(1500, 1500), overPhotos) << read << value;
        // A movement follows the pointer only where the wheel does.
        EXPECT_EQ(wheelTargetAt(desktop, routing, 600, 600).followsPointer,
                  overNotepad != PROGRAM_OFF);
    }
    // A frame seen without its app, as it is restored, is judged again at the next notch.
    routing = WHEEL_ROUTING_POINTER;
    desktop.windows.at(0x400).rect = {0, 2160, 1200, 2400};
    EXPECT_EQ(settingAt(600, 2200), PROGRAM_LIKE_EVERYWHERE);
    desktop.windows[0x401] = {L"Windows.UI.Core.CoreWindow", 5, 0x400};
    EXPECT_EQ(settingAt(600, 2200), IDM_PROFILE_FAST);
}

// A list from before Store apps could be told apart holds the frame host: every app stays out.
TEST(WindowProgram, AListHoldingTheFrameHostKeepsEveryStoreAppOut) {
    FakeDesktop desktop = realDesktop();
    ProgramNameReader reader;
    ProgramRules rules;
    setProgramSetting(rules, L"ApplicationFrameHost.exe", PROGRAM_OFF);
    setProgramSetting(rules, L"Photos.exe", IDM_PROFILE_SOFT);
    const auto settingIn = [&](uintptr_t window) {
        return programSettingIn(desktop, reader, &rules, 99, window, desktop.processOf(window),
                                [](uint32_t) { return false; })
            .setting;
    };
    EXPECT_EQ(settingIn(0x200), PROGRAM_OFF);
    EXPECT_EQ(settingIn(0x300), PROGRAM_OFF);
    EXPECT_EQ(settingIn(0x100), PROGRAM_LIKE_EVERYWHERE);
}

// A movement belongs to its window: leaving it or pressing a button ends it, once; once its
// pulse is over (and what the per-event limit held back), the pointer may go anywhere.
TEST(WindowProgram, AMovementEndsWhenThePointerLeavesItsWindowOrAButtonGoesDown) {
    constexpr uintptr_t move = 0x200, leftDown = 0x201, leftUp = 0x202;
    const struct {
        uintptr_t message;
        int32_t x, y;
        uint32_t ms;
        bool ends;
    } events[] = {
        {move, 300, 200, 10, false}, {move, 100, 399, 20, false},    {move, 500, 200, 30, true},
        {move, 300, 99, 30, true},   {leftDown, 300, 200, 30, true}, {0x204, 300, 200, 30, true},
        {0x207, 300, 200, 30, true}, {0x20B, 300, 200, 30, true},    {leftUp, 300, 200, 30, false},
        {move, 600, 200, 440, true}, {move, 600, 200, 441, false},
    };
    for (const auto& event : events) {
        MovementWatch watch;
        noteMovement(watch, {0x100, {100, 100, 500, 400}, true, 0}, 4'294'967'000u, 240);
        const uint32_t at = 4'294'967'000u + event.ms; // the 32-bit time wraps meanwhile
        EXPECT_EQ(endsMovement(watch, event.message, event.x, event.y, at), event.ends)
            << std::hex << event.message << std::dec << " " << event.x << "," << event.y;
        EXPECT_FALSE(event.ends && endsMovement(watch, leftDown, 300, 200, at)) << "ends once";
    }
}

// Under focus routing the wheel stays with the focus wherever the pointer goes: only a button
// or the focus moving to another window ends the movement. A modifier pressed after the last
// notch ends it (the rest would zoom or scroll sideways); the Shift that turned the notch
// sideways, held at the notch, does not. Each side of a key counts on its own.
TEST(WindowProgram, AMovementUnderFocusRoutingEndsWithTheFocusAndAnyMovementWithANewModifier) {
    MovementWatch watch;
    noteMovement(watch, {0x100, {}, false, 0}, 1000, 240);
    EXPECT_FALSE(endsMovement(watch, MOUSE_MESSAGE_MOVE, 3000, -50, 1010));
    EXPECT_FALSE(focusEndsMovement(watch, 0x100, 1020));
    EXPECT_TRUE(focusEndsMovement(watch, 0x200, 1030));
    noteMovement(watch, {0x100, {0, 0, 100, 100}, true, 0}, 1000, 240);
    EXPECT_FALSE(focusEndsMovement(watch, 0x200, 1030)) << "the pointer's window keeps it";

    ModifierKeys keys;
    EXPECT_EQ(noteModifierKey(keys, 0xA0, true), MODIFIER_SHIFT); // left Shift
    EXPECT_EQ(noteModifierKey(keys, 0xA1, true), MODIFIER_SHIFT); // right Shift
    EXPECT_EQ(noteModifierKey(keys, 0xA0, false), MODIFIER_SHIFT);
    EXPECT_EQ(noteModifierKey(keys, 0x41, true), MODIFIER_SHIFT); // A
    EXPECT_EQ(noteModifierKey(keys, 0xA3, true), MODIFIER_SHIFT | MODIFIER_CTRL);
    EXPECT_EQ(noteModifierKey(keys, 0xA1, false), MODIFIER_CTRL);
    resetModifierKeys(keys, MODIFIER_CTRL); // a reading at a notch keeps the right Ctrl the one
    EXPECT_EQ(noteModifierKey(keys, 0xA3, false), 0);
    EXPECT_EQ(resetModifierKeys(keys, MODIFIER_ALT), MODIFIER_ALT); // read at a notch
    EXPECT_EQ(noteModifierKey(keys, 0x12, false), 0);
    resetModifierKeys(keys, MODIFIER_CTRL | MODIFIER_SHIFT);
    EXPECT_EQ(noteModifierKey(keys, 0xA0, false), MODIFIER_CTRL);

    for (const auto& [atNotch, held, ends] :
         {std::tuple{uint8_t{0}, MODIFIER_SHIFT, true}, {0, MODIFIER_CTRL, true},
          {0, MODIFIER_ALT, true}, {0, 0, false}, {MODIFIER_SHIFT, MODIFIER_SHIFT, false},
          {MODIFIER_SHIFT, MODIFIER_SHIFT | MODIFIER_CTRL, true}}) {
        noteMovement(watch, {0x100, {0, 0, 100, 100}, true, atNotch}, 1000, 240);
        EXPECT_EQ(keysEndMovement(watch, held, 1100), ends) << int(atNotch) << " " << int(held);
        EXPECT_FALSE(keysEndMovement(watch, MODIFIER_ALT, 1500)) << "the movement is over";
    }
}

// The movement's window is the one that receives the wheel: the pane under the pointer, or a
// top-level window's visible frame. A maximized window's resize borders reach 8 px onto the
// monitor right of it, a snapped window's overlap its neighbour: the pointer there has left.
TEST(WindowProgram, TheMovementsAreaIsThePaneOrTheVisibleFrame) {
    FakeDesktop desktop = realDesktop();
    desktop.windows.at(0x110).rect = {-8, -8, 1928, 1048}; // Explorer, maximized
    desktop.windows.at(0x110).frame = {0, 0, 1920, 1040};
    desktop.windows[0x111] = {L"SysTreeView32", 1, 0x110, {0, 100, 400, 1040}};
    desktop.windows[0x112] = {L"DirectUIHWND", 1, 0x110, {400, 100, 1920, 1040}};
    desktop.windows.at(0x100).rect = {1913, 0, 2887, 1047}; // notepad snapped beside
    const auto areaAt = [&](int32_t x, int32_t y) {
        ScreenRect area{};
        EXPECT_TRUE(movementAreaOf(desktop, wheelTargetAt(desktop, WHEEL_ROUTING_POINTER, x, y),
                                   area));
        return std::tuple{area.left, area.top, area.right, area.bottom};
    };
    EXPECT_EQ(areaAt(200, 500), std::tuple(0, 100, 400, 1040));
    EXPECT_EQ(areaAt(1000, 500), std::tuple(400, 100, 1920, 1040));
    EXPECT_EQ(areaAt(900, 50), std::tuple(0, 0, 1920, 1040));
    EXPECT_EQ(areaAt(2000, 500), std::tuple(1913, 0, 2887, 1047)) << "no frame: the rectangle";

    MovementWatch watch;
    noteMovement(watch, {0x111, {0, 100, 400, 1040}, true, 0}, 0, 240);
    EXPECT_TRUE(endsMovement(watch, MOUSE_MESSAGE_MOVE, 400, 500, 10)) << "into the next pane";
    noteMovement(watch, {0x110, {0, 0, 1920, 1040}, true, 0}, 0, 240);
    EXPECT_TRUE(endsMovement(watch, MOUSE_MESSAGE_MOVE, 1923, 500, 10)) << "onto the neighbour";
}

// Rectangles as GetWindowRect gives them in physical pixels: a maximized window reaches past
// the work area by its resize borders, 8 px at 100 % and 12 px at 150 %. Without a caption,
// maximized or not, a window over its whole monitor is full screen.
TEST(WindowProgram, OnlyAWindowWithoutCaptionOverItsWholeMonitorIsFullScreen) {
    const ScreenRect hd{0, 0, 1920, 1080};
    const ScreenRect qhd{0, 0, 2560, 1440};
    const ScreenRect leftOfPrimary{-1920, 0, 0, 1080};
    const ScreenRect bordersOut{-8, -8, 1928, 1088};
    const std::pair<WindowShape, bool> cases[] = {
        {{bordersOut, hd, true}, false},                 // maximized, no taskbar, 100 %
        {{{-12, -12, 2572, 1452}, qhd, true}, false},    // the same at 150 %
        {{{-8, -8, 1928, 1040}, hd, false}, false},      // a frameless window above a taskbar
        {{{-3, -3, 1923, 1083}, hd, true}, false},       // a fixed-size dialog
        {{hd, hd, false}, true},                         // a borderless game, or maximized pop-up
        {{bordersOut, hd, false}, true},                 // maximized with a sizing frame only
        {{leftOfPrimary, leftOfPrimary, false}, true},   // F11 left of the primary
        {{{0, 0, 1920, 1079}, hd, false}, false},        // one pixel short
        {{hd, leftOfPrimary, false}, false},             // on another monitor
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(isFullScreenWindow(cases[i].first), cases[i].second) << i;
    }
}

} // namespace
