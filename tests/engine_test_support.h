#pragma once

#include "engine/animator.h"
#include "engine/engine_state.h"

#include <cstdint>
#include <vector>

// Counts what the engine posts and saves through its UI seam; reset by connect().
struct UiRecorder {
    static inline int posts = 0;
    static inline int saves = 0;
    static inline int sliderMoves = 0;
    static inline bool saveSucceeds = true;

    static void connect(EngineState& state) {
        static int window = 0;
        posts = saves = sliderMoves = 0;
        saveSucceeds = true;
        state.mainWindow = &window;
        state.ui.postStateChanged = [](void*) { ++posts; };
        state.ui.moveSliders = [](const ScrollParameters&) { ++sliderMoves; };
        state.ui.saveSettings = [] { return ++saves, saveSucceeds; };
    }
};

struct InjectedEvent {
    int64_t ms;
    int32_t amount;
    bool operator==(const InjectedEvent&) const = default;
};

// A clock that moves only when told to or slept on, and an injector that records.
class FakePlatform final : public AnimatorPlatform {
  public:
    int64_t now = 0;
    bool injectionFails = false;
    bool timerResolutionAvailable = true;
    int timerLowered = 0;
    int injectAttempts = 0;
    std::vector<uint32_t> sleeps;
    std::vector<InjectedEvent> injected;
    // Stops runAnimator after this many sleeps.
    EngineState* stopTarget = nullptr;
    size_t stopAfterSleeps = 0;

    int64_t nowNs() override { return now; }
    void sleepMs(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += int64_t{milliseconds} * 1'000'000;
        if (stopTarget && sleeps.size() == stopAfterSleeps) {
            stopTarget->stopRequested = true;
        }
    }
    bool injectWheel(int32_t amount) override {
        ++injectAttempts;
        if (!injectionFails) {
            injected.push_back({now / 1'000'000, amount});
        }
        return !injectionFails;
    }
    bool raiseTimerResolution() override { return timerResolutionAvailable; }
    void lowerTimerResolution() override { ++timerLowered; }

    int64_t sum() const {
        int64_t total = 0;
        for (const auto& event : injected) {
            total += event.amount;
        }
        return total;
    }
};
