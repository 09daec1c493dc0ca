#pragma once

#include "tools/sim/sim_args.h"

#include <cstdint>
#include <vector>

struct InjectedEvent {
    int64_t ms;
    int32_t amount;

    bool operator==(const InjectedEvent&) const = default;
};

struct SimResult {
    int32_t profileId = IDM_PROFILE_BALANCED;
    ScrollParameters parameters{};
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

SimResult simulate(const SimConfig& config);

int64_t sumOf(const std::vector<InjectedEvent>& events);
