#!/usr/bin/env python3
"""End-to-end test of the Linux editor in a real X server.

Starts gridwright under a private Xvfb with a map file on its command line and drives it as a
user would, through xdotool: picks brushes from the glyph grid and the colour row with the left,
right and middle buttons, paints single cells, a drag and a Shift rectangle, saves with Ctrl+S,
changes level with Ctrl+L, brightness with Ctrl+B and the file with Ctrl+O through the input box,
cancels with Escape, and leaves with the File menu's access letters. It checks the window caption, every byte of the
saved map file and pixels of window screenshots against the palette, waiting on conditions
(window mapped, file changed, pixels shown), never on fixed sleeps alone.

It also times the start (process start to the first complete frame) and whole-board drag steps
(pointer event to repainted surface), from the editor's GRIDWRIGHT_TRACE lines, which carry
CLOCK_MONOTONIC like time.monotonic().

    end_to_end.py --editor PATH --work DIR [--screenshots DIR]
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SURFACE_W, SURFACE_H = 800, 450
CELL_W, CELL_H = 10, 18
LEVEL_BYTES = 1536
FULL_BLOCK, SMILEY = 219, 1
PALETTE = [(1, 0, 0), (0, 0, 144), (0, 144, 0), (0, 144, 144), (144, 0, 0), (144, 0, 160),
           (144, 104, 0), (192, 192, 192), (128, 128, 128), (96, 96, 255), (96, 255, 96),
           (96, 255, 255), (255, 96, 96), (255, 128, 255), (255, 255, 0), (255, 255, 255)]
CAPTION = "QUORIX Map Editor - "
TIMEOUT = 10.0


class Failure(Exception):
    pass


def colour(index, brightness=1.0):
    """A palette colour as the editor shows it: each component times the brightness in single
    precision, above 255 cut to 255, else rounded half to even."""
    def scale(c):
        p = struct.unpack("f", struct.pack("f", c * brightness))[0]
        return 255 if p > 255 else round(p)
    return tuple(scale(c) for c in PALETTE[index])


def wait_until(what, probe, timeout=TIMEOUT, interval=0.02):
    """Polls probe() until it returns something true; returns that, or fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out waiting for {what}")
        time.sleep(interval)


class Level:
    """The expected bytes of one level: cell (x, y) at (y * 32 + x) * 2, glyph then colour * 16."""

    def __init__(self, data=None):
        self.data = bytearray(data if data is not None else LEVEL_BYTES)

    def set(self, x, y, glyph, colour_index):
        offset = (y * 32 + x) * 2
        self.data[offset] = glyph
        self.data[offset + 1] = colour_index * 16


class XServer:
    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.stop()
            raise Failure("Xvfb did not start")
        self.display = ":" + number

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()


class Screenshot:
    """A window's pixels, read from xwd's ZPixmap dump."""

    def __init__(self, raw):
        header = struct.unpack(">25I", raw[:100])
        (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order,
         _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask,
         blue_mask, _bits_rgb, _entries, ncolours) = header[:20]
        if pixmap_format != 2 or bits_per_pixel != 32:
            raise Failure(f"unexpected xwd format {pixmap_format}/{bits_per_pixel} bpp")
        self.width, self.height, self.stride = width, height, bytes_per_line
        self.data = raw[header_size + 12 * ncolours:]
        self.order = "<" if byte_order == 0 else ">"
        self.masks = [(m, (m & -m).bit_length() - 1) for m in (red_mask, green_mask, blue_mask)]

    def pixel(self, x, y):
        (value,) = struct.unpack_from(self.order + "I", self.data, y * self.stride + x * 4)
        return tuple((value & mask) >> shift for mask, shift in self.masks)


