#!/usr/bin/env python3
"""End-to-end test of the drawing tools in the web page, in a real headless Chromium.

The page opens the room map through a File System Access handle, shows its level 0 (Level Select)
and uses each tool once, by its
plain key and the pointer, as a user would: a Line dragged with a preview, a Fill, a Select whose
Copy reaches the browser's clipboard in both forms and pastes back under the pointer and (after
the pointer left the canvas) at the board's top-left cell, a Select move of the pasted cells, a
Pick whose brush then paints with the Pen, and Text typed at a caret (Unicode letters, Backspace,
Enter, a character outside code page 437 that changes nothing, Escape); then Save writes the map
back into the file.

The clipboard is the browser's own (its permissions granted through the DevTools protocol, as a
user would allow them): the test checks that the page put the text and the cells there and read
the cells back, and that the plain text is the copied glyphs; with reading then denied, a Paste
takes the page's own last Copy.

Every event is written down as the core receives it, and the host build's replay_events runs
them through the core without a window: the canvas (during the line's preview, after the pastes,
while typing and at the end) and the saved bytes must equal the core's. They must also equal the
level built here cell by cell from the same actions, which is what the desktop editor's run of
the same actions writes, since both hand the core the same events.

    tools_end_to_end.py --site DIR --replay PATH --work DIR
"""
import argparse
import base64
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
import end_to_end as page_test  # noqa: E402
from end_to_end import READ_PRIVATE_FILE, Page, compare_pictures, read_ppm  # noqa: E402
from x11_harness import (BOARD_H, BOARD_W, CELL_H, CELL_W, FULL_BLOCK, SMILEY,  # noqa: E402
                         Failure, Level, caption_with, cell_offset, check, colour, colour_cell,
                         glyph_cell, room_levels, wait_until)

BLANK = (0, 0)
CELLS_TYPE = "web application/x-gridwright-cells"
HEART = 3
# DevTools key codes of the named keys the scenario presses.
NAMED_KEYS = {"Escape": 27, "Backspace": 8, "Enter": 13, "ArrowRight": 39}
REPLAY_KEY = {"Escape": "Escape", "Backspace": "Backspace", "Enter": "Enter",
              "ArrowRight": "Right"}

# Opens a map file's bytes as a File System Access handle from the origin's private file system.
OPEN_HANDLE = """
const done = arguments[2];
(async () => {
  const folder = await navigator.storage.getDirectory();
  const handle = await folder.getFileHandle(arguments[0], {create: true});
  const writable = await handle.createWritable();
  await writable.write(Uint8Array.from(atob(arguments[1]), (c) => c.charCodeAt(0)));
  await writable.close();
  await gridwright.open(handle);
})().then(() => done(), (error) => done(String(error)));
"""

# The browser clipboard's forms, as another page or program would read them.
READ_CLIPBOARD = """
const done = arguments[0];
(async () => {
  const out = {};
  for (const item of await navigator.clipboard.read()) {
    for (const type of item.types) out[type] = await (await item.getType(type)).text();
  }
  return out;
})().then(done, (error) => done(String(error)));
"""


class Board:
    """The expected level: cells as (glyph, colour index)."""

    def __init__(self, level):
        self.cells = {(x, y): (level.data[cell_offset(x, y)], level.data[cell_offset(x, y) + 1] >> 4)
                      for x in range(BOARD_W) for y in range(BOARD_H)}

    def level(self, like):
        for (x, y), (glyph, index) in self.cells.items():
            like.set(x, y, glyph, index)
        return like

    def fill(self, start, cell):
        """The 4-connected region of the start cell's glyph and colour takes `cell`."""
        old, todo = self.cells[start], [start]
        while todo and old != cell:
            x, y = todo.pop()
            if (x, y) not in self.cells or self.cells[(x, y)] != old:
                continue
            self.cells[(x, y)] = cell
            todo += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]

    def block(self, left, top, right, bottom):
        return {(x - left, y - top): self.cells[(x, y)]
                for x in range(left, right + 1) for y in range(top, bottom + 1)}

    def put(self, block, left, top):
        for (dx, dy), cell in block.items():
            if (left + dx, top + dy) in self.cells:  # clipped at the board's edges
                self.cells[(left + dx, top + dy)] = cell


