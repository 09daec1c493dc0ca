#include "tools/sim/sim_args.h"

#include "tools/sim/sim_random.h"

#include <charconv>
#include <limits>

namespace {

std::optional<int64_t> parseInteger(std::string_view text, bool allowSign) {
    if (text.empty()) {
        return std::nullopt;
    }
    bool negative = false;
    if (allowSign && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // from_chars would take a sign itself; digits only keeps "--5" and "+-5" out.
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return std::nullopt;
    }
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string quoted(std::string_view text) {
    std::string out(1, '\'');
    out += text;
    out += '\'';
    return out;
}

std::optional<int32_t> profileIdOf(std::string_view name) {
    if (name == "soft") {
        return IDM_PROFILE_SOFT;
    }
    if (name == "balanced") {
        return IDM_PROFILE_BALANCED;
    }
    if (name == "fast") {
        return IDM_PROFILE_FAST;
    }
    if (name == "custom") {
        return IDM_PROFILE_CUSTOM;
    }
    return std::nullopt;
}

struct NamedRange {
    const char* name;
    ParameterRange range;
};

constexpr NamedRange customFields[4] = {{"step percent", stepPercentRange},
                                        {"max acceleration percent", maxAccelerationPercentRange},
                                        {"acceleration window ms", accelerationWindowMsRange},
                                        {"tail ms", smoothDurationMsRange}};

std::string parseCustom(std::string_view text, ScrollParameters& out) {
    std::string_view fields[4];
    std::string_view rest = text;
    for (int i = 0; i < 4; ++i) {
        const size_t comma = rest.find(',');
        if ((i == 3) != (comma == std::string_view::npos)) {
            return "--custom needs four values STEP,ACCEL,WINDOW,TAIL, got " + quoted(text);
        }
        fields[i] = rest.substr(0, comma);
        rest.remove_prefix(i == 3 ? rest.size() : comma + 1);
    }
    int32_t values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::string name = customFields[i].name;
        const auto value = parseInteger(fields[i], false);
        if (!value) {
            return "--custom: " + name + " " + quoted(fields[i]) + " is not a number";
        }
        const ParameterRange range = customFields[i].range;
        if (*value < range.min || *value > range.max) {
            return "--custom: " + name + " " + std::to_string(*value) + " is outside " +
                   std::to_string(range.min) + ".." + std::to_string(range.max);
        }
        values[i] = static_cast<int32_t>(*value);
    }
    out = {values[0], values[1], values[2], values[3]};
    return {};
}

std::string parseEvent(std::string_view text, SimEvent& out) {
    const std::string malformed = "malformed event " + quoted(text) + " (expected MS:DELTA[:h])";
    const size_t first = text.find(':');
    if (first == std::string_view::npos) {
        return malformed;
    }
    std::string_view deltaText = text.substr(first + 1);
    bool horizontal = false;
    const size_t second = deltaText.find(':');
    if (second != std::string_view::npos) {
        if (deltaText.substr(second + 1) != "h") {
            return malformed;
        }
        horizontal = true;
        deltaText = deltaText.substr(0, second);
    }
    const auto ms = parseInteger(text.substr(0, first), false);
    const auto delta = parseInteger(deltaText, true);
    if (!ms || !delta) {
        return malformed;
    }
    if (*ms > maxEventMs) {
        return "event " + quoted(text) + ": time is past the limit of " +
               std::to_string(maxEventMs) + " ms";
    }
    if (*delta < std::numeric_limits<int16_t>::min() ||
        *delta > std::numeric_limits<int16_t>::max()) {
        return "event " + quoted(text) + ": delta does not fit a signed 16-bit value";
    }
    out = {*ms, static_cast<int16_t>(*delta), horizontal};
    return {};
}

} // namespace

std::string_view profileName(int32_t profileId) {
    switch (profileId) {
    case IDM_PROFILE_SOFT:
        return "soft";
    case IDM_PROFILE_FAST:
        return "fast";
    case IDM_PROFILE_CUSTOM:
        return "custom";
    default:
        return "balanced";
    }
}

