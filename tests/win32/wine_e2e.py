#!/usr/bin/env python3
"""End-to-end tests of tavrin.exe under Wine on a private Xvfb display, driven
by real keyboard input (xdotool) and checked on screenshots and on the bytes
of the files the program writes.

Everything it starts it also stops: its own X display, its own Wine prefix in
a temporary folder (booted once per run) and that prefix's wineserver. Every
wait has a deadline, and the whole run has one too.

Usage: wine_e2e.py TAVRIN_EXE [--wine win32|win64] [--repeat N] [--only NAME]
                   [--artifacts DIR] [--wine-debug CHANNELS] [--screenshot PNG]
--wine names the Wine that runs the program: win32 (the 32-bit loader, for the
32-bit exe) or win64 (the 64-bit loader in a 64-bit prefix, for the 64-bit exe).
--artifacts keeps screenshots (PPM) of the steps and of every failure.
"""

import argparse
import colorsys
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

# Seconds for the whole run: the first boot of the prefix, then each round.
BOOT_DEADLINE = 420
ROUND_DEADLINE = 240
# A Wine virtual desktop: the windows get Wine's own frames, as on Windows,
# and the keyboard focus does not depend on a window manager.
DESKTOP = "800x600"

# Wine's own fonts, copied into the prefix because this Wine build does not
# find them where it keeps them. sserife.fon is Wine's "MS Sans Serif" with
# the metrics the dialog templates were laid out for (6 x 13 base units);
# without it a substitute with smaller base units puts the slider panel over
# the last rows of the grid. Tahoma serves the common dialogs, Marlett the
# caption buttons.
WINE_FONTS = ["sserife.fon", "tahoma.ttf", "marlett.ttf"]
WINE_FONT_DIRS = ["/usr/share/wine/fonts", "/usr/lib/wine/fonts"]

# The loader and prefix architecture of each flavour. Debian's `wine` script
# prefers the 32-bit loader whenever it is installed, even where it cannot run,
# so the 64-bit flavour names its loader directly.
WINE_FLAVOURS = {
    "win32": {"loader": "wine", "arch": "win32"},
    "win64": {"loader": "/usr/lib/wine/wine64", "arch": "win64"},
}

REGISTRY = r"""REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="%s"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
""" % DESKTOP

CELL_PITCH = 24
CELL_CLIENT = 18


class Failure(Exception):
    pass


class Deadline(Exception):
    pass


def log(message):
    print(f"[wine-e2e {time.strftime('%H:%M:%S')}] {message}", flush=True)


# --- The palette data: colour words as the program reads and writes them

def component(field):
    return 255 * field // 31


def decode(word):
    return (component(word & 31), component((word >> 5) & 31), component((word >> 10) & 31),
            word & 0x8000)


def encode(red, green, blue, high):
    word = (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10)
    return word | (0x8000 if high else 0)


def words_to_bytes(words):
    return b"".join(struct.pack("<H", w) for w in words)


def raw_clut_words():
    """256 distinct colours; entry 0 is pure magenta, which nothing else on
    the screen shows, so it finds the grid. Some words carry bit 15."""
    words = [0x7C1F]
    for i in range(1, 256):
        red, green, blue = (i * 7) % 32, (i * 13 + 5) % 32, (i * 3 + 11) % 32
        word = red | (green << 5) | (blue << 10) | (0x8000 if i % 5 == 0 else 0)
        if word & 0x7FFF == 0x7C1F:
            word ^= 1
        words.append(word)
    return words


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def blended(words, first, last):
    """The colours (red, green, blue, high bit) after a zone selection of
    first..last (head last, tail first) and a blend: a single-precision step,
    values truncated toward zero."""
    entries = [list(decode(w)) for w in words]
    head, tail = entries[last][:], entries[first][:]
    n = last - first + 1
    steps = [float32((tail[c] - head[c]) / (n - 1)) for c in range(3)]
    for i in range(n - 1):
        index = last - i
        for c in range(3):
            entries[index][c] = int(float(head[c]) + i * steps[c]) & 0xFF
    return [tuple(e) for e in entries]


def tex_file():
    """A TEX file with five CLUTs at distinct places, reached through the
    header's record offsets. Returns its bytes and the words of each CLUT."""
    data = bytearray(4096)
    header_fields = [4, 12, 16, 20, 32]
    cluts = []
    for kind, field in enumerate(header_fields):
        record = 0x100 + 0x20 * kind
        clut = 0x400 + 0x200 * kind
        struct.pack_into("<H", data, field, record)
        struct.pack_into("<H", data, record + 12, clut)
        words = []
        for i in range(256):
            red, green, blue = (i + 5 * kind) % 32, (i * 3 + kind) % 32, (i * 11 + 7 * kind) % 32
            words.append(red | (green << 5) | (blue << 10))
        cluts.append(words)
        data[clut:clut + 512] = words_to_bytes(words)
    # The flag's entry 0 is pure cyan, found on the screen like the magenta above.
    cluts[4][0] = 0x7FE0
    data[0x400 + 0x200 * 4:0x400 + 0x200 * 4 + 2] = struct.pack("<H", 0x7FE0)
    return bytes(data), cluts


# --- Screenshots

class Screen:
    def __init__(self, ppm):
        parts = []
        at = 0
        while len(parts) < 4:
            while ppm[at:at + 1].isspace():
                at += 1
            if ppm[at:at + 1] == b"#":
                at = ppm.index(b"\n", at) + 1
                continue
            end = at
            while not ppm[end:end + 1].isspace():
                end += 1
            parts.append(ppm[at:end])
            at = end
        if parts[0] != b"P6" or parts[3] != b"255":
            raise Failure("unexpected screenshot format")
        self.width, self.height = int(parts[1]), int(parts[2])
        self.pixels = ppm[at + 1:]
        self.ppm = ppm

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def find_block(self, colour, size=CELL_CLIENT):
        """Top-left corner of the first size x size block of one colour."""
        row = bytes(colour) * size
        for y in range(self.height - size + 1):
            line = 3 * y * self.width
            x = self.pixels.find(row, line, line + 3 * self.width)
            while x >= 0:
                x_px = (x - line) // 3
                if (x - line) % 3 == 0 and all(
                        self.pixels[3 * ((y + dy) * self.width + x_px):
                                    3 * ((y + dy) * self.width + x_px + size)] == row
                        for dy in range(size)):
                    return x_px, y
                x = self.pixels.find(row, x + 1, line + 3 * self.width)
        return None


class Grid:
    """Where the cells' client areas lie on the screen, found from cell 0."""

    def __init__(self, origin):
        self.x, self.y = origin

    def centre(self, index):
        row, column = divmod(index, 16)
        return self.x + CELL_PITCH * column + 9, self.y + CELL_PITCH * row + 9

    def pixel(self, screen, index, x, y):
        row, column = divmod(index, 16)
        return screen.pixel(self.x + CELL_PITCH * column + x, self.y + CELL_PITCH * row + y)

    def is_plain(self, screen, index, colour):
        return all(self.pixel(screen, index, x, y) == colour
                   for x, y in [(0, 0), (1, 1), (2, 2), (3, 3), (9, 9), (17, 17), (16, 2)])

    def is_framed(self, screen, index, colour):
        black, white = (0, 0, 0), (255, 255, 255)
        rings = [((0, 0), colour), ((1, 1), black), ((2, 2), white), ((3, 3), black),
                 ((16, 16), black), ((15, 15), white), ((14, 14), black), ((17, 17), colour),
                 ((4, 4), colour), ((9, 9), colour), ((13, 13), colour), ((1, 9), black)]
        return all(self.pixel(screen, index, x, y) == want for (x, y), want in rings)


