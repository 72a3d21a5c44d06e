#!/usr/bin/env python3
"""End-to-end test of the web page in a real headless Chromium.

Serves the built site with `python3 -m http.server` on 127.0.0.1 and drives the page through
Selenium and the DevTools protocol's input events, as a user would: the page starts with the
sample map, whose surface must equal `gridmap render` of level 0 pixel for pixel (read back from
the canvas, each surface pixel a block of whole device pixels); it opens a map file by upload,
loads a level through the in-page input box, picks brushes with the three buttons, paints cells,
a drag that leaves the surface, a Shift rectangle and a Ctrl random colour, saves (a download),
changes level, undoes and redoes from the Edit menu, zooms out (a press at that zoom) and back,
cancels an input box under which a press must not reach the editor, reads a failure message,
sets the brightness to 0.5, saves into a file opened through the File System Access API, has a
save beyond what the page holds and a file too large refused, and leaves with Alt+F, X.

Every event it sends is also written down as the core receives it; the host build's
replay_events then runs the same events through the core without a window, and the page must
show the same pixels and save the same bytes. The saved bytes are also checked against what the
desktop editor's end-to-end test expects of the same clicks.

It reports the page's weight and the time from navigation to the first complete frame.

    end_to_end.py --site DIR --gridmap PATH --replay PATH --work DIR [--screenshots DIR]
"""
import argparse
import base64
import shutil
import subprocess
import sys
import tempfile
import time
import zlib
from pathlib import Path

sys.dont_write_bytecode = True   # no __pycache__ beside the sources
sys.path.insert(0, str(Path(__file__).resolve().parent.parent))
from x11_harness import (CAPTION, CELL_H, CELL_W, FULL_BLOCK, LEVEL_BYTES, SMILEY, SURFACE_H,
                         SURFACE_W, Failure, caption_with, check, colour, room_levels, wait_until)

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    webdriver = None

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# Device pixels per CSS pixel of the browser window (--device-scale): the canvas must be crisp.
DEVICE_SCALE = 2

# DevTools input: modifier bits, and the bits of held buttons.
ALT, CTRL, SHIFT = 1, 2, 8
BUTTON_BITS = {"left": 1, "right": 2, "middle": 4}
# The editor's values (pointer_input.h) for the same.
EDITOR_BUTTON = {"left": 1, "right": 2, "middle": 4}


def editor_keys(modifiers):
    return (1 if modifiers & SHIFT else 0) | (2 if modifiers & CTRL else 0) | \
        (4 if modifiers & ALT else 0)


def editor_buttons(held):
    return sum(EDITOR_BUTTON[b] for b, bit in BUTTON_BITS.items() if held & bit)


# ---- pictures ----------------------------------------------------------------------------------

def read_png(path):
    """An 8-bit palette or RGB PNG as (width, height, RGB bytes, top row first)."""
    data = Path(path).read_bytes()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG")
    at, idat, palette = 8, b"", None
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            width, height = int.from_bytes(body[0:4], "big"), int.from_bytes(body[4:8], "big")
            depth, colour_type = body[8], body[9]
            check(depth == 8 and colour_type in (2, 3) and body[12] == 0,
                  f"{path}: only 8-bit palette or RGB pictures without interlacing are read")
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat += body
    channels = 1 if colour_type == 3 else 3
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up, corner = previous[i], previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                      else corner)) & 255
        rows.append(bytes(line))
        previous = line
    pixels = b"".join(rows)
    if colour_type == 3:
        pixels = b"".join(palette[3 * v:3 * v + 3] for v in pixels)
    return width, height, pixels


def read_ppm(path):
    data = Path(path).read_bytes()
    header = data.split(b"\n", 3)
    check(header[0] == b"P6" and header[2] == b"255", f"{path} is no binary PPM")
    width, height = map(int, header[1].split())
    return width, height, header[3]


