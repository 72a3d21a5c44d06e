#!/usr/bin/env python3
"""End-to-end test of the Windows editor: gridwright.exe runs under Wine on a private Xvfb display
and is driven with xdotool as a person would drive it, with the mouse, the shortcuts and the input
box. It checks the window caption, the surface's pixels against the palette and the map file's
bytes. Waits are on conditions (window mapped, pixels shown, file written), each with a deadline.

usage: end_to_end.py --exe gridwright.exe --prefix WINEPREFIX --workdir DIR [--screenshots DIR]
                     [--replay REPLAY_EVENTS --sample SAMPLE_MAP]
                     SCENARIO...   (startup, editing, recovery, zoom, tools, levels, desktop)

The levels scenario holds the overview to the core's own rendering of the same page, drawn by the
host build's replay_events from the sample map.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from x11_harness import (CAPTION, CELL_H, CELL_W, FULL_BLOCK, LEVEL_BYTES, SMILEY, SURFACE_H,
                         SURFACE_W, ZOOM_SCREEN, Display, Failure, Level, caption_with,
                         cell_centre, cell_offset, check, colour, colour_cell, glyph_cell,
                         core_rendering, level_bytes, play_zoom_plan, run_test, surface_picture,
                         wait_surface, wait_zoomed_capture, zoom_plan_edits, zoom_plan_shown)


# Wine quiet and self-contained: no Mono or Gecko, whose install prompts would wait for a person;
# and Wine turns the Unix command line into UTF-16 through the locale's character set.
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8"}


class Session:
    """Runs of the editor under Wine on one X display of their own."""

    def __init__(self, args):
        self.args = args
        self.x = None
        self.editor = None
        self.env = dict(os.environ, WINEPREFIX=str(args.prefix), **WINE_ENV)
        self.origin = None
        self.window = None

    # -- the display and the program --------------------------------------------------------

    def start_display(self):
        # Wine draws more slowly than GTK: longer deadlines, and gentler polling beside it. The
        # zoom scenario's window grows to the surface at 3x.
        size = ZOOM_SCREEN if "zoom" in self.args.scenarios else "1024x768"
        self.x = Display(timeout=20.0, interval=0.1, size=size)
        self.env = dict(self.x.env, WINEPREFIX=str(self.args.prefix), **WINE_ENV)

    def start_editor(self, *arguments):
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
        if self.x is not None:
            self.x.stop()

    # -- X helpers ---------------------------------------------------------------------------

    def caption(self):
        return self.x.caption(self.window)

    def wait_caption(self, expected):
        try:
            self.x.wait(f"the caption {expected!r}", lambda: self.caption() == expected, 10)
        except Failure as failure:
            raise Failure(f"{failure}; it reads {self.caption()!r}") from None

    def screen(self):
        return self.x.screenshot(self.window)

    def cell_pixels(self, screen, column, row):
        return screen.cell(self.origin, column, row)

    def cell_is(self, column, row, rgb):
        return all(p == rgb for p in self.cell_pixels(self.screen(), column, row))

    def wait_cell(self, column, row, rgb, what):
        self.x.wait(f"{what}: cell ({column}, {row}) all {rgb}",
                    lambda: self.cell_is(column, row, rgb))

    def move_to(self, column, row):
        """Moves the pointer to the middle of a surface cell."""
        self.x.xdotool("mousemove", "--window", self.window, "--sync",
                       *cell_centre(self.origin, column, row))

    def click(self, column, row, button=1):
        self.move_to(column, row)
        self.x.xdotool("click", button)

    def shortcut(self, keys):
        self.x.shortcut(self.window, keys)

    def answer_input_box(self, text):
        self.x.answer_box("the input box", "Return", text=text)

    def save_screenshot(self, name):
        if not self.args.screenshots:
            return
        self.args.screenshots.mkdir(parents=True, exist_ok=True)
        self.screen().save_png(self.args.screenshots / name)


def make_map(path):
    """Three levels with known cells; everything else glyph 0 in colour 0."""
    levels = [Level() for _ in range(3)]
    levels[0].put(0, 0, FULL_BLOCK, 0xC0)  # locates the surface: a light red block at its origin
    levels[0].put(1, 0, ord("A"), 0xE0)
    levels[0].put(2, 0, FULL_BLOCK, 0x47)  # colour 4: the low bits are dropped on load and save
    levels[1].put(0, 0, FULL_BLOCK, 0x90)
    levels[1].put(31, 23, FULL_BLOCK, 0xA0)
    levels[2].put(3, 3, ord("Z"), 0x50)
    data = b"".join(level.data for level in levels)
    path.write_bytes(data)
    return bytearray(data)


# A name beyond ASCII: it must reach the file system as the same name, through UTF-16.
MAP_NAME = "welt-\u00c4\u00f6-\u5730\u56f3.qmap"


def open_editor(s, *arguments, zoom=1):
    """Starts the editor and waits for its window; locates the surface in it, at `zoom`."""
    s.start_editor(*arguments)
    s.window = s.x.wait("the editor's window", lambda: s.x.visible_windows("^" + CAPTION), 60)[0]
    fit(s, zoom)


def fit(s, zoom):
    """Waits for the window to show the surface at `zoom` and locates it: it fills the client
    area, at the bottom of the window below the menu bar, within the frame's border."""
    def fitted():
        geometry = s.x.geometry(s.window)
        border = geometry["WIDTH"] - SURFACE_W * zoom
        return 0 <= border <= 64 and geometry
    try:
        geometry = s.x.wait(f"the window to fit the surface at {zoom}x", fitted)
    except Failure:
        raise Failure(f"the window does not fit the surface at {zoom}x: "
                      f"{s.x.geometry(s.window)}") from None
    border = (geometry["WIDTH"] - SURFACE_W * zoom) // 2
    s.origin = (border, geometry["HEIGHT"] - SURFACE_H * zoom - border)


