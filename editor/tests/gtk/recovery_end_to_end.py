#!/usr/bin/env python3
"""End-to-end test of undo and recovery in the Linux editor, on a private Xvfb display.

Paints cells, kills the editor with SIGKILL, starts it again and brings the edits back with
File > Recover, then saves with Ctrl+S: the map file must hold the painted cells at their level and
nothing else may have changed. The same after File > Exit. Then Ctrl+Z after a Level Select that
dropped edits must bring them back. The journals live in a state folder of the test's own
(XDG_STATE_HOME), never beside the map.

With --scope history: five strokes, SIGKILL, File > Recover in a new editor, and five Ctrl+Z take
the strokes back one by one, newest first, to the board as the map holds it; Ctrl+S writes it.

    recovery_end_to_end.py --editor PATH --work DIR [--scope history]
"""
import argparse
import os
import shutil
import signal
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from end_to_end import Editor  # noqa: E402
from x11_harness import (FULL_BLOCK, LEVEL_BYTES, Display, Level, check, colour_cell,  # noqa: E402
                         glyph_cell, level_bytes, run_test, wait_until)


def make_map(path):
    level0, level1 = Level(), Level()
    level0.set(0, 0, FULL_BLOCK, 9)
    level1.set(31, 23, FULL_BLOCK, 13)
    path.write_bytes(bytes(level0.data + level1.data))
    return level0, level1