def compare_pictures(what, shown, expected):
    """Both RGB pictures of the surface; fails naming the first differing pixels."""
    check(len(shown) == len(expected) == SURFACE_W * SURFACE_H * 3,
          f"{what}: pictures of {len(shown)} and {len(expected)} bytes")
    differing = [i // 3 for i in range(0, len(shown), 3) if shown[i:i + 3] != expected[i:i + 3]]
    if differing:
        first = ", ".join(f"({p % SURFACE_W}, {p // SURFACE_W}) shows "
                          f"{tuple(shown[3 * p:3 * p + 3])} for {tuple(expected[3 * p:3 * p + 3])}"
                          for p in differing[:4])
        raise Failure(f"{what}: {len(differing)} pixels differ, first {first}")


# Reads the canvas: every surface pixel must be a uniform block of scale x scale canvas pixels;
# returns [canvas width, canvas height, pixels in mixed blocks, the surface as base64 RGB].
READ_CANVAS = """
const canvas = document.getElementById('surface');
const scale = canvas.width / arguments[0];
const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const out = new Uint8Array(arguments[0] * arguments[1] * 3);
let mixed = 0;
for (let y = 0; y < arguments[1]; ++y) {
  for (let x = 0; x < arguments[0]; ++x) {
    const first = ((y * scale) * canvas.width + x * scale) * 4;
    for (let dy = 0; dy < scale; ++dy) {
      for (let dx = 0; dx < scale; ++dx) {
        const at = ((y * scale + dy) * canvas.width + x * scale + dx) * 4;
        if (data[at] !== data[first] || data[at + 1] !== data[first + 1] ||
            data[at + 2] !== data[first + 2]) ++mixed;
      }
    }
    const o = (y * arguments[0] + x) * 3;
    out[o] = data[first]; out[o + 1] = data[first + 1]; out[o + 2] = data[first + 2];
  }
}
let text = '';
for (let k = 0; k < out.length; k += 8192) text += String.fromCharCode.apply(null, out.subarray(k, k + 8192));
return [canvas.width, canvas.height, mixed, btoa(text)];
"""

# Counts the canvas areas the page paints, so that a test can tell what one event repainted.
WATCH_PAINTING = """
if (!window.paintedAreas) {
  const drawImage = CanvasRenderingContext2D.prototype.drawImage;
  CanvasRenderingContext2D.prototype.drawImage = function (...args) {
    if (this.canvas.id === 'surface') window.paintedAreas.push(args.slice(1, 5));
    return drawImage.apply(this, args);
  };
}
window.paintedAreas = [];
"""


# The bytes of a file in the origin's private file system, as base64.
READ_PRIVATE_FILE = """
const done = arguments[1];
navigator.storage.getDirectory().then((folder) => folder.getFileHandle(arguments[0]))
  .then((handle) => handle.getFile()).then((file) => file.arrayBuffer())
  .then((buffer) => done(btoa(String.fromCharCode(...new Uint8Array(buffer)))));
"""


# ---- the page ----------------------------------------------------------------------------------

class Page:
    """The page in Chromium, and the script of the events the core receives from it."""

    def __init__(self, url, downloads, profile):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         f"--user-data-dir={profile}", "--window-size=1100,760",
                         f"--force-device-scale-factor={DEVICE_SCALE}"):
            options.add_argument(argument)
        options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                                  "download.prompt_for_download": False})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": str(downloads)})
        self.downloads = downloads
        self.script = []
        self.held = 0
        self.started = time.monotonic()
        self.driver.get(url)
        wait_until("the page's first frame", lambda: self.js("return gridwright.firstFrame"),
                   timeout=30)
        # The editor starts at the display's zoom: each surface pixel one CSS pixel.
        self.zoom = DEVICE_SCALE
        self.locate()
        check(abs(self.origin[2] - SURFACE_W) < 0.01,
              f"the canvas is {self.origin[2]} CSS pixels wide, not {SURFACE_W}")

    def locate(self):
        """Where the canvas is in the window, in CSS pixels: left, top, width."""
        self.origin = self.js("const r = document.getElementById('surface')"
                              ".getBoundingClientRect(); return [r.left, r.top, r.width];")

    def quit(self):
        self.driver.quit()

    def js(self, code, *args):
        return self.driver.execute_script(code, *args)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def idle(self):
        wait_until("the editor to take events again", lambda: self.js("return gridwright.idle"))

    # --- pointer ---------------------------------------------------------------------------------
    def mouse(self, kind, x, y, button="none", modifiers=0):
        """One pointer event at surface pixel (x, y), written down as the core receives it."""
        if kind == "mousePressed":
            self.held |= BUTTON_BITS[button]
        elif kind == "mouseReleased":
            self.held &= ~BUTTON_BITS[button]
        shown = self.origin[2] / SURFACE_W  # CSS pixels a surface pixel
        self.cdp("Input.dispatchMouseEvent", type=kind, x=self.origin[0] + x * shown,
                 y=self.origin[1] + y * shown, button=button, buttons=self.held,
                 modifiers=modifiers,
                 clickCount=1 if kind != "mouseMoved" else 0)
        verb = {"mousePressed": "down", "mouseMoved": "move", "mouseReleased": "up"}[kind]
        value = EDITOR_BUTTON[button] if kind == "mousePressed" else editor_buttons(self.held)
        self.script.append(f"{verb} {value} {editor_keys(modifiers)} {x} {y}")

    def click_cell(self, column, row, button="left", modifiers=0):
        x, y = column * CELL_W + CELL_W // 2, row * CELL_H + CELL_H // 2
        self.mouse("mouseMoved", x, y, modifiers=modifiers)
        self.mouse("mousePressed", x, y, button, modifiers)
        self.mouse("mouseReleased", x, y, button, modifiers)

    def click_element(self, selector):
        """A left click on an element outside the surface; the core sees none of it."""
        x, y = self.js("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                       "return [r.left + r.width / 2, r.top + r.height / 2];", selector)
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.held = 1 if kind == "mousePressed" else 0
            self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y,
                     button="none" if kind == "mouseMoved" else "left", buttons=self.held,
                     clickCount=0 if kind == "mouseMoved" else 1)

    # --- keys ------------------------------------------------------------------------------------
    def key(self, key, modifiers=0, code=None, text=None):
        named = {"Enter": ("Enter", 13), "Escape": ("Escape", 27), "-": ("Minus", 189),
                 "=": ("Equal", 187)}
        if key in named:
            code, virtual = named[key]
        elif key.isdigit():
            code, virtual = f"Digit{key}", ord(key)
        else:
            code, virtual = f"Key{key.upper()}", ord(key.upper())
        down = dict(type="keyDown" if text else "rawKeyDown", key=key, code=code,
                    windowsVirtualKeyCode=virtual, modifiers=modifiers)
        if text:
            down["text"] = text
        self.cdp("Input.dispatchKeyEvent", **down)
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=key, code=code,
                 windowsVirtualKeyCode=virtual, modifiers=modifiers)

    def command(self, letter, name):
        """A menu command by its Ctrl shortcut, without an input box."""
        self.key(letter, CTRL)
        self.script.append(f"menu {name}")
        self.idle()

    def answer_input_box(self, letter, name, answer, meanwhile=None):
        """Opens an input box by its Ctrl shortcut, types the answer over the selected default
        and presses Enter; answer None presses Escape. `meanwhile` runs while the box is open."""
        self.key(letter, CTRL)
        wait_until("the input box", lambda: self.js("return document.getElementById("
                                                    "'input-box').open"))
        if meanwhile:
            meanwhile()
        if answer is None:
            self.key("Escape")
        else:
            self.cdp("Input.insertText", text=answer)
            self.key("Enter", text="\r")
        self.script.append("answer" if answer is None else f"answer {answer}")
        self.script.append(f"menu {name}")
        self.idle()

    # --- what shows ------------------------------------------------------------------------------
    def surface(self):
        """The canvas as an RGB picture of the surface; fails unless every pixel is crisp."""
        width, height, mixed, text = self.js(READ_CANVAS, SURFACE_W, SURFACE_H)
        check((width, height) == (SURFACE_W * self.zoom, SURFACE_H * self.zoom),
              f"the canvas has {width} x {height} pixels at zoom {self.zoom}")
        check(mixed == 0, f"{mixed} canvas pixels differ from their surface pixel's block")
        return base64.b64decode(text)

    def cell(self, picture, column, row):
        """The colours of a surface cell's pixels."""
        return {picture[3 * (y * SURFACE_W + x):3 * (y * SURFACE_W + x) + 3]
                for y in range(row * CELL_H, (row + 1) * CELL_H)
                for x in range(column * CELL_W, (column + 1) * CELL_W)}

    def caption(self):
        return self.js("return document.getElementById('caption').textContent")

    def save_download(self, name):
        """Ctrl+S, and the download it offers; a download of the same name replaces the last."""
        path = self.downloads / name
        path.unlink(missing_ok=True)
        self.command("s", "mnuFileSaveGame")
        wait_until(f"the download {name}", path.exists)
        wait_until(f"the download {name} to finish",
                   lambda: not list(self.downloads.glob("*.crdownload")))
        return path.read_bytes()