def choose_from_file_menu(s, letter):
    """Opens the File menu by its access letter and chooses an entry by its own."""
    windows_before = len(s.x.visible_windows(""))
    s.shortcut("alt+f")
    s.x.wait("the File menu", lambda: len(s.x.visible_windows("")) > windows_before)
    s.x.xdotool("key", letter)


def exit_through_menu(s):
    """File, Exit by the access letters: the program ends at once, asking nothing."""
    choose_from_file_menu(s, "x")
    s.x.wait("the program to end", lambda: s.editor.poll() is not None)


def startup(s):
    """Start-up with a map on the command line, the surface's furniture, a save through the
    map's name, Exit; then a start without a map, ended by closing the window."""
    map_path = s.args.workdir / MAP_NAME
    expected = make_map(map_path)
    open_editor(s, MAP_NAME)
    # The window shows during the start-up, before the caption names the map.
    s.wait_caption(caption_with(MAP_NAME))
    s.wait_cell(0, 0, colour(12), "level 0 of the map on the surface")
    print(f"first frame {time.monotonic() - s.started:.1f} s after start")

    screen = s.screen()
    check(colour(14) in s.cell_pixels(screen, 1, 0), "the yellow A of level 0 is missing")
    check(all(p == colour(4) for p in s.cell_pixels(screen, 2, 0)), "colour byte 0x47 is not 4")
    # The furniture: full block of the glyph table in white, the border in light shade, the
    # colour row's digits in their colours, the brush legend's letters in light grey.
    check(all(p == colour(15) for p in s.cell_pixels(screen, *glyph_cell(FULL_BLOCK))),
          "glyph 219 of the glyph table is not a white block")
    border_colours = set(s.cell_pixels(screen, 32, 0))
    check(border_colours == {colour(7), colour(8)}, f"border cell shows {border_colours}")
    check(set(s.cell_pixels(screen, *colour_cell(12))) == {colour(12), colour(0)},
          "colour row digit C is not light red on black")
    s.save_screenshot("windows-start.png")

    # Ctrl+S writes level 0 back, its colour bytes cleaned, through the name beyond ASCII.
    expected[cell_offset(2, 0) + 1] = 0x40
    s.shortcut("ctrl+s")
    s.x.wait("the map file to be saved", lambda: map_path.read_bytes() == expected)
    exit_through_menu(s)

    open_editor(s)
    s.wait_cell(*glyph_cell(FULL_BLOCK), colour(15), "the glyph table")
    check(s.caption() == CAPTION, f"caption without a map is {s.caption()!r}")
    s.shortcut("alt+F4")
    s.x.wait("the program to end on closing", lambda: s.editor.poll() is not None)
    check(sorted(p.name for p in s.args.workdir.iterdir()) == [MAP_NAME],
          "a start without a map touched a file")

    # At 150 % display scale the frame, caption and menu bar grow; the surface stays 800 x 450
    # device pixels, one per pixel of the image.
    top_at_96_dpi = s.origin[1]
    s.set_display_dpi(144)
    try:
        open_editor(s, MAP_NAME)
        check(s.origin[1] > top_at_96_dpi, "caption and menu bar did not grow at 144 dpi")
        s.wait_cell(0, 0, colour(12), "the map at 144 dpi")
        screen = s.screen()
        check(all(p == colour(15) for p in s.cell_pixels(screen, *glyph_cell(FULL_BLOCK))),
              "the glyph table is not pixel-exact at 144 dpi")
        check(s.cell_pixels(screen, 79, 24) == [colour(0)] * (CELL_W * CELL_H),
              "the surface's last cell is not at its place at 144 dpi")
        exit_through_menu(s)
    finally:
        s.set_display_dpi(96)


