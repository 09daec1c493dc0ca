// Faults injected through the seams: the injector refusing events, the timer resolution call
// failing, and the registry failing at every single step of a load, a save and a toggle of
// start with Windows. Each must end in a known state, with exactly the messages due and
// nothing injected afterwards.
#include "engine/animator.h"
#include "engine/engine_state.h"
#include "engine/wheel_filter.h"
#include "engine_test_support.h"
#include "memory_registry.h"
#include "shell/autostart.h"
#include "shell/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// The user's side of a run: at given ticks, notches through the real wheel filter and the effect
// switched on; the real animator loop in between, on a clock that moves 4 ms a tick.
class ScriptedRun final : public AnimatorPlatform {
  public:
    EngineState state;
    // True when the system refuses to insert this event.
    std::function<bool(int32_t amount)> refuses = [](int32_t) { return false; };
    std::map<int64_t, std::vector<int16_t>> notchesAt;
    std::vector<int64_t> switchOnAt;
    bool timerResolutionAvailable = true;
    int timerLowered = 0;

    struct Notch {
        int64_t tick;
        int16_t delta;
        bool swallowed;
    };
    std::vector<Notch> notches;
    std::vector<InjectedEvent> injected; // .ms holds the tick
    std::vector<int64_t> refusedAt;
    std::vector<int64_t> postsAt;

    ScriptedRun() {
        UiRecorder::connect(state);
        state.hookInstalled = true;
    }

    void run(int64_t ticks) {
        lastTick = ticks;
        runAnimator(state, *this);
    }

    int64_t sumBetween(int64_t from, int64_t to) const {
        int64_t sum = 0;
        for (const auto& event : injected) {
            if (event.ms >= from && event.ms < to) {
                sum += event.amount;
            }
        }
        return sum;
    }

    int64_t nowNs() override { return now; }
    void sleepMs(uint32_t milliseconds) override {
        // Messages posted since the last sleep belong to the tick that ends here.
        while (int(postsAt.size()) < UiRecorder::posts) {
            postsAt.push_back(tick);
        }
        now += int64_t{milliseconds} * 1'000'000;
        ++tick;
        for (const int64_t at : switchOnAt) {
            if (at == tick && state.hookInstalled) {
                turnEffectOn(state);
            }
        }
        for (const int16_t delta : notchesAt[tick]) {
            const HookVerdict verdict =
                filterWheelEvent(state, 0, WHEEL_MESSAGE_VERTICAL, 0, 0, delta,
                                 [this] { return uint64_t(1'000'000 + now / 1'000'000); });
            notches.push_back({tick, delta, verdict == HookVerdict::swallow});
        }
        if (tick == lastTick) {
            state.stopRequested = true;
        }
    }
    bool injectWheel(int32_t amount) override {
        if (refuses(amount)) {
            refusedAt.push_back(tick);
            return false;
        }
        injected.push_back({tick, amount});
        return true;
    }
    bool raiseTimerResolution() override { return timerResolutionAvailable; }
    void lowerTimerResolution() override { ++timerLowered; }

  private:
    int64_t now = 0;
    int64_t tick = 0;
    int64_t lastTick = 0;
};

// After a refused event: the effect is off with one message, nothing pending, the reset raised,
// and nothing more injected until the effect is switched on again.
void expectStoppedAfterRefusal(const ScriptedRun& run, size_t refusal, int64_t nextSwitchOn) {
    ASSERT_LT(refusal, run.refusedAt.size());
    const int64_t at = run.refusedAt[refusal];
    ASSERT_GT(run.postsAt.size(), refusal);
    EXPECT_EQ(run.postsAt[refusal], at) << "one message, in the tick of the refusal";
    EXPECT_EQ(run.sumBetween(at + 1, nextSwitchOn), 0) << "injected after the refusal";
    for (const auto& notch : run.notches) {
        if (notch.tick > at && notch.tick < nextSwitchOn) {
            EXPECT_FALSE(notch.swallowed) << "a notch at tick " << notch.tick
                                          << " was swallowed with the effect off";
        }
    }
}

