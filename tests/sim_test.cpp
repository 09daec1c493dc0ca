#include "tools/sim/sim_exactness.h"
#include "tools/sim/sim_output.h"
#include "tools/sim/sim_random.h"
#include "tools/sim/sim_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

SimConfig configOf(const std::string& line) {
    const ParseResult parsed = parseArguments(split(line));
    EXPECT_TRUE(parsed.ok()) << line << ": " << parsed.error;
    return parsed.config;
}

SimResult run(const std::string& line) {
    return simulate(configOf(line));
}

int64_t sumBefore(const SimResult& result, int64_t ms) {
    int64_t sum = 0;
    for (const InjectedEvent& event : result.events) {
        sum += event.ms < ms ? event.amount : 0;
    }
    return sum;
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace

void PrintTo(const InjectedEvent& event, std::ostream* out) {
    *out << event.ms << " " << event.amount;
}

TEST(SimRun, OneNotchBecomesSeventySixSmallEventsSummingToIt) {
    const SimResult result = run("0:120");
    ASSERT_EQ(result.events.size(), 76u);
    EXPECT_EQ(result.events[0], (InjectedEvent{16, 1}));
    EXPECT_EQ(result.events[1], (InjectedEvent{24, 1}));
    EXPECT_EQ(result.events.back().ms, 360);
    int64_t previousMs = -1;
    for (const InjectedEvent& event : result.events) {
        EXPECT_GT(event.ms, previousMs);
        EXPECT_EQ(event.ms % 4, 0);
        EXPECT_GE(event.amount, 1);
        EXPECT_LE(event.amount, 3);
        previousMs = event.ms;
    }
    EXPECT_EQ(sumOf(result.events), 120);
    EXPECT_FALSE(result.hitSettleLimit);
    EXPECT_EQ(result.endMs, 364);
}

TEST(SimRun, NotchDownIsTheMirrorImage) {
    const SimResult up = run("0:120");
    const SimResult down = run("0:-120");
    ASSERT_EQ(down.events.size(), up.events.size());
    for (size_t i = 0; i < up.events.size(); ++i) {
        EXPECT_EQ(down.events[i], (InjectedEvent{up.events[i].ms, -up.events[i].amount}));
    }
}

TEST(SimRun, NotchesCloseTogetherAreAccelerated) {
    EXPECT_EQ(sumOf(run("--profile fast 0:120").events), 132);
    EXPECT_EQ(sumOf(run("--profile fast 0:120 40:120").events), 132 + 165);
    // Past the fast window (80 ms) the second notch is plain again.
    EXPECT_EQ(sumOf(run("--profile fast 0:120 80:120").events), 132 + 132);
    EXPECT_EQ(sumOf(run("--profile custom --custom 70,150,40,300 0:120").events), 84);
    // 94.5 rounds away from zero.
    EXPECT_EQ(sumOf(run("--profile custom --custom 70,150,40,300 0:120 30:120").events), 179);
}

TEST(SimRun, ProfilesPutTheirValuesInForce) {
    const ScrollParameters custom = run("--profile custom --custom 70,150,40,300 0:0").parameters;
    EXPECT_EQ(custom.stepPercent, 70);
    EXPECT_EQ(custom.maxAccelerationPercent, 150);
    EXPECT_EQ(custom.accelerationWindowMs, 40);
    EXPECT_EQ(custom.smoothDurationMs, 300);
    EXPECT_EQ(run("--profile custom 0:0").parameters.smoothDurationMs, 360);
    const SimResult soft = run("--profile soft 0:120");
    // The 430 ms tail completes at the first tick after it.
    EXPECT_EQ(soft.events.back().ms, 432);
    EXPECT_EQ(sumOf(soft.events), 120);
}

TEST(SimRun, ReversalDropsWhatWasStillInFlight) {
    const SimResult result = run("0:120 100:-120");
    const int64_t deliveredUp = sumBefore(result, 100);
    EXPECT_GT(deliveredUp, 0);
    EXPECT_LT(deliveredUp, 120);
    for (const InjectedEvent& event : result.events) {
        EXPECT_EQ(event.amount > 0, event.ms < 100) << event.ms;
    }
    EXPECT_EQ(sumOf(result.events), deliveredUp - 120);
    EXPECT_EQ(sumOf(result.events), -88);
}

TEST(SimRun, UntilCutsTheRunAtTheLastTickAtOrBeforeIt) {
    const SimResult full = run("0:120");
    const SimResult cut = run("--until 102 0:120");
    EXPECT_EQ(cut.endMs, 100);
    EXPECT_FALSE(cut.hitSettleLimit);
    ASSERT_LT(cut.events.size(), full.events.size());
    EXPECT_EQ(cut.events.back().ms, 100);
    for (size_t i = 0; i < cut.events.size(); ++i) {
        EXPECT_EQ(cut.events[i], full.events[i]);
    }
    EXPECT_TRUE(run("--until 3 0:120").events.empty());
    // Events after the cut are never fed.
    EXPECT_EQ(run("--until 102 0:120 200:-120").events, cut.events);

    const SimResult longer = run("--until 1000 0:120");
    EXPECT_EQ(longer.endMs, 1000);
    EXPECT_EQ(longer.events, full.events);
}

TEST(SimRun, EventsAreSortedByTimeKeepingTheOrderOfEqualTimes) {
    EXPECT_EQ(run("200:120 0:120").events, run("0:120 200:120").events);
    // Under fast the second of two simultaneous notches is worth 1.5 times the first.
    EXPECT_EQ(sumOf(run("--profile fast 0:120 0:-120").events), 132 - 198);
    EXPECT_EQ(sumOf(run("--profile fast 0:-120 0:120").events), 198 - 132);
    EXPECT_EQ(run("--profile fast 40:120 0:120 0:-120").events,
              run("--profile fast 0:120 0:-120 40:120").events);
}

TEST(SimRun, EventsTheFilterPassesOnScrollNothing) {
    for (const char* line : {"0:120:h", "0:-240:h", "0:60", "0:0"}) {
        const SimResult result = run(line);
        EXPECT_TRUE(result.events.empty()) << line;
        EXPECT_EQ(result.endMs, 0) << line;
    }
    EXPECT_EQ(run("0:120 40:120:h").events, run("0:120").events);
    // The run goes on to its last event even when nothing was scrolled before it.
    const SimResult late = run("0:120:h 1000:120");
    EXPECT_EQ(late.events.front().ms, 1016);
    EXPECT_EQ(sumOf(late.events), 120);
}

TEST(SimRun, RunThatDoesNotSettleIsCutAndReported) {
    SimConfig config = configOf("0:120 8:120");
    config.settleLimitMs = 100;
    const SimResult result = simulate(config);
    EXPECT_TRUE(result.hitSettleLimit);
    EXPECT_EQ(result.endMs, 108);
}

TEST(SimArguments, HelpWinsOverEverythingElse) {
    for (const char* line :
         {"--help", "--profile nope -h", "0:120 --profile --help", "--verbose -h"}) {
        std::ostringstream out, err;
        EXPECT_EQ(runSimTool(split(line), out, err), exitOk) << line;
        EXPECT_EQ(out.str().rfind("Usage: rolvane-sim", 0), 0u) << line;
        EXPECT_TRUE(err.str().empty()) << line;
    }
}

TEST(SimArguments, EveryRangeTakesItsEdges) {
    // The --custom edges are in SimExactness.TenThousandRandomNotchesLoseAndInventNothing.
    for (const char* line :
         {"3600000:120 0:-32768 1:+32767", "--until 3600000 0:1", "--random 1 --seed 0"}) {
        const ParseResult parsed = parseArguments(split(line));
        EXPECT_TRUE(parsed.ok()) << line << ": " << parsed.error;
    }
    EXPECT_EQ(configOf("--format csv --format text 0:1").format, OutputFormat::text);
}

struct BadLine {
    const char* line;
    const char* complaint;
};

TEST(SimArguments, BadArgumentsGiveOneLineAndExitCodeTwo) {
    const BadLine bad[] = {
        {"--profile soft", "no events given"},
        {"--verbose 0:120", "--verbose"},
        {"--profile turbo 0:120", "turbo"},
        {"--format pdf 0:120", "pdf"},
        {"--custom 100,100,110,360 0:120", "--custom needs --profile custom"},
        {"--profile custom --custom 100,100,110 0:120", "needs four values"},
        {"--profile custom --custom 100,x,110,360 0:120", "--custom"},
        {"--profile custom --custom 141,100,110,360 0:120", "step percent 141 is outside 60..140"},
        {"--profile custom --custom 100,99,110,360 0:120", "acceleration percent 99 is outside"},
        {"--profile custom --custom 100,100,181,360 0:120", "window ms 181 is outside 40..180"},
        {"--profile custom --custom 100,100,110,159 0:120", "tail ms 159 is outside 160..500"},
        {"120", "malformed event '120'"},
        {"0:12x", "malformed event '0:12x'"},
        {"-4:120", "malformed event '-4:120'"},
        {"0:--120", "malformed event '0:--120'"},
        {"0:120:v", "malformed event '0:120:v'"},
        {"3600001:120", "time is past the limit of 3600000 ms"},
        {"0:32768", "delta does not fit a signed 16-bit value"},
        {"0:-32769", "delta does not fit a signed 16-bit value"},
        {"--until -4 0:120", "--until"},
        {"--until 3600001 0:120", "--until"},
        {"--random 0", "--random"},
        {"--random 1000001", "--random"},
        {"--random 1000000", "the notches would run past the limit"},
        {"--random 5 0:120", "give one or the other"},
        {"--random 5 --seed -1", "--seed"},
        {"--exactness --format svg 0:120", "--exactness writes text or csv, not svg"},
        // CLI11's own refusal: it must be caught and told in one line like the others.
        {"0:120 --until", "--until"},
    };
    for (const auto& [line, complaint] : bad) {
        std::ostringstream out, err;
        EXPECT_EQ(runSimTool(split(line), out, err), exitBadArguments) << line;
        EXPECT_TRUE(out.str().empty()) << line;
        const std::string message = err.str();
        EXPECT_EQ(message.rfind("rolvane-sim: ", 0), 0u) << message;
        EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
        EXPECT_NE(message.find(complaint), std::string::npos) << line << " -> " << message;
    }
}

TEST(SimOutput, TheToolWritesTheFormatAskedFor) {
    const std::string events = "0:120 100:-120";
    const SimResult result = run(events);
    const std::pair<std::string, std::string> formats[] = {{"", formatText(result)},
                                                           {"--format csv ", formatCsv(result)},
                                                           {"--format svg ", formatSvg(result)}};
    for (const auto& [option, expected] : formats) {
        std::ostringstream out, err;
        EXPECT_EQ(runSimTool(split(option + events), out, err), exitOk) << option;
        EXPECT_EQ(out.str(), expected) << option;
        EXPECT_TRUE(err.str().empty()) << option;
    }
}

TEST(SimOutput, TextAndCsvCarryEveryEventAndTheSummary) {
    const SimResult result = run("0:120");
    EXPECT_EQ(formatText(result).rfind("16 1\n24 1\n", 0), 0u);
    EXPECT_EQ(occurrences(formatText(result), "\n"), 77u);

    const std::string csv = formatCsv(result);
    EXPECT_EQ(csv.rfind("ms,amount\n16,1\n24,1\n", 0), 0u);
    EXPECT_EQ(occurrences(csv, ","), 77u);
    const std::string tail = "\n360,1\n# events 76 sum 120 last 360\n";
    EXPECT_EQ(csv.substr(csv.size() - tail.size()), tail);

    const SimResult empty = run("0:120:h");
    EXPECT_EQ(formatText(empty), "events 0 sum 0 last -\n");
    EXPECT_EQ(formatCsv(empty), "ms,amount\n# events 0 sum 0 last -\n");
}

TEST(SimOutput, SvgIsAStandalonePlotOfBothSeries) {
    for (const char* line : {"--profile fast 0:120 40:120", "0:120 100:-120", "0:120:h"}) {
        const SimResult result = run(line);
        const std::string svg = formatSvg(result);
        EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u) << line;
        EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n") << line;
        EXPECT_EQ(occurrences(svg, "<svg"), 1u);
        EXPECT_EQ(occurrences(svg, "<polyline"), 1u);
        EXPECT_EQ(occurrences(svg, "<text"), occurrences(svg, "</text>"));
        EXPECT_EQ(occurrences(svg, "<g "), occurrences(svg, "</g>"));
        EXPECT_EQ(occurrences(svg, "<rect x="), result.events.size()) << line;
        EXPECT_EQ(svg.find("nan"), std::string::npos) << line;
        EXPECT_EQ(svg.find("inf"), std::string::npos) << line;
        EXPECT_NE(svg.find(summaryLine(result)), std::string::npos);
    }
    const std::string fast = formatSvg(run("--profile fast 0:120 40:120"));
    EXPECT_NE(
        fast.find("fast profile: step 110%, max acceleration 150%, window 80 ms, tail 240 ms"),
        std::string::npos);
    EXPECT_NE(fast.find(">cumulative 297<"), std::string::npos);
    EXPECT_NE(fast.find(">injected events<"), std::string::npos);
}

