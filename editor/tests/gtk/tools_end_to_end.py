#!/usr/bin/env python3
"""End-to-end test of the drawing tools and the clipboard in the Linux editor, on a private Xvfb.

Drives the real program as a user would: a Line drag (and one cancelled with Escape), Fill chosen
from the Tool menu, Select with Ctrl+C and Ctrl+V, a drag that moves the pasted cells, Delete,
Pick and a Pen press with the picked brush, and typing with the Text tool (letters that are tool
keys elsewhere, Return, BackSpace, a character beyond ASCII). After each it saves with Ctrl+S and
holds every byte of the map file to the cells the test works out on its own. Then a second
editor process pastes the first one's copy with its colours; xclip reads both clipboard forms the
first one offers, and text that xclip puts on the clipboard pastes into the second one, at the
board's top-left cell once the pointer has left the window, while text with a tab is refused.

    tools_end_to_end.py --editor PATH --work DIR
"""
import argparse
import shutil
import subprocess
import sys
import tempfile
from fractions import Fraction
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from end_to_end import Editor  # noqa: E402
from x11_harness import (BOARD_H, BOARD_W, FULL_BLOCK, LEVEL_BYTES, SMILEY, Display,  # noqa: E402
                         Failure, Level, cell_offset, check, colour_cell, glyph_cell, level_bytes,
                         room_levels, run_test, wait_until)

CELLS_TYPE = "application/x-gridwright-cells"
HEART = 3
# The glyphs below 32 that the test meets, as the text forms write them; the others are code
# page 437's printable characters.
LOW_GLYPHS = {0: "\u2400", SMILEY: "\u263a", HEART: "\u2665"}
POINTER_CROSSHAIR = 1   # PointerShape::Crosshair in the editor's trace


def glyph_text(glyph):
    return LOW_GLYPHS[glyph] if glyph < 32 else bytes([glyph]).decode("cp437")


def line_cells(a, b):
    """The digital line from a to b: one cell a step along the longer axis, the other coordinate
    the ideal line's rounded. The test's lines never pass half way between two cells."""
    steps = max(abs(b[0] - a[0]), abs(b[1] - a[1]), 1)
    cells = []
    for i in range(steps + 1):
        x = a[0] + Fraction(b[0] - a[0]) * i / steps
        y = a[1] + Fraction(b[1] - a[1]) * i / steps
        check(x.denominator != 2 and y.denominator != 2,
              "the test's line passes half way between cells")
        cells.append((round(x), round(y)))
    return cells