TEST(InjectionFault, RefusedOnceTurnsTheEffectOffOnceAndTheNextNotchesPassOn) {
    ScriptedRun run;
    run.switchOnAt = {1, 300};
    run.notchesAt = {{10, {-120}}, {100, {-120, 240}}, {320, {120}}};
    int attempts = 0;
    run.refuses = [&](int32_t) { return ++attempts == 1; };
    run.run(500);

    ASSERT_EQ(run.refusedAt.size(), 1u);
    EXPECT_EQ(UiRecorder::posts, 1);
    expectStoppedAfterRefusal(run, 0, 300);
    // Switched on again, the wheel works in full.
    EXPECT_TRUE(run.state.effectEnabled);
    EXPECT_EQ(run.sumBetween(300, 500), 120);
    EXPECT_EQ(run.sumBetween(0, 300), 0);
}

TEST(InjectionFault, RefusedEveryTimeNeverInjectsAndPostsOncePerRefusal) {
    ScriptedRun run;
    run.refuses = [](int32_t) { return true; };
    for (int64_t round = 0; round < 5; ++round) {
        run.switchOnAt.push_back(1 + round * 200);
        run.notchesAt[20 + round * 200] = {int16_t(round % 2 ? 120 : -360)};
        run.notchesAt[150 + round * 200] = {-120};
    }
    run.run(1000);

    EXPECT_TRUE(run.injected.empty());
    ASSERT_EQ(run.refusedAt.size(), 5u);
    EXPECT_EQ(UiRecorder::posts, 5);
    for (size_t round = 0; round < 5; ++round) {
        expectStoppedAfterRefusal(run, round, 1 + int64_t(round + 1) * 200);
    }
    EXPECT_FALSE(run.state.effectEnabled);
    EXPECT_EQ(run.state.pendingDelta, 0);
    EXPECT_EQ(run.state.lastNotchTick, 0u);
}

// A system that refuses only some events, here those scrolling down: what went up arrives in
// full, the first refused event stops the effect.
TEST(InjectionFault, RefusedOnlyForSomeEventsStopsAtTheFirstOfThem) {
    ScriptedRun run;
    run.refuses = [](int32_t amount) { return amount < 0; };
    run.switchOnAt = {1};
    run.notchesAt = {{10, {120}}, {20, {120}}, {200, {-240}}, {260, {120}}};
    run.run(400);

    ASSERT_EQ(run.refusedAt.size(), 1u);
    EXPECT_EQ(UiRecorder::posts, 1);
    EXPECT_EQ(run.sumBetween(0, 200), 240);
    expectStoppedAfterRefusal(run, 0, 400);
    EXPECT_FALSE(run.notches.back().swallowed);
}

TEST(TimerResolutionFault, FailingCallChangesNothingButTheRestoreAtTheEnd) {
    std::array<ScriptedRun, 2> runs;
    for (size_t i = 0; i < runs.size(); ++i) {
        runs[i].timerResolutionAvailable = i == 0;
        runs[i].switchOnAt = {1};
        runs[i].notchesAt = {{5, {-120}}, {30, {-240}}, {40, {360}}};
        runs[i].run(300);
    }
    EXPECT_EQ(runs[0].timerLowered, 1);
    EXPECT_EQ(runs[1].timerLowered, 0);
    EXPECT_EQ(runs[0].injected, runs[1].injected);
    EXPECT_EQ(runs[1].sumBetween(40, 300), 360) << "after the reversal at tick 40";
}

using Call = MemoryRegistry::Call;

constexpr std::array<int32_t, 4> failureStatuses{REGISTRY_FILE_NOT_FOUND, REGISTRY_ACCESS_DENIED,
                                                 REGISTRY_INVALID_HANDLE, REGISTRY_MORE_DATA};
constexpr ScrollParameters storedCustom{70, 200, 60, 300};

void plantSettings(MemoryRegistry& registry, int32_t profile) {
    registry.setDword(SETTINGS_KEY, PROFILE_VALUE, uint32_t(profile));
    registry.setDword(SETTINGS_KEY, CUSTOM_STEP_VALUE, uint32_t(storedCustom.stepPercent));
    registry.setDword(SETTINGS_KEY, CUSTOM_MAX_ACCELERATION_VALUE,
                      uint32_t(storedCustom.maxAccelerationPercent));
    registry.setDword(SETTINGS_KEY, CUSTOM_ACCELERATION_WINDOW_VALUE,
                      uint32_t(storedCustom.accelerationWindowMs));
    registry.setDword(SETTINGS_KEY, CUSTOM_SMOOTH_DURATION_VALUE,
                      uint32_t(storedCustom.smoothDurationMs));
}