class Editor:
    def __init__(self, executable, display, map_path, trace_path):
        self.env = dict(os.environ, DISPLAY=display, GRIDWRIGHT_TRACE="1",
                        GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.trace_path = trace_path
        self.trace_file = open(trace_path, "w")
        self.started = time.monotonic()
        self.process = subprocess.Popen([executable, str(map_path)], env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=self.trace_file)
        self.window = wait_until("the editor's window to be mapped", self.find_main_window)
        geometry = self.xdotool_output("getwindowgeometry", "--shell", self.window)
        values = dict(line.split("=") for line in geometry.split())
        self.menu_height = int(values["HEIGHT"]) - SURFACE_H
        if int(values["WIDTH"]) != SURFACE_W or self.menu_height <= 0:
            raise Failure(f"window is {values['WIDTH']} x {values['HEIGHT']}, expected 800 wide "
                          "with a menu bar above the 450-pixel surface")

    # --- X helpers -------------------------------------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT)

    def xdotool_output(self, *args):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                                text=True, timeout=TIMEOUT)
        return result.stdout.strip() if result.returncode == 0 else ""

    def visible_windows(self, name_pattern):
        return self.xdotool_output("search", "--onlyvisible", "--name", name_pattern).split()

    def visible_windows_of_class(self):
        return self.xdotool_output("search", "--onlyvisible", "--class", "gridwright").split()

    def find_main_window(self):
        self.check_running()
        found = self.visible_windows("^QUORIX Map Editor")
        return found[0] if found else None

    def caption(self):
        return self.xdotool_output("getwindowname", self.window)

    def check_running(self):
        if self.process.poll() is not None:
            raise Failure(f"the editor ended with status {self.process.returncode}")

    def screenshot(self, save_as=None):
        raw = subprocess.run(["xwd", "-silent", "-id", self.window], env=self.env,
                             capture_output=True, check=True, timeout=TIMEOUT).stdout
        if save_as is not None:
            subprocess.run(["convert", "xwd:-", f"png:{save_as}"], input=raw, check=True,
                           timeout=TIMEOUT)
        return Screenshot(raw)

    def trace(self, kind=None):
        events = []
        for line in Path(self.trace_path).read_text().splitlines():
            parts = line.split()
            if len(parts) == 3 and parts[0] == "gridwright-trace":
                events.append((parts[1], int(parts[2]) / 1e6))
        return [e for e in events if kind is None or e[0] == kind]

    # --- what a user does -------------------------------------------------------------------------
    def cell_centre(self, column, row):
        return column * CELL_W + CELL_W // 2, self.menu_height + row * CELL_H + CELL_H // 2

    def move_to_cell(self, column, row):
        self.xdotool("mousemove", "--window", self.window, *self.cell_centre(column, row))

    def click_cell(self, column, row, button=1):
        """Moves onto a cell, presses and releases, and waits until the editor has taken it."""
        presses = len(self.trace("press"))
        self.move_to_cell(column, row)
        self.xdotool("click", button)
        wait_until(f"the press on cell ({column}, {row})",
                   lambda: len(self.trace("press")) > presses)

    def focus(self, window=None):
        self.xdotool("windowfocus", "--sync", window or self.window)

    def shortcut(self, keys):
        self.focus()
        self.xdotool("key", keys)

    def answer_input_box(self, shortcut, answer, meanwhile=None):
        """Opens an input box by its shortcut, types the answer over the selected default and
        confirms with Enter; answer None presses Escape instead. `meanwhile` runs while the box
        is open."""
        self.shortcut(shortcut)
        box = wait_until(f"the input box of {shortcut}",
                         lambda: self.visible_windows("^gridwright$"))
        if meanwhile is not None:
            meanwhile()
        self.focus(box[0])
        if answer is None:
            self.xdotool("key", "Escape")
        else:
            self.xdotool("type", "--delay", "20", answer)
            self.xdotool("key", "Return")
        wait_until("the input box to close", lambda: not self.visible_windows("^gridwright$"))

    def wait_for_cells(self, what, expected, brightness=1.0):
        """Waits until every listed cell of the surface shows as a full block of its colour, or,
        for a (column, row): {colours} entry, holds exactly that set of colours."""
        def shown():
            self.check_running()
            shot = self.screenshot()
            for (column, row), want in expected.items():
                allowed = want if isinstance(want, set) else {want}
                seen = cell_colours(shot, self.menu_height, column, row)
                if want is None or not seen <= {colour(i, brightness) for i in allowed}:
                    return None
                if not isinstance(want, set) and len(seen) != 1:
                    return None
            return shot
        try:
            return wait_until(what, shown)
        except Failure:
            shot = self.screenshot()
            details = {cell: sorted(cell_colours(shot, self.menu_height, *cell))
                       for cell in expected}
            raise Failure(f"timed out waiting for {what}; cells show {details}") from None


def cell_colours(shot, menu_height, column, row):
    return {shot.pixel(column * CELL_W + i, menu_height + row * CELL_H + j)
            for i in range(CELL_W) for j in range(CELL_H)}