class ToolPage(Page):
    """The page, with the keys the tools take written down as the core receives them."""

    def type(self, text):
        """Typed characters: each a keydown whose key is the character."""
        for character in text:
            self.cdp("Input.dispatchKeyEvent", type="keyDown", key=character, text=character,
                     unmodifiedText=character)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=character)
            self.script.append(f"type {ord(character):x}")
        self.idle()

    def named(self, key):
        down = dict(type="keyDown" if key == "Enter" else "rawKeyDown", key=key, code=key,
                    windowsVirtualKeyCode=NAMED_KEYS[key])
        if key == "Enter":
            down["text"] = "\r"
        self.cdp("Input.dispatchKeyEvent", **down)
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=key, code=key,
                 windowsVirtualKeyCode=NAMED_KEYS[key])
        self.script.append(f"key {REPLAY_KEY[key]} 0")
        self.idle()

    def at(self, column, row):
        return column * CELL_W + CELL_W // 2, row * CELL_H + CELL_H // 2

    def drag(self, cells, button="left"):
        """A press on the first cell, moves over the others, the release on the last."""
        self.mouse("mouseMoved", *self.at(*cells[0]))
        self.mouse("mousePressed", *self.at(*cells[0]), button)
        for cell in cells[1:]:
            self.mouse("mouseMoved", *self.at(*cell))
        self.mouse("mouseReleased", *self.at(*cells[-1]), button)
        self.idle()

    def paste(self):
        """Ctrl+V, then the clipboard as the page read it and handed it to the core."""
        reads = self.js("return gridwright.clipboard.reads.length")
        self.command("v", "mnuEditPaste")
        wait_until("the clipboard's content",
                   lambda: self.js("return gridwright.clipboard.reads.length") > reads)
        self.idle()
        read = self.js("return gridwright.clipboard.reads.at(-1)")
        if read["how"] == "refused":
            self.script.append("paste refused")
        else:
            forms = [read.get(form) for form in ("cells", "text")]
            self.script.append("paste " + " ".join("-" if form is None else
                                                   form.encode().hex() or "." for form in forms))
        return read

    def picture(self, work, pictures, name):
        self.script.append(f"picture {work / (name + '.ppm')}")
        pictures[name] = self.surface()

    def checked_tool(self):
        return self.js("return [...document.querySelectorAll('[role=menuitemradio]')]"
                       ".filter((item) => item.getAttribute('aria-checked') === 'true')"
                       ".map((item) => item.dataset.name)")

    def cursor(self):
        return self.js("return document.getElementById('surface').style.cursor")


