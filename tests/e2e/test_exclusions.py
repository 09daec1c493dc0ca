"""Where the effect stays out: programs the user excludes, full-screen programs, and Ctrl+wheel
(zoom), with real notches and the real notification menu."""
from desktop import SETTINGS_KEY, IDC_EFFECT_SWITCH, STATE_ON, WHEEL_DOWN, REG_DWORD, dword, wait_for
from test_tray import marks, open_menu, read_menu, submenu
from test_wheel import check_smoothed, wheel

REG_MULTI_SZ, IDM_PAUSE_IN_FULL_SCREEN = 7, 1302


def multi_sz(*names):
    return "".join(name + "\0" for name in names).encode("utf-16-le") + b"\0\0"


def started_on(start, desktop, target=1):
    rolvane = start()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    desktop.probe("target", target)
    desktop.move_to(800, 380)
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

    # "Off in probe.exe" is checked; the submenu lists both names; choosing PROBE.EXE removes it.
    menu, items = open_menu(desktop)
    assert marks(items)[3:6] == [(True, False), (False, False), (True, False)], items
    desktop.move_to((menu[0] + menu[2]) // 2, (items[4][0] + items[4][1]) // 2)
    assert marks(read_menu(desktop, submenu(desktop, menu), 2)) == [(True, False), (True, False)]
    desktop.xdotool("key", "Down", "Down", "Return")
    wait_for("the list without PROBE.EXE", lambda: desktop.reg_get(SETTINGS_KEY, "ExcludedPrograms"),
             lambda value: value == (REG_MULTI_SZ, multi_sz("other.exe")))
    desktop.show_target()
    three_smoothed_notches(desktop)

    # The program that was in front before the menu opened, added back through "Off in NAME".
    open_menu(desktop)
    desktop.xdotool("key", "Down", "Down", "Down", "Down", "Return")
    wait_for("probe.exe in the list", lambda: desktop.reg_get(SETTINGS_KEY, "ExcludedPrograms"),
             lambda value: value == (REG_MULTI_SZ, multi_sz("other.exe", "probe.exe")))
    desktop.show_target()
    three_whole_notches(desktop)


def test_notches_with_ctrl_held_pass_whole(desktop, start):
    started_on(start, desktop)
    desktop.xdotool("keydown", "ctrl")
    try:
        three_whole_notches(desktop)
    finally:
        desktop.xdotool("keyup", "ctrl")
    three_smoothed_notches(desktop)


def test_a_window_over_the_whole_screen_gets_whole_notches_unless_the_rule_is_off(desktop, start):
    rolvane = started_on(start, desktop, target=2)
    whole_once_rolvane_sees_it(desktop)
    three_whole_notches(desktop)
    rolvane.command(IDM_PAUSE_IN_FULL_SCREEN)
    assert desktop.reg_get(SETTINGS_KEY, "PauseInFullScreen") == (REG_DWORD, dword(0))
    three_smoothed_notches(desktop)
