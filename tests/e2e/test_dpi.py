"""Rolvane at the common display scales. With the prefix at 96, 120, 144 and 192 DPI the client
area is the 96-DPI one scaled, the drawn parts stand at the scaled places, every text fits its
control in both languages, and the notification area shows the icon drawn for 150 %."""
import xml.etree.ElementTree as ElementTree

from PIL import Image, ImageChops, ImageStat

from desktop import (ACCENT, PAGE, ROOT, SLIDER_TRACK, SWITCH_OFF, TRACKBARS, WHITE, WIN_DIR,
                     scaled, slider_points, wait_for, wait_for_pixels)

# 96-DPI fonts by creation order: the title; the subtitle, parameter line and notes; the rest.
TITLE_FONT, SMALL_FONT, BODY_FONT, SMALL_TEXTS = (25, 600), (14, 400), (16, 400), (1, 5, 14, 15)


def drawn_span(image, box):
    """How many columns of a screen area hold pixels that stand out from its corner's colour."""
    area = image.crop(box)
    contrast = ImageChops.difference(area, Image.new("RGB", area.size, area.getpixel((0, 0))))
    ink = contrast.convert("L").point(lambda level: 255 if level > 63 else 0).getbbox()
    return ink[2] - ink[0] if ink else 0


def badly_fitting_texts(desktop, dpi):
    """The texts that need more room than their control gives, measured in their font at this
    scale, or whose pixels on the screen span other than in that font (a font not at the scale,
    or a cut): (text, room needed, room, span drawn, span measured)."""
    image, (x, y), found = desktop.screenshot(), desktop.offset, []
    for index, (kind, style, left, top, right, bottom, text) in enumerate(desktop.children()):
        if not text:
            continue
        size, weight = TITLE_FONT if index == 0 else SMALL_FONT if index in SMALL_TEXTS else BODY_FONT
        advance, first, last = desktop.text_width(scaled(size, dpi), weight, text)
        if kind == "Button":  # a switch: its label stands 14 px in from its left, 72 from its right
            left, right = left + scaled(14, dpi), right - scaled(72, dpi)
        # A centred static (SS_CENTER) places the text by its advance; its pixels may reach past.
        needed = max(advance, 2 * last - advance if style & 0x1F == 1 else last)
        drawn = drawn_span(image, (left + x, top + y, right + x, bottom + y))
        if needed > right - left or abs(drawn - (last - first)) > 2:
            found.append((text, needed, right - left, drawn, last - first))
    return found


def check_window(desktop, dpi, client96, language="English"):
    info = desktop.info()
    size, want = (info["width"], info["height"]), [scaled(length, dpi) for length in client96]
    assert all(abs(a - b) <= 2 for a, b in zip(size, want)), f"client {size} at {dpi} DPI: {want}"
    def at(x, y):
        return info["x"] + scaled(x, dpi), info["y"] + scaled(y, dpi)
    checks = [("page", *at(17, 148), PAGE, True), ("card", *at(23, 148), WHITE, True),
              ("card's foot", *at(270, 532), WHITE, True), ("page below", *at(270, 538), PAGE, True)]
    for right in (260, 500):  # the two switches, off: the track, the knob, the free end
        checks += [(f"switch {right}", *at(right - dx, 148), colour, True)
                   for dx, colour in ((39, SWITCH_OFF), (52, WHITE), (26, SWITCH_OFF))]
    for id in TRACKBARS:
        (cx, y), value, rest = slider_points(desktop, id, dpi)
        # Inside a thumb of the scale only: one of 16 px ends 8 px from its centre.
        checks.append((f"thumb {id}", cx + scaled(6, dpi), y, WHITE, True))
        checks += [(f"value {id}", *value, ACCENT, True)] if value else []
        checks += [(f"track {id}", *rest, SLIDER_TRACK, True)] if rest else []
    wait_for_pixels(desktop, f"the window at {dpi} DPI", checks if language == "English" else [])
    wait_for(f"every {language} text to fit at {dpi} DPI", lambda: badly_fitting_texts(desktop, dpi),
             lambda found: not found)
    # Every control's edges in the client area.
    return [edge - origin for child in desktop.children()
            for edge, origin in zip(child[2:6], (info["x"], info["y"]) * 2)]


def tray_icon_difference(desktop, size):
    """How far the notification area's corner is, where it matches best, from the program's
    icon drawn at `size` pixels: 0 when the shell shows that image unscaled."""
    (x, y), (width, height) = desktop.offset, desktop.desktop_size
    corner = desktop.screenshot().crop((x + width - 3 * size, y + height - 2 * size,
                                        x + width, y + height))
    icon = Image.open(ROOT / "res" / "rolvane.ico")
    icon.size = (size, size)
    background = Image.new("RGBA", icon.size, corner.getpixel((corner.width - 1, corner.height - 1)))
    drawn = Image.alpha_composite(background, icon.convert("RGBA")).convert("RGB")
    return min(sum(ImageStat.Stat(ImageChops.difference(
        corner.crop((i, j, i + size, j + size)), drawn)).mean) / 3
        for i in range(corner.width - size + 1) for j in range(corner.height - size + 1))


def test_the_program_declares_itself_aware_of_each_monitors_scale():
    exe = (WIN_DIR / "Rolvane.exe").read_bytes()
    manifest = ElementTree.fromstring(exe[exe.index(b"<?xml"):exe.index(b"</assembly>") + 11])
    assert {element.tag.split("}")[1]: element.text for element in manifest.iter()
            if element.tag.endswith(("}dpiAware", "}dpiAwareness"))} == \
        {"dpiAware": "true", "dpiAwareness": "PerMonitorV2"}


def test_the_window_and_its_icon_are_drawn_at_every_scale(desktop, start):
    client96, layouts = None, {}
    try:
        for dpi in (96, 120, 144, 192):
            if dpi != 96:
                desktop.set_dpi(dpi)
            rolvane = start()
            info = desktop.info()
            client96 = client96 or (info["width"], info["height"])
            layouts[dpi] = check_window(desktop, dpi, client96)
            if dpi == 144:
                wait_for("the notification icon drawn from the 24 px image",
                         lambda: tray_icon_difference(desktop, 24), lambda difference: difference < 2)
            if dpi == 192:
                # What Windows sends when the window has moved to a monitor at 150 %.
                left, top = info["left"], info["top"]
                desktop.probe("dpi-changed", 144, left, top,
                              info["right"] - info["width"] + scaled(client96[0], 144),
                              info["bottom"] - info["height"] + scaled(client96[1], 144))
                # Laid out as at a start at 150 %, but for what the trackbars make of their history.
                layout = check_window(desktop, 144, client96)
                assert len(layout) == len(layouts[144]) and \
                    max(abs(a - b) for a, b in zip(layout, layouts[144])) <= 2, layout
            rolvane.exit()
            czech = start(locale="cs_CZ.UTF-8")
            check_window(desktop, dpi, client96, "Czech")
            czech.exit()
    finally:
        for rolvane in desktop.started:
            rolvane.kill()
        desktop.set_dpi(96)