# --- The environment

def wait_for(what, predicate, timeout, interval=0.2):
    end = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Environment:
    def __init__(self, root, artifacts, flavour):
        self.root = root
        self.flavour = flavour
        self.wine = WINE_FLAVOURS[flavour]["loader"]
        self.artifacts = artifacts
        self.xvfb = None
        self.announcements = None
        self.display = None
        self.env = None
        self.shots = 0
        self.wine_debug = ""

    # X display
    def start_display(self):
        # A high display number keeps clear of the displays that desktops and
        # other test runs take first (and of their clean-up).
        self.xvfb_log = open(os.path.join(self.root, "xvfb.log"), "wb")
        for number in range(140 + os.getpid() % 50, 400):
            if os.path.exists(f"/tmp/.X{number}-lock") or \
                    os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            read_end, write_end = os.pipe()
            self.xvfb = subprocess.Popen(
                ["Xvfb", f":{number}", "-displayfd", str(write_end), "-screen", "0",
                 "1024x768x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=[write_end], stdout=self.xvfb_log, stderr=subprocess.STDOUT,
                start_new_session=True)
            os.close(write_end)
            ready, _, _ = select.select([read_end], [], [], 30)
            announced = os.read(read_end, 64).decode().strip() if ready else ""
            # Kept open: the server announces itself again after a reset, and
            # dies if it cannot.
            self.announcements = read_end
            if announced == str(number):
                self.display = f":{number}"
                log(f"Xvfb on display {self.display}")
                return
            self.stop_display()  # another server took the number first
        raise Failure("Xvfb did not start")

    def check_display(self):
        if self.xvfb is None or self.xvfb.poll() is not None:
            self.xvfb_log.flush()
            with open(self.xvfb_log.name, "rb") as f:
                tail = f.read()[-1500:].decode(errors="replace")
            code = None if self.xvfb is None else self.xvfb.returncode
            raise Failure(f"the X server went away (status {code}): {tail}")

    def stop_display(self):
        if self.announcements is not None:
            os.close(self.announcements)
            self.announcements = None
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(10)

    # Wine prefix
    def boot_wine(self):
        prefix = os.path.join(self.root, "prefix")
        # Wine keeps its server's socket folder under TMPDIR: inside the run's
        # own folder it goes away with it.
        scratch = os.path.join(self.root, "tmp")
        os.makedirs(scratch, exist_ok=True)
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEARCH=WINE_FLAVOURS[self.flavour]["arch"],
                        WINEDEBUG="-all",
                        DISPLAY=self.display, TMPDIR=scratch,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("WAYLAND_DISPLAY", None)
        started = time.monotonic()
        if self.flavour == "win64":
            self.env["WINELOADER"] = self.wine
        self.run([self.wine, "wineboot", "-i"], timeout=400)
        self.run(["wineserver", "-w"], timeout=120)
        fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for name in WINE_FONTS:
            source = next((os.path.join(d, name) for d in WINE_FONT_DIRS
                           if os.path.exists(os.path.join(d, name))), None)
            if source is None:
                raise Failure(f"Wine font {name} not found (package fonts-wine)")
            shutil.copy(source, fonts)
        registry = os.path.join(self.root, "settings.reg")
        with open(registry, "w") as f:
            f.write(REGISTRY)
        self.run([self.wine, "regedit", "/S", registry], timeout=120)
        self.run(["wineserver", "-w"], timeout=120)
        log(f"Wine prefix ready in {time.monotonic() - started:.0f} s")

    def stop_wine(self):
        """Ends every process of the prefix; a server that does not go in
        time gets SIGKILL."""
        if self.env is None:
            return
        for command in (["wineserver", "-k"], ["wineserver", "-k9"]):
            try:
                subprocess.run(command, env=self.env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                return
            except subprocess.TimeoutExpired:
                continue

    def run(self, command, timeout, check=True):
        result = subprocess.run(command, env=self.env, timeout=timeout,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(command)} failed ({result.returncode}): "
                          f"{result.stdout.decode(errors='replace')[-2000:]}")
        return result

    @staticmethod
    def windows_path(path):
        return "Z:" + path.replace("/", "\\")

    # Input and output
    def xdotool(self, *arguments):
        self.check_display()
        self.run(["xdotool", *arguments], timeout=30)

    def keys(self, *keys, pause=0.25):
        for key in keys:
            self.xdotool("key", "--clearmodifiers", key)
            time.sleep(pause)

    def click(self, x, y):
        """A left click at a screen point; the pointer then goes back to the
        corner, so that no tooltip stays over the grid."""
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.2)
        self.xdotool("click", "1")
        time.sleep(0.2)
        self.xdotool("mousemove", "3", "3")
        time.sleep(0.3)

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)
        time.sleep(0.2)

    def window_shown(self, title):
        self.check_display()
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                          timeout=30, check=False)
        return result.returncode == 0 and result.stdout.strip() != b""

    def wait_window(self, title, timeout=30):
        wait_for(f'the window "{title}"', lambda: self.window_shown(title), timeout)
        time.sleep(0.5)  # let it take the focus and paint

    def wait_window_gone(self, title, timeout=30):
        wait_for(f'the window "{title}" to close', lambda: not self.window_shown(title), timeout)

    def screenshot(self):
        self.check_display()
        result = self.run(["import", "-display", self.display, "-window", "root", "-depth", "8", "ppm:-"],
                          timeout=60)
        return Screen(result.stdout)

    def keep(self, screen, name):
        if self.artifacts:
            os.makedirs(self.artifacts, exist_ok=True)
            self.shots += 1
            path = os.path.join(self.artifacts, f"{self.shots:02d}-{name}.ppm")
            with open(path, "wb") as f:
                f.write(screen.ppm)


class Program:
    def __init__(self, env, exe_dir, *arguments):
        self.env = env
        program_env, output = env.env, subprocess.DEVNULL
        if env.wine_debug and env.artifacts:
            # Wine's own messages about the program, for a failure's post-mortem.
            os.makedirs(env.artifacts, exist_ok=True)
            env.shots += 1
            output = open(os.path.join(env.artifacts, f"{env.shots:02d}-wine.log"), "wb")
            program_env = dict(env.env, WINEDEBUG=env.wine_debug)
        self.process = subprocess.Popen([env.wine, "tavrin.exe", *arguments], cwd=exe_dir,
                                        env=program_env,
                                        stdout=output, stderr=subprocess.STDOUT)
        env.wait_window("Tavrin", timeout=60)
        # Keys go to the X window under the pointer: the Wine desktop, away
        # from every cell so that no tooltip comes up.
        env.xdotool("mousemove", "3", "3")
        time.sleep(0.3)

    def __enter__(self):
        return self

    def __exit__(self, error_type, error, traceback):
        # The screen as the failure left it, before the program goes.
        if error_type is not None and self.env.xvfb is not None and self.env.xvfb.poll() is None:
            try:
                self.env.keep(self.env.screenshot(), "failed")
            except Failure:
                pass
        self.kill()
        return False

    def exit_code(self, timeout=30):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)


# --- Scenarios

def find_grid(env, colour, what):
    def located():
        screen = env.screenshot()
        corner = screen.find_block(colour)
        return (screen, Grid(corner)) if corner else None

    try:
        return wait_for(what, located, timeout=30, interval=0.5)
    except Failure:
        env.keep(env.screenshot(), "grid-not-found")
        raise


def wrong_cells(screen, grid, words, count):
    return [i for i in range(count) if not grid.is_plain(screen, i, decode(words[i])[:3])]