TEST(SimRandom, TheSameSeedGivesTheSameNotchesEverywhere) {
    const std::vector<SimEvent> first = randomNotches(10'000, 7);
    const std::vector<SimEvent> again = randomNotches(10'000, 7);
    const std::vector<SimEvent> other = randomNotches(10'000, 8);
    ASSERT_EQ(first.size(), 10'000u);
    ASSERT_EQ(again.size(), first.size());
    bool differs = false;
    int64_t previousMs = 0;
    int reversals = 0;
    int longestQuickRun = 0;
    int quickRun = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].ms, again[i].ms);
        EXPECT_EQ(first[i].delta, again[i].delta);
        differs = differs || first[i].ms != other[i].ms || first[i].delta != other[i].delta;
        EXPECT_FALSE(first[i].horizontal);
        EXPECT_EQ(first[i].delta % 120, 0);
        EXPECT_NE(first[i].delta, 0);
        EXPECT_LE(std::abs(first[i].delta), 360);
        EXPECT_GE(first[i].ms, previousMs);
        if (i > 0) {
            reversals += (first[i].delta > 0) != (first[i - 1].delta > 0);
            quickRun = first[i].ms - previousMs <= 7 ? quickRun + 1 : 0;
            longestQuickRun = std::max(longestQuickRun, quickRun);
        }
        previousMs = first[i].ms;
    }
    EXPECT_EQ(first.front().ms, 0);
    EXPECT_LE(first.back().ms, maxEventMs);
    EXPECT_TRUE(differs);
    EXPECT_GT(reversals, 100);
    // At least one free-spinning run long enough to fill the 64-pulse queue.
    EXPECT_GE(longestQuickRun, 64);

    const SimConfig config = configOf("--random 10000 --seed 7");
    ASSERT_EQ(config.events.size(), first.size());
    EXPECT_EQ(config.events.back().ms, first.back().ms);
    EXPECT_EQ(configOf("--random 3").seed, 1u);
}

TEST(SimExactness, OneNotchIsDeliveredWhole) {
    const ExactnessReport report = measureExactness(configOf("0:120 500:-240 900:120:h"));
    EXPECT_EQ(report.notchEvents, 2);
    EXPECT_EQ(report.acceptedUnits, -120);
    EXPECT_EQ(report.acceptedSize, 360);
    EXPECT_EQ(report.deliveredUnits, -120);
    EXPECT_EQ(report.deliveredSize, 360);
    EXPECT_EQ(report.reversals, 0);
    EXPECT_EQ(report.droppedUnits, 0.0);
    EXPECT_EQ(report.injectedEvents, int64_t(run("0:120 500:-240").events.size()));
}

TEST(SimExactness, AReversalDropsWhatWasInFlightAndNothingElse) {
    const ExactnessReport report = measureExactness(configOf("0:120 100:-120"));
    EXPECT_EQ(report.acceptedUnits, 0);
    EXPECT_EQ(report.deliveredUnits, -88);
    EXPECT_EQ(report.reversals, 1);
    EXPECT_NEAR(report.droppedUnits, 88.0, 1e-9);
    EXPECT_NEAR(report.cancelledSize(), 0.0, 1e-9);
}

// Sums only: every unit accepted is injected, dropped by a reversal or held below half a unit.
TEST(SimExactness, TenThousandRandomNotchesLoseAndInventNothing) {
    for (const char* profile : {"soft", "balanced", "fast", "custom --custom 140,240,180,500",
                                "custom --custom 60,100,40,160"}) {
        const ExactnessReport report =
            measureExactness(configOf(std::string("--random 10000 --seed 1 --profile ") + profile));
        EXPECT_TRUE(report.settled) << profile;
        EXPECT_EQ(report.notchEvents, 10'000) << profile;
        EXPECT_LT(std::fabs(report.lostOrInvented), 1e-6) << profile;
        EXPECT_LT(report.largestTickImbalance, 1e-6) << profile;
        EXPECT_LT(std::fabs(report.heldUnits), 0.5) << profile;
        EXPECT_NEAR(double(report.acceptedUnits),
                    double(report.deliveredUnits) + report.droppedUnits + report.heldUnits, 1e-6)
            << profile;
        EXPECT_GT(report.reversals, 0) << profile;
        EXPECT_GT(report.clampedTicks, 0) << profile;
        EXPECT_LE(report.largestGap, 1.0 + 1e-6) << profile;
    }
    EXPECT_GT(measureExactness(configOf("--random 10000 --profile soft")).fullQueueMerges, 0);
}

TEST(SimExactness, TextAndCsvCarryTheSameFields) {
    const ExactnessReport report = measureExactness(configOf("0:120"));
    const std::string text = formatExactness(report, OutputFormat::text);
    const std::string csv = formatExactness(report, OutputFormat::csv);
    EXPECT_EQ(text.rfind("profile balanced\n", 0), 0u);
    EXPECT_NE(text.find("\naccepted_units 120\n"), std::string::npos);
    EXPECT_NE(text.find("\nlost_or_invented_units 0.000000\n"), std::string::npos);
    EXPECT_EQ(occurrences(csv, "\n"), 2u);
    EXPECT_EQ(occurrences(csv, ","), 2 * (occurrences(text, "\n") - 1));
}