def editing(s):
    """Brushes, painting, a Shift rectangle and the commands through their shortcuts and the
    input box, checked on the surface and in the map file."""
    map_path = s.args.workdir / MAP_NAME
    expected = make_map(map_path)
    expected[cell_offset(2, 0) + 1] = 0x40
    renamed = s.args.workdir / "neu-\u00df.qmap"
    open_editor(s, MAP_NAME)
    s.wait_cell(0, 0, colour(12), "level 0 of the map on the surface")

    # Brushes: left picks the full block in light green, right a smiley in yellow.
    s.click(*glyph_cell(FULL_BLOCK), 1)
    s.click(*colour_cell(10), 1)
    s.wait_cell(35, 0, colour(10), "left brush indicator")
    s.click(*glyph_cell(SMILEY), 3)
    s.click(*colour_cell(14), 3)
    s.x.wait("right brush indicator", lambda: colour(14) in s.cell_pixels(s.screen(), 41, 0))

    # Painting: single cells with each button, then a rectangle anchored with Shift.
    s.click(5, 7, 1)
    s.wait_cell(5, 7, colour(10), "left-button paint")
    s.click(6, 7, 3)
    s.x.wait("right-button paint", lambda: colour(14) in s.cell_pixels(s.screen(), 6, 7))
    s.x.xdotool("keydown", "shift")
    s.click(10, 10, 1)
    s.click(12, 11, 1)
    s.x.xdotool("keyup", "shift")
    s.wait_cell(12, 11, colour(10), "rectangle corner")
    check(all(s.cell_is(x, y, colour(10)) for x in range(10, 13) for y in range(10, 12)),
          "the rectangle is not filled")

    # A drag paints the cells it passes; outside the surface, which holds the pointer until the
    # button comes up, it paints nothing. The window system merges the moves that queue up, so
    # each step waits for its cell as a hand would be slower than the painting.
    s.move_to(20, 2)
    s.x.xdotool("mousedown", 1)
    for column in (20, 21, 22):
        s.move_to(column, 2)
        s.wait_cell(column, 2, colour(10), "the drag")
    s.x.xdotool("mousemove", "--window", s.window, "--sync", SURFACE_W + 60, 30)
    s.x.xdotool("mouseup", 1)

    # Ctrl gives the brush a random colour; the generator is never seeded, so the first one is
    # always 1 + int(15 x 0.7055...) = 11.
    s.x.xdotool("keydown", "ctrl")
    s.click(8, 7, 1)
    s.x.xdotool("keyup", "ctrl")
    s.wait_cell(8, 7, colour(11), "the first random colour")

    painted = [(5, 7, FULL_BLOCK, 10), (6, 7, SMILEY, 14), (8, 7, FULL_BLOCK, 11)]
    painted += [(x, y, FULL_BLOCK, 10) for x in range(10, 13) for y in range(10, 12)]
    painted += [(x, 2, FULL_BLOCK, 10) for x in range(20, 23)]
    for x, y, glyph, colour_index in painted:
        expected[cell_offset(x, y):cell_offset(x, y) + 2] = bytes([glyph, colour_index * 16])
    s.save_screenshot("windows-painted.png")

    s.shortcut("ctrl+s")
    s.x.wait("the map file to be saved", lambda: map_path.read_bytes() == expected)

    # Ctrl+B at 0.5 halves every colour on the surface; Ctrl+L shows level 1 at it.
    s.shortcut("ctrl+b")
    s.answer_input_box("0.5")
    s.wait_cell(5, 7, colour(10, 0.5), "half brightness")
    check(s.cell_is(*glyph_cell(FULL_BLOCK), (128, 128, 128)), "white at half is not 128, 128, 128")
    s.save_screenshot("windows-dimmed.png")
    s.shortcut("ctrl+l")
    s.answer_input_box("1")
    s.wait_cell(31, 23, colour(10, 0.5), "level 1")
    check(s.cell_is(0, 0, colour(9, 0.5)), "level 1's corner block is missing")
    check(s.cell_is(5, 7, colour(0, 0.5)), "level 0's paint shows on level 1")

    # Ctrl+O names another file, Ctrl+S writes level 1 into it at its place.
    s.shortcut("ctrl+o")
    s.answer_input_box(renamed.name)
    s.wait_caption(caption_with(renamed.name))
    s.shortcut("ctrl+s")
    s.x.wait("the new file", lambda: renamed.exists() and renamed.stat().st_size == 3072)
    check(renamed.read_bytes() == bytes(LEVEL_BYTES) + expected[LEVEL_BYTES:2 * LEVEL_BYTES],
          "the new file does not hold level 1 at its place")
    check(map_path.read_bytes() == expected, "the first map changed after Open")

    # Open cancelled names no file: Save then reports its failure, and the editor goes on.
    s.shortcut("ctrl+o")
    s.x.answer_box("the input box", "Escape")
    s.wait_caption(caption_with(""))
    s.shortcut("ctrl+s")
    s.x.answer_box("the failure message", "Return")
    check(s.editor.poll() is None, "the editor ended after a failed save")
    check(sorted(p.name for p in s.args.workdir.iterdir()) == sorted([MAP_NAME, renamed.name]),
          "a failed save left a file behind")
    exit_through_menu(s)


