"""Real wheel notches (xdotool) through the real Rolvane.exe to a window that logs what it gets."""
import statistics

from desktop import (FAST, IDC_EFFECT_SWITCH, REG_DWORD, SETTINGS_KEY, STATE_OFF, STATE_ON,
                     WHEEL_DOWN, WHEEL_LEFT, WHEEL_RIGHT, WHEEL_UP, dword)

CTRL_SHIFT_F9 = 0x00060078  # Ctrl+Alt+F-keys never reach Wine under Xvfb
IDM_EFFECT_AT_START = 1303


def check_smoothed(events, want, axis="v"):
    """Many small tagged steps on one axis, none of them a whole notch, adding up to `want`."""
    steps = [delta for _, kind, delta, tagged in events if kind == axis and tagged]
    assert len(steps) == len(events), f"untagged or other events among {events}"
    assert len(steps) >= 3 and max(map(abs, steps)) <= 48, steps
    assert sum(steps) == want


def report_cadence(what, events):
    gaps = sorted((b[0] - a[0]) / 1000 for a, b in zip(events, events[1:]))
    print(f"cadence {what}: {len(gaps)} intervals, median {statistics.median(gaps):.2f} ms, "
          f"p90 {gaps[int(len(gaps) * 0.9)]:.2f} ms, max {gaps[-1]:.2f} ms")


def wheel(desktop, *buttons, delay_ms=60):
    start = len(desktop.events())
    desktop.wheel(*buttons, delay_ms=delay_ms)
    return start


def test_notches_become_small_tagged_steps_and_the_rest_passes_untouched(desktop, start):
    rolvane = start()
    desktop.show_target()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    for button, want in ((WHEEL_DOWN, -360), (WHEEL_UP, 360)):
        events = desktop.wait_for_sum(wheel(desktop, button, button, button), "v", want)
        check_smoothed(events, want)
        report_cadence(f"three notches {want:+d}", events)

    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_OFF)
    events = desktop.wait_for_sum(wheel(desktop, WHEEL_UP, WHEEL_DOWN, WHEEL_DOWN), "v", -120)
    assert [(kind, delta, tagged) for _, kind, delta, tagged in events] == \
        [("v", 120, False), ("v", -120, False), ("v", -120, False)]
    rolvane.exit()


def test_notches_close_together_are_accelerated_under_fast(desktop, start):
    rolvane = start()
    desktop.show_target()
    rolvane.command(FAST)
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    # A first notch is worth 132 under Fast; the next ones up to 198, by how close they come.
    events = desktop.wait_for_sum(wheel(desktop, WHEEL_UP, WHEEL_UP, WHEEL_UP, delay_ms=20), "v",
                                  None)
    total = sum(delta for _, _, delta, _ in events)
    assert 3 * 132 < total <= 132 + 2 * 198, f"three Fast notches 20 ms apart gave {total}"
    report_cadence("a Fast burst", events)
    rolvane.exit()


def test_the_sideways_wheel_is_smoothed_and_each_axis_turns_round_on_its_own(desktop, start):
    for name in ("ReverseVertical", "ShiftScrollsSideways"):
        desktop.reg_set(SETTINGS_KEY, name, REG_DWORD, dword(1))
    rolvane = start()
    desktop.show_target()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    right = WHEEL_RIGHT, WHEEL_RIGHT, WHEEL_RIGHT
    check_smoothed(desktop.wait_for_sum(wheel(desktop, *right), "h", 360), 360, "h")
    down = WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN
    check_smoothed(desktop.wait_for_sum(wheel(desktop, *down), "v", 360), 360)
    # With Shift the reversed wheel turns sideways: down is up, and up turns left.
    desktop.xdotool("keydown", "shift")
    try:
        check_smoothed(desktop.wait_for_sum(wheel(desktop, *down), "h", -360), -360, "h")
    finally:
        desktop.xdotool("keyup", "shift")
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_OFF)
    events = desktop.wait_for_sum(wheel(desktop, *down), "v", 360)
    assert [(kind, delta, tagged) for _, kind, delta, tagged in events] == [("v", 120, True)] * 3
    rolvane.exit()


def test_turn_on_at_start_smooths_the_first_notch_of_a_start_in_the_notification_area(desktop, start):
    desktop.reg_set(SETTINGS_KEY, "EffectAtStart", REG_DWORD, dword(1))
    start("--tray")
    desktop.show_target()
    check_smoothed(desktop.wait_for_sum(wheel(desktop, WHEEL_DOWN), "v", -120), -120)
    assert desktop.text("#14") == \
        "The selected profile is restored after startup; the effect turns on."
    desktop.probe("command", IDM_EFFECT_AT_START)  # off again from the menu
    assert desktop.reg_get(SETTINGS_KEY, "EffectAtStart") == (REG_DWORD, dword(0))
    assert desktop.text("#14") == \
        "The selected profile is restored after startup; the effect remains off."


def test_the_hotkey_switches_the_effect_off_and_on(desktop, start):
    desktop.reg_set(SETTINGS_KEY, "ToggleHotkey", REG_DWORD, dword(CTRL_SHIFT_F9))
    rolvane = start()
    desktop.show_target()
    rolvane.command(IDC_EFFECT_SWITCH)
    for state in (STATE_OFF, STATE_ON):
        desktop.xdotool("key", "ctrl+shift+F9")
        desktop.wait_for_text("state", state)
        events = desktop.wait_for_sum(wheel(desktop, WHEEL_DOWN), "v", -120)
        if state == STATE_OFF:
            assert [(delta, tagged) for _, _, delta, tagged in events] == [(-120, False)]
        else:
            check_smoothed(events, -120)
    rolvane.exit()