# ---- the scenario ------------------------------------------------------------------------------



def scenario(page, args, work, sample, measurements):
    shots = Path(args.screenshots) if args.screenshots else None
    pictures = {}

    # Start: the sample map's level 0, exactly as gridmap draws it.
    check(page.caption() == caption_with("sample.qmap") and page.driver.title == page.caption(),
          f"caption {page.caption()!r}, title {page.driver.title!r}")
    render = work / "sample-level-0.png"
    subprocess.run([args.gridmap, "render", str(sample), "0", str(render)], check=True)
    width, height, expected = read_png(render)
    start = page.surface()
    compare_pictures("the start against gridmap render", start, expected)
    first = page.js("return gridwright.firstFrame")
    load = page.js("const n = performance.getEntriesByType('navigation')[0];"
                   "return n.loadEventEnd;")
    measurements.append(f"navigation to the first complete frame: {first:.0f} ms "
                        f"(load event at {load:.0f} ms)")
    check(page.js("return document.querySelector('[data-name=mnuEditUndo]').disabled"),
          "Undo is offered before there is anything to undo")

    # Open by upload: the caption names the file; the board stays as it was.
    level0, level1 = room_levels()
    mapped = work / "end to end.qmap"
    mapped.write_bytes(bytes(level0.data + level1.data))
    page.driver.find_element("id", "upload").send_keys(str(mapped))
    page.script.append("answer end to end.qmap")
    page.script.append("menu mnuWorldLoad")
    wait_until("the caption to name the opened file",
               lambda: page.caption() == caption_with("end to end.qmap"))
    page.idle()
    check(page.surface() == start, "Open changed the surface")

    # Level Select 0 through the input box loads the opened file's level 0.
    page.answer_input_box("l", "mnuFileLevel", "0")
    shown = page.surface()
    check(page.cell(shown, 0, 0) == {bytes(colour(9))}, "level 0 of the opened file is not shown")

    # Brushes, as the desktop test picks them: left a full block in 12, right one in 14, middle
    # a face in 11.
    for (column, row), button in [((52, 18), "left"), ((53, 3), "left"), ((52, 18), "right"),
                                  ((55, 3), "right"), ((42, 5), "middle"), ((52, 3), "middle")]:
        page.click_cell(column, row, button)

    # Single cells with each button, a drag that leaves the surface upwards with the button held
    # (rows -17..-1 still count as row 0), and a Shift rectangle.
    page.click_cell(3, 3, "left")
    page.click_cell(4, 3, "right")
    page.click_cell(5, 3, "middle")
    level0.set(3, 3, FULL_BLOCK, 12)
    level0.set(4, 3, FULL_BLOCK, 14)
    level0.set(5, 3, SMILEY, 11)
    page.mouse("mouseMoved", 205, 99)
    page.mouse("mousePressed", 205, 99, "left")
    level0.set(20, 5, FULL_BLOCK, 12)
    page.js(WATCH_PAINTING)
    for column in range(21, 24):
        page.mouse("mouseMoved", column * CELL_W + 5, 99)
        level0.set(column, 5, FULL_BLOCK, 12)
    # A drag step repaints its own cell and nothing else.
    areas = page.js("return paintedAreas")
    check(areas == [[column * CELL_W, 5 * CELL_H, CELL_W, CELL_H] for column in range(21, 24)],
          f"the drag steps painted {areas}")
    page.mouse("mouseMoved", 235, -8)
    level0.set(23, 0, FULL_BLOCK, 12)
    page.mouse("mouseReleased", 235, -8, "left")
    page.click_cell(8, 7, "left", SHIFT)
    page.click_cell(11, 10, "left", SHIFT)
    for x in range(8, 12):
        for y in range(7, 11):
            level0.set(x, y, FULL_BLOCK, 12)
    # Ctrl: the left brush takes a random colour, 11 first in the editor's classic sequence.
    page.click_cell(2, 20, "left", CTRL)
    level0.set(2, 20, FULL_BLOCK, 11)
    page.script.append(f"picture {work / 'painted.ppm'}")
    pictures["painted"] = page.surface()
    if shots:
        page.driver.save_screenshot(str(shots / "web-editor.png"))

    # Ctrl+S writes level 0 into the file and offers the whole file as a download.
    saved = page.save_download("end to end.qmap")
    check(saved == bytes(level0.data + level1.data),
          "the first save is not what the desktop editor writes for the same clicks")

    # Level Select 1 ("0" offered and replaced), a cell in the left brush's colour 11, save.
    page.answer_input_box("l", "mnuFileLevel", "1")
    page.click_cell(31, 0, "left")
    level1.set(31, 0, FULL_BLOCK, 11)
    saved = page.save_download("end to end.qmap")
    check(saved == bytes(level0.data + level1.data),
          "the second save is not what the desktop editor writes for the same clicks")

    # A cell, Undo from the Edit menu takes it back, Ctrl+Y does it again.
    blank = page.cell(page.surface(), 6, 3)
    page.click_cell(6, 3, "left")
    page.click_element("[data-name=mnuEdit] .heading")
    page.click_element("[data-name=mnuEditUndo]")
    page.script.append("menu mnuEditUndo")
    page.idle()
    check(page.cell(page.surface(), 6, 3) == blank, "Undo did not take the cell back")
    page.command("y", "mnuEditRedo")
    check(page.cell(page.surface(), 6, 3) == {bytes(colour(11))}, "Redo did not paint it again")

    # Zoom Out: each surface pixel fewer device pixels, still whole ones, so the canvas shows
    # the same surface smaller; a press lands on the cell under the pointer at that zoom. At the
    # smallest zoom the entry is not offered and the key does nothing. Actual Size returns to
    # the display's zoom.
    before = page.surface()
    page.command("-", "mnuOptionZoomOut")
    page.zoom = max(1, DEVICE_SCALE - 1)
    page.locate()
    check(page.surface() == before, "Zoom Out changed the surface")
    check(page.js("return document.querySelector('[data-name=mnuOptionZoomOut]').disabled") ==
          (page.zoom == 1), "Zoom Out is offered exactly while the zoom can go down")
    page.click_cell(7, 3, "left")
    page.command("0", "mnuOptionActualSize")
    page.zoom = DEVICE_SCALE
    page.locate()
    check(page.cell(page.surface(), 7, 3) == {bytes(colour(11))},
          "a press at the smaller zoom did not paint the cell under the pointer")

    # Escape cancels Level Select; a press under the open box never reaches the editor.
    presses = []
    page.answer_input_box("l", "mnuFileLevel", None, meanwhile=lambda: presses.append(
        page.cdp("Input.dispatchMouseEvent", type="mousePressed", x=page.origin[0] + 25,
                 y=page.origin[1] + 369, button="left", buttons=1, clickCount=1)))
    page.cdp("Input.dispatchMouseEvent", type="mouseReleased", x=page.origin[0] + 25,
             y=page.origin[1] + 369, button="left", buttons=0, clickCount=1)
    check(page.cell(page.surface(), 2, 20) == blank, "a press under the input box painted a cell")

    # A level that cannot be reached brings the core's failure message in the page.
    page.key("l", CTRL)
    wait_until("the input box", lambda: page.js("return document.getElementById('input-box')"
                                                ".open"))
    page.cdp("Input.insertText", text="-1")
    page.key("Enter", text="\r")
    page.script += ["answer -1", "menu mnuFileLevel"]
    wait_until("the failure message",
               lambda: page.js("return document.getElementById('message').open"))
    message = page.js("return document.getElementById('message-text').textContent")
    check(message == 'Could not load level -1 from "end to end.qmap": levels run from 0 to '
                     '1398101.', f"failure message {message!r}")
    page.key("Enter", text="\r")
    page.idle()

    # Brightness 0.5 halves every palette component.
    page.answer_input_box("b", "mnuOptionBright", "0.5")
    page.script.append(f"picture {work / 'dimmed.ppm'}")
    pictures["dimmed"] = page.surface()
    check(colour(11, 0.5) == (48, 128, 128), "palette arithmetic of the test itself")
    check(page.cell(pictures["dimmed"], 31, 0) == {bytes(colour(11, 0.5))},
          "a full block in colour 11 at brightness 0.5 is not (48, 128, 128)")

    # The File System Access path: a file handle (from the origin's private file system, as a
    # picker would give one) is opened; Save writes the map back into it.
    level0_fsa, level1_fsa = room_levels()
    original = bytes(level0_fsa.data + level1_fsa.data)
    (work / "replay" / "fsa.qmap").write_bytes(original)
    page.driver.set_script_timeout(20)
    page.driver.execute_async_script("""
        const done = arguments[1];
        (async () => {
          const folder = await navigator.storage.getDirectory();
          const handle = await folder.getFileHandle('fsa.qmap', {create: true});
          const writable = await handle.createWritable();
          await writable.write(Uint8Array.from(atob(arguments[0]), (c) => c.charCodeAt(0)));
          await writable.close();
          await gridwright.open(handle);
        })().then(() => done(), (error) => done(String(error)));
    """, base64.b64encode(original).decode())
    page.script += ["answer fsa.qmap", "menu mnuWorldLoad"]
    page.idle()
    check(page.caption() == caption_with("fsa.qmap"), "the caption after opening a file handle")
    page.command("s", "mnuFileSaveGame")
    written = wait_until("the save to reach the file", lambda: page.driver.execute_async_script(
        READ_PRIVATE_FILE, "fsa.qmap"))
    written = base64.b64decode(written)
    check(written != original, "Save did not write into the opened file")

    # Too large for the page: a level beyond 64 MiB fails to save with the system's reason, and
    # the file on disk stays as it was; a larger file is not opened. The desktop editor would
    # write that level, so the replay stops before these steps.
    replayed = len(page.script)
    page.answer_input_box("l", "mnuFileLevel", "50000")
    page.key("s", CTRL)
    wait_until("the failure message",
               lambda: page.js("return document.getElementById('message').open"))
    message = page.js("return document.getElementById('message-text').textContent")
    check(message == 'Could not save level 50000 to "fsa.qmap": File too large.',
          f"failure message {message!r}")
    page.key("Enter", text="\r")
    page.idle()
    large = work / "large.qmap"
    with open(large, "wb") as file:
        file.truncate(64 * 1024 * 1024 + 1)
    page.driver.find_element("id", "upload").send_keys(str(large))
    wait_until("the failure message",
               lambda: page.js("return document.getElementById('message').open"))
    message = page.js("return document.getElementById('message-text').textContent")
    check(message == 'Could not open "large.qmap": it is larger than the 64 MiB that the page '
                     'can hold.', f"failure message {message!r}")
    page.key("Enter", text="\r")
    page.idle()
    check(page.caption() == caption_with("fsa.qmap"), "the caption after a refused file")
    check(page.driver.execute_async_script(READ_PRIVATE_FILE, "fsa.qmap") ==
          base64.b64encode(written).decode(), "a failed save changed the file on disk")
    del page.script[replayed:]

    # Alt+F, X: Exit ends the editor; the page takes no more events.
    page.key("f", ALT)
    page.key("x")
    page.script.append("menu mnuWorldQuit")
    wait_until("Exit to end the editor", lambda: page.js("return document.body.classList"
                                                         ".contains('ended')"))
    before = page.surface()
    page.click_cell(12, 12, "left")
    page.script = page.script[:-3]
    check(page.surface() == before, "a press after Exit painted")
    return pictures, written