ScrollParameters valuesOf(int32_t profile, const ScrollParameters& custom) {
    switch (profile) {
    case IDM_PROFILE_SOFT:
        return softParameters;
    case IDM_PROFILE_FAST:
        return fastParameters;
    case IDM_PROFILE_CUSTOM:
        return custom;
    default:
        return balancedParameters;
    }
}

std::string describe(const ScrollParameters& values) {
    return std::to_string(values.stepPercent) + "/" +
           std::to_string(values.maxAccelerationPercent) + "/" +
           std::to_string(values.accelerationWindowMs) + "/" +
           std::to_string(values.smoothDurationMs);
}

// The number of registry calls a clean run of `operation` makes.
template <typename Operation> int callsOfACleanRun(Operation operation) {
    MemoryRegistry registry;
    operation(registry);
    return int(registry.calls.size());
}

// Open, the Profile read, the four Custom reads: a failure at each step loses only what that
// step would have read. A failed Profile read leaves Balanced but keeps the Custom values; a failed
// Custom read leaves all four built in but keeps the profile.
TEST(RegistryFault, LoadFailingAtEveryStepKeepsEveryValueNotBehindTheFailure) {
    for (const int32_t profile : {IDM_PROFILE_SOFT, IDM_PROFILE_FAST, IDM_PROFILE_CUSTOM}) {
        const int steps = callsOfACleanRun([profile](MemoryRegistry& registry) {
            plantSettings(registry, profile);
            EngineState state;
            loadSettings(state, registry);
        });
        ASSERT_EQ(steps, 7) << "open, five reads, close";
        for (int failing = 1; failing < steps; ++failing) {
            for (const int32_t status : failureStatuses) {
                SCOPED_TRACE("profile " + std::to_string(profile) + ", call " +
                             std::to_string(failing) + " fails with " + std::to_string(status));
                MemoryRegistry registry;
                plantSettings(registry, profile);
                registry.callFailures[failing] = status;
                EngineState state;
                UiRecorder::connect(state);
                loadSettings(state, registry);

                const bool keyOpened = failing != 1;
                const bool profileRead = keyOpened && failing != 2;
                const bool customRead = keyOpened && failing == 2;
                const int32_t expectedProfile = profileRead ? profile : IDM_PROFILE_BALANCED;
                const ScrollParameters expectedCustom =
                    customRead ? storedCustom : balancedParameters;
                EXPECT_EQ(state.activeProfile, expectedProfile);
                EXPECT_EQ(describe(customParameters(state)), describe(expectedCustom));
                EXPECT_EQ(describe(activeParameters(state)),
                          describe(valuesOf(expectedProfile, expectedCustom)));
                EXPECT_EQ(registry.changes(), 0);
                EXPECT_TRUE(registry.allKeysClosed());
                EXPECT_EQ(UiRecorder::posts, 0);
                EXPECT_FALSE(state.effectEnabled);
                EXPECT_FALSE(state.settingsDirty);
            }
        }
    }
}

