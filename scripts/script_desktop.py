"""What the Wine scripts (run, screenshots, measure) share: the tests' desktop (tests/e2e/desktop.py)
with a way to run in one of their own and to cut Rolvane's window from the screen."""
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from desktop import Desktop, wait_for  # noqa: E402


def note(*words):
    print("==", *words, flush=True)


def run_in_desktop(work, prefix, body):
    """body(desktop) in a desktop of its own; 1 and the reason when it fails."""
    desktop = Desktop(work=work, prefix=prefix)
    try:
        note(f"an Xvfb of its own, Wine prefix {prefix}")
        desktop.start()
        body(desktop)
    except (AssertionError, RuntimeError, subprocess.CalledProcessError) as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    finally:
        desktop.stop()
    return 0


def window_image(desktop, timeout=15):
    """Rolvane's window, frame included, cut from screenshots of the display once two in a row
    agree: then its painting is done."""
    info = desktop.info()
    box = (info["left"] + desktop.offset[0], info["top"] + desktop.offset[1],
           info["right"] + desktop.offset[0], info["bottom"] + desktop.offset[1])
    shots = [None]

    def steady():
        previous, shots[0] = shots[0], desktop.screenshot().crop(box)
        return previous is not None and previous.tobytes() == shots[0].tobytes()
    wait_for(f"two screenshots in a row of the window at {box} on the X screen to agree",
             steady, bool, timeout, interval=0.1)
    return shots[0]