def recovery(s):
    """Ctrl+Z and Ctrl+Y take a stroke back and forward; after Exit, File > Recover in a new run
    brings the unsaved stroke back from the recovery journal and Ctrl+S writes it."""
    map_path = s.args.workdir / MAP_NAME
    original = make_map(map_path)
    open_editor(s, MAP_NAME)
    s.wait_cell(0, 0, colour(12), "level 0 of the map on the surface")
    s.click(*glyph_cell(FULL_BLOCK), 1)
    s.click(*colour_cell(10), 1)
    s.wait_cell(35, 0, colour(10), "left brush indicator")
    s.click(5, 7, 1)
    s.wait_cell(5, 7, colour(10), "the stroke")
    s.shortcut("ctrl+z")
    s.wait_cell(5, 7, colour(0), "the stroke undone")
    s.shortcut("ctrl+y")
    s.wait_cell(5, 7, colour(10), "the stroke redone")
    exit_through_menu(s)
    check(map_path.read_bytes() == original, "Exit wrote the map file")

    open_editor(s, MAP_NAME)
    s.wait_cell(5, 7, colour(0), "level 0 as the file holds it")
    choose_from_file_menu(s, "r")
    s.wait_cell(5, 7, colour(10), "the recovered stroke")
    check(map_path.read_bytes() == original, "Recover wrote the map file")
    s.shortcut("ctrl+s")
    expected = bytearray(original)
    expected[cell_offset(2, 0) + 1] = 0x40
    expected[cell_offset(5, 7):cell_offset(5, 7) + 2] = bytes([FULL_BLOCK, 10 * 16])
    s.x.wait("the recovered stroke saved", lambda: map_path.read_bytes() == expected)
    exit_through_menu(s)


