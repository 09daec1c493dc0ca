"""The Wine part of scripts/measure, which passes it the paces and counts: the real Rolvane.exe in
an Xvfb and a Wine prefix of its own (build/measure/wine-prefix), so that it neither waits for
nor disturbs scripts/test. Appends to build/measure/results.csv its size, start-up time, CPU
time, and what real notches turn into at the probe's scroll target, beside what rolvane-sim
makes of the same notches; the steps of each phase go to build/measure/raw/wine/."""
import argparse
import csv
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from desktop import (BALANCED, CUSTOM, FAST, IDC_EFFECT_SWITCH, REG_DWORD,  # noqa: E402
                     SETTINGS_KEY, SOFT, STATE_ON, WHEEL_DOWN, WIN_DIR, Rolvane, dword, wait_for)
from script_desktop import note, run_in_desktop  # noqa: E402
from Xlib import X  # noqa: E402
from Xlib.error import XError  # noqa: E402

PROFILE_IDS = {"soft": SOFT, "balanced": BALANCED, "fast": FAST, "custom": CUSTOM}
CUSTOM_NAMES = ("CustomStepPercent", "CustomMaxAccelerationPercent",
                "CustomAccelerationWindowMs", "CustomSmoothDurationMs")
ROLVANE_TITLE = re.compile(r"Rolvane 0\.6 - ")
# Notches closer together than this make one movement; the paces keep them apart.
MOVEMENT_GAP_US = 300_000
# A pulse has ended when the target has received nothing for this long.
QUIET_SECONDS = 0.4
# An idle phase starts this long after the last thing done to the programs, which settle first.
SETTLE_SECONDS = 3
# Beyond this many notches in a movement, trying every tick reading is too many runs.
TICK_ROUNDING_MAX_NOTCHES = 8



def parse_options():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--measure-dir", type=Path, required=True)
    parser.add_argument("--sim", required=True, help="rolvane-sim of the host tree")
    parser.add_argument("--custom", required=True,
                        help="the Custom profile's step %%, max. acceleration %%, window ms, "
                        "tail ms")
    parser.add_argument("--profile", action="append", required=True, metavar="NAME=TAIL_MS",
                        help="a profile to measure and the length of its pulses")
    for name in ("starts", "relaxed-notches", "relaxed-pause-ms", "bursts", "burst-notches",
                 "burst-gap-ms", "cost-seconds", "notches-per-second", "pair-rounds",
                 "pair-seconds"):
        parser.add_argument(f"--{name}", type=int, required=True)
    parser.add_argument("--against", type=Path, metavar="EXE",
                        help="another build's Rolvane.exe to scroll beside this one, turn about")
    parser.add_argument("--only-pair", action="store_true",
                        help="measure only the paired scrolling figure")
    options = parser.parse_args()
    options.tails = {name: int(tail) for name, tail in
                     (profile.split("=") for profile in options.profile)}
    return options


# --- the process figures -----------------------------------------------------------------------

def cpu_seconds(pid):
    """Time on a processor of all threads of a process, to the nanosecond (the scheduler's own
    account; /proc/PID/stat counts in 10 ms ticks); 0 for none."""
    total = 0
    for schedstat in Path(f"/proc/{pid}/task").glob("*/schedstat"):
        try:
            total += int(schedstat.read_text().split()[0])
        except (OSError, IndexError, ValueError):
            continue
    return total / 1e9


def context_switches(pid):
    """Of all threads of a process (each wake-up is one); 0 for none."""
    total = 0
    for status in Path(f"/proc/{pid}/task").glob("*/status"):
        try:
            lines = status.read_text().splitlines()
        except OSError:
            continue
        total += sum(int(line.split()[1]) for line in lines
                     if line.startswith(("voluntary_ctxt_switches:",
                                         "nonvoluntary_ctxt_switches:")))
    return total


def wineserver_pid(prefix):
    """The server of the prefix: the one whose working folder is named after the prefix's
    device and inode."""
    identity = os.stat(prefix)
    folder = f"/server-{identity.st_dev:x}-{identity.st_ino:x}"
    for process in Path("/proc").glob("[0-9]*"):
        try:
            if (process / "comm").read_text().startswith("wineserver") and \
                    os.readlink(process / "cwd").endswith(folder):
                return int(process.name)
        except OSError:
            continue
    return None


