"""The world the end-to-end tests run Rolvane.exe in: an Xvfb of their own, a Wine prefix with a
virtual desktop, and the probe (tests/e2e/probe.cpp), a helper inside Wine that answers
commands, owns a scroll target window and plants registry values. Every wait polls a condition
up to a generous deadline and, when it gives up, says what it saw last."""
import os
import re
import shutil
import signal
import subprocess
import time
from pathlib import Path

from PIL import Image
from Xlib import X, display as xdisplay

ROOT = Path(__file__).resolve().parents[2]
WIN_DIR = Path(os.environ.get("ROLVANE_WIN_BUILD_DIR", ROOT / "build" / "win"))
WORK = Path(os.environ.get("ROLVANE_E2E_WORK", ROOT / "build" / "e2e-work"))
PREFIX = Path(os.environ.get("ROLVANE_E2E_PREFIX", ROOT / "build" / "wine-prefix"))
# The CMake project's version; the title and the tooltip show its major and minor.
VERSION = re.search(r"project\(Rolvane VERSION ([\d.]+)", (ROOT / "CMakeLists.txt").read_text())[1]
NAME_AND_VERSION = "Rolvane " + ".".join(VERSION.split(".")[:2])

SETTINGS_KEY = r"Software\Rolvane"
RUN_KEY = r"Software\Microsoft\Windows\CurrentVersion\Run"
SETTINGS_NAMES = ("Profile", "CustomStepPercent", "CustomMaxAccelerationPercent",
                  "CustomAccelerationWindowMs", "CustomSmoothDurationMs")
REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4
IDM_EXIT, IDM_OPEN, IDC_EFFECT_SWITCH, IDC_AUTOSTART_SWITCH = 1003, 1004, 1005, 1007
SOFT, BALANCED, FAST, CUSTOM = 1201, 1202, 1203, 1204
TRACKBARS = (1101, 1102, 1103, 1104)
TAG = 0x524C5633
WHEEL_UP, WHEEL_DOWN, WHEEL_LEFT, WHEEL_RIGHT = 4, 5, 6, 7
# How the probe's target stands.
HIDDEN, NORMAL, BORDERLESS, MAXIMIZED, MAXIMIZED_POPUP, PANES = range(6)
VK_SHIFT, VK_CONTROL, VK_MENU = 0x10, 0x11, 0x12
STATE_OFF = "OFF  •  the wheel works normally"
STATE_ON = "ACTIVE  •  smooth scrolling is enabled"
# Rolvane's languages in the order of its table, with their Windows primary language ids and the
# locales that give Wine's GetUserDefaultUILanguage them; the menu's commands, "Like Windows" first.
LANGUAGES = ("English", "Czech", "German", "French", "Spanish", "Italian", "Polish", "Portuguese")
LANGUAGE_IDS = (0x09, 0x05, 0x07, 0x0C, 0x0A, 0x10, 0x15, 0x16)
LOCALES = ("en_US", "cs_CZ", "de_DE", "fr_FR", "es_ES", "it_IT", "pl_PL", "pt_BR")
IDM_LIKE_WINDOWS = 1340


def ui_texts():
    """The program's table of texts: {id: [text in each language of LANGUAGES]}."""
    source = (ROOT / "shell" / "ui_texts.h").read_text(encoding="utf-8").replace(
        'PROGRAM_NAME_AND_VERSION L"', 'L"' + NAME_AND_VERSION)
    def literal(match):
        return re.sub(r'\\(u[0-9A-Fa-f]{4}|.)', lambda escape: chr(int(escape[1][1:], 16))
                      if escape[1][0] == "u" else escape[1], match[1])
    table = {}
    for row in re.finditer(r'UiTextRow\{(\d+), (\{.*?\}|sameInEvery\(.*?\))\}', source, re.S):
        texts = [literal(text) for text in re.finditer(r'L"((?:[^"\\]|\\.)*)"', row[2])]
        table[int(row[1])] = texts * len(LANGUAGES) if len(texts) == 1 else texts
    return table


TEXTS = ui_texts()
STARTING_TEXTS = ("", *TEXTS[2])


class ProbeError(AssertionError):
    pass


def dword(value):
    return value.to_bytes(4, "little", signed=value < 0)


def scaled(length, dpi):
    """A 96-DPI length at `dpi`, to the nearest pixel (halves up), as Windows scales."""
    return (length * dpi + 48) // 96