class Board:
    """The board as the test expects it, cell by cell: (glyph, colour)."""

    def __init__(self, level):
        data = level.data
        self.cells = {(x, y): (data[cell_offset(x, y)], data[cell_offset(x, y) + 1] // 16)
                      for x in range(BOARD_W) for y in range(BOARD_H)}

    def level(self):
        level = Level()
        for (x, y), (glyph, colour_index) in self.cells.items():
            level.set(x, y, glyph, colour_index)
        return level

    def fill(self, start, brush):
        """The 4-connected region of cells alike to the start cell's takes the brush."""
        like = self.cells[start]
        todo, seen = [start], {start}
        while todo:
            x, y = todo.pop()
            self.cells[(x, y)] = brush
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if n in self.cells and n not in seen and self.cells[n] == like:
                    seen.add(n)
                    todo.append(n)

    def block(self, left, top, right, bottom):
        return [[self.cells[(x, y)] for x in range(left, right + 1)]
                for y in range(top, bottom + 1)]

    def put(self, rows, left, top):
        for j, row in enumerate(rows):
            for i, cell in enumerate(row):
                if (left + i, top + j) in self.cells:
                    self.cells[(left + i, top + j)] = cell


def text_form(rows):
    """The clipboard's plain text: the glyphs, rows joined by line feeds."""
    return "\n".join("".join(glyph_text(g) for g, _ in row) for row in rows)


def cells_form(rows):
    """The clipboard's cells: the rows of glyphs, an empty line, the rows of colour digits."""
    glyphs = "".join("".join(glyph_text(g) for g, _ in row) + "\n" for row in rows)
    colours = "".join("".join("0123456789ABCDEF"[c] for _, c in row) + "\n" for row in rows)
    return glyphs + "\n" + colours


class Tools:
    def __init__(self, args, x, work):
        self.args, self.x, self.work = args, x, work
        self.editors = []

    def start(self, map_path, name):
        editor = Editor(self.args.editor, self.x, map_path, self.work / f"trace-{name}.txt",
                        others=[e.window for e in self.editors])
        self.editors.append(editor)
        self.x.focus(editor.window)
        return editor

    def saved(self, editor, map_path, board, what):
        """Ctrl+S writes exactly the expected board as level 0 and leaves level 1 alone."""
        want = bytes(board.level().data)
        other = map_path.read_bytes()[LEVEL_BYTES:]
        editor.shortcut("ctrl+s")
        try:
            wait_until(f"the save after {what}", lambda: level_bytes(map_path, 0) == want)
        except Failure:
            got = level_bytes(map_path, 0)
            wrong = [(i // 2 % BOARD_W, i // 2 // BOARD_W) for i in range(0, LEVEL_BYTES, 2)
                     if got[i:i + 2] != want[i:i + 2]]
            raise Failure(f"after {what}, cells {wrong[:12]} differ in the saved map") from None
        check(map_path.read_bytes()[LEVEL_BYTES:] == other, f"saving after {what} touched level 1")

    def key(self, editor, *keys):
        editor.x.focus(editor.window)
        editor.x.xdotool("key", *keys)

    def drag(self, editor, cells, button=1):
        editor.move_to_cell(*cells[0])
        editor.x.xdotool("mousedown", button)
        for cell in cells[1:]:
            editor.move_to_cell(*cell)
        editor.x.xdotool("mouseup", button)

    def paste(self, editor):
        """Ctrl+V, and waits until the editor has read the clipboard: meanwhile it takes no
        pointer or key event."""
        reads = len(editor.trace("clipboard-read"))
        editor.shortcut("ctrl+v")
        wait_until("the clipboard to be read", lambda: len(editor.trace("clipboard-read")) > reads)

    def xclip(self, *args, text=None, waiting=False):
        """What xclip reads. While `waiting` for an owner, a clipboard that no program owns yet
        (xclip: "target ... not available") reads as None, so the wait asks again."""
        result = subprocess.run(["xclip", "-selection", "clipboard", *args], env=self.x.env,
                                input=text.encode() if text is not None else None,
                                capture_output=True, timeout=10)
        if waiting and result.returncode != 0:
            return None
        check(result.returncode == 0, f"xclip {' '.join(args)} failed: {result.stderr.decode()}")
        return result.stdout.decode()

    def offer_text(self, text):
        """xclip owns the clipboard with this text, in the foreground until the display ends."""
        process = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard"],
                                   env=self.x.env, stdin=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        process.stdin.write(text.encode())
        process.stdin.close()
        wait_until("xclip to own the clipboard",
                   lambda: self.xclip("-o", waiting=True) == text or process.poll() is not None)
        check(process.poll() is None, "xclip ended before offering the text")
        return process

    def run(self):
        first_map, second_map = self.work / "first.qmap", self.work / "second.qmap"
        level0, level1 = room_levels()
        for path in (first_map, second_map):
            path.write_bytes(bytes(level0.data + level1.data))
        board = Board(level0)
        a = self.start(first_map, "first")
        a.wait_for_cells("the map", {(0, 0): 9})

        # Brushes with Pen: left a full block in colour 12, right a smiley in colour 14.
        left, right = (FULL_BLOCK, 12), (SMILEY, 14)
        for cell, button in [(glyph_cell(FULL_BLOCK), 1), (colour_cell(12), 1),
                             (glyph_cell(SMILEY), 3), (colour_cell(14), 3)]:
            a.click_cell(*cell, button)

        # Line (its letter L): a drag whose preview passes another cell first; the preview's
        # cells come back. Then a drag cut short with Escape changes nothing.
        self.key(a, "l")
        self.drag(a, [(2, 2), (9, 10), (9, 5)])
        for cell in line_cells((2, 2), (9, 5)):
            board.cells[cell] = left
        a.move_to_cell(20, 8)
        shapes = wait_until("a pointer shape", lambda: a.trace("pointer-shape", counted=True))
        check(shapes[-1][2] == POINTER_CROSSHAIR, f"Line shows pointer shape {shapes[-1][2]}")
        a.x.xdotool("mousedown", 1)
        a.move_to_cell(25, 14)
        self.key(a, "Escape")
        a.x.xdotool("mouseup", 1)
        self.saved(a, first_map, board, "Line")

        # Fill from the Tool menu's access letter: the right button fills the frame, which
        # stops at the black cells and the letters inside.
        windows = len(a.visible_windows_of_class())
        a.shortcut("alt+t")
        wait_until("the Tool menu to open", lambda: len(a.visible_windows_of_class()) > windows)
        a.x.xdotool("key", "f")
        wait_until("the Tool menu to close", lambda: len(a.visible_windows_of_class()) == windows)
        a.click_cell(0, 5, 3)
        board.fill((0, 5), right)
        self.saved(a, first_map, board, "Fill")

        # Select (M) the letters, Ctrl+C, Ctrl+V over cell (3, 20): pasted there and selected;
        # a drag from inside the selection moves it to (5, 18), leaving blank cells.
        self.key(a, "m")
        self.drag(a, [(13, 12), (16, 12), (18, 12)])
        a.shortcut("ctrl+c")
        letters = board.block(13, 12, 18, 12)
        a.move_to_cell(3, 20)
        self.paste(a)
        board.put(letters, 3, 20)
        self.saved(a, first_map, board, "Paste")
        self.drag(a, [(5, 20), (6, 19), (7, 18)])
        board.put([[(0, 0)] * 6], 3, 20)
        board.put(letters, 5, 18)
        self.saved(a, first_map, board, "the selection's move")
        # A new selection on the line's first cells; the Delete key blanks them.
        self.drag(a, [(2, 2), (3, 2)])
        self.key(a, "Delete")
        board.put([[(0, 0)] * 2], 2, 2)
        self.saved(a, first_map, board, "Delete")

        # Pick (I) the heart with the left button, then Pen (B) paints it.
        self.key(a, "i")
        a.click_cell(8, 17, 1)
        left = board.cells[(8, 17)]
        self.key(a, "b")
        a.click_cell(25, 5, 1)
        board.cells[(25, 5)] = left
        self.saved(a, first_map, board, "Pick and Pen")

        # Text (T): "Hello" (L is the Line tool's letter: here it is text), Return to the next
        # row at the first column, "ok", BackSpace, a-umlaut (0x84 in code page 437), Escape.
        self.key(a, "t")
        a.click_cell(3, 8, 1)
        a.x.xdotool("type", "--delay", "20", "Hello")
        self.key(a, "Return")
        a.x.xdotool("type", "--delay", "20", "ok")
        self.key(a, "BackSpace", "adiaeresis", "Escape")
        for i, glyph in enumerate(b"Hello"):
            board.cells[(3 + i, 8)] = (glyph, left[1])
        board.cells[(3, 9)] = (ord("o"), left[1])
        board.cells[(4, 9)] = (0x84, left[1])
        self.saved(a, first_map, board, "typing")

        # Copy a block of two colours and blanks; xclip reads both forms the editor offers.
        self.key(a, "m")
        self.drag(a, [(5, 17), (10, 18)])
        a.shortcut("ctrl+c")
        copied = board.block(5, 17, 10, 18)
        wait_until("the copy to reach the clipboard",
                   lambda: self.xclip("-o", waiting=True) == text_form(copied))
        check(self.xclip("-o", "-t", "UTF8_STRING") == text_form(copied), "the UTF8_STRING form")
        cells = self.xclip("-o", "-t", CELLS_TYPE)
        check(cells == cells_form(copied), f"the cells form is {cells!r}, not "
                                           f"{cells_form(copied)!r}")

        # A second editor process pastes the copy with its glyphs and colours.
        other = Board(level0)
        b = self.start(second_map, "second")
        b.wait_for_cells("the second map", {(0, 0): 9})
        b.click_cell(*colour_cell(10), 1)   # the left brush's colour, for pasted text
        b.move_to_cell(10, 10)
        self.paste(b)
        other.put(copied, 10, 10)
        self.saved(b, second_map, other, "pasting another process's copy")

        # Text from xclip pastes in the left brush's colour, short rows filled out with blanks;
        # with the pointer off the window it goes to the top-left cell.
        xclip = self.offer_text("AB\nC")
        typed = [[(ord("A"), 10), (ord("B"), 10)], [(ord("C"), 10), (ord(" "), 10)]]
        b.move_to_cell(20, 2)
        self.paste(b)
        other.put(typed, 20, 2)
        geometry, leaves = self.x.geometry(b.window), len(b.trace("left"))
        b.x.xdotool("mousemove", geometry["X"] + geometry["WIDTH"] + 40,
                    geometry["Y"] + geometry["HEIGHT"] + 40)
        wait_until("the pointer to leave the surface", lambda: len(b.trace("left")) > leaves)
        self.paste(b)
        other.put(typed, 0, 0)
        self.saved(b, second_map, other, "pasting xclip's text")
        xclip.kill()
        xclip.wait()

        # Text with a tab is refused with a message; nothing changes.
        xclip = self.offer_text("a\tb")
        b.shortcut("ctrl+v")
        self.x.answer_box("the refusal of a tab", "Return")
        self.saved(b, second_map, other, "a refused paste")
        xclip.kill()
        xclip.wait()
        for editor in (a, b):
            editor.check_running()

    def stop(self):
        for editor in self.editors:
            if editor.process.poll() is None:
                editor.process.kill()
            editor.process.wait()


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    x = Display()
    tools = Tools(args, x, work)
    try:
        tools.run()
    finally:
        tools.stop()
        x.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-tools-"))
    args = parser.parse_args()
    return run_test(lambda: run(args), tools=("xclip",))


if __name__ == "__main__":
    sys.exit(main())
