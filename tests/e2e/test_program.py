"""The real Rolvane.exe: its window, start in the notification area, one instance, closing,
and the Czech UI."""
from desktop import IDM_OPEN, NAME_AND_VERSION, SETTINGS_KEY, wait_for
from test_tray import open_menu

WM_LBUTTONDBLCLK = 0x203


def parameter_line(*values):
    return "Step {} %   |   Acceleration {} %   |   Window {} ms   |   Tail {} ms".format(*values)


def test_tray_start_stays_hidden_until_the_icon_opens_the_window(desktop, start):
    start("--tray")
    assert desktop.info()["visible"] == 0
    open_menu(desktop)
    desktop.xdotool("key", "Escape")
    wait_for("the menu to close", lambda: desktop.probe("menus"), lambda menus: not menus)
    assert desktop.info()["visible"] == 0
    desktop.probe("tray", WM_LBUTTONDBLCLK)
    desktop.wait_for_info("visible", 1)
    desktop.wait_for_info("foreground", 1)


def second_start_brings_the_first_forward(desktop, first):
    assert desktop.start_second() == 0
    desktop.wait_for_info("visible", 1)
    desktop.wait_for_info("foreground", 1)
    assert [pid for pid, _ in desktop.windows()] == [desktop.info()["pid"]]
    assert first.process.poll() is None


def test_a_second_start_brings_the_first_instance_forward(desktop, start):
    first = start()
    desktop.wait_for_info("visible", 1)
    desktop.show_target()
    desktop.wait_for_info("foreground", 0)
    second_start_brings_the_first_forward(desktop, first)
    desktop.probe("minimize")
    desktop.wait_for_info("iconic", 1)
    second_start_brings_the_first_forward(desktop, first)
    assert desktop.info()["iconic"] == 0
    first.exit()

    first = start("--tray")
    second_start_brings_the_first_forward(desktop, first)


def test_the_window_starts_with_balanced_writes_nothing_and_closing_only_hides_it(desktop, start):
    rolvane = start()
    info = desktop.wait_for_info("visible", 1)
    assert desktop.probe("title") == NAME_AND_VERSION + " - Smooth Control"
    assert (info["right"] - info["left"], info["bottom"] - info["top"]) == (560, 730)
    assert desktop.text("parameters") == parameter_line(100, 100, 110, 360)
    assert desktop.trackbars() == [100, 100, 110, 360]
    desktop.probe("close")
    desktop.wait_for_info("visible", 0)
    assert rolvane.process.poll() is None
    desktop.probe("command", IDM_OPEN)
    desktop.wait_for_info("visible", 1)
    rolvane.exit()
    assert desktop.reg_get(SETTINGS_KEY, "Profile") is None


def test_a_start_while_another_holds_the_name_but_has_no_window_yet_only_waits(desktop):
    desktop.probe("hold-mutex")
    try:
        assert desktop.start_second() == 0
        assert desktop.windows() == []
    finally:
        desktop.probe("release-mutex")


def test_czech_display_language_gives_czech_texts(desktop, start):
    start(locale="cs_CZ.UTF-8")
    assert desktop.probe("title") == NAME_AND_VERSION + " - Plynulé ovládání"
    assert desktop.text("state") == "VYPNUTO  •  kolečko funguje standardně"
    assert desktop.text("parameters") == \
        "Krok 100 %   |   Akcelerace 100 %   |   Okno 110 ms   |   Dojezd 360 ms"
