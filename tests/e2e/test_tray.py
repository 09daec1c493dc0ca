"""The notification-area menu as the shell shows it: its check and grey marks read from the
screen, its commands chosen with real keys."""
from desktop import (CUSTOM, FAST, IDC_EFFECT_SWITCH, LANGUAGE_IDS, LANGUAGES, REG_DWORD,
                     SETTINGS_KEY, TEXTS, dword, wait_for)

DARK, FAINT = 100, 200  # luminance: text and check marks are dark; grey text is only faint


def menu_items(desktop, image, menu):
    """The items of a popup menu from top to bottom as (top, bottom, checked, grey), read from a
    screenshot: bands of rows with text, their left margin holding a check mark or not.
    Separators are bands too thin to be text."""
    left, top, right, bottom = menu
    x0, y0 = left + desktop.offset[0], top + desktop.offset[1]
    pixels = image.convert("L").crop((x0, y0, x0 + right - left, y0 + bottom - top)).load()
    width, height = right - left, bottom - top

    def darkest(y, columns):
        return min(pixels[x, y] for x in columns)

    text_columns = range(20, width - 20)
    rows = [y for y in range(2, height - 2) if darkest(y, text_columns) < FAINT]
    bands, items = [], []
    for y in rows:
        if bands and y == bands[-1][1] + 1:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    for first, last in bands:
        if last - first < 4:
            continue
        band = range(first, last + 1)
        grey = all(darkest(y, text_columns) >= DARK for y in band)
        checked = any(darkest(y, range(3, 18)) < FAINT for y in band)
        items.append((top + first, top + last, checked, grey))
    return items


def read_menu(desktop, menu, count):
    """The items of a menu once all `count` of them are painted."""
    return wait_for(f"{count} items in the menu at {menu}",
                    lambda: menu_items(desktop, desktop.screenshot(), menu),
                    lambda items: len(items) == count, timeout=10, interval=0.1)


def submenu(desktop, menu):
    """The submenu open beside `menu`, once Wine has placed it: its window comes a moment before
    its size."""
    menus = wait_for("a submenu with a size", desktop.menus,
                     lambda menus: len(menus) == 2 and all(r[2] > r[0] for r in menus))
    return next(rect for rect in menus if rect != menu)


def open_menu(desktop):
    """A right click on the icon; the menu once painted (keys before may go elsewhere)."""
    menu = desktop.open_tray_menu()[0]
    return menu, read_menu(desktop, menu, 11)


def marks(items):
    return [(checked, grey) for _, _, checked, grey in items]


def drawn_width(desktop, image, menu, item):
    """How wide an item's text is drawn: its dark columns right of the check marks."""
    left, top, right, _ = menu
    x0, y0 = left + desktop.offset[0], top + desktop.offset[1]
    band = image.convert("L").crop((x0 + 20, y0 + item[0] - top, x0 + right - left - 20,
                                    y0 + item[1] - top + 1))
    columns = band.point(lambda level: 255 if level < FAINT else 0).getbbox() or (0,) * 4
    return columns[2] - columns[0]


