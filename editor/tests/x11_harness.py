"""What the end-to-end tests of both front ends share: a private Xvfb display driven with xdotool,
window pictures read back from xwd, the palette as the surface shows it, the surface's layout and
the map file's. Standard library only, so that the tests need nothing beyond the X tools.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zlib

# The surface: 80 x 25 cells of 10 x 18 pixels. The board fills its top left 32 x 24 cells, the
# glyph table's 16 x 16 glyphs start at cell (41, 5), the colour row's 16 colours at (41, 3).
SURFACE_W, SURFACE_H = 800, 450
CELL_W, CELL_H = 10, 18
BOARD_W, BOARD_H = 32, 24
# A level in the map file: the board row by row, each cell its glyph and then its colour * 16.
LEVEL_BYTES = BOARD_W * BOARD_H * 2

FULL_BLOCK, SMILEY = 219, 1
PALETTE = [(1, 0, 0), (0, 0, 144), (0, 144, 0), (0, 144, 144), (144, 0, 0), (144, 0, 160),
           (144, 104, 0), (192, 192, 192), (128, 128, 128), (96, 96, 255), (96, 255, 96),
           (96, 255, 255), (255, 96, 96), (255, 128, 255), (255, 255, 0), (255, 255, 255)]
CAPTION = "QUORIX Map Editor"
# A screen that holds a window with the surface at the largest zoom, 4x, and a menu bar above it.
ZOOM_SCREEN = "3300x2000"
# The editor's input boxes and messages carry the program's name as their caption.
BOX_NAME = "^gridwright$"


# Characters beyond ASCII that the tests type into file names, as X keysym names.
TYPED_BEYOND_ASCII = ("ssharp", "adiaeresis", "odiaeresis", "udiaeresis")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def caption_with(name):
    """The main window's caption while it edits the map file of that name."""
    return f"{CAPTION} - {name}"


def colour(index, brightness=1.0):
    """A palette colour as the editor shows it: each component times the brightness in single
    precision, above 255 cut to 255, else rounded half to even."""
    def scale(c):
        product = struct.unpack("f", struct.pack("f", c * brightness))[0]
        return 255 if product > 255 else round(product)
    return tuple(scale(c) for c in PALETTE[index])


def glyph_cell(glyph):
    """The glyph table's cell that shows a glyph."""
    return 41 + glyph % 16, 5 + glyph // 16


def colour_cell(index):
    """The colour row's cell of a palette colour."""
    return 41 + index, 3


def wait_until(what, probe, timeout=10.0, interval=0.02):
    """Polls probe() until it returns something true; returns that, or fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def cell_offset(x, y, level=0):
    """Where board cell (x, y) of a level starts in the map file."""
    return level * LEVEL_BYTES + (y * BOARD_W + x) * 2


class Level:
    """The expected bytes of one level."""

    def __init__(self, data=None):
        self.data = bytearray(data if data is not None else LEVEL_BYTES)

    def set(self, x, y, glyph, colour_index):
        self.put(x, y, glyph, colour_index * 16)

    def put(self, x, y, glyph, colour_byte):
        """Sets a cell's two bytes as they stand in the file, low colour bits and all."""
        offset = cell_offset(x, y)
        self.data[offset:offset + 2] = bytes([glyph, colour_byte])


def room_levels():
    """The desktop and page scenarios' map. Level 0: a framed room with a few glyphs; level 1:
    two corner blocks."""
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
    return level0, level1


def level_bytes(path, level):
    return path.read_bytes()[cell_offset(0, 0, level):cell_offset(0, 0, level + 1)]


