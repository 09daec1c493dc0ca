#include "tools/sim/sim_exactness.h"
#include "tools/sim/sim_output.h"
#include "tools/sim/sim_random.h"
#include "tools/sim/sim_tool.h"

#include <gtest/gtest.h>

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

// " 0:D0 GAP:D1 ..." up to untilMs, the deltas taken in turn.
std::string notchesEvery(int gapMs, int untilMs, const std::vector<int>& deltas) {
    std::string events;
    for (int ms = 0, i = 0; ms < untilMs; ms += gapMs, ++i) {
        events += " " + std::to_string(ms) + ":" + std::to_string(deltas[i % deltas.size()]);
    }
    return events;
}

} // namespace

void PrintTo(const InjectedEvent& event, std::ostream* out) {
    *out << event.ms << " " << event.amount;
}

TEST(SimRun, FeedsTheEventsInTimeOrderToTheRealEngineTickingFromTheWake) {
    const SimResult one = run("0:120");
    ASSERT_EQ(one.events.size(), 76u);
    EXPECT_EQ(one.events[0], (InjectedEvent{16, 1}));
    EXPECT_EQ(one.events.back(), (InjectedEvent{360, 1}));
    EXPECT_EQ(one.endMs, 360);
    // Parked, the animator takes a notch at once.
    std::vector<InjectedEvent> twice = one.events;
    for (const InjectedEvent& event : one.events) {
        twice.push_back({event.ms + 1001, event.amount});
    }
    EXPECT_EQ(run("0:120 1001:120").events, twice);
    EXPECT_EQ(run("200:120 0:120").events, run("0:120 200:120").events);
    // Equal times keep their order: under Fast the second of two notches is worth 1.5 times.
    EXPECT_EQ(sumOf(run("--profile fast 0:120 0:-120").events), 132 - 198);
    EXPECT_EQ(sumOf(run("--profile fast 0:-120 0:120").events), 198 - 132);
    EXPECT_EQ(sumOf(run("--profile custom --custom 70,150,40,300 0:120 30:120").events), 179);
    EXPECT_EQ(run("--profile soft 0:120").events.back().ms, 432);
    // What the filter passes on scrolls nothing, but the run still goes on to its last event.
    EXPECT_TRUE(run("0:60").events.empty());
    EXPECT_EQ(run("0:60 1000:120").events.front().ms, 1016);
    // A horizontal notch moves the same way on its own axis.
    std::vector<InjectedEvent> sideways = one.events;
    for (InjectedEvent& event : sideways) {
        event.horizontal = true;
    }
    EXPECT_EQ(run("0:120:h").events, sideways);
}

// A notch for a program with a profile of its own plays that profile; leaving the window of
// the movement, or a click in it, drops its rest, and every unit is still accounted for.
TEST(SimRun, ProgramsTheirOwnProfileAndAMovementThatStaysInItsWindow) {
    const std::string programs = "--program code.exe=fast --program game.exe=off ";
    const SimResult fast = run(programs + "0:120@code.exe");
    EXPECT_EQ(sumOf(fast.events), 132);
    EXPECT_EQ(fast.events.back().ms, 240);
    EXPECT_TRUE(run(programs + "0:120@game.exe").events.empty());
    EXPECT_EQ(run(programs + "0:120@code.exe 1000:120").events.back().ms, 1360);
    for (const std::string ending : {"100:leave", "100:click"}) {
        const SimResult ended = run(programs + "0:120@code.exe " + ending);
        EXPECT_EQ(ended.events.back().ms, 96) << ending; // the tick at 100 ms sends nothing
        const ExactnessReport report =
            measureExactness(configOf(programs + "0:120@code.exe 40:120@code.exe " + ending));
        EXPECT_EQ(report.movementsEnded, 1);
        EXPECT_NEAR(report.lostOrInvented, 0.0, 1e-6) << ending;
    }
    EXPECT_FALSE(parseArguments(split("0:120@code.exe")).ok()) << "no such --program";
    EXPECT_FALSE(parseArguments(split("--program code.exe=turbo 0:120")).ok());
}