def wait_for(what, read, done, timeout=20.0, interval=0.05, explain=lambda: ""):
    """Polls read() until done(value); returns the value, or fails with the last one seen."""
    deadline = time.monotonic() + timeout
    while True:
        value = read()
        if done(value):
            return value
        if time.monotonic() >= deadline:
            extra = explain()
            raise AssertionError(f"{what}: not within {timeout:g} s; last seen: {value!r}"
                                 + (f"; {extra}" if extra else ""))
        time.sleep(interval)


class Desktop:
    def __init__(self, work=WORK, prefix=PREFIX, exe="probe.exe"):
        self.work = Path(work)
        self.prefix = Path(prefix)
        self.exe = exe
        self.xvfb = self.screen = None
        self.probe_process = None
        self.copies = []
        self.started = []  # Rolvane processes of this session, ended at the latest in stop()
        self.offset = (0, 0)
        self.desktop_size = (1024, 768)

    # --- set-up and tear-down ----------------------------------------------------------------

    def start(self):
        self._open_logs()
        self._start_display()
        # A server left from an earlier run would still draw on that run's display.
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env)
        self._prepare_prefix()
        self._start_probe()
        # A run ended in the middle of the scale test leaves the prefix at another scale.
        if self.reg_get(r"Control Panel\Desktop", "LogPixels") not in (None, (REG_DWORD, dword(96))):
            self.set_dpi(96)

    def _start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2048x1536x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not report a display")
        self.env = dict(os.environ, DISPLAY=f":{number}", WINEPREFIX=str(self.prefix),
                        WINEARCH="win64", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("LANGUAGE", None)
        self.screen = xdisplay.Display(self.env["DISPLAY"])

    def _stop_display(self):
        if self.screen:
            self.screen.close()
        self.xvfb.send_signal(signal.SIGTERM)
        self.xvfb.wait(10)

    def _open_logs(self):
        self.work.mkdir(parents=True, exist_ok=True)
        self.target_log = self.work / "target.log"
        self.notch_log = self.work / "notches.log"
        for log in (self.target_log, self.notch_log):
            log.write_bytes(b"")

    def start_copy(self, exe):
        """The probe under another file name with a target of its own: another program to Rolvane."""
        copy = Desktop(self.work / exe, self.prefix, exe)
        copy.env, copy.screen, copy.desktop_size = self.env, self.screen, self.desktop_size
        copy._open_logs()
        shutil.copy(WIN_DIR / "tests" / "e2e" / "probe.exe", copy.work / exe)
        copy._start_probe(copy.work / exe)
        self.copies.append(copy)
        return copy

    def _start_probe(self, exe=None):
        self.probe_process = subprocess.Popen(
            ["wine", exe or WIN_DIR / "tests" / "e2e" / "probe.exe", "serve",
             self.windows_path(self.target_log), self.windows_path(self.notch_log)],
            env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=open(self.work / "probe.err", "ab"), text=True, encoding="utf-8", bufsize=1)
        ready = self.probe_process.stdout.readline().strip()
        if ready != "ready":
            raise RuntimeError(f"the probe did not start: {ready!r} (exit {self.probe_process.poll()})")
        self.offset = self._desktop_offset()

    def _stop_probe(self):
        try:
            self.probe_process.stdin.write("quit\n")
            self.probe_process.stdin.flush()
            self.probe_process.wait(10)
        except (OSError, subprocess.TimeoutExpired):
            self.probe_process.kill()

    def restart_wine(self):
        """A new logon: the Wine server ends, keeping what it stores on disk, and the next program
        starts a new one, on a new display (on the old one Wine at times passed no real key to a
        popup menu any more). Ended at once rather than after its lingering seconds."""
        assert not self.windows(), "restart_wine with Rolvane still running"
        self._stop_probe()
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        self._stop_display()
        self._start_display()
        self._start_probe()

    def set_dpi(self, dpi):
        """The prefix at `dpi` on a desktop of 1024 x 768 at that scale, read at a server's start."""
        self.reg_set(r"Control Panel\Desktop", "LogPixels", REG_DWORD, dword(dpi))
        size = f"{scaled(1024, dpi)}x{scaled(768, dpi)}\0".encode("utf-16-le")
        self.reg_set(r"Software\Wine\Explorer\Desktops", "Default", REG_SZ, size)
        self.restart_wine()

    def _prepare_prefix(self):
        script = 'source "$1/scripts/lib.sh"; export_wine_environment "$2"; prepare_prefix'
        result = subprocess.run(["bash", "-c", script, "_", ROOT, self.prefix], env=self.env,
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise RuntimeError("the Wine prefix could not be prepared:\n" + result.stdout[-2000:]
                               + result.stderr[-2000:])

    def _desktop_offset(self):
        """Where the Wine desktop sits on the X screen: Wine's screen coordinates count from it."""
        shell = subprocess.run(["xdotool", "search", "--name", " - Wine desktop$",
                                "getwindowgeometry", "--shell"], env=self.env,
                               capture_output=True, text=True).stdout
        fields = dict(line.split("=", 1) for line in shell.split())
        self.desktop_size = (int(fields.get("WIDTH", 1024)), int(fields.get("HEIGHT", 768)))
        return (int(fields.get("X", 0)), int(fields.get("Y", 0)))

    def stop_copies(self):
        for copy in self.copies:
            copy._stop_probe()
        self.copies.clear()

    def stop(self):
        for rolvane in self.started:
            rolvane.kill()
        self.stop_copies()
        if self.probe_process:
            self._stop_probe()
        subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        if self.xvfb:
            self._stop_display()

    # --- the probe ----------------------------------------------------------------------------

    def ask(self, *words):
        """The probe's answer: (True, payload) for "ok", (False, message) for "error"."""
        self.probe_process.stdin.write("\t".join(str(word) for word in words) + "\n")
        self.probe_process.stdin.flush()
        answer = self.probe_process.stdout.readline().rstrip("\n")
        if not answer:
            raise ProbeError(f"the probe ended (exit {self.probe_process.poll()})")
        status, _, payload = answer.partition(" ")
        return status == "ok", payload

    def probe(self, *words):
        ok, payload = self.ask(*words)
        if not ok:
            raise ProbeError(f"probe {' '.join(map(str, words))}: {payload}; "
                             f"windows: {self.windows()}")
        return payload

    def windows(self):
        """Rolvane windows as (pid, visible); what a failure shows of the desktop."""
        return [tuple(int(field) for field in entry.split(",")[:2])
                for entry in self.probe("windows").split()]

    def text(self, name):
        return self.probe("text", name)
    def trackbars(self):
        return [int(self.probe("trackbar", id)) for id in TRACKBARS]

    def info(self):
        numbers = [int(field) for field in self.probe("info").split()]
        keys = ("visible", "iconic", "foreground", "left", "top", "right", "bottom", "x", "y", "pid",
                "width", "height")
        return dict(zip(keys, numbers))

    def rect(self, name):
        return tuple(int(field) for field in self.probe("rect", name).split())

    def children(self):
        """The window's controls in the order of making: (left, top, right, bottom, text)."""
        found = []
        while (text := self.ask("text", f"#{len(found)}"))[0]:
            found.append((*self.rect(f"#{len(found)}"), text[1]))
        return found

    def wait_for_text(self, name, want, timeout=10):
        return wait_for(f"the {name} text to read {want!r}", lambda: self.ask("text", name)[1],
                        lambda text: text == want, timeout)

    def wait_for_info(self, key, want, timeout=10):
        return wait_for(f"the window's {key} to be {want}", self.info,
                        lambda info: info[key] == want, timeout)

    def menus(self):
        """Screen rectangles of the open popup menus."""
        return [tuple(int(field) for field in entry.split(",")[2:])
                for entry in self.probe("menus").split()
                if entry.split(",")[1] == "1"]

    def open_tray_menu(self):
        """A real right click on the notification icon: the only one in the virtual desktop's
        taskbar, at its right end."""
        width, height = self.desktop_size
        self.move_to(width - 12, height - 10)
        self.xdotool("click", 3)
        return wait_for("a menu after a right click on the notification icon", self.menus, bool)

    def start_second(self, *arguments):
        """Starts Rolvane.exe beside a running one; returns its exit code."""
        process = subprocess.Popen(["wine", WIN_DIR / "Rolvane.exe", *arguments], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            return process.wait(30)
        except subprocess.TimeoutExpired:
            process.kill()
            raise AssertionError(f"a second start still runs after 30 s; windows {self.windows()}")

    def windows_path(self, path):
        return "Z:" + str(Path(path).resolve()).replace("/", "\\")

    # --- the registry -------------------------------------------------------------------------

    def reg_get(self, key, name):
        """(type, bytes) of a value, or None when it is missing."""
        payload = self.probe("reg-get", key, name)
        if payload == "missing":
            return None
        value_type, _, hex_data = payload.partition(" ")
        return int(value_type), bytes.fromhex(hex_data)

    def reg_set(self, key, name, value_type, data):
        self.probe("reg-set", key, name, value_type, data.hex())

    def reg_delete(self, key, name=None):
        self.probe("reg-delete", key, *([name] if name else []))

    def stored_settings(self):
        """Profile and the four Custom values as stored; None for a value that is not a DWORD."""
        values = [self.reg_get(SETTINGS_KEY, name) for name in SETTINGS_NAMES]
        return [int.from_bytes(v[1], "little") if v and v[0] == REG_DWORD and len(v[1]) == 4
                else None for v in values]

    def wait_for_stored(self, want, what, timeout=5):
        return wait_for(f"{what}: the stored settings", self.stored_settings,
                        lambda stored: stored == want, timeout)

    # --- input and the scroll target -----------------------------------------------------------

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *map(str, arguments)], env=self.env, check=True, timeout=60)

    def move_to(self, x, y):
        """The pointer to a point in Wine's screen coordinates."""
        self.xdotool("mousemove", x + self.offset[0], y + self.offset[1])

    def wheel(self, *buttons, delay_ms=0):
        """Clicks the wheel buttons (4 up, 5 down, 6 left, 7 right) delay_ms apart. Runs of one
        button go in one click command: chained commands add a pause of their own."""
        arguments = []
        for index, button in enumerate(buttons):
            if index and button == buttons[index - 1]:
                arguments[-4] = str(int(arguments[-4]) + 1)
                continue
            if arguments:
                arguments += ["sleep", f"{delay_ms / 1000:.3f}"]
            arguments += ["click", "--repeat", "1", "--delay", str(delay_ms), button]
        self.xdotool(*arguments)

    def wheel_seen(self, *buttons):
        """Vertical notches at once, then a wait until the probe's hook (`notches 1`) has seen
        them all: input from the next xdotool run, another X client, could otherwise come first."""
        seen = len(self.notches())
        self.wheel(*buttons)
        wait_for(f"the probe's hook to see {len(buttons)} notches",
                 lambda: len(self.notches()) - seen, lambda count: count >= len(buttons))

    def show_target(self, shape=NORMAL, place=(), pointer=(800, 380)):
        """The scroll target in front, standing at `place`, and the pointer over it. Once Wine has
        shown a notification menu, the X keyboard focus stays on Rolvane: it is moved by hand."""
        self.probe("target", shape, *place)
        self.xdotool("search", "--limit", 1, "--name", f"^Rolvane scroll target {self.exe}$",
                     "windowfocus")
        self.move_to(*pointer)

    def _logged(self, kinds):
        logged = []
        for line in self.target_log.read_text().splitlines():
            fields = line.split()
            if len(fields) == 4 and fields[1] in kinds:
                logged.append((int(fields[0]), fields[1], int(fields[2]), int(fields[3], 16) == TAG))
        return logged

    def events(self, start=0):
        """The wheel events the target received after the first `start` of them:
        (us, "v" or "h", delta, tagged)."""
        return self._logged("vh")[start:]

    def moves(self):
        """The pointer's moves over the target: (us, "m", x, False)."""
        return self._logged("m")

    def right_pane(self):
        """What the right one of the PANES target's two panes received: wheel events ("w") and
        the pointer's moves ("n")."""
        return self._logged("wn")

    def notches(self):
        """The real notches the probe's hook saw (`notches 1`), as their QPC microseconds."""
        return [int(line.split()[0]) for line in self.notch_log.read_text().splitlines()]

    def keys(self):
        """The keys the target saw go down ("k") and up ("u"): (us, kind, virtual key, False)."""
        return self._logged("ku")

    def tooltip(self):
        """The notification icon's tooltip as the shell has it."""
        texts = [text for text in self.probe("tooltips").split("\t") if text.startswith("Rolvane")]
        return texts[0] if len(texts) == 1 else texts

    def wait_for_sum(self, start, kind, want, timeout=15):
        """The events after `start` once nothing more has come for half a second and their `kind`
        deltas add up to `want`: a number, a test of the sum, or None for any sum but 0."""
        def settled():
            events = self.events(start)
            time.sleep(0.5)
            total = sum(delta for _, event_kind, delta, _ in events if event_kind == kind)
            quiet = len(self.events(start)) == len(events)
            return events, quiet and bool(want(total) if callable(want) else
                                          total == want if want is not None else total)
        events, _ = wait_for(f"the {kind} events to add up to {want}", settled,
                             lambda seen: seen[1], timeout, interval=0)
        return events

    # --- pixels ------------------------------------------------------------------------------

    def screenshot(self):
        """The X screen as far as the Wine desktop reaches (the screen has room for the largest)."""
        root = self.screen.screen().root
        geometry = root.get_geometry()
        width = min(geometry.width, self.offset[0] + self.desktop_size[0])
        height = min(geometry.height, self.offset[1] + self.desktop_size[1])
        raw = root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF)
        return Image.frombytes("RGB", (width, height), raw.data, "raw", "BGRX")

    def pixel(self, image, x, y):
        """The colour as 0xRRGGBB at a point in Wine's screen coordinates."""
        red, green, blue = image.getpixel((x + self.offset[0], y + self.offset[1]))
        return red << 16 | green << 8 | blue


