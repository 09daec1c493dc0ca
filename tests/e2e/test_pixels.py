"""The drawn switches and sliders of the real program, sampled in screenshots at points computed
from the rectangles the controls themselves report."""
from desktop import (ACCENT, FAST, IDC_EFFECT_SWITCH, PAGE, SLIDER_TRACK, SWITCH_OFF,
                     SWITCH_OFF_PRESSED, SWITCH_ON_PRESSED, TRACKBARS, WHITE, near, slider_points,
                     wait_for, wait_for_pixels)

STATE_ON_GREEN, MUTED = 0x19915D, 0x657084


def window_checks(desktop):
    info = desktop.info()
    return [("header", info["x"] + 100, info["y"] + 3, ACCENT, True),
            ("page", info["x"] + 10, info["y"] + 12, PAGE, True)]


def switch_checks(desktop, on, track):
    """The track's colour at its centre, the white knob at its end for the state, and the track
    colour where the knob would be in the other state."""
    left, top, right, bottom = desktop.rect(IDC_EFFECT_SWITCH)
    track_x, track_y = right - 64, top + (bottom - top - 24) // 2
    knob_on, knob_off = (track_x + 38, track_y + 12), (track_x + 12, track_y + 12)
    knob, other = (knob_on, knob_off) if on else (knob_off, knob_on)
    return window_checks(desktop) + [("track", track_x + 25, track_y + 12, track, True),
                                     ("knob", *knob, WHITE, True),
                                     ("free end", *other, track, True)]


def state_line_colours(desktop):
    """How many pixels of the state line have its 'on' and its 'off' colour."""
    left, top, right, bottom = desktop.rect("state")
    image = desktop.screenshot()
    colours = [desktop.pixel(image, x, y) for x in range(left, right) for y in range(top, bottom)]
    return sum(near(c, STATE_ON_GREEN) for c in colours), sum(near(c, MUTED) for c in colours)


def test_the_effect_switch_and_the_state_line_follow_the_state_and_the_press(desktop, start):
    rolvane = start()
    wait_for_pixels(desktop, "off at start", switch_checks(desktop, False, SWITCH_OFF))
    wait_for("the state line in its 'off' colour", lambda: state_line_colours(desktop),
             lambda counts: counts[0] == 0 and counts[1] > 20)
    rolvane.command(IDC_EFFECT_SWITCH)
    wait_for_pixels(desktop, "on", switch_checks(desktop, True, ACCENT))
    wait_for("the state line in its 'on' colour", lambda: state_line_colours(desktop),
             lambda counts: counts[0] > 20 and counts[1] == 0)
    left, top, _, bottom = desktop.rect(IDC_EFFECT_SWITCH)
    desktop.move_to(left + 50, (top + bottom) // 2)
    desktop.xdotool("mousedown", 1)
    wait_for_pixels(desktop, "on, pressed", switch_checks(desktop, True, SWITCH_ON_PRESSED))
    desktop.xdotool("mouseup", 1)
    wait_for_pixels(desktop, "off after the click", switch_checks(desktop, False, SWITCH_OFF))
    # A second press this soon at the same spot would be a double click; 30 px away it is not.
    desktop.move_to(left + 80, (top + bottom) // 2)
    desktop.xdotool("mousedown", 1)
    wait_for_pixels(desktop, "off, pressed", switch_checks(desktop, False, SWITCH_OFF_PRESSED))
    desktop.xdotool("mouseup", 1)
    wait_for_pixels(desktop, "on after the second click", switch_checks(desktop, True, ACCENT))
    rolvane.exit()


def test_the_sliders_are_repainted_whole_when_a_profile_moves_them(desktop, start):
    rolvane = start()
    before = {id: slider_points(desktop, id)[0] for id in TRACKBARS}
    rolvane.command(FAST)
    # The trackbar invalidates only its own narrow thumb; the stretch between the old and the
    # new place shows whether the whole slider was repainted.
    checks = window_checks(desktop)
    for id in TRACKBARS:
        (cx, y), _, _ = slider_points(desktop, id)
        old_x = before[id][0]
        assert abs(cx - old_x) >= 32, f"trackbar {id}: the thumb moved {cx - old_x} px under Fast"
        colour = ACCENT if cx > old_x else SLIDER_TRACK
        checks += [(f"thumb {id}", cx, y, WHITE, True), (f"old place {id}", old_x, y, colour, True),
                   (f"between {id}", (cx + old_x) // 2, y, colour, True)]
    wait_for_pixels(desktop, "sliders after Fast", checks)
    rolvane.exit()


def test_a_press_on_the_drawn_thumb_grabs_it_and_paging_leaves_no_stale_thumb(desktop, start):
    rolvane = start()
    step = TRACKBARS[0]
    left, top, _, _ = desktop.rect(step)
    (cx, y), _, rest = slider_points(desktop, step)
    # The drawn thumb is 16 px wide, the control's own 11 px: its edge is outside the latter.
    desktop.move_to(cx + 7, y)
    desktop.xdotool("mousedown", 1)
    wait_for("the slider to take the focus", lambda: int(desktop.probe("focus")),
             lambda focus: focus == step)
    assert int(desktop.probe("trackbar", step)) == 100, "the press paged instead of grabbing"
    desktop.xdotool("mouseup", 1)

    # Held on the channel far right, the trackbar pages from its own timer until the thumb is
    # under the pointer; the line it passed must show no piece of a thumb left behind.
    desktop.move_to(rest[0] + 40, y)
    desktop.xdotool("mousedown", 1)
    wait_for("the thumb to page under the pointer", lambda: slider_points(desktop, step)[0][0],
             lambda x: x >= rest[0] + 30, timeout=10)
    new_cx = slider_points(desktop, step)[0][0]
    checks = window_checks(desktop) + [(f"line at {x}", x, y, ACCENT, True)
                                       for x in range(cx + 12, new_cx - 12, 2)]
    wait_for_pixels(desktop, "the value part where the thumb passed", checks)
    desktop.xdotool("mouseup", 1)
    rolvane.exit()