def visible_window(desktop, title, pid):
    """Whether a window of the process, its title starting with the pattern, is mapped and
    viewable on the X display (the Wine desktop shows each top-level window as an X window)."""
    pid_atom = desktop.screen.intern_atom("_NET_WM_PID")
    pending = [desktop.screen.screen().root]
    while pending:
        window = pending.pop()
        try:
            pending += window.query_tree().children
            if not title.match(window.get_wm_name() or "") or \
                    window.get_attributes().map_state != X.IsViewable:
                continue
            owner = window.get_full_property(pid_atom, X.AnyPropertyType)
            if owner and owner.value[0] == pid:
                return True
        except XError:
            continue  # it went while it was looked at
    return False


class TimedRolvane(Rolvane):
    """Rolvane.exe, with the time in ms from its start to its window mapped on the X display."""

    def __init__(self, desktop):
        self.desktop = desktop
        log = open(desktop.work / "rolvane.log", "ab")
        started = time.monotonic()
        self.process = subprocess.Popen(["wine", WIN_DIR / "Rolvane.exe"], env=desktop.env,
                                        stdout=log, stderr=log)
        desktop.started.append(self)
        wait_for("a visible Rolvane window", self._visible, bool, timeout=20, interval=0.005)
        self.startup_ms = int((time.monotonic() - started) * 1000)

    def _visible(self):
        assert self.process.poll() is None, f"Rolvane.exe exited with {self.process.returncode}"
        return visible_window(self.desktop, ROLVANE_TITLE, self.process.pid)


def percentiles(values):
    """Count, median, p90, p99, max and mean; a rank is the smallest value with at least that
    share of the values at or below it."""
    ordered = sorted(values)
    if not ordered:
        return {"count": 0, "median": "-", "p90": "-", "p99": "-", "max": "-", "mean": "-"}

    def rank(share):
        return ordered[max(int(share * len(ordered) + 0.999999), 1) - 1]
    return {"count": len(ordered), "median": f"{rank(0.5):.2f}", "p90": f"{rank(0.9):.2f}",
            "p99": f"{rank(0.99):.2f}", "max": f"{ordered[-1]:.2f}",
            "mean": f"{sum(ordered) / len(ordered):.2f}"}


def cost_figures(action, pids):
    """What action() cost each process ({name: pid}): CPU time as a share of one core, and
    wake-ups a second; and the seconds it took."""
    before = [(cpu_seconds(pid), context_switches(pid)) for pid in pids.values()]
    started = time.monotonic()
    action()
    seconds = time.monotonic() - started
    figures = {}
    for (who, pid), (cpu, switches) in zip(pids.items(), before):
        figures[f"{who}_percent"] = f"{(cpu_seconds(pid) - cpu) / seconds * 100:.3f}"
        figures[f"{who}_switches_per_second"] = \
            f"{(context_switches(pid) - switches) / seconds:.1f}"
    figures["seconds"] = f"{seconds:.1f}"
    return figures


def milliseconds(microseconds):
    return round(microseconds / 1000, 3)


# --- movements: notches less than MOVEMENT_GAP_US apart, and the events they became ------------

@dataclass
class Movement:
    start: int
    notches: int = 0
    times: list = field(default_factory=list)
    total: int = 0

    @property
    def first(self):
        return self.times[0] if self.times else 0

    @property
    def last(self):
        return self.times[-1] if self.times else 0

    def intervals(self):
        return [milliseconds(b - a) for a, b in zip(self.times, self.times[1:])]

    def line(self):
        return (f"{self.start} {self.notches} {len(self.times)} {self.total} "
                f"{self.first} {self.last}")


def movements(notches, events):
    """The movements of the notches ("TIME_US ... DELTA"), each with the vertical events from
    its start to the next one's; and the number of events before the first notch."""
    groups = []
    for index, notch in enumerate(notches):
        if not groups or notch[0] - notches[index - 1][0] >= MOVEMENT_GAP_US:
            groups.append(Movement(notch[0]))
        groups[-1].notches += 1
    current, stray = -1, 0
    for time_us, kind, delta, *_ in events:
        if kind != "v":
            continue
        while current + 1 < len(groups) and time_us >= groups[current + 1].start:
            current += 1
        if current < 0:
            stray += 1
            continue
        groups[current].times.append(time_us)
        groups[current].total += delta
    return groups, stray


