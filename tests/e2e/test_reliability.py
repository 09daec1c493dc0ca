"""A soak of random wheel input and random commands against the real program, and start with
Windows from a path with blanks and letters beyond ASCII."""
import os
import random
import shutil
import time

import pytest

from desktop import (BALANCED, CUSTOM, FAST, IDC_AUTOSTART_SWITCH, IDC_EFFECT_SWITCH, REG_DWORD,
                     RUN_KEY, SOFT, STATE_OFF, STATE_ON, TRACKBARS, WHEEL_DOWN, WHEEL_LEFT,
                     WHEEL_RIGHT, WHEEL_UP, WIN_DIR, dword, wait_for)

PROFILES = {SOFT: [100, 100, 125, 430], BALANCED: [100, 100, 110, 360], FAST: [110, 150, 80, 240]}
RANGES = [(60, 140), (100, 240), (40, 180), (160, 500)]


def settle(desktop, start):
    """The events after `start` once nothing new has come for 0.8 s."""
    def quiet():
        count = len(desktop.events())
        time.sleep(0.8)
        return count == len(desktop.events())
    wait_for("the target to go quiet", quiet, bool, timeout=20, interval=0)
    return desktop.events(start)


def runs(events):
    """The sums of the runs of vertical events of one sign."""
    sums = []
    for _, kind, delta, _ in events:
        if kind == "v":
            if sums and (sums[-1] > 0) == (delta > 0):
                sums[-1] += delta
            else:
                sums.append(delta)
    return sums


class Soak:
    def __init__(self, desktop, rolvane, seed):
        self.desktop, self.rolvane, self.random = desktop, rolvane, random.Random(seed)
        self.effect, self.profile = False, BALANCED
        self.active, self.custom = list(PROFILES[BALANCED]), list(PROFILES[BALANCED])

    def notch_bounds(self):
        """What one notch is worth under the values in force: unaccelerated, and at most."""
        step, acceleration = self.active[0], self.active[1]
        low = round(120 * step / 100)
        return low, (low if acceleration == 100 else round(120 * step * acceleration / 10000) + 1)

    def wheel_action(self):
        pick, sign = self.random.randrange(4), self.random.choice((1, -1))
        forward, back = (WHEEL_UP, WHEEL_DOWN) if sign > 0 else (WHEEL_DOWN, WHEEL_UP)
        first = self.random.randint(1, 5)
        second = self.random.randint(1, 3) if pick == 2 else 0
        sideways = [self.random.choice((WHEEL_LEFT, WHEEL_RIGHT))] * (pick == 3 and 3)
        buttons = [forward] * first + [back] * second + sideways
        start = len(self.desktop.events())
        self.desktop.wheel(*buttons, delay_ms=self.random.randint(20, 60))
        events = settle(self.desktop, start)
        what = f"wheel {buttons} with the effect {'on' if self.effect else 'off'}"
        horizontal = [(delta, tagged) for _, kind, delta, tagged in events if kind == "h"]
        low, high = self.notch_bounds()
        if self.effect:
            sideways_sum = abs(sum(delta for delta, _ in horizontal))
            assert all(tagged for _, tagged in horizontal), what
            assert len(sideways) * low <= sideways_sum <= len(sideways) * high, what
        else:
            assert horizontal == [(-120 if b == WHEEL_LEFT else 120, False) for b in sideways], what
        vertical = [(delta, tagged) for _, kind, delta, tagged in events if kind == "v"]
        if not self.effect:
            assert all(tagged is False and abs(delta) == 120 for delta, tagged in vertical), what
            assert runs(events) == [sign * 120 * first] + ([-sign * 120 * second] if second else [])
            return
        assert all(tagged and 0 < abs(delta) <= 48 for delta, tagged in vertical), what
        sums = runs(events)
        # The last group arrives whole; a reversal may drop part of the one before, never more.
        last_group, last_sign = (second, -sign) if second else (first, sign)
        assert 1 <= len(sums) <= (2 if second else 1), f"{what}: runs {sums}"
        assert last_group * low <= sums[-1] * last_sign <= last_group * high, f"{what}: runs {sums}"
        if len(sums) == 2:
            assert 0 < sums[0] * sign <= first * high, f"{what}: runs {sums}"

    def switch_off_in_flight(self):
        start = len(self.desktop.events())
        self.desktop.wheel(WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN, delay_ms=30)
        self.toggle_effect()
        after_off = len(settle(self.desktop, 0))
        time.sleep(1)
        assert self.desktop.events(after_off) == [], "events came after the effect went off"
        low, high = self.notch_bounds()
        assert 0 <= -sum(runs(self.desktop.events(start))) <= 4 * high

    def toggle_effect(self):
        self.rolvane.command(IDC_EFFECT_SWITCH)
        self.effect = not self.effect
        self.desktop.wait_for_text("state", STATE_ON if self.effect else STATE_OFF)

    def choose_profile(self):
        self.profile = self.random.choice((SOFT, BALANCED, FAST, CUSTOM))
        self.rolvane.command(self.profile)
        self.active = list(self.custom if self.profile == CUSTOM else PROFILES[self.profile])
        assert self.desktop.trackbars() == self.active
        self.desktop.wait_for_stored([self.profile, *self.custom], f"profile {self.profile}")

    def move_slider(self):
        index = self.random.randrange(4)
        # No acceleration half the time, so that bursts can be summed exactly.
        position = 100 if index == 1 and self.random.random() < 0.5 else \
            self.random.randint(*RANGES[index])
        self.desktop.probe("slide", TRACKBARS[index], position)
        self.active[index] = position
        self.custom, self.profile = list(self.active), CUSTOM
        self.desktop.wait_for_stored([CUSTOM, *self.custom], f"slider {TRACKBARS[index]}")

    def step(self):
        # Mostly the effect on: with it off the program only has to stay out of the way.
        pick = self.random.randrange(18)
        if pick < 11:
            self.wheel_action()
        elif pick < 13:
            self.choose_profile()
        elif pick < 15:
            self.move_slider()
        elif not self.effect or (pick < 17 and self.random.random() < 0.25):
            self.toggle_effect()
        elif pick == 17:
            self.switch_off_in_flight()
        else:
            self.wheel_action()

    def memory(self):
        return tuple(map(int, self.desktop.probe("memory").split()))