def wait_cells(env, grid, words, count, what, timeout=20):
    """Waits until every cell below count shows its word's colour, unframed:
    a full repaint takes a moment under Wine, cell by cell."""
    end = time.monotonic() + timeout
    while True:
        screen = env.screenshot()
        wrong = wrong_cells(screen, grid, words, count)
        if not wrong:
            return screen
        if time.monotonic() > end:
            env.keep(screen, what.replace(" ", "-"))
            i = wrong[0]
            raise Failure(f"{what}: {len(wrong)} cells differ from the file, first cell {i} "
                          f"shows {grid.pixel(screen, i, 9, 9)} instead of {decode(words[i])[:3]}")
        time.sleep(0.3)


def open_through_dialog(env, title, path):
    env.wait_window(title)
    env.keys("End", "shift+Home")
    env.type(env.windows_path(path))
    env.keys("Return")
    env.wait_window_gone(title)


def scenario_raw_clut(env, exe_dir, work):
    """Load a raw CLUT through the open-file dialog, check every cell, edit one
    colour with the hex field and a slider, select a zone with F2, blend with
    Ctrl+B, save through the save-file dialog and compare the bytes; leave
    with File > Exit."""
    words = raw_clut_words()
    source = os.path.join(work, "colours.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))
    saved = os.path.join(work, "saved.clu")
    if os.path.exists(saved):
        os.remove(saved)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        _, grid = find_grid(env, (255, 0, 255), "the loaded CLUT in the grid")
        screen = wait_cells(env, grid, words, 256, "after loading")
        env.keep(screen, "loaded")

        # A click on cell 0 selects it and gives it the focus; Shift+Tab
        # reaches the hex field before it, with its text selected. Typing a
        # word recolours the head as each digit arrives.
        env.click(*grid.centre(0))
        wait_for("cell 0 framed after the click",
                 lambda: grid.is_framed(env.screenshot(), 0, decode(words[0])[:3]), timeout=10)
        env.keys("shift+Tab")
        env.type("03E0")
        wait_for("cell 0 green and still framed after typing its word",
                 lambda: grid.is_framed(env.screenshot(), 0, (0, 255, 0)), timeout=10)
        # Five more steps back (the bit 15 box, the blue, green and red
        # fields) reach the blue slider; End moves it to 255.
        env.keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "End")
        words[0] = 0x7FE0
        wait_for("cell 0 cyan and framed after the blue slider went to its end",
                 lambda: grid.is_framed(env.screenshot(), 0, (0, 255, 255)), timeout=10)

        env.keys("F2")
        expected = blended(words, 16, 31)
        expected_words = [encode(*e) for e in expected]

        def zone_framed():
            shot = env.screenshot()
            framed = all(grid.is_framed(shot, i, decode(words[i])[:3]) for i in range(16, 32))
            others = all(grid.is_plain(shot, i, decode(words[i])[:3])
                         for i in list(range(0, 16)) + list(range(32, 256)))
            return shot if framed and others else None

        screen = wait_for("cells 16 to 31 framed after F2", zone_framed, timeout=10)
        env.keep(screen, "zone")

        env.keys("ctrl+b")

        def blend_shown():
            shot = env.screenshot()
            ok = all(grid.is_framed(shot, i, expected[i][:3]) for i in range(16, 32))
            return shot if ok else None

        try:
            screen = wait_for("the blended colours on cells 16 to 31", blend_shown, timeout=10)
        except Failure:
            env.keep(env.screenshot(), "blend")
            raise
        env.keep(screen, "blended")
        if expected_words == words:
            raise Failure("the test CLUT gives a blend that changes nothing")

        env.keys("alt+f", "s")
        open_through_dialog(env, "Save as", saved)

        def saved_bytes():
            if not os.path.exists(saved):
                return None
            with open(saved, "rb") as f:
                data = f.read()
            return data if len(data) == 512 else None

        data = wait_for("the saved file", saved_bytes, timeout=15)
        if data != words_to_bytes(expected_words):
            differing = [i for i in range(256) if data[2 * i:2 * i + 2] !=
                         words_to_bytes(expected_words)[2 * i:2 * i + 2]]
            raise Failure(f"saved file differs from the expected blend at entries {differing}")

        # A value typed into a decimal field counts once the field is left,
        # and a dialog taking the focus leaves it: "300" becomes 255 before
        # the file is written, not the 30 applied while typing.
        env.click(*grid.centre(0))
        wait_for("cell 0 framed after the second click",
                 lambda: grid.is_framed(env.screenshot(), 0, decode(words[0])[:3]), timeout=10)
        # Back past the hex field and the bit 15 box to the red field.
        env.keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
        env.type("300")
        saved_again = os.path.join(work, "saved-again.clu")
        if os.path.exists(saved_again):
            os.remove(saved_again)
        env.keys("alt+f", "s")
        open_through_dialog(env, "Save as", saved_again)
        saved = saved_again
        data = wait_for("the file saved after typing 300", saved_bytes, timeout=15)
        expected_words[0] = words[0] | 0x1F
        if data != words_to_bytes(expected_words):
            got = data[0] | data[1] << 8
            raise Failure(f"after typing 300 and saving, entry 0 is {got:04X}, "
                          f"expected {expected_words[0]:04X}")

        env.keys("alt+f", "x")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"File > Exit ended the program with {code}")


def scenario_tex_team_flag(env, exe_dir, work):
    """Help first: the About box, and Tutorial without its page. Then extract
    the team flag from a TEX file through "Select CLUT to modify" by typing its
    name; the zone keys must then do nothing. Leave by closing the window
    (Alt+F4)."""
    data, cluts = tex_file()
    source = os.path.join(work, "team.bin")
    with open(source, "wb") as f:
        f.write(data)

    with Program(env, exe_dir) as program:
        # The About box ignores Escape and closes with Enter (its OK button).
        env.keys("alt+h", "a")
        env.wait_window("About...")
        env.keys("Escape")
        time.sleep(0.5)
        if not env.window_shown("About..."):
            raise Failure("Escape closed the About box")
        env.keys("Return")
        env.wait_window_gone("About...")

        # The program's folder has no tutorial page: Help > Tutorial says so
        # in the one kind of message box the program has.
        env.keys("alt+h", "t")
        env.wait_window("Error")
        env.keys("Return")
        env.wait_window_gone("Error")

        env.keys("alt+f", "e")
        open_through_dialog(env, "Open", source)
        env.wait_window("Select CLUT to modify")
        # The focus starts on OK; Tab reaches the list's edit field, whose
        # text is then selected, so typing replaces it. Escape, and OK with a
        # name that is not in the list, leave the dialog open.
        env.keys("Tab")
        env.type("Team")
        env.keys("Escape", "Return")
        time.sleep(0.5)
        if not env.window_shown("Select CLUT to modify"):
            raise Failure('"Select CLUT to modify" closed without a CLUT named')
        env.keys("End", "shift+Home")
        env.type("team flag")
        env.keys("Return")
        env.wait_window_gone("Select CLUT to modify")

        flag = cluts[4]
        _, grid = find_grid(env, (0, 255, 255), "the team flag's CLUT in the grid")
        wait_cells(env, grid, flag, 256, "after extracting the team flag")

        # Nothing may frame a cell or change a colour: the zone items are grayed.
        env.keys(*[f"F{k}" for k in range(1, 13)], *[f"ctrl+F{k}" for k in range(1, 5)],
                 "ctrl+b", pause=0.15)
        time.sleep(1.5)
        after = env.screenshot()
        wrong = wrong_cells(after, grid, flag, 256)
        if wrong:
            env.keep(after, "flag-after-zone-keys")
            raise Failure(f"the zone keys changed cells {wrong[:16]}")
        with open(source, "rb") as f:
            if f.read() != data:
                raise Failure("the TEX file changed")

        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def kit_words():
    """A CLUT that looks like a kit's: every row a ramp of one hue, dark to light."""
    words = []
    for row in range(16):
        hue = row / 16
        for column in range(16):
            value = 0.25 + 0.75 * column / 15
            red, green, blue = colorsys.hsv_to_rgb(hue, 0.75, value)
            words.append(int(red * 31) | (int(green * 31) << 5) | (int(blue * 31) << 10))
    return words