def forget_settings(s):
    """Removes what earlier scenarios left in the prefix's %APPDATA%\\gridwright; gives the
    folders, one for each of the prefix's users."""
    users = s.args.prefix / "drive_c" / "users"
    settings = [folder / "AppData" / "Roaming" / "gridwright" for folder in users.iterdir()
                if (folder / "AppData" / "Roaming").is_dir()]
    for folder in settings:
        shutil.rmtree(folder, ignore_errors=True)
    return settings


def zoom(s):
    """The same presses at 1x and, at 192 dpi, at 2x and at 3x set with the keys hit the same
    cells, save the same bytes and show every surface pixel as a block of its 1x colour; the zoom
    chosen is kept in %APPDATA%\\gridwright."""
    settings = forget_settings(s)
    first, second = s.args.workdir / "first.qmap", s.args.workdir / "second.qmap"
    level = Level(make_map(first)[:LEVEL_BYTES])
    for path in (first, second):
        path.write_bytes(bytes(level.data) * 2)   # two levels alike
    zoom_plan_edits(level)
    level.put(2, 0, FULL_BLOCK, 0x40)   # a save drops the low colour bits

    def presses_saved(path, index, zoom):
        play_zoom_plan(s.x, s.window, s.origin, zoom)
        s.shortcut("ctrl+s")
        s.x.wait(f"the presses at {zoom}x saved", lambda: level_bytes(path, index) == level.data)

    open_editor(s, first.name)
    s.wait_cell(0, 0, colour(12), "the map at 1x")
    presses_saved(first, 0, 1)
    plain = s.x.wait("the presses at 1x drawn",
                     lambda: zoom_plan_shown(shot := s.screen(), s.origin) and shot)
    plain_origin = s.origin
    exit_through_menu(s)

    s.set_display_dpi(192)
    try:
        open_editor(s, second.name, zoom=2)
        s.x.wait("the map at 2x", lambda: s.screen().pixel(*s.origin) == colour(12))
        presses_saved(second, 0, 2)
        wait_zoomed_capture(s.screen, s.origin, 2, plain, plain_origin)

        s.shortcut("ctrl+plus")
        fit(s, 3)
        s.shortcut("ctrl+l")
        s.answer_input_box("1")
        s.x.wait("level 1 at 3x", lambda: s.screen().pixel(
            s.origin[0] + 15 * CELL_W * 3, s.origin[1] + 2 * CELL_H * 3) == colour(0))
        presses_saved(second, 1, 3)
        wait_zoomed_capture(s.screen, s.origin, 3, plain, plain_origin)
        # The picture keeps the surface's size in surface pixels: Brightness repaints it whole.
        s.shortcut("ctrl+b")
        s.answer_input_box("0.5")
        s.x.wait("half brightness at 3x", lambda: s.screen().pixel(
            s.origin[0] + (SURFACE_W - 1) * 3, s.origin[1] + 2 * CELL_H * 3) == colour(0, 0.5)
            and s.screen().pixel(s.origin[0] + 15 * CELL_W * 3, s.origin[1] + 2 * CELL_H * 3)
            == colour(12, 0.5))
        exit_through_menu(s)
        kept = [folder / "settings.ini" for folder in settings if folder.is_dir()]
        check(kept and "zoom=3" in kept[0].read_text(), "zoom 3 was not remembered")
    finally:
        s.set_display_dpi(96)
        for folder in settings:
            shutil.rmtree(folder, ignore_errors=True)


def x_clipboard(s, target):
    """What another X program reads from the CLIPBOARD selection as `target`, or None."""
    try:
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", target],
                                env=s.x.env, capture_output=True, timeout=10)
    except subprocess.TimeoutExpired:
        return None
    return result.stdout if result.returncode == 0 else None


def line_cells(a, b):
    """The cells of a line whose ideal line passes no cell's edge halfway (no rounding ties):
    one a step along the longer axis, the other rounded to the nearest."""
    (ax, ay), (bx, by) = a, b
    steps = max(abs(bx - ax), abs(by - ay))
    return [(ax + round((bx - ax) * i / steps), ay + round((by - ay) * i / steps))
            for i in range(steps + 1)]


