"""The drawn switches and sliders of the real program, sampled in screenshots at points computed
from the rectangles the controls themselves report."""
from desktop import FAST, IDC_EFFECT_SWITCH, TRACKBARS, near, wait_for

ACCENT, WHITE, PAGE = 0x4169E1, 0xFFFFFF, 0xF5F7FB
SWITCH_OFF, SWITCH_ON_PRESSED, SWITCH_OFF_PRESSED = 0xCDD4E2, 0x355DD5, 0xC1C8D6
SLIDER_TRACK = 0xD3DBE9
STATE_ON_GREEN, MUTED = 0x19915D, 0x657084


def wait_for_pixels(desktop, what, checks):
    """Screenshots until every (name, x, y, colour, same) holds: the colour there, or (same
    False) any other colour; fails showing what the last screenshot had."""
    def sample():
        image = desktop.screenshot()
        return [(name, f"{desktop.pixel(image, x, y):06X}", f"{'' if same else 'not '}{want:06X}")
                for name, x, y, want, same in checks]
    def holds(seen):
        return all(near(int(got, 16), want) == same
                   for (_, got, _), (_, _, _, want, same) in zip(seen, checks))
    wait_for(what, sample, holds, timeout=10)


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


def slider_points(desktop, id):
    """The thumb's centre on the line, and a point of the value part left of it and of the track
    right of it, clear of the round caps, the thumb and its halo; None where there is no room."""
    left, top, _, _ = desktop.rect(id)
    channel_left, channel_top, channel_right, channel_bottom, thumb_left, _, thumb_right, _ = \
        [int(field) for field in desktop.probe("trackbar-rects", id).split()]
    y = top + (channel_top + channel_bottom) // 2
    cx = left + (thumb_left + thumb_right) // 2
    start, end = left + channel_left + 4, left + channel_right - 4
    value = ((start + cx - 14) // 2, y) if cx - 14 - start >= 8 else None
    rest = ((cx + 14 + end) // 2, y) if end - cx - 14 >= 8 else None
    return (cx, y), value, rest


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
    checks, before = window_checks(desktop), {}
    for id in TRACKBARS:
        thumb, value, rest = slider_points(desktop, id)
        before[id] = thumb
        checks.append((f"thumb {id}", *thumb, WHITE, True))
        checks += [(f"value {id}", *value, ACCENT, True)] if value else []
        checks += [(f"track {id}", *rest, SLIDER_TRACK, True)] if rest else []
    # Balanced: three thumbs inside their range and one at its lower end.
    assert sum(check[0].startswith("value") for check in checks) == 3
    assert sum(check[0].startswith("track") for check in checks) == 4
    wait_for_pixels(desktop, "sliders under Balanced", checks)

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