def scenario_offset(env, exe_dir, work):
    """Extract 16 colours at a typed hexadecimal offset through "CLUT
    parameters": those cells show them, every other cell is empty; a click and
    an arrow key move the selection. Leave by closing the window."""
    data, cluts = tex_file()
    source = os.path.join(work, "any.dat")
    with open(source, "wb") as f:
        f.write(data)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "t")
        open_through_dialog(env, "Open", source)
        env.wait_window("CLUT parameters")
        env.type("0x600")  # the second CLUT of the file
        env.keys("Tab")
        env.type("16")
        env.keys("Return")
        env.wait_window_gone("CLUT parameters")

        words = cluts[1]
        _, grid = find_grid(env, decode(words[0])[:3], "the 16 colours in the grid")
        screen = wait_cells(env, grid, words, 16, "after extracting 16 colours")
        # The window's own background, left of the grid, is the empty cells' grey.
        empty = screen.pixel(grid.x - 6, grid.y + 9)
        if not all(grid.is_plain(screen, i, empty) for i in range(16, 256)):
            env.keep(screen, "offset-empty-cells")
            raise Failure(f"cells beyond the 16 colours are not all {empty}")

        # The focused cell takes the arrow keys: Down moves the selection from
        # cell 5 to cell 21, beyond the colours read, where arrows still go;
        # the refresh paints that cell in its entry's colour, black (zero).
        env.click(*grid.centre(5))
        wait_for("cell 5 framed after the click",
                 lambda: grid.is_framed(env.screenshot(), 5, decode(words[5])[:3]), timeout=10)
        env.keys("Down")

        def moved_down():
            shot = env.screenshot()
            return grid.is_framed(shot, 21, (0, 0, 0)) and \
                grid.is_plain(shot, 5, decode(words[5])[:3])

        wait_for("the selection on cell 21 after Down", moved_down, timeout=10)

        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def scenario_undo_redo(env, exe_dir, work):
    """Type a colour word into the hex field, then Ctrl+Z and Ctrl+Y typed in
    the focused field: the accelerators reach the editor, which takes the word
    back and makes it again."""
    words = raw_clut_words()
    source = os.path.join(work, "undo.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        _, grid = find_grid(env, (255, 0, 255), "the loaded CLUT in the grid")
        wait_cells(env, grid, words, 256, "after loading")

        env.click(*grid.centre(0))
        wait_for("cell 0 framed after the click",
                 lambda: grid.is_framed(env.screenshot(), 0, decode(words[0])[:3]), timeout=10)
        env.keys("shift+Tab")
        env.type("03E0")
        wait_for("cell 0 green after typing its word",
                 lambda: grid.is_framed(env.screenshot(), 0, (0, 255, 0)), timeout=10)

        env.keys("ctrl+z")
        wait_for("cell 0 magenta again after Ctrl+Z in the hex field",
                 lambda: grid.is_framed(env.screenshot(), 0, decode(words[0])[:3]), timeout=10)
        env.keys("shift+Tab")  # from the head's cell back into the hex field
        env.keys("ctrl+y")

        def redone():
            shot = env.screenshot()
            return shot if grid.is_framed(shot, 0, (0, 255, 0)) else None

        screen = wait_for("cell 0 green again after Ctrl+Y in the hex field", redone, timeout=10)
        env.keep(screen, "redone")

        env.keys("alt+f", "x")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"File > Exit ended the program with {code}")