def tools(s):
    """The tools chosen by their plain keys: a Line dragged with the left brush, a Fill with the
    right one of a region the line left, a Select dragged and copied with Ctrl+C (the text form
    as another X program reads it) and pasted with Ctrl+V at the pointer with its colours; the
    saved bytes hold exactly these edits."""
    map_path = s.args.workdir / MAP_NAME
    level = Level(make_map(map_path)[:LEVEL_BYTES])
    level.put(2, 0, FULL_BLOCK, 0x40)   # a save drops the low colour bits
    open_editor(s, MAP_NAME)
    s.wait_cell(0, 0, colour(12), "level 0 of the map on the surface")
    s.click(*glyph_cell(FULL_BLOCK), 1)
    s.click(*colour_cell(10), 1)
    s.wait_cell(35, 0, colour(10), "left brush indicator")
    s.click(*glyph_cell(SMILEY), 3)
    s.click(*colour_cell(14), 3)
    s.x.wait("right brush indicator", lambda: colour(14) in s.cell_pixels(s.screen(), 41, 0))

    # Line, by L: from the press's cell to the release's; the moves between only preview it.
    line = line_cells((2, 14), (9, 17))
    check(line == [(2, 14), (3, 14), (4, 15), (5, 15), (6, 16), (7, 16), (8, 17), (9, 17)],
          f"the expected line is {line}")
    s.shortcut("l")
    s.move_to(2, 14)
    s.x.xdotool("mousedown", 1)
    s.move_to(5, 20)
    s.move_to(9, 17)
    s.x.xdotool("mouseup", 1)
    s.x.wait("the line", lambda: all(s.cell_is(x, y, colour(10)) for x, y in line))
    check(s.cell_is(5, 20, colour(0)), "the preview through (5, 20) stayed on the surface")
    for x, y in line:
        level.set(x, y, FULL_BLOCK, 10)

    # Fill, by G: the 4-connected region of (4, 15) is its pair of the line's cells; the cells
    # the line joins only at a corner keep their brush.
    s.shortcut("g")
    s.click(4, 15, 3)
    s.x.wait("the fill", lambda: all(colour(14) in s.cell_pixels(s.screen(), x, 15)
                                     for x in (4, 5)))
    check(s.cell_is(3, 14, colour(10)) and s.cell_is(6, 16, colour(10)),
          "the fill went past a corner")
    for x in (4, 5):
        level.set(x, 15, SMILEY, 14)

    # Select, by M: a drag over (0, 0) to (2, 1); Ctrl+C puts both forms on the clipboard. Wine
    # hands X programs the text (its CR LF back as LF) but not the registered cells format; the
    # paste's colours show that the editor reads that one.
    s.shortcut("m")
    s.move_to(0, 0)
    s.x.xdotool("mousedown", 1)
    s.move_to(1, 1)
    s.move_to(2, 1)
    s.x.xdotool("mouseup", 1)
    s.shortcut("ctrl+c")
    text = "\u2588A\u2588\n\u2400\u2400\u2400"
    s.x.wait("the copied text on the X clipboard", lambda: (
        x_clipboard(s, "UTF8_STRING") or b"").decode(errors="replace").replace("\r", "") == text)

    # Ctrl+V with the pointer on (4, 15): the copied cells with their own colours, clipped to
    # nothing here, blank cells included; then Escape clears the selection around them.
    s.move_to(4, 15)
    s.shortcut("ctrl+v")
    s.x.wait("the paste", lambda: colour(12) in s.cell_pixels(s.screen(), 4, 15))
    s.shortcut("Escape")
    s.wait_cell(4, 15, colour(12), "the pasted block without the selection's outline")
    check(s.cell_is(6, 15, colour(4)) and s.cell_is(6, 16, colour(0)),
          "the paste's other cells are not as copied")
    for (x, y), (glyph, colour_index) in zip(
            [(4, 15), (5, 15), (6, 15), (4, 16), (5, 16), (6, 16)],
            [(FULL_BLOCK, 12), (ord("A"), 14), (FULL_BLOCK, 4), (0, 0), (0, 0), (0, 0)]):
        level.set(x, y, glyph, colour_index)
    s.save_screenshot("windows-tools.png")

    s.shortcut("ctrl+s")
    s.x.wait("the tools' edits saved", lambda: level_bytes(map_path, 0) == level.data)
    exit_through_menu(s)