@pytest.mark.long
def test_soak(desktop, start, seconds=120):
    seed = int(os.environ.get("ROLVANE_SOAK_SEED", time.time()))
    print(f"soak of {seconds} s, seed {seed} (ROLVANE_SOAK_SEED repeats it)")
    rolvane = start("--tray")
    desktop.show_target()
    soak = Soak(desktop, rolvane, seed)
    soak.toggle_effect()
    began = time.monotonic()
    middle = None
    while time.monotonic() - began < seconds:
        if middle is None and time.monotonic() - began >= seconds / 2:
            middle = soak.memory()
        soak.step()
    end = soak.memory()
    print(f"soak: private bytes and working set {middle} halfway, {end} at the end")
    assert all(abs(b - a) <= 1 << 20 for a, b in zip(middle, end)), "memory grew during the soak"
    rolvane.exit()


def test_start_with_windows_from_a_path_with_blanks_and_accents(desktop, start):
    folder = desktop.prefix / "drive_c" / "Program Files" / "Plynulé kolečko Ω"
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(WIN_DIR / "Rolvane.exe", folder)
    exe = r"C:\Program Files\Plynulé kolečko Ω\Rolvane.exe"
    try:
        # A Run value that is not text counts as off: the switch writes the real one over it.
        desktop.reg_set(RUN_KEY, "Rolvane", REG_DWORD, dword(1))
        rolvane = start(exe=exe)
        rolvane.command(IDC_AUTOSTART_SWITCH)
        stored = desktop.reg_get(RUN_KEY, "Rolvane")
        command_line = stored[1].decode("utf-16-le")
        assert (stored[0], command_line) == (1, f'"{exe}" --tray\0')
        rolvane.exit()
        # What a logon does with it: the quoted program, with the switch that keeps it hidden.
        rolvane = start("--tray", exe=command_line.split('"')[1])
        assert desktop.info()["visible"] == 0
        rolvane.command(IDC_AUTOSTART_SWITCH)
        assert desktop.reg_get(RUN_KEY, "Rolvane") is None
        rolvane.exit()
    finally:
        shutil.rmtree(folder, ignore_errors=True)