def pick(desktop, menu, item):
    desktop.move_to((menu[0] + menu[2]) // 2, (item[0] + item[1]) // 2)


def test_the_menu_shows_the_state_and_carries_out_what_is_chosen(desktop, start):
    rolvane = start("--tray")
    rolvane.command(FAST)
    rolvane.command(IDC_EFFECT_SWITCH)
    menu, main = open_menu(desktop)
    # Open, Smooth scrolling (checked), Smoothness profile, Wheel, In the program in front (grey:
    # no program has been in front), Programs with their own setting (grey: none), Off in
    # full-screen programs (checked), Turn on at start, Hotkey..., Language, Exit.
    assert marks(main) == [(False, False), (True, False), (False, False), (False, False),
                           (False, True), (False, True), (True, False), (False, False),
                           (False, False), (False, False), (False, False)], main

    # Resting the pointer on "Smoothness profile" opens the submenu with nothing selected.
    pick(desktop, menu, main[2])
    profiles = read_menu(desktop, submenu(desktop, menu), 4)
    # Soft, Balanced, Fast (checked), Custom.
    assert marks(profiles) == [(False, False), (False, False), (True, False), (False, False)], \
        profiles

    # Down from the top of the submenu to Custom, then the menu is gone and Custom in force.
    desktop.xdotool("key", "Down", "Down", "Down", "Down", "Return")
    wait_for("the menu to close", desktop.menus, lambda menus: not menus)
    assert desktop.stored_settings()[0] == CUSTOM

    # Up from a freshly opened menu reaches its last item, "Exit Rolvane".
    open_menu(desktop)
    desktop.xdotool("key", "Up", "Return")
    rolvane.wait_for_exit()


WM_COMMAND, IDM_HOTKEY, IDOK, IDCANCEL = 0x111, 1304, 1, 2
# The hotkey control's words (HOTKEYF_CONTROL 2, HOTKEYF_SHIFT 1 in the high byte) and the same
# combinations as stored (MOD_CONTROL 2 | MOD_SHIFT 4 in the high word).
CONTROL_CTRL_SHIFT_F8, CONTROL_CTRL_SHIFT_F9 = 0x0377, 0x0378
CTRL_SHIFT_F8, CTRL_SHIFT_F9 = 0x00060077, 0x00060078


def press_in_dialog(desktop, showing, button, *hotkey):
    """Presses a button of the dialog in front once it shows the text `showing` (button 0 is
    none); returns its texts."""
    wait_for(f"a dialog showing {showing!r}", lambda: desktop.ask("dialog", 0),
             lambda answer: answer[0] and showing in answer[1])
    return desktop.probe("dialog", button, *hotkey)


def stored_hotkey(desktop):
    value = desktop.reg_get(SETTINGS_KEY, "ToggleHotkey")
    return value and (value[0], int.from_bytes(value[1], "little"))


def test_the_hotkey_dialog_stores_a_free_combination_and_refuses_a_held_one(desktop, start):
    rolvane = start("--tray")
    desktop.probe("hold-hotkey", CTRL_SHIFT_F8)
    try:
        desktop.probe("post", WM_COMMAND, IDM_HOTKEY, 0)
        press_in_dialog(desktop, "Press the keys", IDOK, CONTROL_CTRL_SHIFT_F8)
        press_in_dialog(desktop, "Another program already uses this combination", IDOK)
        press_in_dialog(desktop, "Press the keys", IDCANCEL)
        wait_for("the dialog to close", lambda: desktop.ask("dialog", 0), lambda a: not a[0])
        assert stored_hotkey(desktop) is None

        desktop.probe("post", WM_COMMAND, IDM_HOTKEY, 0)
        assert press_in_dialog(desktop, "Press the keys", IDOK, CONTROL_CTRL_SHIFT_F9) == \
            "Rolvane hotkey|Press the keys that switch smooth scrolling on and off:"
        wait_for("the new hotkey stored", lambda: stored_hotkey(desktop),
                 lambda stored: stored == (REG_DWORD, CTRL_SHIFT_F9))
        # The combination is Rolvane's now: another program is refused it.
        assert not desktop.ask("hold-hotkey", CTRL_SHIFT_F9)[0]
    finally:
        desktop.probe("release-hotkey")
    rolvane.exit()


def test_a_planted_language_speaks_in_the_window_and_menu_and_the_menu_changes_it(desktop, start):
    german, french = LANGUAGES.index("German"), LANGUAGES.index("French")
    desktop.reg_set(SETTINGS_KEY, "Language", REG_DWORD, dword(LANGUAGE_IDS[german]))
    def texts_not_in(language):
        texts = [child[4] for child in desktop.children()]
        return [TEXTS[id][language] for id in (1, 3, 4, 5, 6, 7, 8, 9, 10, 18)
                if TEXTS[id][language] not in texts]
    start("--tray")
    assert desktop.probe("title") == TEXTS[0][german] and not texts_not_in(german)
    # Smooth scrolling, Off in full-screen programs and Exit are drawn as wide as their German
    # texts in the menus' font.
    menu, main = open_menu(desktop)
    image = desktop.screenshot()
    for index, id in ((1, 3), (6, 34), (10, 29)):
        _, first, last = map(int, desktop.probe("menu-text-width", TEXTS[id][german]).split())
        drawn = drawn_width(desktop, image, menu, main[index])
        assert abs(drawn - (last - first)) <= 2, (TEXTS[id][german], drawn, last - first)
    # Like Windows, then each language by its own name, German checked; a click on Français
    # speaks French at once, in the window and the tooltip, and stores it.
    pick(desktop, menu, main[9])
    languages_menu = submenu(desktop, menu)
    languages = read_menu(desktop, languages_menu, 1 + len(LANGUAGES))
    assert [checked for _, _, checked, _ in languages] == \
        [index == 1 + german for index in range(len(languages))], languages
    pick(desktop, languages_menu, languages[1 + french])
    desktop.xdotool("click", 1)
    desktop.wait_for_text("state", TEXTS[18][french])
    assert desktop.probe("title") == TEXTS[0][french] and not texts_not_in(french)
    assert desktop.reg_get(SETTINGS_KEY, "Language") == (REG_DWORD, dword(LANGUAGE_IDS[french]))
    wait_for("the tooltip in French", desktop.tooltip, lambda tip: tip.endswith(TEXTS[22][french]))