def scenario_tim_rows(env, exe_dir, work):
    """Extract CLUT from TIM file on a TIM of three 16-colour rows: the list of
    rows comes up with the first chosen; Cancel keeps the grid empty, Down and
    OK read row 1 into the grid and open the preview."""
    rows = [[(0x0421 * (r * 16 + i) + 0x1234 * r) & 0x7FFF for i in range(16)]
            for r in range(3)]
    pixels = bytes(range(32))
    data = struct.pack("<II", 0x10, 8) + struct.pack("<IHHHH", 12 + 96, 0, 480, 16, 3)
    data += b"".join(struct.pack("<H", w) for row in rows for w in row)
    data += struct.pack("<IHHHH", 12 + len(pixels), 320, 0, 4, 4) + pixels
    source = os.path.join(work, "kit.tim")
    with open(source, "wb") as f:
        f.write(data)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "m")
        open_through_dialog(env, "Open", source)
        env.wait_window("Select CLUT row")
        env.keys("Escape")
        env.wait_window_gone("Select CLUT row")
        env.keys("alt+f", "m")
        open_through_dialog(env, "Open", source)
        env.wait_window("Select CLUT row")
        env.keys("Down")
        env.keys("Return")
        env.wait_window_gone("Select CLUT row")
        # The preview comes up on the TIM's image over part of the grid on
        # this small desktop; Alt+F4 closes it.
        env.wait_window("Texture preview")
        env.keys("alt+F4")
        env.wait_window_gone("Texture preview")
        words = rows[1]
        _, grid = find_grid(env, decode(words[0])[:3], "row 1 in the grid")
        wait_cells(env, grid, words, 16, "after extracting row 1")
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def find_picture(env, words, indices, zoom, what):
    """Top-left corner on the screen of a picture whose first row has these
    indices, each pixel drawn zoom x zoom; None while it is not there."""
    row = b"".join(bytes(decode(words[i])[:3]) * zoom for i in indices)

    def located():
        screen = env.screenshot()
        at = screen.pixels.find(row)
        while at >= 0:
            if at % 3 == 0:
                y, x = divmod(at // 3, screen.width)
                if x + len(indices) * zoom <= screen.width:
                    return screen, (x, y)
            at = screen.pixels.find(row, at + 1)
        return None

    try:
        return wait_for(what, located, timeout=20, interval=0.5)
    except Failure:
        env.keep(env.screenshot(), "picture-not-found")
        raise


def scenario_preview(env, exe_dir, work):
    """View > Texture preview (Ctrl+T) on a 4-bit TIM: the picture shows each
    pixel in its index's cell colour at zoom 2; a click on a pixel frames its
    cell in the grid; a word typed into the hex field recolours that index's
    pixels in the open preview; the preview closes on its own."""
    words = [encode(*(int(c * 255) for c in colorsys.hsv_to_rgb(i / 16, 0.9, 0.5 + i / 32)),
                    False) for i in range(16)]
    if len({decode(w) for w in words}) != 16 or (255, 0, 0, 0) in map(decode, words):
        raise Failure("the test CLUT's colours are not all distinct from each other and red")
    width, height, zoom = 16, 8, 2
    index = [[(x + y) % 16 for x in range(width)] for y in range(height)]
    pixels = bytes(index[y][x] | index[y][x + 1] << 4
                   for y in range(height) for x in range(0, width, 2))
    data = struct.pack("<II", 0x10, 8) + struct.pack("<IHHHH", 12 + 32, 0, 480, 16, 1)
    data += words_to_bytes(words)
    data += struct.pack("<IHHHH", 12 + len(pixels), 320, 0, width // 4, height) + pixels
    source = os.path.join(work, "picture.tim")
    with open(source, "wb") as f:
        f.write(data)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "m")
        open_through_dialog(env, "Open", source)
        # The preview opens on the TIM's image by itself, beside the main
        # window; on this small desktop it leaves the grid's first columns
        # uncovered. Ctrl+T brings it forward.
        _, grid = find_grid(env, decode(words[0])[:3], "the TIM's CLUT in the grid")
        wait_cells(env, grid, words, 4, "after extracting the TIM's CLUT")
        env.click(*grid.centre(0))
        env.keys("ctrl+t")
        env.wait_window("Texture preview")
        screen, (left, top) = find_picture(env, words, index[0], zoom, "the picture at zoom 2")
        env.keep(screen, "preview")

        def shown(shot, x, y):
            return shot.pixel(left + x * zoom + 1, top + y * zoom + 1)

        for x, y in [(0, 0), (5, 3), (15, 7), (9, 6)]:
            if shown(screen, x, y) != decode(words[index[y][x]])[:3]:
                raise Failure(f"preview pixel {x},{y} shows {shown(screen, x, y)}, not the colour "
                              f"of index {index[y][x]}, {decode(words[index[y][x]])[:3]}")

        # Pixel 1,2 has index 3: the click frames cell 3 alone.
        env.click(left + 1 * zoom + 1, top + 2 * zoom + 1)

        def cell_3_framed():
            shot = env.screenshot()
            return grid.is_framed(shot, 3, decode(words[3])[:3]) and \
                all(grid.is_plain(shot, i, decode(words[i])[:3]) for i in range(4) if i != 3)

        wait_for("cell 3 framed after a click on its pixel", cell_3_framed, timeout=10)

        # Back in the main window, a word typed into the hex field recolours
        # index 3 in the open preview as each digit arrives. Cell 3 takes the
        # focus; Shift+Tab goes to the grid's first cell, then to the field.
        env.click(*grid.centre(3))
        env.keys("shift+Tab", "shift+Tab")
        env.type("001F")
        wait_for("cell 3 red after typing 001F",
                 lambda: grid.is_framed(env.screenshot(), 3, (255, 0, 0)), timeout=10)
        # Under this Wine the main window comes over the window it owns; Ctrl+T
        # brings the preview forward again, drawn already.
        env.keys("ctrl+t")
        red = (255, 0, 0)

        def recoloured():
            shot = env.screenshot()
            same = [(x, y) for y in range(height) for x in range(width)
                    if (index[y][x] == 3) != (shown(shot, x, y) == red)]
            return shot if not same else None

        env.keep(wait_for("index 3 red in the preview after typing 001F", recoloured, timeout=10),
                 "preview-recoloured")

        # View > Export preview... writes the picture, pixel for pixel, as a
        # PNG through the Windows Imaging Component; ImageMagick reads it back.
        exported = os.path.join(work, "picture.png")
        if os.path.exists(exported):
            os.remove(exported)
        env.click(*grid.centre(3))
        env.keys("alt+v", "e")
        open_through_dialog(env, "Save as", exported)
        wait_for("the exported PNG", lambda: os.path.exists(exported), timeout=15)
        time.sleep(0.5)
        convert = shutil.which("convert-im6.q16") or "convert"
        rgb = env.run([convert, exported, "-depth", "8", "rgb:-"], timeout=60).stdout
        expected = b"".join(bytes(red if index[y][x] == 3 else decode(words[index[y][x]])[:3])
                            for y in range(height) for x in range(width))
        if rgb != expected:
            raise Failure(f"the exported PNG differs from the picture ({len(rgb)} bytes read)")
        env.keys("ctrl+t")

        # Closed with Alt+F4 once it has the focus, the preview goes and the
        # main window stays.
        env.click(left + 1, top + 1)
        env.keys("alt+F4")
        env.wait_window_gone("Texture preview")
        if not env.window_shown("Tavrin"):
            raise Failure("closing the preview closed the main window")
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def scenario_preview_raw(env, exe_dir, work):
    """The preview's raw-pixel bar: after a raw CLUT is loaded the preview reads
    the same file; width and height typed into the bar (Tab between fields,
    Enter to take them) show its bytes as 8-bit pixels, Page Down moves the
    offset on by one picture, and the zoom keys and Ctrl+wheel zoom."""
    data = bytes(range(256)) * 2
    words = [data[2 * i] | data[2 * i + 1] << 8 for i in range(256)]
    source = os.path.join(work, "bytes.clu")
    with open(source, "wb") as f:
        f.write(data)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        find_grid(env, decode(words[0])[:3], "the loaded CLUT in the grid")
        env.keys("ctrl+t")
        env.wait_window("Texture preview")
        # From the picture, Tab goes round to the file, the offset, the width.
        env.keys("Tab", "Tab", "Tab")
        env.type("16")
        env.keys("Tab")
        env.type("2")
        env.keys("Return")
        screen, (left, top) = find_picture(env, words, range(16), 2, "bytes 0 to 15 as pixels")
        env.keep(screen, "preview-raw")
        second_row = b"".join(bytes(decode(words[i])[:3]) * 2 for i in range(16, 32))
        at = 3 * ((top + 2) * screen.width + left)
        if screen.pixels[at:at + len(second_row)] != second_row:
            raise Failure("the second row of pixels is not bytes 16 to 31")

        env.click(left + 1, top + 1)
        env.keys("Next")
        find_picture(env, words, range(32, 48), 2, "bytes 32 to 47 after Page Down")
        # Ctrl+= zooms in a step, Ctrl+wheel down back out.
        env.keys("ctrl+equal")
        find_picture(env, words, range(32, 48), 3, "the pixels at zoom 3 after Ctrl+=")
        env.xdotool("mousemove", str(left + 1), str(top + 1))
        env.xdotool("keydown", "ctrl")
        env.xdotool("click", "5")
        env.xdotool("keyup", "ctrl")
        env.xdotool("mousemove", "3", "3")
        find_picture(env, words, range(32, 48), 2, "the pixels at zoom 2 after Ctrl+wheel")
        env.keys("alt+F4")
        env.wait_window_gone("Texture preview")
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def scenario_finder(env, exe_dir, work):
    """File > Find CLUT in file... on a file holding a TIM image at 0x1000:
    with no CLUT loaded the finder looks for TIM images; Find lists the one hit
    with the scan on its worker thread, and Enter on it opens the TIM: its only
    CLUT row in the grid and its image in the preview."""
    row = [(0x0421 * i + 0x1234) & 0x7FFF for i in range(16)]
    pixels = bytes(range(32))
    tim = struct.pack("<II", 0x10, 8) + struct.pack("<IHHHH", 12 + 32, 0, 480, 16, 1)
    tim += b"".join(struct.pack("<H", w) for w in row)
    tim += struct.pack("<IHHHH", 12 + len(pixels), 320, 0, 4, 4) + pixels
    source = os.path.join(work, "disc.img")
    with open(source, "wb") as f:
        f.write(b"\xee" * 0x1000 + tim + b"\xee" * 0x1000)

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "f")
        open_through_dialog(env, "Open", source)
        env.wait_window("Find CLUT in file")
        env.keys("Return")  # Find
        time.sleep(2)
        env.keep(env.screenshot(), "finder")
        env.keys("Return")  # the hit the finished scan selected
        env.wait_window_gone("Find CLUT in file")
        # A TIM hit opens as a TIM: its image comes up in the preview, over
        # part of the grid.
        env.wait_window("Texture preview")
        env.keys("alt+F4")
        env.wait_window_gone("Texture preview")
        _, grid = find_grid(env, decode(row[0])[:3], "the TIM's CLUT row in the grid")
        wait_cells(env, grid, row, 16, "after choosing the TIM hit")
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def scenario_finder_dense(env, exe_dir, work):
    """The finder under load, its worker off the GUI thread: a black one-colour
    CLUT searched in 64 MiB of zeros (a hit at every even offset) stops at
    10,000 hits, after which nothing in the window moves, and Escape closes it
    at once; 256 colours with one that must match, a copy every 256 KiB, keep
    a scan running and listing until Cancel, after which nothing moves
    either, and the window still answers at once."""
    size = 64 << 20
    zeros = os.path.join(work, "zeros.img")
    with open(zeros, "wb") as f:
        f.truncate(size)
    black = os.path.join(work, "black.clu")
    with open(black, "wb") as f:
        f.write(b"\x00\x00")
    colours = [0x0101 + 37 * i for i in range(256)]
    copy = words_to_bytes(colours)
    data = bytearray(size)
    for at in range(0, size, 256 << 10):
        data[at:at + len(copy)] = copy
    copies = os.path.join(work, "copies.img")
    with open(copies, "wb") as f:
        f.write(data)
    del data
    full = os.path.join(work, "full.clu")
    with open(full, "wb") as f:
        f.write(copy)

    def still(what, settle):
        time.sleep(settle)
        before = env.screenshot()
        time.sleep(1.5)
        after = env.screenshot()
        if before.pixels != after.pixels:
            raise Failure(f"the screen still changes {what}")
        return after

    def closes_at_once(what):
        started = time.monotonic()
        env.keys("Escape", pause=0)
        env.wait_window_gone("Find CLUT in file", timeout=5)
        log(f"{what}: Escape closed the finder in {time.monotonic() - started:.2f} s")

    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", black)
        env.keys("alt+f", "f")
        open_through_dialog(env, "Open", zeros)
        env.wait_window("Find CLUT in file")
        env.keys("Return")  # Find
        env.keep(still("after the dense scan reached its cap", 3), "finder-cap")
        closes_at_once("dense scan")

        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", full)
        env.keys("alt+f", "f")
        open_through_dialog(env, "Open", copies)
        env.wait_window("Find CLUT in file")
        env.keys("alt+m", "End", "BackSpace", "1")  # Minimum matching: 1
        env.keys("Return")  # Find
        time.sleep(1)
        running = env.screenshot()
        time.sleep(1)
        if env.screenshot().pixels == running.pixels:
            raise Failure("nothing moved while the slow scan was running")
        env.keys("space")  # Cancel, which has the focus while a scan runs
        env.keep(still("after Cancel", 0.5), "finder-cancelled")
        closes_at_once("cancelled scan")


