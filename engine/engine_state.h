#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// Profile ids; the same numbers are the tray menu's profile commands and the stored "Profile".
inline constexpr int32_t IDM_PROFILE_SOFT = 1201;
inline constexpr int32_t IDM_PROFILE_BALANCED = 1202;
inline constexpr int32_t IDM_PROFILE_FAST = 1203;
inline constexpr int32_t IDM_PROFILE_CUSTOM = 1204;

// What a program has of its own: nothing (it follows the profile chosen in the window), the
// effect off, or one of the profile ids. PROGRAM_UNTOUCHED is no setting but a verdict: a notch
// that must reach its window exactly as it came (Windows would drop what we send there, or a
// key held with it makes programs zoom).
inline constexpr int32_t PROGRAM_LIKE_EVERYWHERE = 0;
inline constexpr int32_t PROGRAM_OFF = 1;
inline constexpr int32_t PROGRAM_UNTOUCHED = 2;

// Where Windows sends the wheel, as SPI_GETMOUSEWHEELROUTING gives it: the focus window, the
// focus window but for Store apps under the pointer, or the window under the pointer (the
// default since Windows 10, and what a system that cannot say does).
inline constexpr int32_t WHEEL_ROUTING_FOCUS = 0;
inline constexpr int32_t WHEEL_ROUTING_HYBRID = 1;
inline constexpr int32_t WHEEL_ROUTING_POINTER = 2;

// The two wheel axes; each has its own pending amount, pulses, rest and direction.
enum Axis : int { AXIS_VERTICAL = 0, AXIS_HORIZONTAL = 1 };
inline constexpr int AXES = 2;

// WM_APP is 0x8000 on every Windows; the core cannot include <windows.h> to get it.
inline constexpr uint32_t ENGINE_WM_APP = 0x8000;
inline constexpr uint32_t WM_ENGINE_STATE_CHANGED = ENGINE_WM_APP + 3;
inline constexpr uint32_t WM_HOOK_THREAD_STOP = ENGINE_WM_APP + 21;
inline constexpr uint32_t WM_HOOK_THREAD_REINSTALL = ENGINE_WM_APP + 22;
inline constexpr uint32_t WM_HOOK_THREAD_RULES = ENGINE_WM_APP + 23;

struct ScrollParameters {
    int32_t stepPercent;
    int32_t maxAccelerationPercent;
    int32_t accelerationWindowMs;
    int32_t smoothDurationMs;
};

struct ParameterRange {
    int32_t min;
    int32_t max;
    bool contains(int32_t value) const { return value >= min && value <= max; }
};

inline constexpr ParameterRange stepPercentRange{60, 140};
inline constexpr ParameterRange maxAccelerationPercentRange{100, 240};
inline constexpr ParameterRange accelerationWindowMsRange{40, 180};
inline constexpr ParameterRange smoothDurationMsRange{160, 500};

bool parametersInRange(const ScrollParameters& parameters);
bool isProfileId(int32_t id);

inline constexpr ScrollParameters softParameters{100, 100, 125, 430};
inline constexpr ScrollParameters balancedParameters{100, 100, 110, 360};
inline constexpr ScrollParameters fastParameters{110, 150, 80, 240};

// What the engine needs from the window; the Win32 layer fills it in once at start-up,
// before the workers run. Every entry may stay empty (then that step does nothing).
struct EngineUi {
    void (*moveSliders)(const ScrollParameters& values) = nullptr;
    void (*updateParameterLine)() = nullptr;
    bool (*saveSettings)() = nullptr;
    // Called from any thread; must only post, never send.
    void (*postStateChanged)(void* window) = nullptr;
    // Signals the parked animator's wake event; called from any thread, the hook's included.
    void (*wakeAnimator)() = nullptr;
};

struct EngineState {
    std::atomic<int32_t> stepPercent{100};
    std::atomic<int32_t> maxAccelerationPercent{100};
    std::atomic<int32_t> accelerationWindowMs{110};
    std::atomic<int32_t> smoothDurationMs{360};