def replay(page, args, work, sample):
    """Runs the page's events through the core without a window, in a folder holding the same
    files as the page's; returns the folder."""
    folder = work / "replay"
    script = work / "events.txt"
    script.write_text("\n".join(page.script) + "\n")
    result = subprocess.run([str(Path(args.replay).resolve()), str(script), "sample.qmap"], cwd=folder,
                            capture_output=True, text=True)
    check(result.returncode == 0, f"replay_events failed: {result.stderr}")
    return folder


def page_weight(site):
    sizes = {name: (site / name).stat().st_size
             for name in ("gridwright.wasm", "gridwright.js", "index.html", "page.css", "page.js")}
    total = sum(sizes.values())
    parts = ", ".join(f"{name} {size}" for name, size in sizes.items())
    return f"page weight before compression: {total} bytes ({total / 1024:.1f} KiB): {parts}"


def serve_site(site):
    """`python3 -m http.server` for the built site on a free port of 127.0.0.1: the server and the
    page's origin. The caller ends the server (stop_server)."""
    server = subprocess.Popen([sys.executable, "-u", "-m", "http.server", "0", "--bind",
                               "127.0.0.1", "--directory", str(site)],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = server.stdout.readline()
    if "port" not in line:
        stop_server(server)
        raise Failure(f"the HTTP server did not start: {line!r}")
    return server, f"http://127.0.0.1:{line.split('port')[1].split()[0]}"


def stop_server(server):
    if server.poll() is None:
        server.terminate()
        server.wait()


def run_scenario(run, args, name):
    """Runs a page scenario: 0 when it passed, 1 with the failure on standard error."""
    started = time.monotonic()
    try:
        run(args)
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print(f"{name} passed in {time.monotonic() - started:.1f} s")
    return 0


def fresh_work(args, replay=True):
    """Checks that the browser's driver is there and empties the test's work folder (args.work),
    with a downloads folder in it and, for a replay, a replay folder holding the site's sample
    map. Gives the work folder."""
    if webdriver is None:
        raise Failure("python3-selenium is missing; scripts/deps.sh test installs it")
    work = Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    (work / "downloads").mkdir(parents=True)
    if replay:
        (work / "replay").mkdir()
        shutil.copy(Path(args.site) / "sample.qmap", work / "replay" / "sample.qmap")
    return work


def run(args):
    work = fresh_work(args)
    for tool in (CHROMIUM, CHROMEDRIVER):
        check(Path(tool).exists(), f"{tool} is missing; scripts/deps.sh test installs it")
    site = Path(args.site)
    sample = site / "sample.qmap"
    measurements = [page_weight(site)]

    server, origin = serve_site(site)
    page = None
    try:
        page = Page(f"{origin}/", work / "downloads", work / "profile")
        # The map opened by upload, as it was before the page changed it.
        level0, level1 = room_levels()
        (work / "replay" / "end to end.qmap").write_bytes(bytes(level0.data + level1.data))
        pictures, written = scenario(page, args, work, sample, measurements)
        folder = replay(page, args, work, sample)
        for name in ("painted", "dimmed"):
            _, _, expected = read_ppm(work / f"{name}.ppm")
            compare_pictures(f"the {name} surface against the core's", pictures[name], expected)
        check((work / "downloads" / "end to end.qmap").read_bytes() ==
              (folder / "end to end.qmap").read_bytes(),
              "the saved map differs from what the core writes for the same events")
        check(written == (folder / "fsa.qmap").read_bytes(),
              "the file written through its handle differs from what the core writes")
        check((folder / "sample.qmap").read_bytes() == sample.read_bytes(),
              "the replay changed the sample map")
    finally:
        if page is not None:
            page.quit()
        stop_server(server)
    (work / "measurements.txt").write_text("\n".join(measurements) + "\n")
    for line in measurements:
        print(line)


def main():
    global DEVICE_SCALE
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True, help="the built site (build/web/site)")
    parser.add_argument("--gridmap", required=True)
    parser.add_argument("--replay", required=True, help="the host build's replay_events")
    parser.add_argument("--work", default=tempfile.mkdtemp(prefix="gridwright-web-"))
    parser.add_argument("--screenshots", help="also save the page after painting there")
    parser.add_argument("--device-scale", type=int, default=DEVICE_SCALE,
                        help="device pixels per CSS pixel (1 for screenshots at their size)")
    args = parser.parse_args()
    DEVICE_SCALE = args.device_scale
    return run_scenario(run, args, "end-to-end test")


if __name__ == "__main__":
    sys.exit(main())