class Measurement:
    def __init__(self, options, desktop):
        self.options = options
        self.desktop = desktop
        self.results = options.measure_dir / "results.csv"
        self.raw = options.measure_dir / "raw" / "wine"
        self.raw.mkdir(parents=True, exist_ok=True)

    def record(self, section, subject, metric, value):
        with open(self.results, "a", newline="") as results:
            csv.writer(results, lineterminator="\n").writerow([section, subject, metric, value])

    # --- rolvane-sim -----------------------------------------------------------------------------

    def simulate(self, profile, notches):
        """What rolvane-sim prints for "MS:DELTA" notches under the profile."""
        settings = ["--profile", profile] + (["--custom", self.options.custom]
                                             if profile == "custom" else [])
        return subprocess.run([self.options.sim, *settings, *notches], capture_output=True,
                              text=True, check=True).stdout

    def simulated_sum(self, profile, notches):
        return int(re.search(r"^events \d+ sum (-?\d+)", self.simulate(profile, notches),
                             re.MULTILINE).group(1))

    def tick_rounding_range(self, profile, notches):
        """The least and greatest sum that rolvane-sim gives for the notches when Rolvane's hook
        read some of their millisecond ticks one later than the probe: it reads them a little
        after the probe, and a tick may turn in between. None when there are too many."""
        if len(notches) > TICK_ROUNDING_MAX_NOTCHES:
            return None
        first = notches[0][1]
        sums = [self.simulated_sum(profile, [f"{tick - first + (late >> index & 1)}:{delta}"
                                             for index, (_, tick, delta) in enumerate(notches)])
                for late in range(1 << len(notches))]
        return min(sums), max(sums)

    def within_tick_rounding(self, folder, profile, notches, real, ideal):
        """How many movements miss the expected sum but lie within tick rounding."""
        within, first, inexact = 0, 0, []
        for number, (movement, expected) in enumerate(zip(real, ideal), 1):
            own = notches[first:first + movement.notches]
            first += movement.notches
            if movement.total == expected.total:
                continue
            bounds = self.tick_rounding_range(profile, own)
            within += bool(bounds) and bounds[0] <= movement.total <= bounds[1]
            low, high = bounds or ("-", "-")
            inexact.append(f"movement {number}: sum {movement.total}, expected {expected.total}, "
                           f"{low} to {high} with the tick read 1 ms later\n")
        (folder / "inexact.txt").write_text("".join(inexact))
        return within

    # --- one phase of real notches ---------------------------------------------------------------

    def analyse_phase(self, profile, pace, notches, events):
        """Records what the phase's real notches became, beside what rolvane-sim makes of the
        same notches at the same ticks (the ideal: a perfect 4 ms clock)."""
        folder = self.raw / f"{profile}-{pace}"
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "notches.txt").write_text("".join(f"{t} {tick} {d}\n" for t, tick, d in notches))
        (folder / "events.txt").write_text("".join(f"{t} {k} {d} {int(tag)}\n"
                                                   for t, k, d, tag in events))
        first_tick = notches[0][1]
        simulated = self.simulate(profile, [f"{tick - first_tick}:{delta}"
                                            for _, tick, delta in notches])
        (folder / "sim.txt").write_text(simulated)
        ideal_notches = [((tick - first_tick) * 1000, tick, delta) for _, tick, delta in notches]
        ideal_events = [(int(fields[0]) * 1000, "v", int(fields[1]))
                        for fields in map(str.split, simulated.splitlines()) if len(fields) == 2]
        real, stray = movements(notches, events)
        ideal, _ = movements(ideal_notches, ideal_events)
        (folder / "movements.txt").write_text("".join(m.line() + "\n" for m in real))
        (folder / "sim-movements.txt").write_text("".join(m.line() + "\n" for m in ideal))

        subject = f"{profile}.{pace}"

        def record(metric, value):
            self.record("wine", subject, metric, value)
        count = sum(len(m.times) for m in real)
        record("notches", sum(m.notches for m in real))
        record("movements", len(real))
        record("events", count)
        record("events_per_notch", f"{count / len(notches):.1f}")
        record("sum", sum(m.total for m in real))
        record("expected_sum", sum(m.total for m in ideal))
        record("exact_movements", sum(r.total == i.total for r, i in zip(real, ideal)))
        record("tick_rounding_movements",
               self.within_tick_rounding(folder, profile, notches, real, ideal))
        record("stray_events", stray)
        self.record_intervals(record, real, ideal)
        if pace == "relaxed":
            self.record_isolated_notches(record, real, ideal)

    def record_intervals(self, record, real, ideal):
        intervals = [interval for movement in real for interval in movement.intervals()]
        stats = percentiles(intervals)
        record("intervals", stats["count"])
        for name in ("median", "p90", "p99", "max", "mean"):
            record(f"interval_{name}_ms", stats[name])
        record("intervals_under_1ms", sum(interval < 1 for interval in intervals))
        stats = percentiles(interval for movement in ideal for interval in movement.intervals())
        for name in ("median", "p90", "p99", "max"):
            record(f"ideal_interval_{name}_ms", stats[name])

    def record_isolated_notches(self, record, real, ideal):
        """From the notch to its first and last event, and from the first to the last."""
        for what, to, since in (("latency", "first", "start"), ("span", "last", "first"),
                                ("to_last", "last", "start")):
            def spans(group):
                return [milliseconds(getattr(m, to) - getattr(m, since)) for m in group if m.times]
            stats = percentiles(spans(real))
            record(f"{what}_median_ms", stats["median"])
            record(f"{what}_max_ms", stats["max"])
            record(f"ideal_{what}_ms", percentiles(spans(ideal))["median"])

    def notches(self):
        """The real notches the probe's hook logged: (QPC_US, TICK_MS, DELTA)."""
        return [tuple(map(int, fields)) for fields in
                map(str.split, self.desktop.notch_log.read_text().splitlines()) if len(fields) == 3]

    def turn_until_quiet(self, what, count, delay_ms):
        """Turns the wheel down `count` notches `delay_ms` apart, then waits until the target has
        received something new and then nothing for QUIET_SECONDS."""
        log = self.desktop.target_log
        since = log.stat().st_size
        self.desktop.wheel(*[WHEEL_DOWN] * count, delay_ms=delay_ms)
        seen = {"size": since, "at": time.monotonic()}

        def quiet():
            size, now = log.stat().st_size, time.monotonic()
            if size != seen["size"]:
                seen.update(size=size, at=now)
            return {"new bytes": size - since, "quiet s": round(now - seen["at"], 2)}
        wait_for(f"{what}: new events, then none for {QUIET_SECONDS} s", quiet,
                 lambda state: state["new bytes"] > 0 and state["quiet s"] >= QUIET_SECONDS,
                 timeout=60)

    def input_phase(self, profile, pace):
        """Relaxed single notches, or bursts, under one profile."""
        options = self.options
        notches_before, events_before = len(self.notches()), len(self.desktop.events())
        if pace == "relaxed":
            want = options.relaxed_notches
            self.turn_until_quiet(f"{profile} relaxed", want,
                                  options.tails[profile] + options.relaxed_pause_ms)
        else:
            want = options.bursts * options.burst_notches
            for burst in range(options.bursts):
                self.turn_until_quiet(f"{profile} burst {burst + 1}", options.burst_notches,
                                      options.burst_gap_ms)
        notches = wait_for(f"{profile} {pace}: the probe to see {want} notches",
                           lambda: self.notches()[notches_before:],
                           lambda seen: len(seen) >= want, timeout=5)
        assert len(notches) == want, f"{profile} {pace}: the probe saw {len(notches)} notches"
        self.analyse_phase(profile, pace, notches, self.desktop.events(events_before))

    def measure_input(self, rolvane):
        # Put in after Rolvane's hook, the probe's runs first and sees every real notch.
        self.desktop.probe("notches", 1)
        options = self.options
        custom = [int(value) for value in options.custom.split(",")]
        for profile in options.tails:
            note(f"real notches, {profile}: {options.relaxed_notches} relaxed, "
                 f"{options.bursts} bursts of {options.burst_notches}")
            rolvane.command(PROFILE_IDS[profile])
            self.desktop.wait_for_stored([PROFILE_IDS[profile], *custom], f"{profile} chosen")
            self.input_phase(profile, "relaxed")
            self.input_phase(profile, "bursts")

    def measure_full_speed(self, rolvane):
        """Fast bursts once more, with only Rolvane's hook in the chain, as a user has it: the
        probe's hook adds a hop to every injected event. Only the intervals count here."""
        options = self.options
        note(f"full speed: {options.bursts * 3} fast bursts without the probe's hook")
        self.desktop.probe("notches", 0)
        rolvane.command(FAST)
        start = len(self.desktop.events())
        for burst in range(options.bursts * 3):
            self.turn_until_quiet(f"full speed burst {burst + 1}", options.burst_notches,
                                  options.burst_gap_ms)
        times = [time_us for time_us, kind, *_ in self.desktop.events(start) if kind == "v"]
        stats = percentiles(milliseconds(b - a) for a, b in zip(times, times[1:])
                            if b - a < MOVEMENT_GAP_US)
        self.record("wine", "fast.full_speed", "intervals", stats["count"])
        for name in ("median", "p90", "p99", "max", "mean"):
            self.record("wine", "fast.full_speed", f"interval_{name}_ms", stats[name])

    # --- size, start-up and cost -----------------------------------------------------------------

    def measure_startup(self):
        """From the start of the process to its window mapped on the X display, with the server
        warm; a first start that is not counted warms the caches."""
        note(f"start-up: {self.options.starts} starts to a visible window")
        times = []
        for _ in range(self.options.starts + 1):
            rolvane = TimedRolvane(self.desktop)
            times.append(rolvane.startup_ms)
            rolvane.exit()
        times = times[1:]
        stats = percentiles(times)
        self.record("startup", "Rolvane.exe", "median_ms", stats["median"])
        self.record("startup", "Rolvane.exe", "max_ms", stats["max"])
        self.record("startup", "Rolvane.exe", "all_ms", " ".join(map(str, times)))

    def cost_phase(self, phase, action, pids):
        """CPU time over the phase, as a share of one core, and wake-ups a second, for
        Rolvane.exe, the idle program and the Wine server (which works for every program of the
        prefix)."""
        for metric, value in cost_figures(action, pids).items():
            self.record("cost", phase, metric, value)

    def scroll_at_pace(self, seconds, pids):
        """`seconds` of notches at the scrolling pace, with the cost of doing so; checks that
        every notch became smoothed steps."""
        pace = self.options.notches_per_second
        start = len(self.desktop.events())
        figures = cost_figures(
            lambda: self.desktop.wheel(*[WHEEL_DOWN] * (seconds * pace), delay_ms=1000 // pace),
            pids)
        # Balanced has no acceleration: every notch is worth exactly -120.
        events = self.desktop.wait_for_sum(start, "v", seconds * pace * -120)
        untagged = sum(1 for _, kind, _, tagged in events if kind == "v" and not tagged)
        assert not untagged, f"{untagged} notches reached the target: the effect is not on"
        return figures, sum(e[2] for e in events if e[1] == "v")

    def measure_pair(self):
        """CPU while scrolling, the other build's Rolvane.exe against this one's, each started
        afresh in turn (only one runs in a session) so that the machine's load of the moment
        falls on both alike. Each round runs both, the other build first in odd rounds: neither
        is always the one that follows the other, or the first in a fresh desktop."""
        options = self.options
        programs = [("against", options.against), ("this", WIN_DIR / "Rolvane.exe")]
        note(f"scrolling, {options.pair_rounds} rounds of {options.pair_seconds} s each: "
             f"{options.against} and this build's Rolvane.exe in turn")
        seen = {}
        for number in range(1, options.pair_rounds + 1):
            for who, exe in programs if number % 2 else reversed(programs):
                self.plant_settings()
                rolvane = Rolvane(self.desktop, "--tray", exe=exe)
                rolvane.command(IDC_EFFECT_SWITCH)
                self.desktop.wait_for_text("state", STATE_ON)
                time.sleep(SETTLE_SECONDS)
                pids = {"rolvane": rolvane.process.pid,
                        "wineserver": wineserver_pid(self.desktop.prefix)}
                figures, total = self.scroll_at_pace(options.pair_seconds, pids)
                rolvane.exit()
                note(f"round {number}, {who}: Rolvane.exe {figures['rolvane_percent']} % "
                     f"({figures['rolvane_switches_per_second']}/s), wineserver "
                     f"{figures['wineserver_percent']} %")
                for metric, value in figures.items():
                    self.record("pair", who, f"{metric}_{number}", value)
                    seen.setdefault((who, metric), []).append(float(value))
                self.record("pair", who, f"sum_{number}", total)
        self.record("pair", "-", "rounds", options.pair_rounds)
        self.record("pair", "-", "notches", options.pair_seconds * options.notches_per_second)
        for (who, metric), values in seen.items():
            digits = 3 if metric.endswith("_percent") else 1
            for name, value in (("min", min(values)), ("median", statistics.median(values)),
                                ("max", max(values))):
                self.record("pair", who, f"{metric}_{name}", f"{value:.{digits}f}")
        # This build over the other. The load of a shared machine changes within seconds, so
        # two runs of a round can differ as much as any two: the figure is the ratio of the
        # medians, and the rounds' own ratios show the spread.
        for metric in ("rolvane_percent", "rolvane_switches_per_second", "wineserver_percent"):
            against, this = seen["against", metric], seen["this", metric]
            in_round = [b / a for a, b in zip(against, this)]
            for number, ratio in enumerate(in_round, 1):
                self.record("pair", "-", f"{metric}_ratio_{number}", f"{ratio:.3f}")
            for name, ratio in (("", statistics.median(this) / statistics.median(against)),
                                ("_min", min(in_round)), ("_max", max(in_round)),
                                ("_median", statistics.median(in_round))):
                self.record("pair", "-", f"{metric}_ratio{name}", f"{ratio:.3f}")

    def measure_cost(self, rolvane, pids):
        options = self.options
        notches = options.cost_seconds * options.notches_per_second
        note(f"cost: {options.cost_seconds} s each idle with the effect off, idle with it on, "
             "scrolling")
        time.sleep(SETTLE_SECONDS)
        self.cost_phase("idle_effect_off", lambda: time.sleep(options.cost_seconds), pids)
        rolvane.command(IDC_EFFECT_SWITCH)
        self.desktop.wait_for_text("state", STATE_ON)
        time.sleep(SETTLE_SECONDS)
        self.cost_phase("idle_effect_on", lambda: time.sleep(options.cost_seconds), pids)
        figures, total = self.scroll_at_pace(options.cost_seconds, pids)
        for metric, value in figures.items():
            self.record("cost", "scrolling", metric, value)
        self.record("cost", "scrolling", "notches", notches)
        self.record("cost", "scrolling", "sum", total)

    def start_idle_program(self):
        """The floor: a hidden window with one 250 ms timer, as Rolvane's refresh timer, and a
        message loop; it says "ready" once its timer is set."""
        idle = subprocess.Popen(["wine", WIN_DIR / "tests" / "e2e" / "probe.exe", "idle"],
                                env=self.desktop.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
        assert idle.stdout.readline().strip() == "ready", \
            f"the idle program did not start: exit code {idle.wait()}"
        return idle

    def plant_settings(self):
        """Balanced in force, and the Custom profile with values of its own; nothing else, so
        that a build of another commit reads the same settings."""
        self.desktop.reg_delete(SETTINGS_KEY)
        self.desktop.reg_set(SETTINGS_KEY, "Profile", REG_DWORD, dword(BALANCED))
        for name, value in zip(CUSTOM_NAMES, self.options.custom.split(",")):
            self.desktop.reg_set(SETTINGS_KEY, name, REG_DWORD, dword(int(value)))

    def run(self):
        version = subprocess.run(["wine", "--version"], env=self.desktop.env,
                                 capture_output=True, text=True).stdout.strip()
        self.record("machine", "-", "wine", version)
        if self.options.only_pair:
            self.desktop.show_target()
            self.measure_pair()
            return
        self.plant_settings()
        self.record("program", "Rolvane.exe", "size_bytes",
                    (WIN_DIR / "Rolvane.exe").stat().st_size)
        self.measure_startup()
        note("Rolvane.exe (in the notification area, as it runs all day), a do-nothing program "
             "and the scroll target")
        rolvane = Rolvane(self.desktop, "--tray")
        idle = self.start_idle_program()
        try:
            self.desktop.show_target()
            pids = {"rolvane": rolvane.process.pid, "idle_app": idle.pid,
                    "wineserver": wineserver_pid(self.desktop.prefix)}
            self.measure_cost(rolvane, pids)
            self.measure_input(rolvane)
            self.measure_full_speed(rolvane)
        finally:
            idle.kill()
            idle.wait()
        shutil.copy(self.desktop.notch_log, self.raw)
        shutil.copy(self.desktop.target_log, self.raw)
        rolvane.exit()
        if self.options.against:
            self.measure_pair()


def main():
    options = parse_options()
    return run_in_desktop(options.measure_dir / "wine-work", options.measure_dir / "wine-prefix",
                          lambda desktop: Measurement(options, desktop).run())


if __name__ == "__main__":
    sys.exit(main())