std::string usageText() {
    return "Usage: rolvane-sim [--profile soft|balanced|fast|custom] [--custom "
           "STEP,ACCEL,WINDOW,TAIL]\n"
           "                   [--until MS] [--format text|csv|svg] EVENT...\n"
           "       rolvane-sim [options] [--exactness] --random N [--seed S]\n"
           "\n"
           "Feeds real wheel events to the Rolvane engine core on a simulated clock (animator\n"
           "ticks at 0, 4, 8, ... ms) and prints the wheel events it injects.\n"
           "\n"
           "  EVENT          MS:DELTA is a vertical wheel event of DELTA units (-32768..32767)\n"
           "                 at MS ms (0.." +
           std::to_string(maxEventMs) +
           "); MS:DELTA:h is a horizontal one,\n"
           "                 which the engine passes on and does not scroll.\n"
           "                 Events may come in any order; equal times keep their order.\n"
           "  --profile P    the profile in force (default balanced)\n"
           "  --custom V     the custom profile's step percent (60..140), max acceleration\n"
           "                 percent (100..240), acceleration window ms (40..180) and tail ms\n"
           "                 (160..500); default 100,100,110,360. Needs --profile custom: with\n"
           "                 any other profile it is rejected, since it would have no effect.\n"
           "  --until MS     simulate up to the last tick at or before MS. Without it the run\n"
           "                 ends at the first tick, after the last event, that injects nothing\n"
           "                 and leaves nothing that could still come out.\n"
           "  --format F     text (default): one 'MS AMOUNT' line per injected event, then\n"
           "                 'events N sum S last MS' ('last -' when nothing was injected);\n"
           "                 csv: 'ms,amount' header, one row per event, then the same summary\n"
           "                 as a final '# ...' comment line; svg: a plot of the run.\n"
           "  --random N     N random notches (1.." +
           std::to_string(maxRandomCount) +
           ") of random sizes, gaps and directions\n"
           "                 instead of the EVENT list, with now and then a free-spinning\n"
           "                 run of 40 to 120 notches; the same for the same --seed\n"
           "  --seed S       seed of --random (default 1)\n"
           "  --exactness    instead of the events, report the units the hook accepted, the\n"
           "                 units injected, those dropped by reversals and the largest gap\n"
           "                 between the eased ideal and the injected position; text gives\n"
           "                 'name value' lines, csv a header and one row\n"
           "  --help         print this and exit\n"
           "\n"
           "Exit codes: 0 done, 1 the run did not settle within an hour after its last event\n"
           "(the output so far is still printed), 2 bad arguments.\n";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    SimConfig& config = result.config;
    bool customGiven = false;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            result.helpRequested = true;
            return result;
        }
    }
    auto fail = [&](std::string message) {
        result.error = "rolvane-sim: " + std::move(message);
        return result;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // "-5:120" is a malformed event (a negative time), not an unknown option.
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
            SimEvent event{};
            if (std::string message = parseEvent(arg, event); !message.empty()) {
                return fail(std::move(message));
            }
            config.events.push_back(event);
            continue;
        }
        if (arg == "--exactness") {
            config.exactness = true;
            continue;
        }
        if (arg != "--profile" && arg != "--custom" && arg != "--until" && arg != "--format" &&
            arg != "--random" && arg != "--seed") {
            return fail("unknown option " + quoted(arg));
        }
        if (i + 1 == args.size()) {
            return fail(arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "--profile") {
            const auto id = profileIdOf(value);
            if (!id) {
                return fail("unknown profile " + quoted(value) +
                            " (expected soft, balanced, fast or custom)");
            }
            config.profileId = *id;
        } else if (arg == "--custom") {
            if (std::string message = parseCustom(value, config.custom); !message.empty()) {
                return fail(std::move(message));
            }
            customGiven = true;
        } else if (arg == "--until") {
            const auto until = parseInteger(value, false);
            if (!until) {
                return fail("--until needs a non-negative whole number of ms, got " +
                            quoted(value));
            }
            if (*until > maxEventMs) {
                return fail("--until " + value + " is past the limit of " +
                            std::to_string(maxEventMs) + " ms");
            }
            config.untilMs = *until;
        } else if (arg == "--random") {
            const auto count = parseInteger(value, false);
            if (!count || *count < 1 || *count > maxRandomCount) {
                return fail("--random needs a count of notches from 1 to " +
                            std::to_string(maxRandomCount) + ", got " + quoted(value));
            }
            config.randomCount = *count;
        } else if (arg == "--seed") {
            const auto seed = parseInteger(value, false);
            if (!seed) {
                return fail("--seed needs a non-negative whole number, got " + quoted(value));
            }
            config.seed = static_cast<uint64_t>(*seed);
        } else if (value == "text" || value == "csv" || value == "svg") {
            config.format = value == "text"  ? OutputFormat::text
                            : value == "csv" ? OutputFormat::csv
                                             : OutputFormat::svg;
        } else {
            return fail("unknown format " + quoted(value) + " (expected text, csv or svg)");
        }
    }
    if (customGiven && config.profileId != IDM_PROFILE_CUSTOM) {
        return fail("--custom needs --profile custom");
    }
    if (config.randomCount > 0) {
        if (!config.events.empty()) {
            return fail("--random replaces the EVENT list; give one or the other");
        }
        config.events = randomNotches(config.randomCount, config.seed);
        if (static_cast<int64_t>(config.events.size()) < config.randomCount) {
            return fail("--random " + std::to_string(config.randomCount) +
                        ": the notches would run past the limit of " +
                        std::to_string(maxEventMs) + " ms");
        }
    }
    if (config.events.empty()) {
        return fail("no events given (try --help)");
    }
    if (config.exactness && config.format == OutputFormat::svg) {
        return fail("--exactness writes text or csv, not svg");
    }
    return result;
}