def full_block_count(shot, menu_height, column, row, brightness=1.0):
    """How many of the cell's 180 pixels show one palette colour; returns (index, count)."""
    pixels = [shot.pixel(column * CELL_W + i, menu_height + row * CELL_H + j)
              for i in range(CELL_W) for j in range(CELL_H)]
    best = max(range(16), key=lambda k: pixels.count(colour(k, brightness)))
    return best, pixels.count(colour(best, brightness))


def check(condition, message):
    if not condition:
        raise Failure(message)


def make_map(path):
    """Two levels. Level 0: a framed room with a few glyphs; level 1: two corner blocks."""
    level0, level1 = Level(), Level()
    for x in range(32):
        level0.set(x, 0, FULL_BLOCK, 9)
        level0.set(x, 23, FULL_BLOCK, 9)
    for y in range(24):
        level0.set(0, y, FULL_BLOCK, 9)
        level0.set(31, y, FULL_BLOCK, 9)
    for i, letter in enumerate(b"QUORIX"):
        level0.set(13 + i, 12, letter, 14)
    level0.set(8, 17, 3, 12)         # a heart
    level0.set(22, 17, 2, 11)        # a face
    level1.set(0, 0, FULL_BLOCK, 10)
    level1.set(31, 23, FULL_BLOCK, 13)
    path.write_bytes(bytes(level0.data + level1.data))
    return level0, level1


def level_bytes(path, level):
    data = path.read_bytes()
    return data[level * LEVEL_BYTES:(level + 1) * LEVEL_BYTES]