def scenario(page, work, origin):
    pictures = {}
    level0, level1 = room_levels()
    original = bytes(level0.data + level1.data)
    (work / "replay" / "tools.qmap").write_bytes(original)
    page.driver.set_script_timeout(20)
    failure = page.driver.execute_async_script(OPEN_HANDLE, "tools.qmap",
                                               base64.b64encode(original).decode())
    check(failure is None, f"opening the file handle: {failure}")
    page.script += ["answer tools.qmap", "menu mnuWorldLoad"]
    page.idle()
    check(page.caption() == caption_with("tools.qmap"), "the caption after opening the handle")
    # Open names the file; Level Select 0 shows its level 0.
    page.answer_input_box("l", "mnuFileLevel", "0")
    board = Board(level0)
    check(page.checked_tool() == ["mnuToolPen"], f"checked at start: {page.checked_tool()}")

    # Brushes from the glyph table and the colour row: left a full block in 12, right one in 14,
    # middle a face in 11.
    for cell, button in [(glyph_cell(FULL_BLOCK), "left"), (colour_cell(12), "left"),
                         (glyph_cell(FULL_BLOCK), "right"), (colour_cell(14), "right"),
                         (glyph_cell(SMILEY), "middle"), (colour_cell(11), "middle")]:
        page.click_cell(*cell, button)

    # Line (L) with the right button from (2, 2) to (9, 5), by way of (5, 8): the preview there
    # shows on the canvas and goes again when the line moves on. Eight cells along x, each row
    # the ideal line's nearest: 2, 2, 3, 3, 4, 4, 5, 5.
    page.type("l")
    check(page.checked_tool() == ["mnuToolLine"], f"checked after L: {page.checked_tool()}")
    page.mouse("mouseMoved", *page.at(2, 2))
    check(page.cursor() == "crosshair", f"the Line tool's cursor is {page.cursor()!r}")
    page.mouse("mousePressed", *page.at(2, 2), "right")
    page.mouse("mouseMoved", *page.at(5, 8))
    page.idle()
    page.picture(work, pictures, "line-preview")
    check(page.cell(pictures["line-preview"], 5, 8) == {bytes(colour(14))},
          "the line's preview does not show its last cell")
    page.mouse("mouseMoved", *page.at(9, 5))
    page.mouse("mouseReleased", *page.at(9, 5), "right")
    page.idle()
    for x, y in zip(range(2, 10), (2, 2, 3, 3, 4, 4, 5, 5)):
        board.cells[(x, y)] = (FULL_BLOCK, 14)

    # Fill (G) with the middle button: the room's blank floor becomes faces, up to the frame,
    # the line and the letters.
    page.type("g")
    page.click_cell(3, 10, "middle")
    board.fill((3, 10), (SMILEY, 11))

    # Select (M) the letters and the row of faces under them, Copy: both forms on the browser's
    # clipboard, the plain text the glyphs as any program shows them.
    page.type("m")
    page.drag([(13, 12), (16, 13), (18, 13)])
    page.command("c", "mnuEditCopy")
    page.script.append(f"clipboard {work / 'copied'}")
    check(page.js("return gridwright.clipboard.write") == "both",
          f"the copy went {page.js('return gridwright.clipboard.write')!r}")
    held = page.driver.execute_async_script(READ_CLIPBOARD)
    check(isinstance(held, dict) and held.get("text/plain") == "QUORIX\n\u263a\u263a\u263a"
          "\u263a\u263a\u263a", f"the clipboard holds {held!r}")
    copied = board.block(13, 12, 18, 13)

    # Paste under the pointer at (20, 19), the cells read back from the clipboard's own form.
    page.mouse("mouseMoved", *page.at(20, 19))
    read = page.paste()
    check(read["how"] == "cells", f"the paste read {read!r}")
    board.put(copied, 20, 19)
    page.picture(work, pictures, "pasted")

    # The pointer leaves the canvas: the next Paste lands on the board's top-left cell, and the
    # Select tool then drags it on by whole cells from (1, 0) to (21, 15); the cells it leaves
    # become blank.
    page.cdp("Input.dispatchMouseEvent", type="mouseMoved", x=origin[0] + 400,
             y=origin[1] + 470, button="none", buttons=0)
    page.script.append("leave")
    page.idle()
    page.paste()
    board.put(copied, 0, 0)
    page.drag([(1, 0), (11, 8), (21, 15)])
    for x in range(0, 6):
        for y in range(0, 2):
            board.cells[(x, y)] = BLANK
    board.put(copied, 20, 15)
    page.named("Escape")  # the selection goes

    # Pick (I) the heart with the right button, then the Pen (B) paints it at (27, 3).
    page.type("i")
    page.click_cell(8, 17, "right")
    page.type("b")
    page.click_cell(27, 3, "right")
    board.cells[(27, 3)] = (HEART, 12)

    # Text (T) at (4, 20) in the left brush's colour: tool letters are text while the caret
    # shows; the euro sign has no glyph in code page 437 and changes nothing; Backspace blanks
    # the e acute; Enter returns to column 4 on the next row; the arrow moves on; Escape ends it.
    page.type("t")
    page.click_cell(4, 20, "left")
    page.type("LIFT \u00e9\u20ac")
    page.named("Backspace")
    page.picture(work, pictures, "typing")
    page.named("Enter")
    page.type("\u263a")
    page.named("ArrowRight")
    page.type("!")
    page.named("Escape")
    for i, glyph in enumerate(b"LIFT "):
        board.cells[(4 + i, 20)] = (glyph, 12)
    board.cells[(9, 20)] = BLANK
    board.cells[(4, 21)] = (SMILEY, 12)
    board.cells[(6, 21)] = (ord("!"), 12)
    page.picture(work, pictures, "tools")

    # A browser that refuses to read its clipboard: Paste takes the page's own last Copy, cells
    # and all, at (24, 8).
    page.cdp("Browser.setPermission", origin=page.url, permission={"name": "clipboard-read"},
             setting="denied")
    page.mouse("mouseMoved", *page.at(24, 8))
    read = page.paste()
    check(read["how"] == "refused", f"the paste without permission read {read!r}")
    board.put(copied, 24, 8)
    page.named("Escape")
    page.cdp("Browser.setPermission", origin=page.url, permission={"name": "clipboard-read"},
             setting="granted")

    # Save writes the map back into the opened file.
    page.command("s", "mnuFileSaveGame")
    def saved():
        held = base64.b64decode(page.driver.execute_async_script(READ_PRIVATE_FILE, "tools.qmap"))
        return held if held != original else None
    written = wait_until("the save to reach the file", saved)
    expected = bytes(board.level(room_levels()[0]).data + level1.data)
    if written != expected:
        shown = Board(Level(written[:len(level0.data)]))
        wrong = [(cell, shown.cells[cell], board.cells[cell]) for cell in sorted(board.cells)
                 if shown.cells[cell] != board.cells[cell]]
        raise Failure(f"the saved level differs from the actions' in {len(wrong)} cells, "
                      f"first (cell, saved, expected) {wrong[:4]}")
    return pictures, written


def run(args):
    work = page_test.fresh_work(args)
    site = Path(args.site)
    server, url = page_test.serve_site(site)
    page = None
    try:
        page = ToolPage(url + "/", work / "downloads", work / "profile")
        page.url = url
        page.cdp("Browser.grantPermissions", origin=url,
                 permissions=["clipboardReadWrite", "clipboardSanitizedWrite"])
        pictures, written = scenario(page, work, page.origin)
        page_test.replay(page, args, work, None)
        for name, shown in pictures.items():
            _, _, expected = read_ppm(work / f"{name}.ppm")
            compare_pictures(f"the {name} surface against the core's", shown, expected)
        check(written == (work / "replay" / "tools.qmap").read_bytes(),
              "the file written through its handle differs from what the core writes")
        held = page.driver.execute_async_script(READ_CLIPBOARD)
        check(held.get("text/plain", "").encode() == (work / "copied").read_bytes() and
              held.get(CELLS_TYPE, "").encode() ==
              (work / "copied.cells").read_bytes(),
              "the clipboard's forms differ from what the core copies")
    finally:
        if page is not None:
            page.quit()
        page_test.stop_server(server)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the built site (build/web/site)")
    parser.add_argument("--replay", required=True, help="the host build's replay_events")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-web-tools-"))
    args = parser.parse_args()
    return page_test.run_scenario(run, args, "tools end-to-end test")


if __name__ == "__main__":
    sys.exit(main())