def cell_centre(origin, column, row, zoom=1):
    """The middle of a surface cell, in the window, for a surface whose top left is at origin and
    whose every pixel shows as zoom x zoom device pixels."""
    return (origin[0] + (column * CELL_W + CELL_W // 2) * zoom,
            origin[1] + (row * CELL_H + CELL_H // 2) * zoom)


# The same presses at every zoom, in surface pixels, each on the first or the last pixel of its
# cell, where a position rounded rather than floored lands in the neighbouring cell: picks from
# the glyph table and the colour row with the left and right buttons, single cells (one of them
# the board's last pixel), a press on the border that paints nothing, a Shift rectangle and a
# drag: ("press", x, y, button), ("drag", x, y, to x, to y, button), ("hold", key) and
# ("let go", key). A move over the board without a key clears the rectangle's anchor, so Shift
# stays down from the anchor to the corner.
ZOOM_PLAN = [
    ("press", 529, 341, 1),     # glyph table (52, 18): full block, left
    ("press", 530, 54, 1),      # colour row (53, 3): colour 12, left
    ("press", 429, 90, 3),      # glyph table (42, 5): smiley, right
    ("press", 559, 71, 3),      # colour row (55, 3): colour 14, right
    ("press", 159, 53, 1),      # cell (15, 2), its last pixel
    ("press", 160, 54, 1),      # cell (16, 3), its first pixel
    ("press", 319, 431, 3),     # cell (31, 23), the board's last pixel
    ("press", 320, 100, 1),     # the border column: nothing
    ("hold", "shift"),
    ("press", 40, 180, 1),      # anchor (4, 10)
    ("press", 79, 233, 1),      # fill (4, 10) to (7, 12)
    ("let go", "shift"),
    ("drag", 200, 306, 229, 323, 1),   # cells (20, 17) and (22, 17)
]


def zoom_plan_edits(level):
    """What ZOOM_PLAN does to a level, as a 1x run does it."""
    level.set(15, 2, FULL_BLOCK, 12)
    level.set(16, 3, FULL_BLOCK, 12)
    level.set(31, 23, SMILEY, 14)
    for column in range(4, 8):
        for row in range(10, 13):
            level.set(column, row, FULL_BLOCK, 12)
    level.set(20, 17, FULL_BLOCK, 12)
    level.set(22, 17, FULL_BLOCK, 12)


# Cells whose colours show that ZOOM_PLAN has been drawn: full blocks of colour 12, the right
# button's yellow smiley on black and the brushes' legend.
ZOOM_PLAN_SHOWN = {(15, 2): {12}, (16, 3): {12}, (4, 10): {12}, (7, 12): {12}, (20, 17): {12},
                   (22, 17): {12}, (31, 23): {0, 14}, (35, 0): {12}, (41, 0): {0, 14}}


def zoom_plan_shown(shot, origin, zoom=1):
    """Whether a picture of the surface shows ZOOM_PLAN drawn."""
    return all(set(shot.cell(origin, column, row, zoom)) == {colour(i) for i in colours}
               for (column, row), colours in ZOOM_PLAN_SHOWN.items())


def device_point(origin, zoom, x, y):
    """The device pixel, in the window, that shows surface pixel (x, y): of its zoom x zoom block
    the one nearest to the next cell when the pixel is its cell's last, else the block's first."""
    def place(value, cell):
        return value * zoom + (zoom - 1 if value % cell == cell - 1 else 0)
    return origin[0] + place(x, CELL_W), origin[1] + place(y, CELL_H)


def play_zoom_plan(x, window, origin, zoom):
    """Presses and drags ZOOM_PLAN on a surface at `zoom`. The X server stamps every event with the
    keys and buttons held, so the program may take them later without mixing them up."""
    def move(sx, sy):
        x.xdotool("mousemove", "--window", window, "--sync", *device_point(origin, zoom, sx, sy))
    for kind, *values in ZOOM_PLAN:
        if kind == "press":
            move(*values[:2])
            x.xdotool("click", values[2])
        elif kind == "drag":
            move(*values[:2])
            x.xdotool("mousedown", values[4])
            move(*values[2:4])
            x.xdotool("mouseup", values[4])
        else:
            x.xdotool("keydown" if kind == "hold" else "keyup", values[0])


def wait_zoomed_capture(capture, zoomed_origin, zoom, plain, plain_origin, timeout=20.0):
    """Waits until every surface pixel of a capture() is a zoom x zoom block of the plain
    capture's colour of that pixel (the program may still be drawing); fails naming the last
    difference."""
    last = []

    def matches():
        try:
            check_zoomed_capture(capture(), zoomed_origin, zoom, plain, plain_origin)
            return True
        except Failure as failure:
            last[:] = [failure]
            return False
    try:
        wait_until(f"the picture at {zoom}x", matches, timeout, interval=0.2)
    except Failure:
        raise last[0] from None


def check_zoomed_capture(zoomed, zoomed_origin, zoom, plain, plain_origin):
    """Every surface pixel of the zoomed capture is a zoom x zoom block of the plain capture's
    colour of that pixel. Rows are compared whole, as numbers, without the pixels' unused bits."""
    colour_bits = sum(mask for mask, _ in plain.masks)
    row_mask = int.from_bytes(struct.pack(plain.order + "I", colour_bits) * SURFACE_W * zoom,
                              "little")
    for y in range(SURFACE_H):
        start = (plain_origin[1] + y) * plain.stride + plain_origin[0] * 4
        row = plain.data[start:start + SURFACE_W * 4]
        blocks = b"".join(row[i:i + 4] * zoom for i in range(0, len(row), 4))
        blocks = int.from_bytes(blocks, "little") & row_mask
        for j in range(zoom):
            start = (zoomed_origin[1] + y * zoom + j) * zoomed.stride + zoomed_origin[0] * 4
            seen = zoomed.data[start:start + SURFACE_W * zoom * 4]
            if int.from_bytes(seen, "little") & row_mask == blocks:
                continue
            for sx in range(SURFACE_W):
                for i in range(zoom):
                    seen = zoomed.pixel(zoomed_origin[0] + sx * zoom + i,
                                        zoomed_origin[1] + y * zoom + j)
                    want = plain.pixel(plain_origin[0] + sx, plain_origin[1] + y)
                    check(seen == want, f"at {zoom}x, device pixel ({sx * zoom + i}, "
                                        f"{y * zoom + j}) of surface pixel ({sx}, {y}) shows "
                                        f"{seen}, not its 1x colour {want}")
            raise Failure(f"at {zoom}x, row {y * zoom + j} differs from the 1x capture")


class Screenshot:
    """A window's pixels, read from xwd's ZPixmap dump at 32 bits per pixel."""

    def __init__(self, raw):
        header = struct.unpack(">25I", raw[:100])
        (header_size, _version, pixmap_format, _depth, width, height, _xoffset, byte_order,
         _unit, _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask,
         blue_mask, _bits_rgb, _entries, ncolours) = header[:20]
        if pixmap_format != 2 or bits_per_pixel != 32:
            raise Failure(f"unexpected xwd format {pixmap_format}/{bits_per_pixel} bpp")
        self.width, self.height, self.stride = width, height, bytes_per_line
        start = header_size + 12 * ncolours
        self.data = raw[start:start + bytes_per_line * height]
        check(len(self.data) == bytes_per_line * height, "xwd's picture is cut short")
        self.order = "<" if byte_order == 0 else ">"
        self.masks = [(m, (m & -m).bit_length() - 1) for m in (red_mask, green_mask, blue_mask)]

    def pixel(self, x, y):
        (value,) = struct.unpack_from(self.order + "I", self.data, y * self.stride + x * 4)
        return tuple((value & mask) >> shift for mask, shift in self.masks)

    def cell(self, origin, column, row, zoom=1):
        """The 180 pixels of a surface cell, row by row (of each zoom x zoom block, its first)."""
        x0, y0 = origin[0] + column * CELL_W * zoom, origin[1] + row * CELL_H * zoom
        return [self.pixel(x0 + i * zoom, y0 + j * zoom)
                for j in range(CELL_H) for i in range(CELL_W)]

    def save_png(self, path):
        """Writes the picture as an 8-bit RGB PNG."""
        rows = b"".join(
            b"\0" + b"".join(bytes(self.pixel(x, y)) for x in range(self.width))
            for y in range(self.height))

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
        with open(path, "wb") as png:
            png.write(b"\x89PNG\r\n\x1a\n"
                      + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height,
                                                   8, 2, 0, 0, 0))
                      + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def surface_picture(shot, origin):
    """The surface's pixels in a window picture at 1x, with its top left at origin: RGB bytes,
    row by row, as the core's pictures hold them."""
    (red, rs), (green, gs), (blue, bs) = shot.masks
    row = struct.Struct(f"{shot.order}{SURFACE_W}I")
    out = bytearray()
    for y in range(SURFACE_H):
        for value in row.unpack_from(shot.data, (origin[1] + y) * shot.stride + origin[0] * 4):
            out += bytes(((value & red) >> rs, (value & green) >> gs, (value & blue) >> bs))
    return bytes(out)


def core_rendering(replay, folder, command_line, events, picture):
    """What the core shows after the events, without a window: the host build's replay_events
    runs them in `folder`, which holds the map files as the program had them at its start, and
    writes the surface to `picture` (a PPM). Returns the surface's RGB bytes, row by row."""
    script = picture.with_suffix(".events")
    script.write_text("\n".join([*events, f"picture {picture.resolve()}"]) + "\n")
    result = subprocess.run([os.path.abspath(replay), str(script.resolve()), command_line],
                            cwd=folder, capture_output=True, text=True, timeout=60)
    check(result.returncode == 0, f"replay_events failed: {result.stderr.strip()}")
    header = picture.read_bytes().split(b"\n", 3)
    check(header[:3] == [b"P6", f"{SURFACE_W} {SURFACE_H}".encode(), b"255"],
          f"{picture} is no PPM picture of the surface")
    return header[3]


def surface_difference(shown, expected):
    """None when both RGB pictures of the surface are equal, else what differs."""
    if shown == expected:
        return None
    if len(shown) != len(expected):
        return f"pictures of {len(shown)} and {len(expected)} bytes"
    differing = [i // 3 for i in range(0, len(shown), 3) if shown[i:i + 3] != expected[i:i + 3]]
    first = ", ".join(f"({p % SURFACE_W}, {p // SURFACE_W}) shows {tuple(shown[3 * p:3 * p + 3])} "
                      f"for {tuple(expected[3 * p:3 * p + 3])}" for p in differing[:4])
    return f"{len(differing)} pixels differ, first {first}"


def wait_surface(what, capture, expected, timeout=10.0):
    """Waits until the surface that capture() reads equals the expected picture (the program may
    still be drawing); fails naming the last difference."""
    last = []

    def equal():
        last[:] = [surface_difference(capture(), expected)]
        return last[0] is None
    try:
        wait_until(what, equal, timeout, interval=0.2)
    except Failure:
        raise Failure(f"{what}: {last[0]}") from None


class Display:
    """A private Xvfb display, and the X tools that act on it. `timeout` and `interval` are the
    defaults of wait() and the deadline of every tool run; `size` is the screen's, in pixels."""

    def __init__(self, timeout=10.0, interval=0.02, size="1024x768"):
        self.timeout, self.interval = timeout, interval
        # -displayfd: Xvfb picks a free display number and writes it down this pipe when ready.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.stop()
            raise Failure("Xvfb did not start")
        self.name = ":" + number
        # Everything started on this display sees it alone, never someone else's.
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("WAYLAND_DISPLAY", None)
        self._give_keys_to(TYPED_BEYOND_ASCII)

    def _give_keys_to(self, keysyms):
        """Puts keysyms on spare keycodes of the display's keyboard before any program starts.
        xdotool would otherwise map a missing character for the one key press and map it back at
        once; a program that reads the changed map late (Wine, under load) drops the character."""
        layout = self._run("xmodmap", ["-pke"])
        check(layout.returncode == 0, "xmodmap -pke failed")
        spare = [int(code) for code, rest in
                 re.findall(r"^keycode\s+(\d+) =(.*)$", layout.stdout.decode(), re.M)
                 if not rest.strip() and int(code) > 8]
        check(len(spare) >= len(keysyms), "too few spare keycodes for the typed characters")
        commands = [f"keycode {code} = {name} {name}" for code, name in zip(spare, keysyms)]
        result = self._run("xmodmap", [arg for c in commands for arg in ("-e", c)])
        check(result.returncode == 0, f"xmodmap failed: {result.stderr.decode(errors='replace')}")

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()

    def wait(self, what, probe, timeout=None):
        return wait_until(what, probe, timeout or self.timeout, self.interval)

    def _run(self, program, args):
        try:
            return subprocess.run([program, *map(str, args)], env=self.env, capture_output=True,
                                  timeout=self.timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{program} {' '.join(map(str, args))} did not finish") from None

    def xdotool(self, *args):
        """An action (pointer, keys, focus): failing is a test failure."""
        result = self._run("xdotool", args)
        if result.returncode != 0:
            raise Failure(f"xdotool {' '.join(map(str, args))} failed: "
                          f"{result.stderr.decode(errors='replace').strip()}")

    def query(self, *args):
        """A question to xdotool; empty when it finds nothing. Only the line end is cut off: a
        caption may end in a blank."""
        result = self._run("xdotool", args)
        return result.stdout.decode(errors="replace").rstrip("\n") if result.returncode == 0 else ""

    def visible_windows(self, pattern, by="--name"):
        return self.query("search", "--onlyvisible", by, pattern).split()

    def geometry(self, window):
        """X, Y, WIDTH, HEIGHT (and SCREEN, WINDOW) of a window."""
        values = {}
        for line in self.query("getwindowgeometry", "--shell", window).split():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values

    def caption(self, window):
        return self.query("getwindowname", window)

    def focus(self, window):
        # Without a window manager the X input focus is set directly.
        self.xdotool("windowfocus", "--sync", window)

    def shortcut(self, window, keys):
        self.focus(window)
        self.xdotool("key", keys)

    def screenshot(self, window):
        # The window's own picture: the root window's may come in another visual's format.
        result = self._run("xwd", ["-silent", "-id", window])
        check(result.returncode == 0, f"xwd of window {window} failed")
        return Screenshot(result.stdout)

    def answer_box(self, what, *keys, text=None, meanwhile=None):
        """Waits for the editor's modal box (input box or message), types text over its selected
        default answer and presses the keys, then waits for it to close. `meanwhile` runs while
        the box is open, before it takes the focus."""
        box = self.wait(what, lambda: self.visible_windows(BOX_NAME))
        if meanwhile is not None:
            meanwhile()
        self.focus(box[0])
        if text is not None:
            self.xdotool("type", "--delay", "20", text)
        self.xdotool("key", *keys)
        self.wait(f"{what} to close", lambda: not self.visible_windows(BOX_NAME))


def run_test(body, tools=()):
    """Runs body() once Xvfb, xdotool, xwd and the other tools are found; prints the outcome and
    returns the exit status."""
    for tool in ("Xvfb", "xdotool", "xwd", *tools):
        if shutil.which(tool) is None:
            print(f"{tool} is missing; scripts/deps.sh test installs it", file=sys.stderr)
            return 1
    started = time.monotonic()
    try:
        body()
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print(f"end-to-end test passed in {time.monotonic() - started:.1f} s")
    return 0
