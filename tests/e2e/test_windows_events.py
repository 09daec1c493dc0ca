"""What Windows does to a program that runs for days in the notification area: Explorer
restarts and takes every icon with it; a resume or an unlock may have cost the hook."""
from desktop import IDC_EFFECT_SWITCH, STATE_ON, wait_for
from test_dpi import tray_icon_difference
from test_tray import open_menu
from test_exclusions import three_smoothed_notches

WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x218, 0x12
WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK = 0x2B1, 0x8


def wait_for_tray_icon(desktop, on):
    wait_for(f"the notification icon of the effect {'on' if on else 'off'}",
             lambda: tray_icon_difference(desktop, 16, on), lambda difference: difference < 2)


def test_the_icon_shows_the_state_and_comes_back_after_explorer_restarts(desktop, start):
    rolvane = start("--tray")
    wait_for_tray_icon(desktop, False)
    rolvane.command(IDC_EFFECT_SWITCH)
    wait_for_tray_icon(desktop, True)
    desktop.probe("tray-delete")
    desktop.probe("post", "TaskbarCreated", 0, 0)
    wait_for_tray_icon(desktop, True)
    rolvane.command(IDC_EFFECT_SWITCH)
    wait_for_tray_icon(desktop, False)
    open_menu(desktop)
    desktop.xdotool("key", "Up", "Return")
    rolvane.wait_for_exit()


def test_resume_and_unlock_put_the_hook_back_and_typing_does_not(desktop, start):
    rolvane = start()
    desktop.show_target()
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    desktop.probe("post", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0)
    desktop.probe("post", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0)
    wait_for("two reinstalls of the hook", lambda: int(desktop.probe("prop", "Rolvane.HookReinstalls")),
             lambda count: count >= 2, timeout=10)
    three_smoothed_notches(desktop)
    # 15 s of typing without the mouse: the system saw input the hook did not, none of it mouse.
    typed = len(desktop.keys())
    desktop.xdotool("type", "--delay", 200, "typing without the mouse " * 6)
    keys = desktop.keys()[typed:]
    assert keys[-1][0] - keys[0][0] >= 15e6, f"typed for {(keys[-1][0] - keys[0][0]) / 1e6} s only"
    assert int(desktop.probe("prop", "Rolvane.HookReinstalls")) == 2
    three_smoothed_notches(desktop)
    rolvane.exit()
