#pragma once

#include "engine/engine_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class OutputFormat { text, csv, svg };

// A wheel event, or the pointer leaving the window of the movement in flight, or a click.
enum class SimEventKind { wheel, leave, click };

struct SimEvent {
    int64_t ms;
    int16_t delta;
    bool horizontal;
    SimEventKind kind = SimEventKind::wheel;
    // The window's program: 0 for one without a setting of its own, else 1 + its place in
    // SimConfig::programs.
    int32_t program = 0;
};

// --program NAME=SETTING: a program with a setting of its own (a profile id or PROGRAM_OFF).
struct SimProgram {
    std::string name;
    int32_t setting;
};

// Event times and --until stay within an hour, so every run ends in bounded time.
inline constexpr int64_t maxEventMs = 3'600'000;
inline constexpr int64_t maxRandomCount = 1'000'000;
inline constexpr ScrollParameters defaultCustomParameters{100, 100, 110, 360};

struct SimConfig {
    int32_t profileId = IDM_PROFILE_BALANCED;
    ScrollParameters custom = defaultCustomParameters;
    std::optional<int64_t> untilMs;
    OutputFormat format = OutputFormat::text;
    std::vector<SimEvent> events;
    std::vector<SimProgram> programs;
    // How long after its last event a run may go on before it is reported as never settling.
    int64_t settleLimitMs = 3'600'000;
    // --random N: the events came from the seeded notch generator instead of the command line.
    int64_t randomCount = 0;
    // --both-axes: a quarter of the random notches on the horizontal wheel.
    bool bothAxes = false;
    uint64_t seed = 1;
    // --exactness: report the units accepted, delivered and dropped instead of the events.
    bool exactness = false;
};

struct ParseResult {
    SimConfig config;
    bool helpRequested = false;
    // Empty when the arguments were good; otherwise the one-line message for stderr.
    std::string error;

    bool ok() const { return error.empty(); }
};

// The arguments after the program name.
ParseResult parseArguments(const std::vector<std::string>& args);

std::string usageText();
std::string_view profileName(int32_t profileId);