def near(colour, want, tolerance=6):
    """Within `tolerance` per channel: room for anti-aliasing, far below any two colours checked."""
    return all(abs((colour >> shift & 255) - (want >> shift & 255)) <= tolerance
               for shift in (0, 8, 16))


ACCENT, WHITE, PAGE = 0x4169E1, 0xFFFFFF, 0xF5F7FB
SWITCH_OFF, SWITCH_ON_PRESSED, SWITCH_OFF_PRESSED = 0xCDD4E2, 0x355DD5, 0xC1C8D6
SLIDER_TRACK = 0xD3DBE9


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


def slider_points(desktop, id, dpi=96):
    """The thumb's centre on the line, and a point of the value part left of it and of the track
    right of it, clear of the round caps, the thumb and its halo; None where there is no room."""
    left, top, _, _ = desktop.rect(id)
    channel_left, channel_top, channel_right, channel_bottom, thumb_left, _, thumb_right, _ = \
        [int(field) for field in desktop.probe("trackbar-rects", id).split()]
    y = top + (channel_top + channel_bottom) // 2
    cx = left + (thumb_left + thumb_right) // 2
    cap, clear = scaled(4, dpi), scaled(14, dpi)
    start, end = left + channel_left + cap, left + channel_right - cap
    value = ((start + cx - clear) // 2, y) if cx - clear - start >= 8 else None
    rest = ((cx + clear + end) // 2, y) if end - cx - clear >= 8 else None
    return (cx, y), value, rest


class Rolvane:
    """One Rolvane.exe started by a test; `exit` ends it the way a user does."""

    def __init__(self, desktop, *arguments, locale=None, exe=None):
        self.desktop = desktop
        env = dict(desktop.env)
        if locale:
            env["LC_ALL"] = env["LANG"] = locale
        before = desktop.windows()
        assert not before, f"a Rolvane window is already open: {before}"
        log = open(desktop.work / "rolvane.log", "ab")
        self.process = subprocess.Popen(["wine", exe or WIN_DIR / "Rolvane.exe", *arguments],
                                        env=env, stdout=log, stderr=log)
        desktop.started.append(self)
        # The window exists from the start of its creation; it is ready once its message loop
        # has run the first refresh of the state line.
        wait_for("Rolvane's window to be ready", lambda: self._state_line(),
                 lambda text: text not in STARTING_TEXTS, timeout=30,
                 explain=lambda: f"process exit code {self.process.poll()}, windows {desktop.windows()}")

    def _state_line(self):
        assert self.process.poll() is None, f"Rolvane.exe exited with {self.process.returncode}"
        found, text = self.desktop.ask("text", "state")
        return text if found else ""

    def command(self, id):
        self.desktop.probe("command", id)

    def wait_for_exit(self, timeout=20):
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"Rolvane.exe still runs {timeout} s later; windows: "
                                 f"{self.desktop.windows()}")
        assert code == 0, f"Rolvane.exe exited with {code}"
        # The server takes the window down when it notices that the process has gone.
        wait_for("no Rolvane window after the process ended", self.desktop.windows,
                 lambda windows: not windows, timeout=10)

    def exit(self):
        self.command(IDM_EXIT)
        self.wait_for_exit()

    def kill(self):
        if self.process.poll() is None:
            self.desktop.ask("command", IDM_EXIT)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
