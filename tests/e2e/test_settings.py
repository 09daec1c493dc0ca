"""Profiles and Custom values in the prefix's real registry: saved by the program, loaded at
start, damaged values read safely, kept across a restart of the Wine server."""
import pytest

from desktop import (BALANCED, CUSTOM, FAST, REG_BINARY, REG_DWORD, REG_SZ, SETTINGS_KEY,
                     SETTINGS_NAMES, SOFT, dword)

VALUES = {SOFT: [100, 100, 125, 430], BALANCED: [100, 100, 110, 360], FAST: [110, 150, 80, 240]}


def move_slider_by_key(desktop, id, key):
    """A real click on the thumb of trackbar `id`, which focuses it, then a real key."""
    left, top, _, _ = desktop.rect(id)
    fields = [int(field) for field in desktop.probe("trackbar-rects", id).split()]
    thumb_left, thumb_top, thumb_right, thumb_bottom = fields[4:]
    desktop.move_to(left + (thumb_left + thumb_right) // 2, top + (thumb_top + thumb_bottom) // 2)
    desktop.xdotool("click", 1, "key", key)


def test_a_profile_and_a_slider_move_are_saved(desktop, start):
    rolvane = start()
    rolvane.command(FAST)
    assert desktop.trackbars() == VALUES[FAST]
    # Saved with the built-in Custom values, which a slider then replaces.
    desktop.wait_for_stored([FAST, 100, 100, 110, 360], "Fast chosen")
    move_slider_by_key(desktop, 1102, "Right")
    desktop.wait_for_stored([CUSTOM, 110, 151, 80, 240], "a slider moved by a key")
    desktop.wait_for_text("parameters",
                          "Step 110 %   |   Acceleration 151 %   |   Window 80 ms   |   Tail 240 ms")
    rolvane.exit()


def test_exit_saves_a_change_the_refresh_timer_has_not_saved_yet(desktop, start):
    rolvane = start()
    desktop.probe("slide-then-exit", 1104, 500)
    rolvane.wait_for_exit()
    assert desktop.stored_settings() == [CUSTOM, 100, 100, 110, 500]


def test_saved_settings_are_in_force_at_the_next_start_even_after_a_new_logon(desktop, start):
    # The program creates the key itself: one created volatile would be gone after a new logon.
    rolvane = start()
    rolvane.command(FAST)
    desktop.wait_for_stored([FAST, 100, 100, 110, 360], "Fast chosen")
    rolvane.exit()
    desktop.restart_wine()
    rolvane = start()
    assert desktop.trackbars() == VALUES[FAST]
    rolvane.exit()


def damaged(index, value_type, data):
    """Valid settings but the value at `index`, planted as (type, bytes)."""
    values = [(REG_DWORD, dword(number)) for number in (FAST, 70, 200, 60, 300)]
    values[index] = (value_type, data)
    return values


def text(number, terminators=1):
    return (str(number) + "\0" * terminators).encode("utf-16-le")


# What the program's own load makes of each damaged value in the real registry: the profile in
# force and the Custom values. A Custom value that is not a 4-byte DWORD rejects all four; the
# profile is read from any 4 bytes and falls back to Balanced otherwise.
DAMAGES = [
    ("Profile as text", damaged(0, REG_SZ, text(FAST)), BALANCED, [70, 200, 60, 300]),
    ("Profile as 4 binary bytes", damaged(0, REG_BINARY, dword(FAST)), FAST, [70, 200, 60, 300]),
    ("Profile of 8 bytes", damaged(0, REG_BINARY, dword(FAST) + bytes(4)), BALANCED,
     [70, 200, 60, 300]),
    ("Profile of 1 byte", damaged(0, REG_DWORD, b"\x01"), BALANCED, [70, 200, 60, 300]),
    ("Profile 1205", damaged(0, REG_DWORD, dword(1205)), BALANCED, [70, 200, 60, 300]),
    ("Profile empty", damaged(0, REG_DWORD, b""), BALANCED, [70, 200, 60, 300]),
    ("step as text", damaged(1, REG_SZ, text(70)), FAST, [100, 100, 110, 360]),
    ("step of 3 bytes", damaged(2, REG_DWORD, dword(200)[:3]), FAST, [100, 100, 110, 360]),
    ("window of 8 bytes", damaged(3, REG_DWORD, dword(60) + bytes(4)), FAST, [100, 100, 110, 360]),
    ("tail as binary", damaged(4, REG_BINARY, dword(300)), FAST, [100, 100, 110, 360]),
    ("tail of 1 KB", damaged(4, REG_DWORD, dword(300) + bytes(1020)), FAST, [100, 100, 110, 360]),
    ("tail 501", damaged(4, REG_DWORD, dword(501)), FAST, [100, 100, 110, 360]),
]


@pytest.mark.parametrize("values, profile, custom",
                         [case[1:] for case in DAMAGES], ids=[case[0] for case in DAMAGES])
def test_damaged_values_load_what_can_be_read_safely(desktop, values, profile, custom):
    for name, (value_type, data) in zip(SETTINGS_NAMES, values):
        desktop.reg_set(SETTINGS_KEY, name, value_type, data)
    loaded = [int(field) for field in desktop.probe("load").split()]
    active = custom if profile == CUSTOM else VALUES[profile]
    assert loaded == [profile, *active, *custom]