def check_start(editor, map_path, shots, measurements):
    """Caption, the loaded level 0 with the furniture around it, and the start-up time."""
    check(editor.caption() == CAPTION + str(map_path),
          f"caption is {editor.caption()!r}, expected {CAPTION + str(map_path)!r}")
    editor.wait_for_cells("level 0 on the surface", {
        (0, 0): 9, (31, 23): 9, (5, 5): 0,
        (41 + FULL_BLOCK % 16, 5 + FULL_BLOCK // 16): 15,   # glyph table: white full block
        (32, 3): {7, 8}, (10, 24): {7, 8},                  # light-shade border
        (41 + 12, 3): {0, 12},                              # colour row digit "C"
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
    check(len(cell_colours(shot, editor.menu_height, 38, 0)) == 2, "middle brush shows no glyph")

    # Single cells with each button, a plain drag, and a Shift rectangle.
    editor.click_cell(3, 3, 1)
    editor.click_cell(4, 3, 3)
    editor.click_cell(5, 3, 2)
    level0.set(3, 3, FULL_BLOCK, 12)
    level0.set(4, 3, FULL_BLOCK, 14)
    level0.set(5, 3, SMILEY, 11)

    editor.move_to_cell(20, 5)
    editor.xdotool("mousedown", 1)
    for column in range(20, 24):
        editor.move_to_cell(column, 5)
        level0.set(column, 5, FULL_BLOCK, 12)
    # Up into the menu bar with the button still held: the surface keeps the moves, at negative
    # y, and -17..-1 still counts as row 0.
    editor.xdotool("mousemove", "--window", editor.window, 235, editor.menu_height - 8)
    level0.set(23, 0, FULL_BLOCK, 12)
    editor.xdotool("mouseup", 1)

    editor.xdotool("keydown", "shift")
    editor.click_cell(8, 7, 1)     # paints (8, 7) and anchors there
    editor.click_cell(11, 10, 1)   # fills the rectangle (8, 7) to (11, 10)
    editor.xdotool("keyup", "shift")
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
                                                               editor.xdotool("click", 1)))
    editor.wait_for_cells("the board kept after a cancelled Level Select", {(6, 3): 12, (2, 20): 0})
    check(len(editor.trace("press")) == presses, "a press reached the editor under a modal box")

    # Ctrl+B 0.5 halves every palette component; Escape then gives brightness 1 again.
    editor.answer_input_box("ctrl+b", "0.5")
    dim = {(0, 0): 9, (3, 3): 12, (4, 3): 14, (41 + FULL_BLOCK % 16, 5 + FULL_BLOCK // 16): 15}
    shot = editor.wait_for_cells("the surface at brightness 0.5", dim, brightness=0.5)
    check(full_block_count(shot, editor.menu_height, 3, 3, 0.5) == (12, 180),
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
               lambda: editor.caption() == CAPTION + str(other))
    unsaved = Level(level0.data)
    unsaved.set(6, 3, FULL_BLOCK, 12)
    editor.shortcut("ctrl+s")
    wait_until("Ctrl+S to write the other file",
               lambda: other.exists() and other.read_bytes() == unsaved.data)

    # Whole-board drag steps: anchor (0, 0) with Shift, then Shift+Ctrl moves over the last
    # cell fill all 768 cells with fresh random colours on every event.
    editor.xdotool("keydown", "shift")
    editor.click_cell(0, 0, 1)
    editor.xdotool("mousedown", 1)
    editor.xdotool("keydown", "ctrl")
    steps = []
    for i in range(12):
        before = len(editor.trace("frame"))
        motions = len(editor.trace("motion"))
        x, y = 311 + (i % 2) * 6, editor.menu_height + 420 + (i % 3) * 4
        editor.xdotool("mousemove", "--window", editor.window, x, y)
        wait_until("a drag step to be drawn", lambda: len(editor.trace("motion")) > motions
                   and len(editor.trace("frame")) > before)
        motion_time = editor.trace("motion")[motions][1]
        frame_time = next(t for kind, t in editor.trace() if kind == "frame" and t >= motion_time)
        blit_time = next(t for kind, t in editor.trace() if kind == "blit" and t >= motion_time)
        steps.append((blit_time - motion_time, frame_time - motion_time))
    editor.xdotool("mouseup", 1)
    editor.xdotool("keyup", "ctrl")
    editor.xdotool("keyup", "shift")
    shot = editor.screenshot()
    for column, row in [(0, 0), (5, 9), (17, 12), (31, 23), (30, 1)]:
        index, count = full_block_count(shot, editor.menu_height, column, row)
        check(count == 180 and 1 <= index <= 15,
              f"cell ({column}, {row}) after the random fill is not a full block of 1..15")
    steps.sort(key=lambda s: s[1])
    median = steps[len(steps) // 2]
    measurements.append(
        f"whole-board drag step, event to repainted surface: median {median[1] * 1e3:.2f} ms "
        f"(event to image updated {median[0] * 1e3:.2f} ms), worst {steps[-1][1] * 1e3:.2f} ms "
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
    editor.xdotool("key", "x")
    wait_until("Exit to end the program", lambda: editor.process.poll() is not None)
    check(editor.process.returncode == 0, f"Exit ended with status {editor.process.returncode}")
    check(level_bytes(map_path, 0) == level0.data and level_bytes(map_path, 1) == level1.data,
          "Exit wrote the map file")


def check_failure_message(args, server, work):
    """A map that cannot be opened (a directory) brings the failure message; the editor goes on."""
    folder = work / "a folder"
    folder.mkdir()
    editor = Editor(args.editor, server.display, folder, work / "trace-failure.txt")
    try:
        box = wait_until("the failure message", lambda: editor.visible_windows("^gridwright$"))
        editor.focus(box[0])
        editor.xdotool("key", "Return")
        wait_until("the failure message to close",
                   lambda: not editor.visible_windows("^gridwright$"))
        editor.check_running()
        check(editor.caption() == CAPTION + str(folder), "caption after a failed load")
        editor.wait_for_cells("the furniture after a failed load", {(0, 0): 0, (32, 3): {7, 8}})
    finally:
        editor.process.kill()
        editor.process.wait()


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    map_path = work / "end to end.qmap"   # a blank in the name: the arguments are joined again
    level0, level1 = make_map(map_path)
    shots = Path(args.screenshots) if args.screenshots else None
    measurements = []

    server = XServer()
    editor = None
    try:
        editor = Editor(args.editor, server.display, map_path, work / "trace.txt")
        check_start(editor, map_path, shots, measurements)
        if args.scope == "start":
            check_save_unchanged(editor, map_path, level0, level1)
        else:
            check_editing(editor, map_path, level0, level1, shots, measurements)
        check_exit(editor, map_path, level0, level1)
        check_failure_message(args, server, work)
    finally:
        if editor is not None and editor.process.poll() is None:
            editor.process.kill()
            editor.process.wait()
        server.stop()

    (work / "measurements.txt").write_text("\n".join(measurements) + "\n")
    for line in measurements:
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-e2e-"))
    parser.add_argument("--screenshots", help="also save the start-up, painted and dimmed windows")
    parser.add_argument("--scope", choices=("start", "all"), default="all",
                        help="start: only start-up, saving, exit and the failure message")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwd", "convert"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing; scripts/deps.sh test installs it", file=sys.stderr)
            return 1
    started = time.monotonic()
    try:
        run(args)
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print(f"end-to-end test passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
