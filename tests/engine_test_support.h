#pragma once

#include "engine/animator.h"
#include "engine/engine_state.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

// Counts what the engine posts and saves through its UI seam; reset by connect().
struct UiRecorder {
    static inline int posts = 0;
    static inline int saves = 0;
    static inline int sliderMoves = 0;
    static inline bool saveSucceeds = true;
    static inline int wakes = 0;

    static void connect(EngineState& state) {
        static int window = 0;
        posts = saves = sliderMoves = wakes = 0;
        saveSucceeds = true;
        state.mainWindow = &window;
        state.ui.postStateChanged = [](void*) { ++posts; };
        state.ui.moveSliders = [](const ScrollParameters&) { ++sliderMoves; };
        state.ui.saveSettings = [] { return ++saves, saveSucceeds; };
        state.ui.wakeAnimator = [] { ++wakes; };
    }
};

struct InjectedEvent {
    int64_t ms;
    int32_t amount;
    Axis axis = AXIS_VERTICAL;
    bool operator==(const InjectedEvent&) const = default;
};

// A clock that moves only when told to or slept on, and an injector that records.
class FakePlatform final : public AnimatorPlatform {
  public:
    int64_t now = 0;
    bool injectionFails = false;
    bool injectionWorks = true;
    bool timerResolutionAvailable = true;
    int timerRaised = 0;
    int timerLowered = 0;
    int injectAttempts = 0;
    std::vector<int64_t> sleeps;
    std::vector<InjectedEvent> injected;
    // Stops runAnimator after this many sleeps, or at a wait without a limit that nothing ends.
    EngineState* stopTarget = nullptr;
    size_t stopAfterSleeps = 0;
    // Each wait for a wake: the clock then and the timeout. `duringWait` may give the animator
    // work; a wake through UiRecorder, then or before, ends the wait at once.
    std::vector<std::pair<int64_t, int64_t>> waits;
    std::function<void(size_t wait)> duringWait;
    int wakesTaken = 0;

    int64_t nowNs() override { return now; }
    void sleepNs(int64_t nanoseconds) override {
        sleeps.push_back(nanoseconds);
        now += nanoseconds;
        if (stopTarget && sleeps.size() == stopAfterSleeps) {
            stopTarget->stopRequested = true;
        }
    }
    bool waitForWake(int64_t timeoutNs) override {
        waits.emplace_back(now, timeoutNs);
        if (duringWait) {
            duringWait(waits.size());
        }
        if (std::exchange(wakesTaken, UiRecorder::wakes) < UiRecorder::wakes) {
            return true;
        }
        if (timeoutNs >= 0) {
            now += timeoutNs;
            return false;
        }
        stopTarget->stopRequested = true;
        return true;
    }
    bool injectWheel(int32_t amount, Axis axis) override {
        ++injectAttempts;
        if (!injectionFails) {
            injected.push_back({now / 1'000'000, amount, axis});
        }
        return !injectionFails;
    }
    bool injectionCanWork() override { return injectionWorks; }
    bool raiseTimerResolution() override {
        timerRaised += timerResolutionAvailable;
        return timerResolutionAvailable;
    }
    void lowerTimerResolution() override { ++timerLowered; }

    int64_t sum() const {
        int64_t total = 0;
        for (const auto& event : injected) {
            total += event.amount;
        }
        return total;
    }
};
