#!/usr/bin/env python3
"""Draws the editor's icon: a corner of the editing surface (board cells in palette colours, the
light-shade border) on a dark tile, with a mouse pointer painting a cell. Writes gridwright-SIZE.png
for the usual icon sizes, supersampled from one 256 x 256 drawing. Standard library only."""
import struct
import sys
import zlib
from pathlib import Path

N = 256
BLACK = (1, 0, 0)
GREY = (192, 192, 192)        # colour 7
DARK = (128, 128, 128)        # colour 8
RED = (255, 96, 96)           # colour 12
YELLOW = (255, 255, 0)        # colour 14
GREEN = (96, 255, 96)         # colour 10
BLUE = (96, 96, 255)          # colour 9
CYAN = (96, 255, 255)         # colour 11
WHITE = (255, 255, 255)

CELL_W, CELL_H = 28, 50       # the surface's 10 x 18 cell, scaled
ORIGIN_X, ORIGIN_Y = 18, 24
# A little room of a level, one letter per cell: R/G/B/C full blocks, S smiley, H heart, . empty.
LEVEL = ["RRRRRRR",
         "R.S..HR",
         "GGGBBCC"]


def rounded_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x >= x1 or y < y0 or y >= y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def smiley(u, v):
    """u, v in [0, 1) inside the cell; True where the glyph is lit."""
    dx, dy = u - 0.5, (v - 0.5) * CELL_H / CELL_W
    d = dx * dx + dy * dy
    if d > 0.42 ** 2:
        return False
    for ex in (0.33, 0.67):
        if (u - ex) ** 2 + ((v - 0.40) * CELL_H / CELL_W) ** 2 < 0.075 ** 2:
            return False
    mouth = 0.2 < d ** 0.5 < 0.29 and dy > 0.12
    return not mouth


def heart(u, v):
    x, y = (u - 0.5) * 2.4, (0.45 - v) * 2.4 * CELL_H / CELL_W / 1.4
    return (x * x + y * y - 1) ** 3 - x * x * y ** 3 <= 0


def pointer(x, y):
    """The arrow pointer, tip at (176, 150): (outline, fill) membership."""
    pts = [(0, 0), (0, 68), (16, 54), (28, 80), (40, 74), (28, 50), (50, 50)]
    px, py = x - 176, y - 150

    def inside(poly, qx, qy):
        hit = False
        for i in range(len(poly)):
            (ax, ay), (bx, by) = poly[i], poly[i - 1]
            if (ay > qy) != (by > qy) and qx < (bx - ax) * (qy - ay) / (by - ay) + ax:
                hit = not hit
        return hit

    outline = any(inside(pts, px + ox, py + oy) for ox in (-5, 0, 5) for oy in (-5, 0, 5))
    return outline, inside(pts, px, py)


def colour_at(x, y):
    outline, fill = pointer(x, y)
    if fill:
        return WHITE
    if outline:
        return BLACK
    if not rounded_rect(x, y, 6, 6, 250, 250, 30):
        return None
    if not rounded_rect(x, y, 12, 12, 244, 244, 24):
        return DARK
    col = int((x - ORIGIN_X) // CELL_W)
    row = int((y - ORIGIN_Y) // CELL_H)
    u = (x - ORIGIN_X) % CELL_W / CELL_W
    v = (y - ORIGIN_Y) % CELL_H / CELL_H
    if x < ORIGIN_X or y < ORIGIN_Y:
        return BLACK
    if col == 7 and row <= 3 or row == 3 and col <= 7:
        # Light shade: grey dots on dark grey, as the surface's border glyph.
        return GREY if (x // 4 + 2 * (y // 4)) % 4 == 0 else DARK
    if col < 7 and row < 3:
        kind = LEVEL[row][col]
        if kind in "RGBC":
            return {"R": RED, "G": GREEN, "B": BLUE, "C": CYAN}[kind]
        if kind == "S" and smiley(u, v):
            return YELLOW
        if kind == "H" and heart(u, v):
            return RED
    return BLACK


def render():
    ss = 4  # supersampling per axis
    pixels = []
    for y in range(N):
        row = []
        for x in range(N):
            acc = [0, 0, 0, 0]
            for sy in range(ss):
                for sx in range(ss):
                    c = colour_at(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss)
                    if c is not None:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            a = acc[3]
            row.append((acc[0] // a, acc[1] // a, acc[2] // a, a * 255 // (ss * ss)) if a else (0, 0, 0, 0))
        pixels.append(row)
    return pixels


def downsample(pixels, size):
    f = N // size
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0
            for yy in range(y * f, y * f + f):
                for xx in range(x * f, x * f + f):
                    pr, pg, pb, pa = pixels[yy][xx]
                    r += pr * pa; g += pg * pa; b += pb * pa; a += pa
            row.append((r // a, g // a, b // a, a // (f * f)) if a else (0, 0, 0, 0))
        out.append(row)
    return out


def write_png(path, pixels):
    h, w = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    Path(path).write_bytes(png)


if __name__ == "__main__":
    out_dir = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    big = render()
    for size in (16, 32, 48, 64, 128, 256):
        write_png(out_dir / f"gridwright-{size}.png", big if size == N else downsample(big, size))