class Run:
    def __init__(self, args, x, work, map_path):
        self.args, self.x, self.work, self.map_path = args, x, work, map_path
        self.journals = work / "state" / "gridwright"
        self.runs = 0

    def start(self):
        self.runs += 1
        return Editor(self.args.editor, self.x, self.map_path, self.work / f"trace-{self.runs}.txt")

    def journal_files(self):
        return sorted(self.journals.glob("*.journal")) if self.journals.exists() else []

    def paint(self, editor, cells):
        """Left brush: a full block in colour 12; one click on each cell."""
        editor.click_cell(*glyph_cell(FULL_BLOCK), 1)
        editor.click_cell(*colour_cell(12), 1)
        for cell in cells:
            editor.click_cell(*cell, 1)
        editor.wait_for_cells("the painted cells", {cell: 12 for cell in cells})

    def menu(self, editor, letter):
        """File menu, then an entry by its access letter."""
        windows = len(editor.visible_windows_of_class())
        editor.shortcut("alt+f")
        wait_until("the File menu to open",
                   lambda: len(editor.visible_windows_of_class()) > windows)
        self.x.xdotool("key", letter)

    def recover_and_save(self, editor, cells, level, expected, untouched):
        """File > Recover shows the cells at once and leaves the map alone; Ctrl+S writes them."""
        before = self.map_path.read_bytes()
        self.menu(editor, "r")
        editor.wait_for_cells("the recovered cells", {cell: 12 for cell in cells})
        check(self.map_path.read_bytes() == before, "Recover wrote the map file")
        editor.shortcut("ctrl+s")
        wait_until(f"Ctrl+S to write level {level}",
                   lambda: level_bytes(self.map_path, level) == expected.data)
        check(level_bytes(self.map_path, 1 - level) == untouched.data,
              "saving the recovered level touched the other")
        check(self.map_path.stat().st_size == 2 * LEVEL_BYTES, "the map file changed length")
        wait_until("the journals to go once saved", lambda: not self.journal_files())

    def after_kill(self, level0, level1):
        editor = self.start()
        editor.answer_input_box("ctrl+l", "1")
        editor.wait_for_cells("level 1", {(31, 23): 13})
        cells = [(3, 3), (4, 3), (10, 20)]
        self.paint(editor, cells)
        wait_until("the journal to be written", self.journal_files)
        editor.process.send_signal(signal.SIGKILL)
        editor.process.wait()

        editor = self.start()
        editor.wait_for_cells("level 0 at the start", {(0, 0): 9})
        for cell in cells:
            level1.set(*cell, FULL_BLOCK, 12)
        self.recover_and_save(editor, cells, 1, level1, level0)
        return editor

    def after_exit(self, editor, level0, level1):
        editor.answer_input_box("ctrl+l", "0")
        editor.wait_for_cells("level 0", {(0, 0): 9})
        cells = [(7, 8), (8, 8)]
        self.paint(editor, cells)
        wait_until("the journal to be written", self.journal_files)
        self.menu(editor, "x")
        wait_until("Exit to end the program", lambda: editor.process.poll() is not None)
        check(self.journal_files(), "Exit took the journal with it")

        editor = self.start()
        for cell in cells:
            level0.set(*cell, FULL_BLOCK, 12)
        self.recover_and_save(editor, cells, 0, level0, level1)
        return editor

    def undo_level_select(self, editor, level0, level1):
        """Edits dropped by a Level Select come back with Ctrl+Z, at their level."""
        cells = [(15, 15)]
        self.paint(editor, cells)
        editor.answer_input_box("ctrl+l", "1")
        editor.wait_for_cells("level 1, the edit dropped", {(31, 23): 13, (15, 15): 0})
        editor.shortcut("ctrl+z")
        editor.wait_for_cells("the dropped edit back", {(15, 15): 12, (0, 0): 9})
        editor.shortcut("ctrl+s")
        level0.set(15, 15, FULL_BLOCK, 12)
        wait_until("Ctrl+S to write level 0", lambda: level_bytes(self.map_path, 0) == level0.data)
        check(level_bytes(self.map_path, 1) == level1.data, "the save after Undo touched level 1")

    def history_after_kill(self, level0):
        """The history comes back with the board: Undo walks back through the killed editor's
        strokes."""
        editor = self.start()
        editor.wait_for_cells("level 0 at the start", {(0, 0): 9})
        strokes = [(2, 2), (5, 4), (9, 9), (12, 3), (20, 15)]
        self.paint(editor, strokes)
        wait_until("the journal to be written", self.journal_files)
        editor.process.send_signal(signal.SIGKILL)
        editor.process.wait()

        editor = self.start()
        editor.wait_for_cells("level 0 at the start", {(0, 0): 9, strokes[0]: 0})
        self.menu(editor, "r")
        editor.wait_for_cells("the recovered strokes", {cell: 12 for cell in strokes})
        for undone in range(len(strokes) - 1, -1, -1):
            editor.shortcut("ctrl+z")
            expected = {cell: 12 for cell in strokes[:undone]}
            expected.update({cell: 0 for cell in strokes[undone:]})
            editor.wait_for_cells(f"Ctrl+Z to take back stroke {undone + 1}", expected)
        saved = self.map_path.stat().st_mtime_ns
        editor.shortcut("ctrl+s")
        wait_until("Ctrl+S to write the map",
                   lambda: self.map_path.stat().st_mtime_ns != saved)
        check(level_bytes(self.map_path, 0) == level0.data, "level 0 is not the board as loaded")
        check(self.map_path.stat().st_size == 2 * LEVEL_BYTES, "the map file changed length")
        wait_until("the journals to go once saved", lambda: not self.journal_files())
        return editor


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    map_path = work / "recover.qmap"
    level0, level1 = make_map(map_path)
    os.environ["XDG_STATE_HOME"] = str(work / "state")
    x = Display()
    run_ = Run(args, x, work, map_path)
    editor = None
    try:
        if args.scope == "history":
            editor = run_.history_after_kill(level0)
            return
        editor = run_.after_kill(level0, level1)
        editor = run_.after_exit(editor, level0, level1)
        run_.undo_level_select(editor, level0, level1)
        check(not list(work.glob("*.journal")), "a journal was written beside the map")
    finally:
        if editor is not None:
            editor.close()
        x.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-recovery-"))
    parser.add_argument("--scope", choices=["all", "history"], default="all")
    args = parser.parse_args()
    return run_test(lambda: run(args))


if __name__ == "__main__":
    sys.exit(main())
