#!/usr/bin/env python3
"""End-to-end test of the Windows editor: gridwright.exe runs under Wine on a private Xvfb display
and is driven with xdotool as a person would drive it, with the mouse, the shortcuts and the input
box. It checks the window caption, the surface's pixels against the palette and the map file's
bytes. Waits are on conditions (window mapped, pixels shown, file written), each with a deadline.

usage: end_to_end.py --exe gridwright.exe --prefix WINEPREFIX --workdir DIR [--screenshots DIR]
                     SCENARIO...   (startup, editing)
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib
from pathlib import Path

# The editing surface: 80 x 25 cells of 10 x 18 pixels.
SURFACE_W, SURFACE_H = 800, 450
CELL_W, CELL_H = 10, 18
LEVEL_BYTES = 1536

PALETTE = [
    (1, 0, 0), (0, 0, 144), (0, 144, 0), (0, 144, 144),
    (144, 0, 0), (144, 0, 160), (144, 104, 0), (192, 192, 192),
    (128, 128, 128), (96, 96, 255), (96, 255, 96), (96, 255, 255),
    (255, 96, 96), (255, 128, 255), (255, 255, 0), (255, 255, 255),
]
FULL_BLOCK, SMILEY = 219, 1
CAPTION = "QUORIX Map Editor"


def dimmed(colour, brightness):
    """A palette colour at a brightness: the product rounded half to even, at most 255."""
    return tuple(min(255, round(c * brightness)) for c in colour)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout=20.0, interval=0.1):
    """Polls probe() until it returns a true value, which is returned; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Screen:
    """A picture of one X window, read from xwd's ZPixmap format at 32 bits per pixel."""

    def __init__(self, data):
        header = struct.unpack(">25I", data[:100])
        header_size, _, pixmap_format, _, width, height = header[:6]
        byte_order, bits_per_pixel, bytes_per_line = header[7], header[11], header[12]
        masks = header[14:17]
        ncolors = header[19]
        check(pixmap_format == 2 and bits_per_pixel == 32, f"unexpected xwd pixel format {header}")
        self.width, self.height = width, height
        self.bytes_per_line = bytes_per_line
        self.little = byte_order == 0
        self.shifts = [(m, (m & -m).bit_length() - 1) for m in masks]
        start = header_size + ncolors * 12
        self.pixels = data[start:start + bytes_per_line * height]

    def rgb(self, x, y):
        offset = y * self.bytes_per_line + x * 4
        p = int.from_bytes(self.pixels[offset:offset + 4], "little" if self.little else "big")
        return tuple((p & mask) >> shift for mask, shift in self.shifts)

    def png(self, left, top, width, height):
        rows = b"".join(
            b"\0" + b"".join(bytes(self.rgb(left + x, top + y)) for x in range(width))
            for y in range(height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        return (b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


class Session:
    """One run of the editor under Wine on its own X display."""

    def __init__(self, args):
        self.args = args
        self.xvfb = None
        self.editor = None
        self.env = dict(os.environ)
        self.origin = None
        self.window = None

    # -- the display and the program --------------------------------------------------------

    def start_display(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                byte = pipe.read(1)
                if not byte:
                    raise Failure("Xvfb did not start")
                number += byte
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def start_editor(self, *arguments):
        self.env.update({
            "WINEPREFIX": str(self.args.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            # Wine turns the Unix command line into UTF-16 through the locale's character set.
            "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
        })
        self.started = time.monotonic()
        self.editor = subprocess.Popen(
            ["wine", str(self.args.exe), *arguments], cwd=self.args.workdir, env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def set_display_dpi(self, dpi):
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/t", "REG_DWORD", "/d", str(dpi), "/f"], env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def stop(self):
        if self.editor is not None and self.editor.poll() is None:
            # Left running by a failure: end it and everything else in the test's own prefix.
            self.editor.kill()
            self.editor.wait()
            subprocess.run(["wineserver", "-k"], env=self.env, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env)
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()

    # -- X helpers ---------------------------------------------------------------------------

    def xdotool(self, *words):
        result = subprocess.run(["xdotool", *map(str, words)], env=self.env,
                                capture_output=True, text=True)
        return result.stdout.rstrip("\n") if result.returncode == 0 else ""

    def find_window(self, name_pattern):
        found = self.xdotool("search", "--onlyvisible", "--name", name_pattern)
        return found.split()[0] if found else ""

    def visible_windows(self):
        return len(self.xdotool("search", "--onlyvisible", "--name", "").split())

    def caption(self):
        return self.xdotool("getwindowname", self.window)

    def wait_caption(self, expected):
        try:
            wait_for(f"the caption {expected!r}", lambda: self.caption() == expected, 10)
        except Failure as failure:
            raise Failure(f"{failure}; it reads {self.caption()!r}") from None

    def screen(self):
        # The window's own picture: the root window's may come in another visual's format.
        data = subprocess.run(["xwd", "-id", self.window, "-silent"], env=self.env,
                              capture_output=True, check=True).stdout
        return Screen(data)

    def cell_pixels(self, screen, column, row):
        x0 = self.origin[0] + column * CELL_W
        y0 = self.origin[1] + row * CELL_H
        return [screen.rgb(x0 + i, y0 + j) for j in range(CELL_H) for i in range(CELL_W)]

    def cell_is(self, column, row, colour):
        return all(p == colour for p in self.cell_pixels(self.screen(), column, row))

    def wait_cell(self, column, row, colour, what):
        wait_for(f"{what}: cell ({column}, {row}) all {colour}",
                 lambda: self.cell_is(column, row, colour))

    def move_to(self, column, row):
        """Moves the pointer to the middle of a surface cell."""
        x = self.origin[0] + column * CELL_W + CELL_W // 2
        y = self.origin[1] + row * CELL_H + CELL_H // 2
        self.xdotool("mousemove", "--window", self.window, "--sync", x, y)

    def click(self, column, row, button=1):
        self.move_to(column, row)
        self.xdotool("click", button)

    def focus_main(self):
        # Without a window manager the X input focus is set directly.
        self.xdotool("windowfocus", "--sync", self.window)

    def shortcut(self, keys):
        self.focus_main()
        self.xdotool("key", keys)

    def answer_box(self, what, *keys, text=None):
        """Waits for the program's modal box (input box or message), types into it and presses
        the keys, then waits for it to close."""
        box = wait_for(what, lambda: self.find_window("^gridwright$"))
        self.xdotool("windowfocus", "--sync", box)
        if text is not None:
            # Typing replaces the default answer, which the box shows selected.
            self.xdotool("type", "--delay", "20", text)
        self.xdotool("key", *keys)
        wait_for(f"{what} to close", lambda: not self.find_window("^gridwright$"))

    def answer_input_box(self, text):
        self.answer_box("the input box", "Return", text=text)

    def save_screenshot(self, name):
        if not self.args.screenshots:
            return
        self.args.screenshots.mkdir(parents=True, exist_ok=True)
        screen = self.screen()
        (self.args.screenshots / name).write_bytes(screen.png(0, 0, screen.width, screen.height))

    def geometry(self):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", self.window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]


def make_map(path):
    """Three levels with known cells; everything else glyph 0 in colour 0."""
    levels = [bytearray(LEVEL_BYTES) for _ in range(3)]

    def put(level, x, y, glyph, colour_byte):
        offset = (y * 32 + x) * 2
        levels[level][offset:offset + 2] = bytes([glyph, colour_byte])

    put(0, 0, 0, FULL_BLOCK, 0xC0)  # the locator of the surface: a light red block at the origin
    put(0, 1, 0, ord("A"), 0xE0)
    put(0, 2, 0, FULL_BLOCK, 0x47)  # colour 4: the low four bits are dropped on load and save
    put(1, 0, 0, FULL_BLOCK, 0x90)
    put(1, 31, 23, FULL_BLOCK, 0xA0)
    put(2, 3, 3, ord("Z"), 0x50)
    data = b"".join(levels)
    path.write_bytes(data)
    return bytearray(data)


def cell_offset(level, x, y):
    return level * LEVEL_BYTES + (y * 32 + x) * 2


# A name beyond ASCII: it must reach the file system as the same name, through UTF-16.
MAP_NAME = "welt-\u00c4\u00f6-\u5730\u56f3.qmap"


def open_editor(s, *arguments):
    """Starts the editor and waits for its window; locates the surface in it."""
    s.start_editor(*arguments)
    s.window = wait_for("the editor's window", lambda: s.find_window("^" + CAPTION), 60)
    # The surface fills the client area, at the bottom of the window below the menu bar.
    _, _, width, height = s.geometry()
    border = (width - SURFACE_W) // 2
    s.origin = (border, height - SURFACE_H - border)


def exit_through_menu(s):
    """File, Exit by the access letters: the program ends at once, asking nothing."""
    windows_before = s.visible_windows()
    s.shortcut("alt+f")
    wait_for("the File menu", lambda: s.visible_windows() > windows_before)
    s.xdotool("key", "x")
    wait_for("the program to end", lambda: s.editor.poll() is not None)


def startup(s):
    """Start-up with a map on the command line, the surface's furniture, a save through the
    map's name, Exit; then a start without a map, ended by closing the window."""
    map_path = s.args.workdir / MAP_NAME
    expected = make_map(map_path)
    open_editor(s, MAP_NAME)
    # The window shows during the start-up, before the caption names the map.
    s.wait_caption(f"{CAPTION} - {MAP_NAME}")
    s.wait_cell(0, 0, PALETTE[12], "level 0 of the map on the surface")
    print(f"first frame {time.monotonic() - s.started:.1f} s after start")

    screen = s.screen()
    check(PALETTE[14] in s.cell_pixels(screen, 1, 0), "the yellow A of level 0 is missing")
    check(all(p == PALETTE[4] for p in s.cell_pixels(screen, 2, 0)), "colour byte 0x47 is not 4")
    # The furniture: full block of the glyph table in white, the border in light shade, the
    # colour row's digits in their colours, the brush legend's letters in light grey.
    check(all(p == PALETTE[15] for p in s.cell_pixels(screen, 41 + 11, 5 + 13)),
          "glyph 219 of the glyph table is not a white block")
    border_colours = set(s.cell_pixels(screen, 32, 0))
    check(border_colours == {PALETTE[7], PALETTE[8]}, f"border cell shows {border_colours}")
    check(set(s.cell_pixels(screen, 41 + 12, 3)) == {PALETTE[12], PALETTE[0]},
          "colour row digit C is not light red on black")
    s.save_screenshot("windows-start.png")

    # Ctrl+S writes level 0 back, its colour bytes cleaned, through the name beyond ASCII.
    expected[cell_offset(0, 2, 0) + 1] = 0x40
    s.shortcut("ctrl+s")
    wait_for("the map file to be saved", lambda: map_path.read_bytes() == expected)
    exit_through_menu(s)

    open_editor(s)
    s.wait_cell(41 + 11, 5 + 13, PALETTE[15], "the glyph table")
    check(s.caption() == CAPTION, f"caption without a map is {s.caption()!r}")
    s.focus_main()
    s.xdotool("key", "alt+F4")
    wait_for("the program to end on closing", lambda: s.editor.poll() is not None)
    check(sorted(p.name for p in s.args.workdir.iterdir()) == [MAP_NAME],
          "a start without a map touched a file")

    # At 150 % display scale the frame, caption and menu bar grow; the surface stays 800 x 450
    # device pixels, one per pixel of the image.
    top_at_96_dpi = s.origin[1]
    s.set_display_dpi(144)
    try:
        open_editor(s, MAP_NAME)
        check(s.origin[1] > top_at_96_dpi, "caption and menu bar did not grow at 144 dpi")
        s.wait_cell(0, 0, PALETTE[12], "the map at 144 dpi")
        screen = s.screen()
        check(all(p == PALETTE[15] for p in s.cell_pixels(screen, 41 + 11, 5 + 13)),
              "the glyph table is not pixel-exact at 144 dpi")
        check(s.cell_pixels(screen, 79, 24) == [PALETTE[0]] * (CELL_W * CELL_H),
              "the surface's last cell is not at its place at 144 dpi")
        exit_through_menu(s)
    finally:
        s.set_display_dpi(96)


def editing(s):
    """Brushes, painting, a Shift rectangle and the commands through their shortcuts and the
    input box, checked on the surface and in the map file."""
    map_path = s.args.workdir / MAP_NAME
    expected = make_map(map_path)
    expected[cell_offset(0, 2, 0) + 1] = 0x40
    renamed = s.args.workdir / "neu-\u00df.qmap"
    open_editor(s, MAP_NAME)
    s.wait_cell(0, 0, PALETTE[12], "level 0 of the map on the surface")

    # Brushes: left picks the full block in light green, right a smiley in yellow.
    s.click(41 + FULL_BLOCK % 16, 5 + FULL_BLOCK // 16, 1)
    s.click(41 + 10, 3, 1)
    s.wait_cell(35, 0, PALETTE[10], "left brush indicator")
    s.click(41 + SMILEY % 16, 5 + SMILEY // 16, 3)
    s.click(41 + 14, 3, 3)
    wait_for("right brush indicator", lambda: PALETTE[14] in s.cell_pixels(s.screen(), 41, 0))

    # Painting: single cells with each button, then a rectangle anchored with Shift.
    s.click(5, 7, 1)
    s.wait_cell(5, 7, PALETTE[10], "left-button paint")
    s.click(6, 7, 3)
    wait_for("right-button paint", lambda: PALETTE[14] in s.cell_pixels(s.screen(), 6, 7))
    s.xdotool("keydown", "shift")
    s.click(10, 10, 1)
    s.click(12, 11, 1)
    s.xdotool("keyup", "shift")
    s.wait_cell(12, 11, PALETTE[10], "rectangle corner")
    check(all(s.cell_is(x, y, PALETTE[10]) for x in range(10, 13) for y in range(10, 12)),
          "the rectangle is not filled")

    # A drag paints the cells it passes; outside the surface, which holds the pointer until the
    # button comes up, it paints nothing. The window system merges the moves that queue up, so
    # each step waits for its cell as a hand would be slower than the painting.
    s.move_to(20, 2)
    s.xdotool("mousedown", 1)
    for column in (20, 21, 22):
        s.move_to(column, 2)
        s.wait_cell(column, 2, PALETTE[10], "the drag")
    s.xdotool("mousemove", "--window", s.window, "--sync", SURFACE_W + 60, 30)
    s.xdotool("mouseup", 1)

    # Ctrl gives the brush a random colour; the generator is never seeded, so the first one is
    # always 1 + int(15 x 0.7055...) = 11.
    s.xdotool("keydown", "ctrl")
    s.click(8, 7, 1)
    s.xdotool("keyup", "ctrl")
    s.wait_cell(8, 7, PALETTE[11], "the first random colour")

    painted = [(5, 7, FULL_BLOCK, 10), (6, 7, SMILEY, 14), (8, 7, FULL_BLOCK, 11)]
    painted += [(x, y, FULL_BLOCK, 10) for x in range(10, 13) for y in range(10, 12)]
    painted += [(x, 2, FULL_BLOCK, 10) for x in range(20, 23)]
    for x, y, glyph, colour in painted:
        expected[cell_offset(0, x, y):cell_offset(0, x, y) + 2] = bytes([glyph, colour * 16])
    s.save_screenshot("windows-painted.png")

    s.shortcut("ctrl+s")
    wait_for("the map file to be saved", lambda: map_path.read_bytes() == expected)

    # Ctrl+B at 0.5 halves every colour on the surface; Ctrl+L shows level 1 at it.
    s.shortcut("ctrl+b")
    s.answer_input_box("0.5")
    s.wait_cell(5, 7, dimmed(PALETTE[10], 0.5), "half brightness")
    check(s.cell_is(41 + 11, 5 + 13, (128, 128, 128)), "white at half is not 128, 128, 128")
    s.save_screenshot("windows-dimmed.png")
    s.shortcut("ctrl+l")
    s.answer_input_box("1")
    s.wait_cell(31, 23, dimmed(PALETTE[10], 0.5), "level 1")
    check(s.cell_is(0, 0, dimmed(PALETTE[9], 0.5)), "level 1's corner block is missing")
    check(s.cell_is(5, 7, dimmed(PALETTE[0], 0.5)), "level 0's paint shows on level 1")

    # Ctrl+O names another file, Ctrl+S writes level 1 into it at its place.
    s.shortcut("ctrl+o")
    s.answer_input_box(renamed.name)
    s.wait_caption(f"{CAPTION} - {renamed.name}")
    s.shortcut("ctrl+s")
    wait_for("the new file", lambda: renamed.exists() and renamed.stat().st_size == 3072)
    check(renamed.read_bytes() == bytes(LEVEL_BYTES) + expected[LEVEL_BYTES:2 * LEVEL_BYTES],
          "the new file does not hold level 1 at its place")
    check(map_path.read_bytes() == expected, "the first map changed after Open")

    # Open cancelled names no file: Save then reports its failure, and the editor goes on.
    s.shortcut("ctrl+o")
    s.answer_box("the input box", "Escape")
    s.wait_caption(f"{CAPTION} - ")
    s.shortcut("ctrl+s")
    s.answer_box("the failure message", "Return")
    check(s.editor.poll() is None, "the editor ended after a failed save")
    check(sorted(p.name for p in s.args.workdir.iterdir()) == sorted([MAP_NAME, renamed.name]),
          "a failed save left a file behind")
    exit_through_menu(s)


SCENARIOS = {"startup": startup, "editing": editing}


def run(args):
    shutil.rmtree(args.workdir, ignore_errors=True)
    args.workdir.mkdir(parents=True)
    s = Session(args)
    try:
        s.start_display()
        for name in args.scenarios:
            started = time.monotonic()
            SCENARIOS[name](s)
            print(f"{name}: {time.monotonic() - started:.1f} s")
    finally:
        s.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", type=Path, required=True)
    parser.add_argument("--prefix", type=Path, required=True)
    parser.add_argument("--workdir", type=Path, required=True)
    parser.add_argument("--screenshots", type=Path)
    parser.add_argument("scenarios", nargs="+", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwd", "wine", "wineserver"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run scripts/deps.sh test", file=sys.stderr)
            return 1
    try:
        run(args)
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print("end-to-end test passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
