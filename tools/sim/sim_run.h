#pragma once

#include "engine/animator.h"
#include "tools/sim/sim_args.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct InjectedEvent {
    int64_t ms;
    int32_t amount;
    bool horizontal = false;

    bool operator==(const InjectedEvent&) const = default;
};

struct SimResult {
    int32_t profileId = IDM_PROFILE_BALANCED;
    ScrollParameters parameters{};
    // "; code.exe fast, game.exe off" for the programs with a setting of their own.
    std::string programs;
    std::vector<InjectedEvent> events;
    // The last tick simulated.
    int64_t endMs = 0;
    // The run was still going settleLimitMs after its last event and was cut there.
    bool hitSettleLimit = false;
};

inline constexpr int64_t tickPeriodMs = 4;
// The hook's tick reader returns event time plus this, so the first notch is never
// mistaken for a follow-up of a notch at tick 0.
inline constexpr uint64_t simTickBaseMs = 1'000'000;

// Sees the engine at every step of a run, for reports that need more than the injected events.
class SimObserver {
  public:
    virtual ~SimObserver() = default;
    // Around the hook's handling of one input event, at the hook's tick reading.
    virtual void feeding(const SimEvent&, uint64_t /*tick*/, const EngineState&,
                         int32_t /*setting*/) {}
    virtual void fed(const SimEvent&, const EngineState&) {}
    // Around one animator tick; `injected` holds what that tick injected (nothing or one event).
    virtual void tickStarting(int64_t /*ms*/, const AnimatorState&, const EngineState&) {}
    virtual void tickDone(int64_t /*ms*/, const AnimatorState&, const EngineState&,
                          std::span<const InjectedEvent> /*injected*/) {}
};

SimResult simulate(const SimConfig& config, SimObserver* observer = nullptr);

// The sum of one axis's events.
int64_t sumOf(const std::vector<InjectedEvent>& events, bool horizontal = false);
