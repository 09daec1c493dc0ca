"""Each program its own feel: profiles of their own, planted and chosen in the real menu, the
window that Windows sends the wheel to, and a movement that stays in the window it was meant for."""
from desktop import (FAST, IDC_EFFECT_SWITCH, NAME_AND_VERSION, PANES, REG_DWORD, SETTINGS_KEY,
                     SOFT, STATE_ON, WHEEL_DOWN, dword, wait_for)
from test_exclusions import REG_MULTI_SZ, multi_sz, whole
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


def test_the_window_under_the_pointer_is_judged_and_an_excluded_one_gets_notches_untouched(
        desktop, start):
    """Wine, like Windows 10 and later by default, sends the wheel to the window under the pointer,
    not to the focus window; a reversed wheel leaves the excluded program's notches as they came."""
    desktop.reg_set(SETTINGS_KEY, "ExcludedPrograms", REG_MULTI_SZ, multi_sz("probe.exe"))
    desktop.reg_set(SETTINGS_KEY, "ReverseVertical", REG_DWORD, dword(1))
    copy = started_with_copy(desktop, start)
    first = len(desktop.events())
    desktop.wheel(WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN, delay_ms=60)
    assert whole(desktop.wait_for_sum(first, "v", -360)) == [("v", -120, False)] * 3

    # The pointer over the copy; the keys still go to the excluded probe.
    desktop.move_to(*OVER_RIGHT)
    mine, theirs, keys = len(desktop.events()), len(copy.events()), len(desktop.keys())
    desktop.wheel(WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN, delay_ms=60)
    check_smoothed(copy.wait_for_sum(theirs, "v", 360), 360)
    desktop.xdotool("key", "a")
    wait_for("the focused probe to get a key", lambda: desktop.keys()[keys:], bool)
    assert desktop.events()[mine:] == []


def test_a_movement_stays_in_its_window(desktop, start):
    copy = started_with_copy(desktop, start)
    first, moves = len(desktop.events()), len(copy.moves())
    desktop.wheel_seen(*[WHEEL_DOWN] * 5)
    desktop.move_to(*OVER_RIGHT)
    entered = wait_for("the pointer over the second target", lambda: copy.moves()[moves:], bool)
    events = desktop.wait_for_sum(first, "v", lambda total: -600 < total <= 0)
    late = [event for event in copy.events() if event[0] > entered[0][0] + 8000]
    assert not late, f"the second target got {late}"
    total = sum(delta for _, _, delta, _ in events)
    assert -600 < total <= 0, f"the first target got {total} of five notches (-600)"

    # Two panes of one window: the wheel goes to the one under the pointer.
    desktop.show_target(PANES, place=LEFT, pointer=(120, 380))
    first, pane = len(desktop.events()), len(desktop.right_pane())
    desktop.wheel_seen(*[WHEEL_DOWN] * 5)
    desktop.move_to(380, 380)
    entered = wait_for("the pointer over the right pane", lambda: desktop.right_pane()[pane:], bool)
    events = desktop.wait_for_sum(first, "v", lambda total: -600 < total <= 0)
    late = [event for event in desktop.right_pane() if event[0] > entered[0][0] + 8000]
    assert not late, f"the right pane got {late}"
    assert -600 < sum(delta for _, _, delta, _ in events) <= 0, events


def test_a_program_named_with_an_ampersand_shows_as_typed_in_the_menu(desktop, start):
    """The "In NAME" item's text, measured on the screen, is as wide as "In R&D.exe" in the menu
    font, not as "In RD.exe" with an access key."""
    desktop.reg_set(PROGRAMS_KEY, "R&D.exe", REG_DWORD, dword(FAST))
    copy = desktop.start_copy("R&D.exe")
    start().command(IDC_EFFECT_SWITCH)
    copy.show_target()
    wait_for("the tooltip to name R&D.exe", desktop.tooltip, lambda tip: tip.endswith("R&D.exe"))
    menu, items = open_menu(desktop)
    top, bottom = items[4][:2]
    pixels = desktop.screenshot().convert("L").load()
    x0, y0 = menu[0] + desktop.offset[0], desktop.offset[1]
    dark = [x for x in range(2, menu[2] - menu[0] - 20) for y in range(top, bottom + 1)
            if pixels[x0 + x, y0 + y] < 0xC0]
    widths = {text: int(desktop.probe("menu-text-width", text).split()[2]) -
              int(desktop.probe("menu-text-width", text).split()[1])
              for text in ("In R&&D.exe", "In R&D.exe")}
    assert abs(max(dark) + 1 - min(dark) - widths["In R&&D.exe"]) <= 1, (min(dark), max(dark), widths)
