#!/usr/bin/env python3
"""End-to-end test of the Level menu in the Linux editor, on a private Xvfb.

Opens a copy of the sample map (three levels) and drives the real program as a user would: Tab
shows the overview of its levels, which must equal pixel for pixel the core's own rendering of
the same page (the host build's replay_events, run through the same key without a window); a
press on the thumbnail of level 2 shows level 2 (the status item names it, and a cell painted
there is saved into level 2 alone); Ctrl+D duplicates it (the file 1536 bytes longer, levels 2
and 3 equal) and Ctrl+Z gives the file's bytes back; Delete, from the Level menu's access
letters, takes level 2 out and Ctrl+Z puts it back, byte for byte; Page Up and Page Down then
load the neighbouring levels.

    levels_end_to_end.py --editor PATH --replay PATH --sample PATH --work DIR
"""
import argparse
import shutil
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from end_to_end import Editor  # noqa: E402
from x11_harness import (FULL_BLOCK, LEVEL_BYTES, Display, Failure, cell_offset,  # noqa: E402
                         check, colour_cell, core_rendering, glyph_cell, run_test,
                         surface_picture, wait_surface, wait_until)

# The overview's slots are 80 x 72 surface pixels, four to a row: cell (20, 2) lies on the
# thumbnail of level 2.
LEVEL_2_THUMBNAIL = (20, 2)


def run(args):
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    (work / "replay").mkdir(parents=True)
    map_path = work / "sample.qmap"
    shutil.copy(args.sample, map_path)
    shutil.copy(args.sample, work / "replay" / "sample.qmap")
    original = map_path.read_bytes()
    check(len(original) == 3 * LEVEL_BYTES, f"the sample map has {len(original)} bytes")
    overview = core_rendering(args.replay, work / "replay", "sample.qmap", ["key Tab 0"],
                              work / "overview.ppm")

    x = Display()
    editor = None
    try:
        editor = Editor(args.editor, x, map_path, work / "trace.txt")
        editor.wait_for_cells("level 0 of the sample map", {(0, 0): 8})
        moves = iter([(5, 5), (6, 6)] * 4)

        def shows_level(level):
            """The status item names the level for a cell under the pointer."""
            cell = next(moves)
            editor.move_to_cell(*cell)
            editor.wait_status(f"[L{level}:{cell[0]},{cell[1]}=")

        def file_becomes(what, expected):
            try:
                wait_until(what, lambda: map_path.read_bytes() == expected)
            except Failure:
                held = map_path.read_bytes()
                raise Failure(f"after {what} the map holds {len(held)} bytes, not the "
                              f"{len(expected)} expected") from None

        # Tab: the overview, as the core itself draws the page.
        editor.shortcut("Tab")
        wait_surface("the overview against the core's", lambda: surface_picture(
            editor.screenshot(), editor.origin), overview)
        if args.screenshots:
            editor.screenshot(Path(args.screenshots) / "gtk-overview.png")

        # A press on level 2's thumbnail loads it; a cell painted there is saved into level 2.
        editor.click_cell(*LEVEL_2_THUMBNAIL)
        shows_level(2)
        editor.click_cell(*glyph_cell(FULL_BLOCK))
        editor.click_cell(*colour_cell(12))
        editor.click_cell(9, 9)
        saved = bytearray(original)
        saved[cell_offset(9, 9, 2):cell_offset(9, 9, 2) + 2] = bytes([FULL_BLOCK, 12 * 16])
        saved = bytes(saved)
        editor.shortcut("ctrl+s")
        file_becomes("the save of level 2", saved)

        # Ctrl+D: levels 2 and 3 both hold the board; the editor shows level 3. Ctrl+Z takes the
        # file back and shows level 2.
        editor.shortcut("ctrl+d")
        file_becomes("Duplicate", saved + saved[2 * LEVEL_BYTES:])
        shows_level(3)
        editor.shortcut("ctrl+z")
        file_becomes("the Undo of Duplicate", saved)
        shows_level(2)

        # Level menu, Delete, by the access letters: level 2 goes, the editor shows level 1, the
        # last one left. Ctrl+Z brings back the exact bytes and level 2.
        windows = len(editor.visible_windows_of_class())
        editor.shortcut("alt+v")
        wait_until("the Level menu to open",
                   lambda: len(editor.visible_windows_of_class()) > windows)
        x.xdotool("key", "l")
        wait_until("the Level menu to close",
                   lambda: len(editor.visible_windows_of_class()) == windows)
        file_becomes("Delete", saved[:2 * LEVEL_BYTES])
        shows_level(1)
        editor.shortcut("ctrl+z")
        file_becomes("the Undo of Delete", saved)
        shows_level(2)

        # Page Up and Page Down load the neighbouring levels, as Level Select does.
        editor.shortcut("Page_Up")
        shows_level(1)
        editor.shortcut("Page_Down")
        shows_level(2)
        check(map_path.read_bytes() == saved, "Page Up and Page Down changed the map")
        editor.check_running()
    finally:
        if editor is not None:
            editor.close()
        x.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--editor", required=True)
    parser.add_argument("--replay", required=True, help="the host build's replay_events")
    parser.add_argument("--sample", required=True, help="examples/sample.qmap")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-levels-"))
    parser.add_argument("--screenshots", help="also save the overview's picture there")
    args = parser.parse_args()
    return run_test(lambda: run(args))


if __name__ == "__main__":
    sys.exit(main())
