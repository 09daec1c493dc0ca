#pragma once

#include "engine/animator.h"
#include "engine/engine_state.h"

#include <cstdint>
#include <string>
#include <vector>

// Counts what the engine posts and calls through its UI seam; one set per test.
struct UiRecorder {
    static inline int posts = 0;
    static inline int saves = 0;
    static inline bool saveSucceeds = true;
    static inline std::vector<std::string> calls;

    static void reset() {
        posts = 0;
        saves = 0;
        saveSucceeds = true;
        calls.clear();
    }

    static void connect(EngineState& state) {
        static int window = 0;
        reset();
        state.mainWindow = &window;
        state.ui.postStateChanged = [](void*) {
            ++posts;
            calls.push_back("post");
        };
        state.ui.moveSliders = [](const ScrollParameters&) { calls.push_back("sliders"); };
        state.ui.updateParameterLine = [] { calls.push_back("parameterLine"); };
        state.ui.saveSettings = [] {
            ++saves;
            calls.push_back("save");
            return saveSucceeds;
        };
    }
};

struct InjectedEvent {
    int64_t ms;
    int32_t amount;
    bool operator==(const InjectedEvent&) const = default;
};

// A clock that only moves when told to (or when slept on), and an injector that records.
class FakePlatform final : public AnimatorPlatform {
  public:
    int64_t now = 0;
    bool injectionFails = false;
    bool timerResolutionAvailable = true;
    int timerLowered = 0;
    int injectAttempts = 0;
    std::vector<uint32_t> sleeps;
    std::vector<InjectedEvent> injected;
    // Raised after this many sleeps, to end runAnimator; negative: never.
    int stopAfterSleeps = -1;
    EngineState* stopTarget = nullptr;

    int64_t nowNs() override { return now; }
    void sleepMs(uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += int64_t{milliseconds} * 1'000'000;
        if (stopTarget && int(sleeps.size()) == stopAfterSleeps) {
            stopTarget->stopRequested = true;
        }
    }
    bool injectWheel(int32_t amount) override {
        ++injectAttempts;
        if (injectionFails) {
            return false;
        }
        injected.push_back({now / 1'000'000, amount});
        return true;
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