TEST(SimRun, UntilCutsTheRunAndARunThatNeverSettlesIsReported) {
    const SimResult full = run("0:120");
    const SimResult cut = run("--until 102 0:120 200:-120");
    EXPECT_EQ(cut.endMs, 102);
    EXPECT_EQ(cut.events, std::vector<InjectedEvent>(full.events.begin(),
                                                     full.events.begin() + cut.events.size()));
    EXPECT_EQ(cut.events.back().ms, 100);
    EXPECT_EQ(run("--until 1000 0:120").events, full.events);

    SimConfig config = configOf("0:120 8:120");
    config.settleLimitMs = 100;
    const SimResult unsettled = simulate(config);
    EXPECT_TRUE(unsettled.hitSettleLimit);
    EXPECT_EQ(unsettled.endMs, 108);
}

TEST(SimArguments, HelpWinsAndEveryRangeTakesItsEdges) {
    for (const char* line : {"--help", "--profile nope -h", "0:120 --profile --help"}) {
        std::ostringstream out, err;
        EXPECT_EQ(runSimTool(split(line), out, err), exitOk) << line;
        EXPECT_EQ(out.str().rfind("Usage: rolvane-sim", 0), 0u) << line;
    }
    for (const char* line : {"3600000:120 0:-32768 1:+32767", "--until 3600000 0:1",
                             "--random 1 --seed 0", "--profile custom --custom 140,240,180,500 0:1",
                             "--format csv --format text 0:1"}) {
        EXPECT_TRUE(parseArguments(split(line)).ok()) << line;
    }
}

// Every unit accepted is injected, dropped by a reversal or held below half a unit.
TEST(SimExactness, TenThousandRandomNotchesLoseAndInventNothing) {
    for (const char* profile : {"soft", "balanced", "fast", "custom --custom 140,240,180,500",
                                "custom --custom 60,100,40,160"}) {
        // A quarter of the notches on the horizontal wheel: each axis keeps its own account.
        const SimConfig config =
            configOf(std::string("--random 10000 --seed 1 --both-axes --profile ") + profile);
        for (const Axis axis : {AXIS_VERTICAL, AXIS_HORIZONTAL}) {
            const ExactnessReport report = measureExactness(config, axis);
            EXPECT_TRUE(report.settled) << profile;
            EXPECT_LT(std::fabs(report.lostOrInvented), 1e-6) << profile << axis;
            EXPECT_LT(report.largestTickImbalance, 1e-6) << profile << axis;
            EXPECT_LT(std::fabs(report.heldUnits), 0.5) << profile << axis;
            EXPECT_GT(report.reversals, 0) << profile << axis;
            EXPECT_GT(report.clampedTicks, 0) << profile << axis;
            EXPECT_GT(report.boundDroppedSize, 0) << profile << axis;
            EXPECT_LE(report.largestGap, 1.0 + 1e-6) << profile << axis;
        }
    }
    EXPECT_GT(measureExactness(configOf("--random 10000 --profile soft")).fullQueueMerges, 0);
}

// A wheel spinning freely for 2 s, a notch every 10 ms: the movement ends one tail after the
// last notch (give or take the tick grid, a rounding tick and the tick that finds nothing
// left); the rest is dropped, and every unit is still accounted for.
TEST(SimExactness, AFreeSpinningWheelStopsOneTailAfterItsLastNotch) {
    const std::pair<const char*, int> spins[] = {{"fast", 120},
                                                 {"custom --custom 140,240,180,500", -120},
                                                 {"custom --custom 140,240,40,160", 120},
                                                 {"soft", -360}};
    for (const auto& [profile, delta] : spins) {
        const ExactnessReport report = measureExactness(
            configOf(std::string("--profile ") + profile + notchesEvery(10, 2000, {delta})));
        EXPECT_LE(report.endMs, 1990 + report.parameters.smoothDurationMs + 16) << profile;
        EXPECT_GT(report.boundDroppedUnits * delta, 0) << profile;
        EXPECT_LT(std::fabs(report.lostOrInvented), 1e-6) << profile;
        EXPECT_LT(report.largestTickImbalance, 1e-6) << profile;
    }
}