// Create, five writes: a failure at any step fails the save and keeps it due; every other value
// is written; the next tick's save stores all five.
TEST(RegistryFault, SaveFailingAtEveryStepIsRetriedUntilAllFiveAreStored) {
    const auto change = [](EngineState& state) {
        applyCustomValues(state, storedCustom.stepPercent, storedCustom.maxAccelerationPercent,
                          storedCustom.accelerationWindowMs, storedCustom.smoothDurationMs);
        applyProfile(state, IDM_PROFILE_FAST, false);
        state.settingsDirty = true;
    };
    const int steps = callsOfACleanRun([&](MemoryRegistry& registry) {
        EngineState state;
        change(state);
        saveSettings(state, registry);
    });
    ASSERT_EQ(steps, 7) << "create, five writes, close";
    const std::array<const wchar_t*, 5> names{
        PROFILE_VALUE, CUSTOM_STEP_VALUE, CUSTOM_MAX_ACCELERATION_VALUE,
        CUSTOM_ACCELERATION_WINDOW_VALUE, CUSTOM_SMOOTH_DURATION_VALUE};
    const std::array<int64_t, 5> wanted{IDM_PROFILE_FAST, storedCustom.stepPercent,
                                        storedCustom.maxAccelerationPercent,
                                        storedCustom.accelerationWindowMs,
                                        storedCustom.smoothDurationMs};
    for (int failing = 1; failing < steps; ++failing) {
        for (const int32_t status : failureStatuses) {
            SCOPED_TRACE("call " + std::to_string(failing) + " fails with " +
                         std::to_string(status));
            MemoryRegistry registry;
            plantSettings(registry, IDM_PROFILE_SOFT);
            registry.setDword(SETTINGS_KEY, CUSTOM_STEP_VALUE, 140);
            registry.callFailures[failing] = status;
            EngineState state;
            UiRecorder::connect(state);
            change(state);

            saveSettingsIfDirty(state, registry);
            EXPECT_TRUE(state.settingsDirty);
            EXPECT_TRUE(registry.allKeysClosed());
            for (size_t i = 0; i < names.size(); ++i) {
                const bool failedHere = failing == 1 || failing == int(i) + 2;
                if (!failedHere) {
                    EXPECT_EQ(registry.dword(SETTINGS_KEY, names[i]), wanted[i]);
                }
            }
            // The next tick.
            saveSettingsIfDirty(state, registry);
            EXPECT_FALSE(state.settingsDirty);
            for (size_t i = 0; i < names.size(); ++i) {
                EXPECT_EQ(registry.dword(SETTINGS_KEY, names[i]), wanted[i]);
            }
            EXPECT_EQ(UiRecorder::posts, 0);
        }
    }
}

TEST(RegistryFault, ProfileSaveFailingLeavesTheProfileInForceAndTheSaveDue) {
    EngineState state;
    UiRecorder::connect(state);
    UiRecorder::saveSucceeds = false;
    state.effectEnabled = true;
    applyProfile(state, IDM_PROFILE_FAST, true);
    EXPECT_EQ(state.activeProfile, IDM_PROFILE_FAST);
    EXPECT_EQ(describe(activeParameters(state)), describe(fastParameters));
    EXPECT_TRUE(state.settingsDirty);
    EXPECT_TRUE(state.effectEnabled);
    EXPECT_EQ(UiRecorder::posts, 0);
}

// Start with Windows, both ways, failing at each step: a failure is reported, every key is
// closed, and the Run value is never left half-written: absent, as it was, or the whole text.
TEST(RegistryFault, AutostartToggleFailingAtEveryStepNeverLeavesAWrongValue) {
    static const std::wstring path = L"C:\\Users\\Zoë\\Rolvane build\\Rolvane.exe";
    const ModulePathReader readPath = [](wchar_t* buffer, uint32_t capacity) {
        const uint32_t length = uint32_t(std::min<size_t>(path.size(), capacity));
        std::copy_n(path.begin(), length, buffer);
        return length;
    };
    const std::u16string whole = u"\"C:\\Users\\Zo\u00eb\\Rolvane build\\Rolvane.exe\" --tray";
    for (const bool registered : {false, true}) {
        const auto plant = [&](MemoryRegistry& registry) {
            registry.keys[RUN_KEY];
            if (registered) {
                registry.setString(RUN_KEY, AUTOSTART_VALUE, u"\"D:\\old\\Rolvane.exe\" --tray");
            }
        };
        const int steps = callsOfACleanRun([&](MemoryRegistry& registry) {
            plant(registry);
            toggleAutostart(registry, readPath);
        });
        for (int failing = 1; failing <= steps; ++failing) {
            for (const int32_t status : failureStatuses) {
                SCOPED_TRACE(std::string(registered ? "deleting" : "writing") + ", call " +
                             std::to_string(failing) + " fails with " + std::to_string(status));
                MemoryRegistry registry;
                plant(registry);
                const std::u16string before = registry.text(RUN_KEY, AUTOSTART_VALUE);
                registry.callFailures[failing] = status;
                const int32_t result = toggleAutostart(registry, readPath);
                EXPECT_TRUE(registry.allKeysClosed());
                const std::u16string after = registry.text(RUN_KEY, AUTOSTART_VALUE);
                EXPECT_TRUE(after.empty() || after == before || after == whole + u'\0');
                // A "not found" that is not true counts as already deleted, so only the others.
                if (result == REGISTRY_SUCCESS && status != REGISTRY_FILE_NOT_FOUND) {
                    EXPECT_TRUE(after.empty() || after == whole + u'\0');
                }
            }
        }
    }
}

} // namespace
