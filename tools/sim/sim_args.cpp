#include "tools/sim/sim_args.h"

#include "tools/sim/sim_random.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view profileNames[] = {"soft", "balanced", "fast", "custom"};
constexpr int32_t profileIds[] = {IDM_PROFILE_SOFT, IDM_PROFILE_BALANCED, IDM_PROFILE_FAST,
                                  IDM_PROFILE_CUSTOM};

std::string inQuotes(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Digits only, after one sign where a sign is allowed.
bool readNumber(std::string_view text, bool sign, int64_t& value) {
    const bool negative = sign && text.starts_with('-');
    if (negative || (sign && text.starts_with('+'))) {
        text.remove_prefix(1);
    }
    if (text.empty() || text[0] < '0' || text[0] > '9') {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    value = negative ? -value : value;
    return error == std::errc{} && end == text.data() + text.size();
}

// The program NAME of "...@NAME", taken off the text; 0 without one, -1 for one not declared.
int32_t readProgram(std::string_view& text, const std::vector<SimProgram>& programs) {
    const size_t at = text.find('@');
    if (at == std::string_view::npos) {
        return 0;
    }
    const std::string_view name = text.substr(at + 1);
    text = text.substr(0, at);
    const auto found = std::ranges::find(programs, name, &SimProgram::name);
    return found == programs.end() ? -1 : int32_t(found - programs.begin()) + 1;
}

// "MS:DELTA[:h][@NAME]", "MS:leave" or "MS:click"; an empty text when it is good.
std::string readEvent(const std::string& text, SimConfig& config) {
    std::vector<SimEvent>& events = config.events;
    std::string_view event = text;
    const int32_t program = readProgram(event, config.programs);
    if (program < 0) {
        return "event " + inQuotes(text) + ": no --program of that name";
    }
    const size_t colon = event.find(':');
    std::string_view delta = colon == std::string::npos ? "" : event.substr(colon + 1);
    int64_t ms = 0;
    if ((delta == "leave" || delta == "click") && program == 0 &&
        readNumber(event.substr(0, colon), false, ms) && ms <= maxEventMs) {
        events.push_back({ms, 0, false, delta == "leave" ? SimEventKind::leave : SimEventKind::click});
        return {};
    }
    const bool horizontal = delta.ends_with(":h");
    delta.remove_suffix(horizontal ? 2 : 0);
    int64_t amount = 0;
    if (colon == std::string::npos || !readNumber(event.substr(0, colon), false, ms) ||
        delta.find(':') != std::string_view::npos || !readNumber(delta, true, amount)) {
        return "malformed event " + inQuotes(text) +
               " (expected MS:DELTA[:h][@NAME], MS:leave or MS:click)";
    }
    if (ms > maxEventMs) {
        return "event " + inQuotes(text) + ": time is past the limit of " +
               std::to_string(maxEventMs) + " ms";
    }
    if (amount < INT16_MIN || amount > INT16_MAX) {
        return "event " + inQuotes(text) + ": delta does not fit a signed 16-bit value";
    }
    events.push_back({ms, static_cast<int16_t>(amount), horizontal, SimEventKind::wheel, program});
    return {};
}

// "NAME=SETTING", SETTING a profile name or "off"; an empty text when it is good.
std::string readProgramSetting(const std::string& text, SimConfig& config) {
    const size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const std::string setting = equals == std::string::npos ? "" : text.substr(equals + 1);
    const auto profile = std::ranges::find(profileNames, setting);
    if (name.empty() || name.find('@') != std::string::npos ||
        (setting != "off" && profile == std::end(profileNames))) {
        return "--program " + inQuotes(text) + " (expected NAME=soft|balanced|fast|custom|off)";
    }
    config.programs.push_back(
        {name, setting == "off" ? PROGRAM_OFF : profileIds[profile - profileNames]});
    return {};
}

std::string readCustom(const std::vector<int32_t>& values, SimConfig& config) {
    if (values.size() != 4) {
        return "--custom needs four values STEP,ACCEL,WINDOW,TAIL";
    }
    const char* names[] = {"step percent", "max acceleration percent", "acceleration window ms",
                           "tail ms"};
    const ParameterRange ranges[] = {stepPercentRange, maxAccelerationPercentRange,
                                     accelerationWindowMsRange, smoothDurationMsRange};
    for (size_t i = 0; i < 4; ++i) {
        if (!ranges[i].contains(values[i])) {
            return "--custom: " + std::string(names[i]) + " " + std::to_string(values[i]) +
                   " is outside " + std::to_string(ranges[i].min) + ".." +
                   std::to_string(ranges[i].max);
        }
    }
    // Any other profile would ignore the values without a word.
    if (config.profileId != IDM_PROFILE_CUSTOM) {
        return "--custom needs --profile custom";
    }
    config.custom = {values[0], values[1], values[2], values[3]};
    return {};
}

std::string readArguments(const std::vector<std::string>& args, SimConfig& config) {
    CLI::App app;
    app.set_help_flag();
    std::string profile = "balanced";
    std::string format = "text";
    std::vector<int32_t> custom;
    std::vector<std::string> events;
    std::vector<std::string> programs;
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("--profile", profile)
        ->check(CLI::IsMember(
            std::vector<std::string>(std::begin(profileNames), std::end(profileNames))))
        ->multi_option_policy(last);
    app.add_option("--custom", custom)->delimiter(',')->allow_extra_args(false)->type_name("V");
    app.add_option("--until", config.untilMs)
        ->check(CLI::Range(int64_t{0}, maxEventMs))
        ->multi_option_policy(last);
    app.add_option("--format", format)
        ->check(CLI::IsMember({"text", "csv", "svg"}))
        ->multi_option_policy(last);
    app.add_option("--random", config.randomCount)
        ->check(CLI::Range(int64_t{1}, maxRandomCount))
        ->multi_option_policy(last);
    app.add_option("--seed", config.seed)
        ->check([](const std::string& text) {
            return text.starts_with('-') ? std::string("needs a whole number of 0 or more") : "";
        })
        ->multi_option_policy(last);
    app.add_flag("--exactness", config.exactness)->disable_flag_override();
    app.add_flag("--both-axes", config.bothAxes)->disable_flag_override();
    app.add_option("--program", programs)->allow_extra_args(false)->type_name("NAME=SETTING");
    app.add_option("EVENT", events);
    try {
        // CLI11 takes the words last first.
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ParseError& failure) {
        const std::string message = failure.what();
        return message.substr(0, message.find('\n'));
    }
    config.profileId = profileIds[std::ranges::find(profileNames, profile) - profileNames];
    config.format = format == "csv"   ? OutputFormat::csv
                    : format == "svg" ? OutputFormat::svg
                                      : OutputFormat::text;
    if (!custom.empty()) {
        if (std::string message = readCustom(custom, config); !message.empty()) {
            return message;
        }
    }
    // CLI11 hands the repeated option's values back last first, as it took the words.
    for (auto program = programs.rbegin(); program != programs.rend(); ++program) {
        if (std::string message = readProgramSetting(*program, config); !message.empty()) {
            return message;
        }
    }
    for (const std::string& event : events) {
        if (std::string message = readEvent(event, config); !message.empty()) {
            return message;
        }
    }
    if (config.randomCount > 0) {
        if (!config.events.empty()) {
            return "--random replaces the EVENT list; give one or the other";
        }
        config.events = randomNotches(config.randomCount, config.seed, config.bothAxes);
        if (static_cast<int64_t>(config.events.size()) < config.randomCount) {
            return "--random " + std::to_string(config.randomCount) +
                   ": the notches would run past the limit of " + std::to_string(maxEventMs) +
                   " ms";
        }
    }
    if (config.events.empty()) {
        return "no events given (try --help)";
    }
    if (config.exactness && config.format == OutputFormat::svg) {
        return "--exactness writes text or csv, not svg";
    }
    return {};
}

} // namespace

std::string_view profileName(int32_t profileId) {
    const auto found = std::ranges::find(profileIds, profileId);
    return found == std::end(profileIds) ? "balanced" : profileNames[found - profileIds];
}

std::string usageText() {
    return "Usage: rolvane-sim [--profile soft|balanced|fast|custom] [--custom "
           "STEP,ACCEL,WINDOW,TAIL]\n"
           "                   [--until MS] [--format text|csv|svg] EVENT...\n"
           "       rolvane-sim [options] [--exactness] --random N [--seed S]\n"
           "\n"
           "Feeds real wheel events to the Rolvane engine core on a simulated clock and prints\n"
           "the wheel events it injects. The animator wakes at a notch, ticks at once and every\n"
           "4 ms from there while it has work, and parks when it has none.\n"
           "\n"
           "  EVENT          MS:DELTA is a vertical wheel event of DELTA units (-32768..32767)\n"
           "                 at MS ms (0.." +
           std::to_string(maxEventMs) +
           "); MS:DELTA:h is a horizontal one,\n"
           "                 smoothed on its own axis (injected as 'MS AMOUNT h'). A notch\n"
           "                 MS:DELTA@NAME is aimed at a window of program NAME; MS:leave is\n"
           "                 the pointer leaving the window of the movement in flight, MS:click\n"
           "                 a click in it: either ends the movement.\n"
           "                 Events may come in any order; equal times keep their order.\n"
           "  --profile P    the profile in force (default balanced)\n"
           "  --program N=S  program N has a setting of its own, S: soft, balanced, fast,\n"
           "                 custom, or off (its notches pass on whole); may be repeated\n"
           "  --custom V     the custom profile's step percent (60..140), max acceleration\n"
           "                 percent (100..240), acceleration window ms (40..180) and tail ms\n"
           "                 (160..500); default 100,100,110,360. Needs --profile custom: with\n"
           "                 any other profile it is rejected, since it would have no effect.\n"
           "  --until MS     simulate up to MS. Without it the run ends when the animator parks\n"
           "                 after the last event, with nothing left that could still come out.\n"
           "  --format F     text (default): one 'MS AMOUNT' line per injected event, then\n"
           "                 'events N sum S last MS' ('last -' when nothing was injected);\n"
           "                 csv: 'ms,amount' header, one row per event, then the same summary\n"
           "                 as a final '# ...' comment line; svg: a plot of the run.\n"
           "  --random N     N random notches (1.." +
           std::to_string(maxRandomCount) +
           ") of random sizes, gaps and directions\n"
           "                 instead of the EVENT list, with now and then a free-spinning\n"
           "                 run of 40 to 120 notches; the same for the same --seed\n"
           "  --both-axes    with --random, a quarter of the notches on the horizontal wheel\n"
           "  --seed S       seed of --random (default 1)\n"
           "  --exactness    instead of the events, report the units the hook accepted, the\n"
           "                 units injected, those dropped by reversals and by the limit on\n"
           "                 what may be outstanding (a free-spinning wheel's excess), and the\n"
           "                 largest gap between the eased ideal and the injected position;\n"
           "                 text gives 'name value' lines, csv a header and one row\n"
           "  --help         print this and exit\n"
           "\n"
           "Exit codes: 0 done, 1 the run did not settle within an hour after its last event\n"
           "(the output so far is still printed), 2 bad arguments.\n";
}

ParseResult parseArguments(const std::vector<std::string>& args) {
    ParseResult result;
    // Looked for first: "--profile -h" asks for help, not for a profile named "-h".
    result.helpRequested = std::ranges::any_of(
        args, [](const std::string& arg) { return arg == "--help" || arg == "-h"; });
    if (!result.helpRequested) {
        const std::string message = readArguments(args, result.config);
        result.error = message.empty() ? "" : "rolvane-sim: " + message;
    }
    return result;
}
