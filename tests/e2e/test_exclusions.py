"""Where the effect stays out: programs the user excludes, full-screen programs, and the wheel
with Ctrl or Alt (zoom) or a Shift pressed after it (sideways), with real notches, real keys and
the real notification menu."""
from desktop import (BORDERLESS, IDC_EFFECT_SWITCH, MAXIMIZED, MAXIMIZED_POPUP, NAME_AND_VERSION,
                     REG_DWORD, SETTINGS_KEY, STATE_ON, VK_CONTROL, VK_MENU, VK_SHIFT, WHEEL_DOWN,
                     dword, wait_for)
from test_tray import marks, open_menu, read_menu, submenu
from test_wheel import check_smoothed, wheel

REG_MULTI_SZ, IDM_PAUSE_IN_FULL_SCREEN = 7, 1302


def multi_sz(*names):
    return "".join(name + "\0" for name in names).encode("utf-16-le") + b"\0\0"


TOOLTIP_ON = NAME_AND_VERSION + " \u2014 smooth scrolling is enabled"
TOOLTIP_FULL_SCREEN = NAME_AND_VERSION + " \u2014 paused in a full-screen program"


def started_on(start, desktop, target=1):
    rolvane = start()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    desktop.show_target(target)
    return rolvane


def whole(events):
    return [(kind, delta, tagged) for _, kind, delta, tagged in events]


def three_whole_notches(desktop):
    events = desktop.wait_for_sum(wheel(desktop, WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN), "v", -360)
    assert whole(events) == [("v", -120, False)] * 3


def three_smoothed_notches(desktop):
    check_smoothed(desktop.wait_for_sum(wheel(desktop, WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN), "v",
                                        -360), -360)


def whole_once_rolvane_sees_it(desktop):
    """One notch at a time until one passes whole: Rolvane looks at the front on its timer."""
    wait_for("a notch to pass whole", lambda: whole(desktop.wait_for_sum(
        wheel(desktop, WHEEL_DOWN), "v", -120)), lambda seen: seen == [("v", -120, False)])


def test_an_excluded_program_gets_whole_notches_and_the_menu_edits_the_list(desktop, start):
    desktop.reg_set(SETTINGS_KEY, "ExcludedPrograms", REG_MULTI_SZ,
                    multi_sz("other.exe", "PROBE.EXE"))
    started_on(start, desktop)
    three_whole_notches(desktop)

    # The programs with their own setting list both names; choosing PROBE.EXE takes it off.
    menu, items = open_menu(desktop)
    assert marks(items)[4:7] == [(False, False), (False, False), (True, False)], items
    desktop.move_to((menu[0] + menu[2]) // 2, (items[5][0] + items[5][1]) // 2)
    assert marks(read_menu(desktop, submenu(desktop, menu), 2)) == [(True, False), (True, False)]
    desktop.xdotool("key", "Down", "Down", "Return")
    wait_for("the list without PROBE.EXE", lambda: desktop.reg_get(SETTINGS_KEY, "ExcludedPrograms"),
             lambda value: value == (REG_MULTI_SZ, multi_sz("other.exe")))
    desktop.show_target()
    three_smoothed_notches(desktop)

    # The program that was in front before the menu opened, off again through "In NAME": the
    # submenu has "Like everywhere else" checked, and "Off" under it.
    menu, items = open_menu(desktop)
    desktop.move_to((menu[0] + menu[2]) // 2, (items[4][0] + items[4][1]) // 2)
    assert marks(read_menu(desktop, submenu(desktop, menu), 6))[:2] == [(True, False), (False, False)]
    desktop.xdotool("key", "Down", "Down", "Return")
    wait_for("probe.exe in the list", lambda: desktop.reg_get(SETTINGS_KEY, "ExcludedPrograms"),
             lambda value: value == (REG_MULTI_SZ, multi_sz("other.exe", "probe.exe")))
    desktop.show_target()
    three_whole_notches(desktop)


def test_ctrl_or_alt_passes_notches_whole_and_any_of_them_or_shift_ends_a_movement(desktop, start):
    started_on(start, desktop)
    desktop.probe("notches", 1)
    for key, code in (("ctrl", VK_CONTROL), ("alt", VK_MENU), ("shift", VK_SHIFT)):
        if key != "shift":
            desktop.xdotool("keydown", key)
            try:
                three_whole_notches(desktop)
            finally:
                desktop.xdotool("keyup", key)

        # Three quick notches, then the key goes down while they are still moving.
        first = len(desktop.events())
        desktop.wheel_seen(WHEEL_DOWN, WHEEL_DOWN, WHEEL_DOWN)
        keys = len(desktop.keys())
        desktop.xdotool("keydown", key)
        try:
            down = wait_for(f"the target to see {key} go down", lambda: desktop.keys()[keys:],
                            lambda seen: any(kind == "k" and vk == code for _, kind, vk, _ in seen))
            events = desktop.wait_for_sum(first, "v", lambda total: -360 < total <= 0)
        finally:
            desktop.xdotool("keyup", key)
        pressed = next(us for us, kind, vk, _ in down if kind == "k" and vk == code)
        late = [event for event in events if event[0] > pressed + 8000]
        assert not late, f"wheel events more than 8 ms after {key} went down: {late}"
        total = sum(delta for _, _, delta, _ in events)
        assert -360 < total <= 0 and all(tagged for *_, tagged in events), events
    three_smoothed_notches(desktop)


def test_only_a_window_without_caption_over_its_monitor_is_a_full_screen_program(desktop, start):
    rolvane = started_on(start, desktop, target=BORDERLESS)
    whole_once_rolvane_sees_it(desktop)
    three_whole_notches(desktop)
    wait_for("the tooltip to tell the pause", desktop.tooltip, lambda tip: tip == TOOLTIP_FULL_SCREEN)

    # A maximized window covers its monitor by its borders: Wine keeps the work area whole.
    desktop.show_target(MAXIMIZED)
    left, top, right, bottom, *monitor, zoomed = map(int, desktop.probe("target-rect").split())
    assert zoomed and left < monitor[0] and top < monitor[1] and right > monitor[2] \
        and bottom > monitor[3], desktop.probe("target-rect")
    wait_for("the tooltip to tell no pause", desktop.tooltip, lambda tip: tip == TOOLTIP_ON)
    three_smoothed_notches(desktop)

    # A pop-up window maximized over its monitor, as games and kiosks go full screen.
    desktop.show_target(MAXIMIZED_POPUP)
    whole_once_rolvane_sees_it(desktop)
    rolvane.command(IDM_PAUSE_IN_FULL_SCREEN)
    assert desktop.reg_get(SETTINGS_KEY, "PauseInFullScreen") == (REG_DWORD, dword(0))
    three_smoothed_notches(desktop)
