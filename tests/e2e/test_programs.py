"""Each program its own feel: profiles of their own, planted and chosen in the real menu, and a
movement that stays in the window it was meant for."""
from desktop import (FAST, IDC_EFFECT_SWITCH, NAME_AND_VERSION, REG_DWORD, SETTINGS_KEY, SOFT,
                     STATE_ON, WHEEL_DOWN, dword, wait_for)
from test_tray import marks, open_menu, read_menu, submenu
from test_wheel import check_smoothed

PROGRAMS_KEY = SETTINGS_KEY + r"\Programs"
LEFT, RIGHT = (0, 0, 512, 700), (512, 0, 1024, 700)
OVER_LEFT, OVER_RIGHT = (300, 380), (800, 380)


def started_with_copy(desktop, start):
    """The effect on, the probe's copy on the right, the probe on the left in front, notches logged."""
    copy = desktop.start_copy("probe-copy.exe")
    rolvane = start()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    desktop.probe("notches", 1)
    copy.show_target(place=RIGHT, pointer=OVER_RIGHT)
    desktop.show_target(place=LEFT, pointer=OVER_LEFT)
    return copy


def one_notch(desktop, target, want):
    """One real notch down over `target`, smoothed to -want: how many ms its last step came after it."""
    start, notches = len(target.events()), len(desktop.notches())
    target.wheel(WHEEL_DOWN)
    events = target.wait_for_sum(start, "v", -want)
    check_smoothed(events, -want)
    return (events[-1][0] - desktop.notches()[notches]) / 1000


def test_a_program_with_a_profile_of_its_own_gets_its_amount_and_tail(desktop, start):
    desktop.reg_set(PROGRAMS_KEY, "probe.exe", REG_DWORD, dword(FAST))
    copy = started_with_copy(desktop, start)
    fast = one_notch(desktop, desktop, 132)
    copy.show_target(place=RIGHT, pointer=OVER_RIGHT)
    balanced = one_notch(desktop, copy, 120)
    assert fast < 320 and balanced >= 340, f"ends {fast} ms (Fast, 240), {balanced} ms (Balanced, 360)"

    # Soft for probe.exe in the real menu: "In probe.exe" has Fast checked; Soft is its third item.
    # Rolvane looks at the program in front on its timer: the tooltip tells when it has.
    desktop.show_target(place=LEFT, pointer=OVER_LEFT)
    wait_for("the tooltip to name Fast in probe.exe", desktop.tooltip,
             lambda tip: tip == NAME_AND_VERSION + " \u2014 smooth scrolling is enabled, Fast in probe.exe")
    menu, items = open_menu(desktop)
    desktop.move_to((menu[0] + menu[2]) // 2, (items[4][0] + items[4][1]) // 2)
    assert marks(read_menu(desktop, submenu(desktop, menu), 6)) == [(False, False)] * 4 + [(True, False), (False, False)]
    desktop.xdotool("key", "Down", "Down", "Down", "Return")
    wait_for("Soft stored for probe.exe", lambda: desktop.reg_get(PROGRAMS_KEY, "probe.exe"),
             lambda value: value == (REG_DWORD, dword(SOFT)))
    desktop.show_target(place=LEFT, pointer=OVER_LEFT)
    assert one_notch(desktop, desktop, 120) >= 410


def test_a_movement_stays_in_its_window(desktop, start):
    copy = started_with_copy(desktop, start)
    first, moves = len(desktop.events()), len(copy.moves())
    desktop.wheel(*[WHEEL_DOWN] * 5)
    desktop.move_to(*OVER_RIGHT)
    entered = wait_for("the pointer over the second target", lambda: copy.moves()[moves:], bool)
    events = desktop.wait_for_sum(first, "v", lambda total: -600 < total <= 0)
    late = [event for event in copy.events() if event[0] > entered[0][0] + 8000]
    assert not late, f"the second target got {late}"
    total = sum(delta for _, _, delta, _ in events)
    assert -600 < total <= 0, f"the first target got {total} of five notches (-600)"
