"""The headless part of scripts/run: Rolvane.exe in an Xvfb and a Wine prefix of its own
(build/run/), the effect on, a screenshot of its window, one real notch over the scroll target
and what the target received, then Exit."""
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from desktop import (IDC_EFFECT_SWITCH, SETTINGS_KEY, STATE_ON, WHEEL_DOWN,  # noqa: E402
                     Rolvane)
from script_desktop import note, run_in_desktop, window_image  # noqa: E402

WORK = ROOT / "build" / "run"
SCREENSHOT = WORK / "window.png"



def show_window(desktop):
    print("window:", desktop.probe("title"))
    print("state line:", desktop.text("state"))
    print("parameter line:", desktop.text("parameters"))
    window_image(desktop).save(SCREENSHOT)
    note("screenshot of the running window:", SCREENSHOT.relative_to(ROOT))


def print_received(events):
    first = events[0][0]
    for time_us, kind, delta, tagged in events:
        print(f"  {(time_us - first) / 1000:+9.3f} ms  {kind} {delta:5d}  "
              f"{'tagged' if tagged else 'not tagged'}")
    print(f"{len(events)} events, sum {sum(event[2] for event in events)}")


def run(desktop):
    # Balanced, whatever an earlier run left in the prefix.
    desktop.reg_delete(SETTINGS_KEY)
    rolvane = Rolvane(desktop)
    rolvane.command(IDC_EFFECT_SWITCH)
    desktop.wait_for_text("state", STATE_ON)
    show_window(desktop)
    desktop.show_target()
    note("one notch down (xdotool click 5) over the scroll target, effect on")
    start = len(desktop.events())
    desktop.wheel(WHEEL_DOWN)
    events = desktop.wait_for_sum(start, "v", -120)
    note("the target received:")
    print_received(events)
    rolvane.exit()
    note("Rolvane.exe exited with code 0")


def main():
    return run_in_desktop(WORK, WORK / "wine-prefix", run)


if __name__ == "__main__":
    sys.exit(main())
