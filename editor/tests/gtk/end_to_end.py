#!/usr/bin/env python3
"""End-to-end test of the Linux editor in a real X server.

Starts gridwright under a private Xvfb with a map file on its command line and drives it as a
user would, through xdotool: picks brushes from the glyph grid and the colour row with the left,
right and middle buttons, paints single cells, a drag and a Shift rectangle, saves with Ctrl+S,
changes level with Ctrl+L, brightness with Ctrl+B and the file with Ctrl+O through the input box,
cancels with Escape, and leaves with the File menu's access letters. It checks the window caption,
every byte of the saved map file and pixels of window screenshots against the palette, waiting on
conditions (window mapped, file changed, pixels shown), never on fixed sleeps alone.

It also times the start (process start to the first complete frame), one-cell stroke steps and
whole-board drag steps (pointer event to repainted surface, median of TIMED_STEPS each), from the
editor's GRIDWRIGHT_TRACE lines, which carry CLOCK_MONOTONIC like time.monotonic().

With --scope zoom it instead plays the same presses at 1x, at 2x on a display of GDK_SCALE=2
and at 3x set with the keys, compares the saved bytes and every surface pixel of the pictures
with the 1x run's, checks the remembered zoom and the settings file's damage message, and times
the steps at 1x and 4x.

    end_to_end.py --editor PATH --work DIR [--screenshots DIR] [--scope start|all|zoom]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from x11_harness import (CAPTION, CELL_H, CELL_W, FULL_BLOCK, LEVEL_BYTES, SMILEY, SURFACE_H,
                         SURFACE_W, ZOOM_SCREEN, Display, Failure, Level, caption_with, cell_centre,
                         check, colour, colour_cell, glyph_cell, level_bytes, play_zoom_plan,
                         room_levels, run_test, wait_until, wait_zoomed_capture, zoom_plan_edits,
                         zoom_plan_shown)


# Drag steps timed for each kind of step; the figures are reported, never judged.
TIMED_STEPS = 24


class Editor:
    """One run of the editor on a display, with the trace of its events."""

    def __init__(self, executable, x, map_path, trace_path, zoom=1, settings=None, scale=None,
                 others=(), accessible=False):
        """`zoom`: the zoom the window must start at; `settings`: the folder of the user's
        settings (by default an empty one beside the trace, so a user's own never counts);
        `scale`: GDK_SCALE, the display's scale; `others`: the windows of editors that run
        beside this one; `accessible`: the editor shows itself on the accessibility bus."""
        self.x = x
        self.others = set(others)
        settings = settings or Path(trace_path).parent / "no-settings"
        env = dict(x.env, GRIDWRIGHT_TRACE="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1",
                   XDG_CONFIG_HOME=str(settings))
        env.pop("GDK_SCALE", None)
        if accessible:
            env.pop("NO_AT_BRIDGE")
        if scale is not None:
            env["GDK_SCALE"] = str(scale)
        self.trace_path = trace_path
        self.trace_file = open(trace_path, "w")
        self.started = time.monotonic()
        self.process = subprocess.Popen([executable, str(map_path)], env=env,
                                        stdout=subprocess.DEVNULL, stderr=self.trace_file)
        self.window = wait_until("the editor's window to be mapped", self.find_main_window)
        self.fit(zoom)

    def fit(self, zoom):
        """Waits for the window to show the surface at `zoom` below the menu bar."""
        def fitted():
            # xdotool can miss the window for a moment while it is being refitted: ask again.
            values = self.x.geometry(self.window)
            return values.get("WIDTH") == SURFACE_W * zoom and values
        try:
            values = wait_until(f"the window to show the surface at {zoom}x", fitted, timeout=5)
        except Failure:
            values = self.x.geometry(self.window)
            raise Failure(f"window is {values.get('WIDTH')} x {values.get('HEIGHT')}, expected "
                          f"{SURFACE_W * zoom} wide, the surface at {zoom}x") from None
        self.zoom = zoom
        self.menu_height = values["HEIGHT"] - SURFACE_H * zoom
        self.origin = (0, self.menu_height)
        check(self.menu_height > 0, "no menu bar above the surface")
        # A new size repaints the whole surface: timed steps and pictures come after that.
        whole = SURFACE_W * SURFACE_H * zoom * zoom
        wait_until(f"the surface repainted at {zoom}x",
                   lambda: self.trace("redrawn-device-pixels", counted=True)[-1:]
                   and self.trace("redrawn-device-pixels", counted=True)[-1][2] == whole)

    # --- X helpers -------------------------------------------------------------------------------
    def close(self):
        """Ends the editor if it still runs (a test's clean-up, whatever happened before)."""
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()

    def stop(self):
        """Kills the editor and waits until the X server has taken its window away, so that the
        next editor's window is never mistaken for it."""
        self.process.kill()
        self.process.wait()
        wait_until("the killed editor's window to go",
                   lambda: self.window not in self.x.visible_windows("^" + CAPTION))

    def visible_windows_of_class(self):
        return self.x.visible_windows("gridwright", by="--class")

    def find_main_window(self):
        self.check_running()
        found = [w for w in self.x.visible_windows("^" + CAPTION) if w not in self.others]
        return found[0] if found else None

    def caption(self):
        return self.x.caption(self.window)

    def check_running(self):
        if self.process.poll() is not None:
            raise Failure(f"the editor ended with status {self.process.returncode}")

    def screenshot(self, save_as=None):
        shot = self.x.screenshot(self.window)
        if save_as is not None:
            shot.save_png(save_as)
        return shot

    def trace(self, kind=None, counted=False):
        """The trace's (kind, time) events; with `counted`, the (kind, time, count) ones."""
        events = []
        for line in Path(self.trace_path).read_text().splitlines():
            parts = line.split()
            if len(parts) == 3 + counted and parts[0] == "gridwright-trace":
                events.append((parts[1], int(parts[2]) / 1e6, *map(int, parts[3:])))
        return [e for e in events if kind is None or e[0] == kind]

    def wait_status(self, start):
        """Waits until the status item shows a text that starts with `start`."""
        def shown():
            texts = [line.split(" ", 1)[1] for line in Path(self.trace_path).read_text().splitlines()
                     if line.startswith("gridwright-status ")]
            return texts and texts[-1].startswith(start)
        wait_until(f"the status item to show {start}", shown)

    def time_step(self, x, y):
        """Moves the pointer to (x, y) of the window with a button held and waits until the editor
        has drawn the move; returns (event to image updated, event to repainted surface) in s and
        the device pixels that repaint redrew."""
        motions = len(self.trace("motion"))
        self.x.xdotool("mousemove", "--window", self.window, x, y)

        def drawn():
            trace = self.trace()
            moves = [t for kind, t in trace if kind == "motion"]
            if len(moves) <= motions:
                return None
            after = lambda what: [t for kind, t in trace if kind == what and t >= moves[motions]]
            frames, blits = after("frame"), after("blit")
            if not (frames and blits):
                return None
            redrawn = [n for _, t, n in self.trace("redrawn-device-pixels", counted=True)
                       if moves[motions] <= t <= frames[0]]
            return (blits[0] - moves[motions], frames[0] - moves[motions], sum(redrawn))
        return wait_until("a drag step to be drawn", drawn)

    def wait_drawn(self, kind):
        """Waits until the editor has drawn its last event of that kind."""
        def drawn():
            events = self.trace(kind)
            return events and any(t >= events[-1][1] for _, t in self.trace("frame"))
        wait_until(f"the {kind} to be drawn", drawn)

    def cell_colours(self, shot, column, row):
        return set(shot.cell(self.origin, column, row, self.zoom))

    # --- what a user does -------------------------------------------------------------------------
    def move_to_cell(self, column, row):
        self.x.xdotool("mousemove", "--window", self.window,
                       *cell_centre(self.origin, column, row, self.zoom))

    def click_cell(self, column, row, button=1):
        """Moves onto a cell, presses and releases, and waits until the editor has taken it."""
        presses = len(self.trace("press"))
        self.move_to_cell(column, row)
        self.x.xdotool("click", button)
        wait_until(f"the press on cell ({column}, {row})",
                   lambda: len(self.trace("press")) > presses)

    def shortcut(self, keys):
        self.x.shortcut(self.window, keys)

    def answer_input_box(self, shortcut, answer, meanwhile=None):
        """Opens an input box by its shortcut, types the answer over the selected default and
        confirms with Enter; answer None presses Escape instead. `meanwhile` runs while the box
        is open."""
        self.shortcut(shortcut)
        self.x.answer_box(f"the input box of {shortcut}", "Escape" if answer is None else "Return",
                          text=answer, meanwhile=meanwhile)

    def wait_for_cells(self, what, expected, brightness=1.0):
        """Waits until every listed cell of the surface shows as a full block of its colour, or,
        for a (column, row): {colours} entry, holds exactly that set of colours."""
        def shown():
            self.check_running()
            shot = self.screenshot()
            for (column, row), want in expected.items():
                allowed = want if isinstance(want, set) else {want}
                seen = self.cell_colours(shot, column, row)
                if want is None or not seen <= {colour(i, brightness) for i in allowed}:
                    return None
                if not isinstance(want, set) and len(seen) != 1:
                    return None
            return shot
        try:
            return wait_until(what, shown)
        except Failure:
            shot = self.screenshot()
            details = {cell: sorted(self.cell_colours(shot, *cell)) for cell in expected}
            raise Failure(f"timed out waiting for {what}; cells show {details}") from None

    def full_block_count(self, shot, column, row, brightness=1.0):
        """How many of the cell's 180 pixels show one palette colour; returns (index, count)."""
        pixels = shot.cell(self.origin, column, row, self.zoom)
        best = max(range(16), key=lambda k: pixels.count(colour(k, brightness)))
        return best, pixels.count(colour(best, brightness))


def make_map(path):
    """Writes the room map (two levels) and returns its levels."""
    level0, level1 = room_levels()
    path.write_bytes(bytes(level0.data + level1.data))
    return level0, level1


def check_start(editor, map_path, shots, measurements):
    """Caption, the loaded level 0 with the furniture around it, and the start-up time."""
    check(editor.caption() == caption_with(map_path),
          f"caption is {editor.caption()!r}, expected {caption_with(map_path)!r}")
    editor.wait_for_cells("level 0 on the surface", {
        (0, 0): 9, (31, 23): 9, (5, 5): 0,
        glyph_cell(FULL_BLOCK): 15,                         # glyph table: white full block
        (32, 3): {7, 8}, (10, 24): {7, 8},                  # light-shade border
        colour_cell(12): {0, 12},                           # colour row digit "C"
    })
    trace = editor.trace()
    loaded = next(t for kind, t in trace if kind == "loaded")
    first_frame = next(t for kind, t in trace if kind == "frame" and t >= loaded)
    measurements.append(
        f"process start to first complete frame: {(first_frame - editor.started) * 1e3:.1f} ms")
    editor.screenshot(shots / "editor-startup.png" if shots else None)


def check_editing(editor, map_path, level0, level1, shots, measurements):
    """Brush picks, painting, saving, level changes, brightness and whole-board drag steps."""
    # Brushes: left full block in colour 12, right full block in 14, middle a face in 11.
    for (column, row), button in [((52, 18), 1), ((53, 3), 1), ((52, 18), 3), ((55, 3), 3),
                                  ((42, 5), 2), ((52, 3), 2)]:
        editor.click_cell(column, row, button)
    shot = editor.wait_for_cells("the brush indicators", {
        (35, 0): 12, (41, 0): 14, (38, 0): {0, 11}, (34, 0): {0, 7}})
    check(len(editor.cell_colours(shot, 38, 0)) == 2, "middle brush shows no glyph")

    # Single cells with each button, a plain drag, and a Shift rectangle.
    editor.click_cell(3, 3, 1)
    editor.click_cell(4, 3, 3)
    editor.click_cell(5, 3, 2)
    level0.set(3, 3, FULL_BLOCK, 12)
    level0.set(4, 3, FULL_BLOCK, 14)
    level0.set(5, 3, SMILEY, 11)

    editor.move_to_cell(20, 5)
    editor.x.xdotool("mousedown", 1)
    for column in range(20, 24):
        editor.move_to_cell(column, 5)
        level0.set(column, 5, FULL_BLOCK, 12)
    # Up into the menu bar with the button still held: the surface keeps the moves, at negative
    # y, and -17..-1 still counts as row 0.
    editor.x.xdotool("mousemove", "--window", editor.window, 235, editor.menu_height - 8)
    level0.set(23, 0, FULL_BLOCK, 12)
    editor.x.xdotool("mouseup", 1)

    editor.x.xdotool("keydown", "shift")
    editor.click_cell(8, 7, 1)     # paints (8, 7) and anchors there
    editor.click_cell(11, 10, 1)   # fills the rectangle (8, 7) to (11, 10)
    editor.x.xdotool("keyup", "shift")
    for x in range(8, 12):
        for y in range(7, 11):
            level0.set(x, y, FULL_BLOCK, 12)
    editor.wait_for_cells("the painted cells", {
        (3, 3): 12, (4, 3): 14, (5, 3): {0, 11}, (20, 5): 12, (21, 5): 12, (23, 5): 12,
        (23, 0): 12,
        (8, 7): 12, (11, 10): 12, (8, 10): 12, (11, 7): 12, (12, 10): 0, (7, 7): 0})

    # Ctrl+S writes level 0 and nothing else.
    editor.shortcut("ctrl+s")
    wait_until("Ctrl+S to write level 0", lambda: level_bytes(map_path, 0) == level0.data)
    check(map_path.stat().st_size == 2 * LEVEL_BYTES, "saving changed the file's length")
    check(level_bytes(map_path, 1) == level1.data, "saving level 0 touched level 1")
    editor.screenshot(shots / "editor-painted.png" if shots else None)

    # Ctrl+L to level 1 ("0" offered and selected, so "1" replaces it), paint, save.
    editor.answer_input_box("ctrl+l", "1")
    editor.wait_for_cells("level 1", {(0, 0): 10, (31, 23): 13, (3, 3): 0, (8, 7): 0})
    editor.click_cell(31, 0, 1)
    level1.set(31, 0, FULL_BLOCK, 12)
    editor.shortcut("ctrl+s")
    wait_until("Ctrl+S to write level 1", lambda: level_bytes(map_path, 1) == level1.data)
    check(level_bytes(map_path, 0) == level0.data, "saving level 1 touched level 0")

    # Back to level 0 ("1" offered and selected, "0" replaces it): the saved edits return.
    editor.answer_input_box("ctrl+l", "0")
    editor.wait_for_cells("level 0 reloaded", {(3, 3): 12, (4, 3): 14, (8, 7): 12, (31, 0): 9})

    # Escape cancels Level Select: nothing is loaded, the unsaved cell stays.
    # While the box is open, a press on the surface does not reach the editor.
    editor.click_cell(6, 3, 1)
    presses = len(editor.trace("press"))
    editor.answer_input_box("ctrl+l", None, meanwhile=lambda: (editor.move_to_cell(2, 20),
                                                               editor.x.xdotool("click", 1)))
    editor.wait_for_cells("the board kept after a cancelled Level Select", {(6, 3): 12, (2, 20): 0})
    check(len(editor.trace("press")) == presses, "a press reached the editor under a modal box")

    # Ctrl+B 0.5 halves every palette component; Escape then gives brightness 1 again.
    editor.answer_input_box("ctrl+b", "0.5")
    dim = {(0, 0): 9, (3, 3): 12, (4, 3): 14, glyph_cell(FULL_BLOCK): 15}
    shot = editor.wait_for_cells("the surface at brightness 0.5", dim, brightness=0.5)
    check(editor.full_block_count(shot, 3, 3, 0.5) == (12, 180),
          "a full block at brightness 0.5 is not 180 pixels of (128, 48, 48)")
    check(colour(12, 0.5) == (128, 48, 48) and colour(15, 0.5) == (128, 128, 128),
          "palette arithmetic of the test itself")
    editor.screenshot(shots / "editor-brightness.png" if shots else None)
    editor.answer_input_box("ctrl+b", None)
    editor.wait_for_cells("the surface back at brightness 1", dim)

    # Ctrl+O names another file: the caption follows, the board stays, Ctrl+S writes it there.
    other = map_path.parent / "other map.qmap"
    editor.answer_input_box("ctrl+o", str(other))
    wait_until("the caption to name the other file",
               lambda: editor.caption() == caption_with(other))
    unsaved = Level(level0.data)
    unsaved.set(6, 3, FULL_BLOCK, 12)
    editor.shortcut("ctrl+s")
    wait_until("Ctrl+S to write the other file",
               lambda: other.exists() and other.read_bytes() == unsaved.data)

    time_steps(editor, measurements)


def time_steps(editor, measurements, label=""):
    """Times one-cell stroke steps and whole-board drag steps with the left brush, a full block in
    colour 12, at the window's zoom; each stroke step must redraw its one cell and nothing more."""
    zoom = editor.zoom
    # One-cell stroke steps: a plain drag along row 20, one new cell on every event, each also
    # showing the cell in the status line; then a Ctrl drag along row 21, without the status line.
    for row, keys, what in [(20, 0, "one-cell stroke step"),
                            (21, "ctrl", "one-cell Ctrl stroke step (no status line)")]:
        editor.move_to_cell(2, row)
        if keys:
            editor.x.xdotool("keydown", keys)
        editor.x.xdotool("mousedown", 1)
        editor.wait_drawn("press")
        strokes = [editor.time_step(*cell_centre(editor.origin, column, row, zoom))
                   for column in range(3, 3 + TIMED_STEPS)]
        editor.x.xdotool("mouseup", 1)
        if keys:
            editor.x.xdotool("keyup", keys)
        else:
            # The status item follows the surface once the main loop idles, with the last cell.
            editor.wait_status(f"[L0:{2 + TIMED_STEPS},{row}=")
        measurements.append(step_summary(what + label, strokes))
        # A frame that comes late may carry two steps' cells; most carry one.
        redrawn = [step[2] for step in strokes]
        check(redrawn.count(CELL_W * CELL_H * zoom * zoom) > len(redrawn) // 2
              and max(redrawn) <= 2 * CELL_W * CELL_H * zoom * zoom,
              f"{what}s at {zoom}x redrew {redrawn} device pixels, not one cell's each")
    editor.wait_for_cells("the timed strokes", {(column, 20): 12
                                                for column in range(2, 3 + TIMED_STEPS)})

    # Whole-board drag steps: anchor (0, 0) with Shift, then Shift+Ctrl moves over the last
    # cell fill all 768 cells with fresh random colours on every event.
    editor.x.xdotool("keydown", "shift")
    editor.click_cell(0, 0, 1)
    editor.x.xdotool("mousedown", 1)
    editor.x.xdotool("keydown", "ctrl")
    steps = [editor.time_step(editor.origin[0] + (311 + (i % 2) * 6) * zoom,
                              editor.origin[1] + (420 + (i % 3) * 4) * zoom)
             for i in range(TIMED_STEPS)]
    editor.x.xdotool("mouseup", 1)
    editor.x.xdotool("keyup", "ctrl")
    editor.x.xdotool("keyup", "shift")
    shot = editor.screenshot()
    for column, row in [(0, 0), (5, 9), (17, 12), (31, 23), (30, 1)]:
        index, count = editor.full_block_count(shot, column, row)
        check(count == 180 and 1 <= index <= 15,
              f"cell ({column}, {row}) after the random fill is not a full block of 1..15")
    measurements.append(step_summary("whole-board drag step" + label, steps)
                        + f", redrawing {steps[len(steps) // 2][2]} device pixels")


def step_summary(what, steps):
    """Median and worst of timed steps: event to repainted surface, and event to image updated."""
    steps = sorted(steps, key=lambda s: s[1])
    median = steps[len(steps) // 2]
    return (f"{what}, event to repainted surface: median {median[1] * 1e3:.3f} ms "
            f"(event to image updated {median[0] * 1e3:.3f} ms), worst {steps[-1][1] * 1e3:.3f} ms "
            f"over {len(steps)} steps")


def check_save_unchanged(editor, map_path, level0, level1):
    """Ctrl+S right after the start writes level 0 back as it was loaded."""
    before = map_path.stat().st_mtime_ns
    os.utime(map_path, ns=(before - 10**9, before - 10**9))
    editor.shortcut("ctrl+s")
    wait_until("Ctrl+S to write the map file", lambda: map_path.stat().st_mtime_ns >= before)
    check(level_bytes(map_path, 0) == level0.data and level_bytes(map_path, 1) == level1.data
          and map_path.stat().st_size == 2 * LEVEL_BYTES,
          "saving an unchanged level changed the file")


def check_exit(editor, map_path, level0, level1):
    """Alt+F, X: Exit by access letters ends the program at once, without saving."""
    windows = len(editor.visible_windows_of_class())
    editor.shortcut("alt+f")
    wait_until("the File menu to open", lambda: len(editor.visible_windows_of_class()) > windows)
    editor.x.xdotool("key", "x")
    wait_until("Exit to end the program", lambda: editor.process.poll() is not None)
    check(editor.process.returncode == 0, f"Exit ended with status {editor.process.returncode}")
    check(level_bytes(map_path, 0) == level0.data and level_bytes(map_path, 1) == level1.data,
          "Exit wrote the map file")


def check_failure_message(args, x, work):
    """A map that cannot be opened (a directory) brings the failure message; the editor goes on."""
    folder = work / "a folder"
    folder.mkdir()
    editor = Editor(args.editor, x, folder, work / "trace-failure.txt")
    try:
        x.answer_box("the failure message", "Return")
        editor.check_running()
        check(editor.caption() == caption_with(folder), "caption after a failed load")
        editor.wait_for_cells("the furniture after a failed load", {(0, 0): 0, (32, 3): {7, 8}})
    finally:
        editor.process.kill()
        editor.process.wait()


def check_zoom(args, work, measurements):
    """The same presses at 1x, at 2x on a display of GDK_SCALE=2 and at 3x set with the keys hit
    the same cells, save the same bytes and show every surface pixel as a block of its 1x colour.
    The zoom chosen is remembered and a damaged settings file is ignored aloud. Stroke and
    whole-board drag steps are timed at 1x and at 4x, where a stroke step redraws 4 x 4 x 180
    device pixels."""
    x = Display(size=ZOOM_SCREEN)
    editors = []

    def start(map_path, name, **options):
        editors.append(Editor(args.editor, x, map_path, work / f"trace-{name}.txt", **options))
        return editors[-1]

    def remembered(settings):
        path = settings / "gridwright" / "settings.ini"
        return path.exists() and path.read_text()

    def zoom_keys(editor, *steps):
        for keys, zoom in steps:
            editor.shortcut(keys)
            editor.fit(zoom)

    try:
        # 1x, over a damaged settings file: the presses whose bytes and picture the others match.
        plain_settings = work / "plain-config"
        (plain_settings / "gridwright").mkdir(parents=True)
        (plain_settings / "gridwright" / "settings.ini").write_text("zoom=huge\n")
        first, second = work / "first.qmap", work / "second.qmap"
        level, _ = make_map(first)
        for path in (first, second):
            path.write_bytes(bytes(level.data) * 2)   # two levels alike
        zoom_plan_edits(level)

        editor = start(first, "1x", settings=plain_settings)
        check("ignoring the settings file" in Path(editor.trace_path).read_text(),
              "the damaged settings file was not reported on standard error")
        editor.wait_for_cells("the map at 1x", {(0, 0): 9})
        play_zoom_plan(x, editor.window, editor.origin, 1)
        editor.shortcut("ctrl+s")
        wait_until("the presses at 1x saved", lambda: level_bytes(first, 0) == level.data)
        plain = wait_until("the presses at 1x drawn",
                           lambda: zoom_plan_shown(shot := editor.screenshot(), editor.origin)
                           and shot)
        plain_origin = editor.origin

        time_steps(editor, measurements, " at 1x")
        editor.click_cell(*colour_cell(12), 1)   # the Ctrl strokes left the brush a random colour
        zoom_keys(editor, ("ctrl+plus", 2), ("ctrl+plus", 3), ("ctrl+plus", 4))
        time_steps(editor, measurements, " at 4x")
        check("zoom=4" in remembered(plain_settings), "zoom 4 was not remembered")
        editor.stop()

        # GDK_SCALE=2 starts at 2x; Zoom In, again with Ctrl+=, and Zoom Out give 3x.
        scaled_settings = work / "scaled-config"
        editor = start(second, "2x", zoom=2, scale=2, settings=scaled_settings)
        editor.wait_for_cells("the map at 2x", {(0, 0): 9})
        play_zoom_plan(x, editor.window, editor.origin, 2)
        editor.shortcut("ctrl+s")
        wait_until("the presses at 2x saved", lambda: level_bytes(second, 0) == level.data)
        wait_zoomed_capture(editor.screenshot, editor.origin, 2, plain, plain_origin)

        zoom_keys(editor, ("ctrl+plus", 3), ("ctrl+equal", 4), ("ctrl+minus", 3))
        editor.answer_input_box("ctrl+l", "1")
        editor.wait_for_cells("level 1 at 3x", {(0, 0): 9, (15, 2): 0})
        play_zoom_plan(x, editor.window, editor.origin, 3)
        editor.shortcut("ctrl+s")
        wait_until("the presses at 3x saved", lambda: level_bytes(second, 1) == level.data)
        wait_zoomed_capture(editor.screenshot, editor.origin, 3, plain, plain_origin)
        editor.stop()
        check("zoom=3" in remembered(scaled_settings), "zoom 3 was not remembered")

        # The next start remembers 3x; Actual Size gives the display's own 1x.
        editor = start(second, "remembered", zoom=3, settings=scaled_settings)
        zoom_keys(editor, ("ctrl+0", 1))
        wait_until("Actual Size to be remembered", lambda: "zoom=1" in remembered(scaled_settings))
    finally:
        for editor in editors:
            if editor.process.poll() is None:
                editor.process.kill()
            editor.process.wait()
        x.stop()


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    if args.scope == "zoom":
        measurements = []
        check_zoom(args, work, measurements)
        (work / "measurements.txt").write_text("\n".join(measurements) + "\n")
        print("\n".join(measurements))
        return
    map_path = work / "end to end.qmap"   # a blank in the name: the arguments are joined again
    level0, level1 = make_map(map_path)
    shots = Path(args.screenshots) if args.screenshots else None
    measurements = []

    x = Display()
    editor = None
    try:
        editor = Editor(args.editor, x, map_path, work / "trace.txt")
        check_start(editor, map_path, shots, measurements)
        if args.scope == "start":
            check_save_unchanged(editor, map_path, level0, level1)
        else:
            check_editing(editor, map_path, level0, level1, shots, measurements)
        check_exit(editor, map_path, level0, level1)
        check_failure_message(args, x, work)
    finally:
        if editor is not None and editor.process.poll() is None:
            editor.process.kill()
            editor.process.wait()
        x.stop()

    (work / "measurements.txt").write_text("\n".join(measurements) + "\n")
    for line in measurements:
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-e2e-"))
    parser.add_argument("--screenshots", help="also save the start-up, painted and dimmed windows")
    parser.add_argument("--scope", choices=("start", "all", "zoom"), default="all",
                        help="start: only start-up, saving, exit and the failure message; "
                             "zoom: the same presses at 1x, 2x (GDK_SCALE=2) and 3x, and the "
                             "drag steps timed at 1x and 4x")
    args = parser.parse_args()
    return run_test(lambda: run(args))


if __name__ == "__main__":
    sys.exit(main())
