"""The Wine part of scripts/screenshots: Rolvane's window with the effect on and the Balanced
profile, in English, Czech and German at 100 % and in English at 150 %, cut from screenshots of
an Xvfb and a Wine prefix of its own (build/wine-prefix-screenshots) into docs/window-en.png,
docs/window-cs.png, docs/window-de.png and docs/window-en-150.png."""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from desktop import IDC_EFFECT_SWITCH, SETTINGS_KEY, Rolvane, near, scaled, wait_for  # noqa: E402
from script_desktop import note, run_in_desktop, window_image  # noqa: E402
from PIL import Image  # noqa: E402

ACCENT = 0x4169E1
SHOTS = (("en_US.UTF-8", 96, ROOT / "docs" / "window-en.png"),
         ("cs_CZ.UTF-8", 96, ROOT / "docs" / "window-cs.png"),
         ("de_DE.UTF-8", 96, ROOT / "docs" / "window-de.png"),
         ("en_US.UTF-8", 144, ROOT / "docs" / "window-en-150.png"))



def accent_points(desktop, dpi):
    """The header band, and the centre of the effect switch's pill (50 x 24 at 100 %, 64 px in
    from the control's right edge, centred vertically): both in the accent colour once the effect
    is on."""
    info = desktop.info()
    _, top, right, bottom = desktop.rect(IDC_EFFECT_SWITCH)
    return {"header": (info["x"] + 100, info["y"] + 3),
            "switch": (right - scaled(39, dpi), (top + bottom) // 2)}


def wait_for_accent(desktop, dpi, what):
    points = accent_points(desktop, dpi)

    def colours():
        image = desktop.screenshot()
        return {name: f"{desktop.pixel(image, *point):06X}" for name, point in points.items()}
    wait_for(f"{what}: the header and the switch in the accent colour {ACCENT:06X}", colours,
             lambda seen: all(near(int(colour, 16), ACCENT) for colour in seen.values()),
             timeout=15)


def indexed(image):
    """The same pixels with a palette when they have at most 256 colours, as the committed
    screenshots have: half the size."""
    colours = [colour for _, colour in image.getcolors(256) or []]
    if not colours:
        return image
    number = {colour: index for index, colour in enumerate(colours)}
    result = Image.new("P", image.size)
    result.putpalette([channel for colour in colours for channel in colour])
    result.putdata([number[pixel] for pixel in image.getdata()])
    return result


def shoot(desktop, locale, dpi, output):
    desktop.reg_delete(SETTINGS_KEY)
    rolvane = Rolvane(desktop, locale=locale)
    rolvane.command(IDC_EFFECT_SWITCH)
    # The pointer off the window, so that nothing in it is hot.
    desktop.move_to(desktop.info()["right"] + 40, 40)
    wait_for_accent(desktop, dpi, output.name)
    image = window_image(desktop)
    # Without date chunks, as any PNG that PIL writes: the same window gives the same file.
    indexed(image).save(output, optimize=True)
    rolvane.exit()
    note(f"{output.relative_to(ROOT)}: {image.width}x{image.height}, {locale}, {dpi} DPI")


def main():
    def shoot_all(desktop):
        # The prefix keeps the scale of the last run: each scale is set before its shots.
        dpi_set = None
        for locale, dpi, output in SHOTS:
            if dpi != dpi_set:
                desktop.set_dpi(dpi)
                dpi_set = dpi
            shoot(desktop, locale, dpi, output)
    return run_in_desktop(ROOT / "build" / "screenshots",
                          ROOT / "build" / "wine-prefix-screenshots", shoot_all)


if __name__ == "__main__":
    sys.exit(main())
