#!/usr/bin/env python3
"""End-to-end test of the desktop's ways of naming a map in the Linux editor, on a private Xvfb
display.

File > Browse (Ctrl+Shift+O) opens the system's file dialog; Escape changes nothing, and a file
typed into its location field (Ctrl+L) names the map: the caption shows it and the next Save
writes the board into it. A file dropped on the window through XDND, as a file manager drops it,
loads its level 0, and Ctrl+Z brings back the board it replaced. After a restart, File > Recent
lists the three maps named before, newest first, each chosen by its number; the settings file
holds them as recent= lines and the desktop's recently used list has them too. The dialog is
found on the accessibility bus (the test runs in a D-Bus session of its own, under
dbus-run-session, where the bus starts on demand), and driven with keys.

    desktop_end_to_end.py --editor PATH --drop PATH --work DIR
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from end_to_end import Editor  # noqa: E402
from x11_harness import (FULL_BLOCK, LEVEL_BYTES, Display, Level, caption_with,  # noqa: E402
                         check, colour_cell, glyph_cell, level_bytes, run_test, wait_until)

DIALOG_NAME = "^Open a Map File$"
DIALOG_TITLE = "Open a Map File"
ATSPI_WINDOWS = Path(__file__).resolve().parent / "atspi_windows.py"


def make_map(path, colour):
    """Two levels: level 0 with a block of `colour` at (0, 0), level 1 with one at (31, 23)."""
    level0, level1 = Level(), Level()
    level0.set(0, 0, FULL_BLOCK, colour)
    level1.set(31, 23, FULL_BLOCK, colour)
    path.write_bytes(bytes(level0.data + level1.data))
    return level0


class Run:
    def __init__(self, args, x, work):
        self.args, self.x, self.work = args, x, work
        self.settings = work / "config"
        self.runs = 0

    def start(self, map_path):
        self.runs += 1
        return Editor(self.args.editor, self.x, map_path, self.work / f"trace-{self.runs}.txt",
                      settings=self.settings, accessible=True)

    def menu(self, editor, *letters):
        """Alt+F, then entries (and a submenu's entries) by their access letters."""
        for i, letter in enumerate(("alt+f",) + letters):
            windows = len(editor.visible_windows_of_class())
            if i == 0:
                editor.shortcut(letter)
            else:
                self.x.xdotool("key", letter)
            if i < len(letters):
                wait_until("the menu to open",
                           lambda: len(editor.visible_windows_of_class()) > windows)

    def accessible_windows(self):
        """(role, name) of each of the editor's windows as the accessibility bus tells them."""
        # Debian's python3-gi is for the system's own interpreter.
        result = subprocess.run(["/usr/bin/python3", str(ATSPI_WINDOWS), "gridwright"],
                                env=self.x.env, capture_output=True, text=True, timeout=20)
        check(result.returncode == 0, f"the accessibility bus: {result.stderr.strip()}")
        return [tuple(line.split("\t", 1)) for line in result.stdout.splitlines()]

    def dialog(self):
        self.x.wait("the file dialog on the accessibility bus",
                    lambda: ("file chooser", DIALOG_TITLE) in self.accessible_windows(),
                    timeout=30)
        return self.x.wait("the file dialog", lambda: self.x.visible_windows(DIALOG_NAME),
                           timeout=30)[0]

    def browse(self, editor, path):
        """Ctrl+Shift+O; the dialog's location field takes the path (None: Escape)."""
        editor.shortcut("ctrl+shift+o")
        dialog = self.dialog()
        self.x.focus(dialog)
        if path is None:
            self.x.xdotool("key", "Escape")
        else:
            self.x.xdotool("key", "ctrl+l")
            self.x.xdotool("type", "--delay", "20", str(path))
            self.x.xdotool("key", "Return")
        self.x.wait("the file dialog to close", lambda: not self.x.visible_windows(DIALOG_NAME),
                    timeout=20)

    def drop(self, editor, path):
        result = subprocess.run([self.args.drop, editor.window, path.as_uri()], env=self.x.env,
                                capture_output=True, timeout=20)
        check(result.returncode == 0, f"the drop failed: {result.stderr.decode().strip()}")


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    # The desktop's recently used list goes to a data folder of the test's own.
    os.environ["XDG_DATA_HOME"] = str(work / "data")
    a, b, c = work / "a.qmap", work / "b.qmap", work / "c.qmap"
    level_a = make_map(a, 9)
    make_map(b, 10)
    level_c = make_map(c, 11)
    b_level1 = level_bytes(b, 1)

    x = Display()
    s = Run(args, x, work)
    editor = None
    try:
        editor = s.start(a)
        editor.wait_for_cells("level 0 of a", {(0, 0): 9})

        # Browse, cancelled: nothing is named.
        s.browse(editor, None)
        editor.check_running()
        check(editor.caption() == caption_with(a), "a cancelled Browse changed the caption")

        # Browse names b: the caption shows it, and Save writes the board into b's level 0.
        s.browse(editor, b)
        wait_until("the caption to name b", lambda: editor.caption() == caption_with(b))
        editor.shortcut("ctrl+s")
        wait_until("Ctrl+S to write b", lambda: level_bytes(b, 0) == level_a.data)
        check(level_bytes(b, 1) == b_level1 and a.read_bytes()[:LEVEL_BYTES] == level_a.data,
              "the Save after Browse wrote elsewhere")

        # An unsaved edit, then c dropped on the window: its level 0 loads; Ctrl+Z brings the
        # edited board back, under b's name.
        editor.click_cell(*glyph_cell(FULL_BLOCK), 1)
        editor.click_cell(*colour_cell(12), 1)
        editor.click_cell(5, 5, 1)
        editor.wait_for_cells("the edit", {(0, 0): 9, (5, 5): 12})
        s.drop(editor, c)
        editor.wait_for_cells("level 0 of c", {(0, 0): 11, (5, 5): 0})
        check(editor.caption() == caption_with(c), "the drop did not name c")
        editor.shortcut("ctrl+z")
        editor.wait_for_cells("the board before the drop", {(0, 0): 9, (5, 5): 12})
        wait_until("the caption to name b again", lambda: editor.caption() == caption_with(b))
        check(c.read_bytes()[:LEVEL_BYTES] == level_c.data, "the drop changed c")
        xbel = work / "data" / "recently-used.xbel"
        wait_until("the desktop's recently used list",
                   lambda: xbel.exists() and all(p.as_uri() in xbel.read_text() for p in (a, b, c)))
        editor.process.kill()
        editor.process.wait()

        settings = (s.settings / "gridwright" / "settings.ini").read_text()
        recent = [line[len("recent="):] for line in settings.splitlines()
                  if line.startswith("recent=")]
        check(recent == [str(c), str(b), str(a)], f"the settings file holds {recent}")

        # A restart on c, the newest: Recent holds c, b, a. Entry 2 is b; after it, c is second;
        # then a is still third.
        editor = s.start(c)
        editor.wait_for_cells("level 0 of c after the restart", {(0, 0): 11})
        for number, path in (("2", b), ("2", c), ("3", a)):
            s.menu(editor, "t", number)
            wait_until(f"Recent entry {number} to name {path.name}",
                       lambda: editor.caption() == caption_with(path))
        editor.check_running()
    finally:
        if editor is not None:
            editor.close()
        x.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--drop", required=True, help="the XDND drop helper (xdnd_drop)")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-desktop-e2e-"))
    args = parser.parse_args()
    return run_test(lambda: run(args))


if __name__ == "__main__":
    sys.exit(main())