def levels(s):
    """Tab shows the overview of the sample map's levels, pixel for pixel as the core draws the
    same page without a window; Tab again gives the board back."""
    check(s.args.replay is not None and s.args.sample is not None,
          "the levels scenario needs --replay and --sample")
    replayed = s.args.workdir / "replay"
    replayed.mkdir()
    shutil.copy(s.args.sample, s.args.workdir / "sample.qmap")
    shutil.copy(s.args.sample, replayed / "sample.qmap")
    board = core_rendering(s.args.replay, replayed, "sample.qmap", [],
                           s.args.workdir / "board.ppm")
    overview = core_rendering(s.args.replay, replayed, "sample.qmap", ["key Tab 0"],
                              s.args.workdir / "overview.ppm")
    open_editor(s, "sample.qmap")
    s.wait_caption(caption_with("sample.qmap"))

    def surface():
        return surface_picture(s.screen(), s.origin)
    wait_surface("the start against the core's", surface, board, timeout=20)
    s.shortcut("Tab")
    wait_surface("the overview against the core's", surface, overview, timeout=20)
    s.save_screenshot("windows-overview.png")
    s.shortcut("Tab")
    wait_surface("the board after the overview", surface, board, timeout=20)
    exit_through_menu(s)


def windows_path(path):
    """A Unix path as Wine's programs see it, on the drive that holds the whole file system."""
    return "Z:" + str(path).replace("/", "\\")


def desktop(s):
    """File > Browse (Ctrl+Shift+O) shows the system's file dialog in the current map's folder: a
    bare file name typed into it names that folder's file (the caption, and the next Save's
    bytes). File > Recent then lists the maps named, newest first: its second entry is the map of
    the start. The list is kept in %APPDATA%\\gridwright."""
    settings = forget_settings(s)
    first, second = s.args.workdir / "first.qmap", s.args.workdir / "second.qmap"
    make_map(first)
    second.write_bytes(bytes(2 * LEVEL_BYTES))
    try:
        open_editor(s, first.name)
        s.wait_cell(0, 0, colour(12), "the map")
        s.shortcut("ctrl+shift+o")
        dialog = s.x.wait("the file dialog", lambda: s.x.visible_windows("^Open a Map File$"),
                          60)[0]
        s.x.focus(dialog)
        s.x.xdotool("type", "--delay", "50", second.name)
        s.x.xdotool("key", "Return")
        s.x.wait("the file dialog to close",
                 lambda: not s.x.visible_windows("^Open a Map File$"), 30)
        s.wait_caption(caption_with(windows_path(second)))
        s.shortcut("ctrl+s")
        s.x.wait("the Save after Browse", lambda: level_bytes(second, 0)[:2] ==
                 bytes([FULL_BLOCK, 0xC0]))
        check(level_bytes(second, 1) == bytes(LEVEL_BYTES), "the Save wrote another level")

        windows_before = len(s.x.visible_windows(""))
        choose_from_file_menu(s, "t")
        s.x.wait("the Recent submenu", lambda: len(s.x.visible_windows("")) > windows_before + 1)
        s.x.xdotool("key", "2")
        s.wait_caption(caption_with(windows_path(first)))
        exit_through_menu(s)
        kept = [folder / "settings.ini" for folder in settings if folder.is_dir()]
        recent = [line for line in kept[0].read_text().splitlines()
                  if line.startswith("recent=")] if kept else []
        check(recent == ["recent=" + windows_path(first), "recent=" + windows_path(second)],
              f"the settings file keeps {recent}")
    finally:
        for folder in settings:
            shutil.rmtree(folder, ignore_errors=True)


SCENARIOS = {"startup": startup, "editing": editing, "recovery": recovery, "zoom": zoom,
             "tools": tools, "levels": levels, "desktop": desktop}


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
    parser.add_argument("--replay", type=Path, help="the host build's replay_events")
    parser.add_argument("--sample", type=Path, help="examples/sample.qmap")
    parser.add_argument("scenarios", nargs="+", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    clipboard = ("xclip",) if "tools" in args.scenarios else ()
    return run_test(lambda: run(args), tools=("wine", "wineserver", *clipboard))


if __name__ == "__main__":
    sys.exit(main())