    int32_t activeProfile = IDM_PROFILE_BALANCED;
    // Written by the UI thread only; the hook reads them for a program whose own profile is
    // Custom.
    std::atomic<int32_t> customStepPercent{100};
    std::atomic<int32_t> customMaxAccelerationPercent{100};
    std::atomic<int32_t> customAccelerationWindowMs{110};
    std::atomic<int32_t> customSmoothDurationMs{360};

    std::atomic<bool> effectEnabled{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> hookInstalled{false};
    std::atomic<bool> resetRequested{false};
    // The monitor (HMONITOR) of the full-screen program in front while the rule is on, else 0;
    // set by the refresh timer.
    std::atomic<uintptr_t> fullScreenMonitor{0};
    // WHEEL_ROUTING_*: set by the UI thread at the start and when the setting changes.
    std::atomic<int32_t> wheelRouting{WHEEL_ROUTING_POINTER};
    // Up while the animator waits for work; whoever gives it work takes it down and wakes it.
    std::atomic<bool> animatorParked{false};

    // Wheel units accepted by the hook and not yet taken by the animator; within +-1920.
    std::atomic<int32_t> pendingDelta{0};
    // The pulse length of the latest notch for a program with a profile of its own; 0: the
    // window's, smoothDurationMs.
    std::atomic<int32_t> pendingDurationMs{0};
    // The same for the horizontal wheel.
    std::atomic<int32_t> pendingHorizontalDelta{0};
    std::atomic<int32_t> pendingHorizontalDurationMs{0};
    std::atomic<uint64_t> lastHorizontalNotchTick{0};
    // Reversed notches to send whole at once, per axis: where the effect is off or kept out,
    // a reversed notch still arrives the other way round. Within +-1920 like pendingDelta.
    std::array<std::atomic<int32_t>, AXES> pendingWhole{};

    // The wheel settings the hook reads: written by the UI thread.
    std::atomic<bool> smoothHorizontal{true};
    std::array<std::atomic<bool>, AXES> reversed{};
    std::atomic<bool> shiftScrollsSideways{false};
    // Tick of the previous accepted notch; 0 means none since the effect was last switched off.
    std::atomic<uint64_t> lastNotchTick{0};
    std::atomic<uint32_t> hookThreadId{0};
    // The event time (32-bit milliseconds) and the point (packPoint in hook_watch.h) of the
    // last mouse event the hook saw, and how often the hook has been put back since the start.
    std::atomic<uint32_t> lastHookEventTime{0};
    std::atomic<uint64_t> lastHookEventPoint{0};
    std::atomic<uint32_t> hookReinstalls{0};

    // Set before the workers start; they only read it.
    void* mainWindow = nullptr;
    bool settingsDirty = false;

    EngineUi ui;
};

// The one engine of the running program.
extern EngineState engine;

// An axis's pending amount, its notch's pulse length and its last notch's tick.
std::atomic<int32_t>& pendingOf(EngineState& state, Axis axis);
std::atomic<int32_t>& pendingDurationOf(EngineState& state, Axis axis);
std::atomic<uint64_t>& lastNotchTickOf(EngineState& state, Axis axis);
const std::atomic<int32_t>& pendingOf(const EngineState& state, Axis axis);
const std::atomic<int32_t>& pendingDurationOf(const EngineState& state, Axis axis);
const std::atomic<uint64_t>& lastNotchTickOf(const EngineState& state, Axis axis);

inline constexpr int32_t pendingDeltaLimit = 1920;

ScrollParameters activeParameters(const EngineState& state);
ScrollParameters customParameters(const EngineState& state);
// The values of a profile id; any other number gives the active parameters.
ScrollParameters parametersOfProfile(const EngineState& state, int32_t profile);

void applyProfile(EngineState& state, int32_t profileId, bool save);
void applyCustomValues(EngineState& state, int32_t step, int32_t maxAcceleration,
                       int32_t accelerationWindow, int32_t smoothDuration);
void turnEffectOn(EngineState& state);
void turnEffectOff(EngineState& state);
// Call after giving the animator work (a notch, a reset, a stop): wakes it if it is parked.
// Costs one atomic read when it is not.
void wakeAnimator(EngineState& state);
void requestStop(EngineState& state);
// Drops the movement in flight and what is pending, as a reset does, from any thread.
void dropMovement(EngineState& state);