# --- Raw CD sectors (ECMA-130, Mode 2 Form 1 with the CD-XA subheader),
# encoded and checked here apart from the program's own code.

def gf_tables():
    exp, log_ = [0] * 512, [0] * 256
    x = 1
    for i in range(255):
        exp[i] = x
        log_[x] = i
        x <<= 1
        if x & 0x100:
            x ^= 0x11D
    for i in range(255, 512):
        exp[i] = exp[i - 255]
    return exp, log_


GF_EXP, GF_LOG = gf_tables()


def gf_mul(a, b):
    return 0 if a == 0 or b == 0 else GF_EXP[GF_LOG[a] + GF_LOG[b]]


def gf_div(a, b):
    return 0 if a == 0 else GF_EXP[(GF_LOG[a] - GF_LOG[b]) % 255]


def edc(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xD8018001 if crc & 1 else crc >> 1
    return crc


def syndromes(word):
    s0 = s1 = 0
    for c in word:
        s0 ^= c
        s1 = gf_mul(s1, 2) ^ c
    return s0, s1


def p_words(covered):
    return [[column + 86 * i for i in range(26)] for column in range(86)]


def q_words(covered):
    return [[((d // 2) * 86 + d % 2 + 88 * i) % 2236 for i in range(43)] + [2236 + d, 2288 + d]
            for d in range(52)]


def raw_sector(lba, data):
    """A Mode 2 Form 1 sector of 2048 data bytes with its EDC and P/Q parity."""
    sector = bytearray(2352)
    sector[0:12] = b"\x00" + b"\xff" * 10 + b"\x00"
    frames = lba + 150
    bcd = lambda v: (v // 10) << 4 | v % 10
    sector[12:16] = bytes([bcd(frames // 4500), bcd(frames // 75 % 60), bcd(frames % 75), 2])
    sector[16:24] = bytes([0, 0, 0x08, 0]) * 2
    sector[24:2072] = data
    struct.pack_into("<I", sector, 2072, edc(sector[16:2072]))
    covered = bytearray(sector[12:2352])
    covered[0:4] = b"\0\0\0\0"  # the header counts as zero in Mode 2
    for positions in p_words(covered) + q_words(covered):
        # Two parity bytes p, q after the data: S0 = D0 + p + q, S1 = D1 + 2p + q.
        d0, d1 = syndromes([covered[i] for i in positions[:-2]] + [0, 0])
        p = gf_div(d0 ^ d1, 3)
        covered[positions[-2]] = p
        covered[positions[-1]] = d0 ^ p
    sector[16:2352] = covered[4:]
    return bytes(sector)


def sector_checks(sector):
    if struct.unpack_from("<I", sector, 2072)[0] != edc(sector[16:2072]):
        return False
    covered = bytearray(sector[12:2352])
    covered[0:4] = b"\0\0\0\0"
    return all(syndromes([covered[i] for i in positions]) == (0, 0)
               for positions in p_words(covered) + q_words(covered))


def scenario_disc_image(env, exe_dir, work):
    """File > Open file in disc image... on a raw Mode 2 image holding a TEX
    file: its name typed into the list's filter, the team flag read, colour 0
    turned green with the hex field, written back with Inject CLUT in TEX
    file; every sector still checks, only the CLUT's bytes and that sector's
    codes changed, and the image opened again shows the green."""
    data, cluts = tex_file()
    tree = os.path.join(work, "tree")
    os.makedirs(os.path.join(tree, "DATA"), exist_ok=True)
    with open(os.path.join(tree, "DATA", "TEAM.TEX"), "wb") as f:
        f.write(data)
    with open(os.path.join(tree, "README.TXT"), "wb") as f:
        f.write(b"team kits\n")
    iso = os.path.join(work, "game.iso")
    subprocess.run(["genisoimage", "-quiet", "-o", iso, tree], check=True, timeout=60)
    with open(iso, "rb") as f:
        volume = f.read()
    image = os.path.join(work, "GAME.BIN")
    with open(image, "wb") as f:
        f.write(b"".join(raw_sector(lba, volume[lba * 2048:(lba + 1) * 2048])
                         for lba in range(len(volume) // 2048)))
    with open(image, "rb") as f:
        before = f.read()
    tex_at = volume.find(data[:0x400])  # the file's first sector, as a byte offset
    if tex_at < 0 or tex_at % 2048:
        raise Failure("the TEX file is not where genisoimage should have put it")
    flag_at = tex_at + 0x400 + 0x200 * 4  # the flag's colour 0 in the volume
    word_at = flag_at // 2048 * 2352 + 24 + flag_at % 2048

    def open_flag():
        env.keys("alt+f", "d")
        open_through_dialog(env, "Open", image)
        env.wait_window("Open file in disc image")
        env.type("team")  # the focus starts in the filter field
        time.sleep(0.5)
        env.keep(env.screenshot(), "disc-file-list")
        env.keys("Return")
        env.wait_window_gone("Open file in disc image")
        env.wait_window("Select CLUT to modify")
        env.keys("Tab")
        env.type("team flag")
        env.keys("Return")
        env.wait_window_gone("Select CLUT to modify")
        env.wait_window("Tavrin - TEAM.TEX in GAME.BIN")

    flag = list(cluts[4])
    with Program(env, exe_dir) as program:
        open_flag()
        _, grid = find_grid(env, (0, 255, 255), "the team flag from the disc image")
        wait_cells(env, grid, flag, 256, "after opening the flag in the image")
        env.click(*grid.centre(0))
        wait_for("cell 0 framed after the click",
                 lambda: grid.is_framed(env.screenshot(), 0, (0, 255, 255)), timeout=10)
        env.keys("shift+Tab")
        env.type("03E0")
        wait_for("cell 0 green after typing its word",
                 lambda: grid.is_framed(env.screenshot(), 0, (0, 255, 0)), timeout=10)
        env.keys("alt+f", "i", "Return")  # the first &I: Inject CLUT in TEX file
        deadline = time.monotonic() + 10
        while True:
            with open(image, "rb") as f:
                after = f.read()
            if after[word_at:word_at + 2] == struct.pack("<H", 0x03E0):
                break
            if time.monotonic() > deadline:
                env.keep(env.screenshot(), "disc-inject")
                raise Failure("the green colour word never reached the image")
            time.sleep(0.3)
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")

    bad = [i for i in range(len(after) // 2352) if not sector_checks(after[i * 2352:(i + 1) * 2352])]
    if bad:
        raise Failure(f"sectors {bad[:8]} no longer check after the write")
    sector = word_at // 2352
    changed = [i for i in range(len(after)) if after[i] != before[i] and
               not (i // 2352 == sector and i % 2352 >= 2072)]
    if len(after) != len(before) or not changed or not set(changed) <= {word_at, word_at + 1}:
        raise Failure(f"bytes other than the colour word changed: {changed[:8]}")

    flag[0] = 0x03E0
    with Program(env, exe_dir) as program:
        open_flag()
        _, grid = find_grid(env, (0, 255, 0), "the green flag from the image opened again")
        wait_cells(env, grid, flag, 256, "after opening the written image again")
        env.keys("alt+F4")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"closing the window ended the program with {code}")


def take_screenshot(env, exe_dir, work, png):
    """The picture for the README: a kit-like CLUT loaded and a zone selected."""
    words = kit_words()
    source = os.path.join(work, "colours.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))
    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        _, grid = find_grid(env, decode(words[0])[:3], "the loaded CLUT in the grid")
        wait_cells(env, grid, words, 256, "after loading")
        env.keys("F6")
        time.sleep(1.5)
        screen = env.screenshot()
        raw = os.path.join(work, "screen.ppm")
        with open(raw, "wb") as f:
            f.write(screen.ppm)
        top_left, (right, bottom) = window_bounds(screen)
        convert = shutil.which("convert-im6.q16") or "convert"
        env.run([convert, raw, "-crop",
                 f"{right - top_left[0] + 1}x{bottom - top_left[1] + 1}+{top_left[0]}+{top_left[1]}",
                 "+repage", "-strip", png], timeout=60)
        env.keys("alt+f", "x")
        program.exit_code()


def window_bounds(screen):
    """The main window's rectangle: what differs from the Wine desktop's colour."""
    width, height = (int(n) for n in DESKTOP.split("x"))
    background = screen.pixel(1, 1)
    xs, ys = [], []
    for y in range(height):
        for x in range(width):
            if screen.pixel(x, y) != background:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys)), (max(xs), max(ys))


def scenario_open_with(env, exe_dir, work):
    """Explorer's "Open with": a raw CLUT named on the command line, in quotes
    with a space in its name, shows in the grid with no dialog; a file that
    cannot be read gives the "Error" box and an empty window. Leave by
    File > Exit."""
    words = raw_clut_words()
    source = os.path.join(work, "open with.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))

    with Program(env, exe_dir, env.windows_path(source)) as program:
        _, grid = find_grid(env, (255, 0, 255), "the CLUT named on the command line")
        env.keep(wait_cells(env, grid, words, 256, "after opening from the command line"),
                 "opened")
        if env.window_shown("Open"):
            raise Failure("the open-file dialog came up for a file on the command line")
        env.keys("alt+f", "x")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"File > Exit ended the program with {code}")

    missing = os.path.join(work, "missing kit.clu")
    with Program(env, exe_dir, env.windows_path(missing)) as program:
        env.wait_window("Error")
        env.keep(env.screenshot(), "open-with-error")
        env.keys("Return")
        env.wait_window_gone("Error")
        env.keys("alt+f", "x")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"File > Exit after the error ended the program with {code}")


def title_shows(env, pattern):
    """Whether the main window's title matches the regular expression."""
    env.check_display()
    result = env.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                     timeout=30, check=False)
    return result.returncode == 0 and result.stdout.strip() != b""


def scenario_transparency(env, exe_dir, work):
    """View > Show transparency marks bit 15 and the word 0000 on the cells,
    Ctrl+J and the panel's box set and clear the bit, Edit > Select >
    "Select semi-transparent colors" selects by it, typing 0000 into the hex
    field is reported in the title and, with Edit > Keep black opaque,
    stored as 8000; both options come back in the next run."""
    # 0 magenta (finds the grid), 1 transparent, 2 semi-transparent red,
    # 3 red, then greys without bit 15.
    words = [0x7C1F, 0x0000, 0x801F, 0x001F] + [i | (i << 5) | (i << 10) for i in range(4, 16)]
    source = os.path.join(work, "transparency.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))
    white, red, black = (255, 255, 255), (255, 0, 0), (0, 0, 0)

    def semi_marked(shot, grid, index, colour):
        return (grid.pixel(shot, index, 4, 4) == white and
                grid.pixel(shot, index, 9, 4) == colour)

    def hole_marked(shot, grid, index):
        return (grid.pixel(shot, index, 13, 13) == white and
                grid.pixel(shot, index, 12, 13) == (128, 128, 128) and
                grid.pixel(shot, index, 9, 9) == black)

    def load():
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        return find_grid(env, (255, 0, 255), "the loaded CLUT in the grid")[1]

    try:
        with Program(env, exe_dir) as program:
            grid = load()
            shot = wait_cells(env, grid, words, 16, "after loading, transparency not shown")
            if grid.pixel(shot, 2, 4, 4) != red or grid.pixel(shot, 1, 13, 13) != black:
                raise Failure("marks on the cells before View > Show transparency")
            env.keys("alt+v", "s")
            wait_for("marks on cells 1 and 2 once shown",
                     lambda: (lambda shot: semi_marked(shot, grid, 2, red) and
                              hole_marked(shot, grid, 1))(env.screenshot()), timeout=10)

            # Ctrl+J sets bit 15 on the selected red; the box clears it again.
            env.click(*grid.centre(3))
            env.keys("ctrl+j")
            wait_for("cell 3 marked after Ctrl+J",
                     lambda: semi_marked(env.screenshot(), grid, 3, red), timeout=10)
            # The box lies under the colour boxes: 140, 288 dialog units, 6 x 13
            # base units, from the client corner that cell 0 is 9, 6 pixels in from.
            box_x = grid.x - 9 + 140 * 6 // 4 + 10
            box_y = grid.y - 6 + 288 * 13 // 8 + 8
            env.click(box_x, box_y)
            wait_for("cell 3 plain red after clearing the box",
                     lambda: grid.is_framed(env.screenshot(), 3, red), timeout=10)

            env.keys("alt+e", "s", "m")  # Select semi-transparent colors
            wait_for("cell 2 alone selected",
                     lambda: (lambda shot: grid.pixel(shot, 2, 1, 1) == black and
                              grid.pixel(shot, 2, 2, 2) == white and
                              grid.is_plain(shot, 3, red))(env.screenshot()), timeout=10)

            # Red typed to 0000: a hole, and the title says so.
            env.click(*grid.centre(3))
            env.keys("shift+Tab", "shift+Tab")  # to cell 0, the grid's tab stop, then the field
            env.type("0000")
            wait_for("the title on the new hole",
                     lambda: title_shows(env, "^Tavrin - 1 color became transparent"),
                     timeout=10)
            env.keys("Tab")
            wait_for("cell 3 marked as a hole",
                     lambda: hole_marked(env.screenshot(), grid, 3), timeout=10)
            env.keys("ctrl+z")
            env.keys("alt+e", "k")  # Keep black opaque
            env.click(*grid.centre(3))
            env.keys("shift+Tab", "shift+Tab")  # to cell 0, the grid's tab stop, then the field
            env.type("0000")
            env.keys("Tab")
            wait_for("cell 3 opaque black (8000) with Keep black opaque",
                     lambda: semi_marked(env.screenshot(), grid, 3, black), timeout=10)
            if not title_shows(env, "^Tavrin - 1 color kept opaque black"):
                raise Failure("the title does not say the colour was kept opaque")
            env.keep(env.screenshot(), "transparency")
            env.keys("alt+f", "x")
            if program.exit_code() != 0:
                raise Failure("File > Exit did not end with 0")

        # The next run shows the marks at once.
        with Program(env, exe_dir) as program:
            grid = load()
            wait_for("marks in the next run",
                     lambda: semi_marked(env.screenshot(), grid, 2, red), timeout=10)
            env.keys("alt+v", "s", "alt+e", "k")
            wait_for("no marks once turned off",
                     lambda: grid.pixel(env.screenshot(), 2, 4, 4) == red, timeout=10)
            env.keys("alt+f", "x")
            program.exit_code()
    finally:
        # The prefix is shared: the next scenarios start with both options off.
        env.run([env.wine, "reg", "delete", r"HKCU\Software\Tavrin", "/f"], timeout=60,
                check=False)


def scenario_adjust_colors(env, exe_dir, work):
    """Edit > Adjust colors... on a red kit of four shades: the Hue trackbar
    moved to its end shows the shades cyan at once, Cancel puts them back;
    -120 typed as the hue and OK turns them blue, each shade at its own
    lightness, and Ctrl+Z takes that back in one step."""
    words = raw_clut_words()
    shades = [31, 24, 16, 8]
    for i, level in enumerate(shades):
        words[1 + i] = level
    source = os.path.join(work, "red.clu")
    with open(source, "wb") as f:
        f.write(words_to_bytes(words))

    def kit_shows(what, colours):
        def shown():
            shot = env.screenshot()
            return all(grid.is_framed(shot, 1 + i, colour) for i, colour in enumerate(colours))

        try:
            wait_for(what, shown, timeout=10)
        except Failure:
            env.keep(env.screenshot(), "adjust-" + what.replace(" ", "-"))
            raise

    red = [decode(level)[:3] for level in shades]
    cyan = [decode((level << 5) | (level << 10))[:3] for level in shades]
    blue = [decode(level << 10)[:3] for level in shades]
    with Program(env, exe_dir) as program:
        env.keys("alt+f", "l")
        open_through_dialog(env, "Open", source)
        _, grid = find_grid(env, (255, 0, 255), "the loaded CLUT in the grid")
        wait_cells(env, grid, words, 256, "after loading")
        env.click(*grid.centre(1))
        wait_for("cell 1 framed after the click",
                 lambda: grid.is_framed(env.screenshot(), 1, red[0]), timeout=10)
        env.xdotool("keydown", "shift")
        env.click(*grid.centre(4))
        env.xdotool("keyup", "shift")
        kit_shows("the four shades selected", red)

        env.keys("alt+e", "a")
        env.wait_window("Adjust colors")
        env.keys("End")  # the Hue trackbar has the focus: 180 degrees
        kit_shows("the shades cyan while the window is open", cyan)
        env.keys("Escape")
        env.wait_window_gone("Adjust colors")
        kit_shows("the shades red again after Cancel", red)

        env.keys("alt+e", "a")
        env.wait_window("Adjust colors")
        env.keys("Tab", "End", "shift+Home", "minus")
        env.type("120")
        kit_shows("the shades blue as the hue is typed", blue)
        env.keys("Return")
        env.wait_window_gone("Adjust colors")
        kit_shows("the shades blue after OK", blue)
        env.keys("ctrl+z")
        kit_shows("the shades red after Ctrl+Z", red)

        env.keys("alt+f", "x")
        code = program.exit_code()
        if code != 0:
            raise Failure(f"File > Exit ended the program with {code}")


SCENARIOS = [scenario_raw_clut, scenario_tex_team_flag, scenario_offset, scenario_tim_rows,
             scenario_open_with, scenario_undo_redo, scenario_adjust_colors,
             scenario_finder, scenario_finder_dense, scenario_preview, scenario_preview_raw,
             scenario_transparency, scenario_disc_image]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--wine", choices=sorted(WINE_FLAVOURS), default="win32",
                        help="the Wine that runs the program (win64 for the 64-bit exe)")
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--artifacts", default="")
    parser.add_argument("--screenshot", default="", help="write a PNG of the running program")
    parser.add_argument("--wine-debug", default="",
                        help="WINEDEBUG channels for the program, logged into the artifacts")
    parser.add_argument("--only", default="", help="run only the scenarios whose name has this")
    args = parser.parse_args()

    scenarios = [s for s in SCENARIOS if args.only in s.__name__]
    if not scenarios and not args.screenshot:
        log(f"no scenario matches {args.only!r}")
        return 1
    deadline = BOOT_DEADLINE + ROUND_DEADLINE * max(args.repeat, 1)

    def on_alarm(signum, frame):
        raise Deadline(f"the run took longer than {deadline} s")

    def on_terminate(signum, frame):
        raise Deadline("terminated")  # so that the clean-up below still runs

    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_terminate)
    signal.alarm(deadline)

    root = tempfile.mkdtemp(prefix="tavrin-wine-")
    env = Environment(root, os.path.abspath(args.artifacts) if args.artifacts else "", args.wine)
    log(f"Wine flavour {args.wine}: {env.wine} in a {args.wine} prefix")
    env.wine_debug = args.wine_debug
    failures = 0
    try:
        exe_dir = os.path.join(root, "program")
        os.makedirs(os.path.join(exe_dir, "help"))
        shutil.copy(args.exe, os.path.join(exe_dir, "tavrin.exe"))
        work = os.path.join(root, "files")
        os.makedirs(work)

        env.start_display()
        env.boot_wine()
        if args.screenshot:
            take_screenshot(env, exe_dir, work, os.path.abspath(args.screenshot))
            log(f"screenshot written to {args.screenshot}")
            return 0
        for round_number in range(1, args.repeat + 1):
            for scenario in scenarios:
                name = f"{scenario.__name__} (round {round_number})"
                started = time.monotonic()
                try:
                    scenario(env, exe_dir, work)
                    log(f"PASS {name} in {time.monotonic() - started:.1f} s")
                except (Failure, subprocess.TimeoutExpired) as failure:
                    failures += 1
                    log(f"FAIL {name}: {failure}")
                    env.stop_wine()  # no leftover window may disturb the next scenario
    except (Failure, Deadline, subprocess.TimeoutExpired) as error:
        failures += 1
        log(f"FAIL: {error}")
    finally:
        signal.alarm(0)
        env.stop_wine()
        env.stop_display()
        shutil.rmtree(root, ignore_errors=True)
    log("all passed" if failures == 0 else f"{failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
