#!/usr/bin/python3
"""Draws the progress window's three pictures and writes them as GIF files beside this script.

    component/art/make_progress_art.py

header.gif (358 x 58): the Updara mark (a blue tile with an arrow coming down into a tray) and
the word "Updara", on the window's band grey; highlight.gif (77 x 1): the glow that sweeps under
the word while a file arrives; separator.gif (358 x 2): an etched grey line. Everything is drawn
here from geometry, anti-aliased by 4 x 4 samples per pixel, so the files can be made again
exactly; they are committed, and the DLL carries them as GIF resources.
"""
import math
import os
import struct

BAND = (240, 240, 240)
INK = (38, 50, 66)
BLUE_TOP, BLUE_BOTTOM = (70, 146, 222), (26, 88, 166)
GLOW = (30, 126, 222)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# ---- geometry ----

def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def arc(cx, cy, rx, ry, a0, a1, steps=24):
    """Points of an elliptic arc, angles in degrees, 0 to the right, counter-clockwise upwards."""
    return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
             cy - ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]


class Strokes:
    """Polylines drawn with a round pen."""
    def __init__(self, width):
        self.half = width / 2
        self.segments = []

    def line(self, points):
        self.segments += [(*points[i], *points[i + 1]) for i in range(len(points) - 1)]

    def cover(self, x, y):
        return any(seg_dist(x, y, *s) <= self.half for s in self.segments)


def word_strokes(left, base, x_height, ascender, descender, pen):
    """"Updara" in a geometric sans: round bowls, straight stems."""
    s = Strokes(pen)
    top, asc, desc = base - x_height, base - ascender, base + descender
    r = x_height / 2
    x = left
    # U
    w = ascender * 0.62
    s.line([(x, asc)] + arc(x + w / 2, base - w / 2, w / 2, w / 2, 180, 360) + [(x + w, asc)])
    x += w + pen * 2.4
    # p
    s.line([(x, top), (x, desc)])
    s.line(arc(x + r, base - r, r, r, 0, 360, 40))
    x += 2 * r + pen * 2.4
    # d
    s.line(arc(x + r, base - r, r, r, 0, 360, 40))
    s.line([(x + 2 * r, asc), (x + 2 * r, base)])
    x += 2 * r + pen * 2.4
    for letter in "ara":
        if letter == "a":
            s.line(arc(x + r, base - r, r, r, 0, 360, 40))
            s.line([(x + 2 * r, top), (x + 2 * r, base)])
            x += 2 * r + pen * 2.4
        else:
            s.line([(x, top), (x, base)])
            s.line(arc(x + r * 0.95, base - r, r * 0.95, r, 180, 60, 16))
            x += r * 1.5 + pen * 2.0
    return s


def rounded_square(x, y, left, top, size, radius):
    cx = min(max(x, left + radius), left + size - radius)
    cy = min(max(y, top + radius), top + size - radius)
    return math.hypot(x - cx, y - cy) <= radius


def draw(width, height, paint, samples=4):
    """Each pixel is the average of paint() over a grid of sample points inside it."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            acc = [0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = paint(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples)
                    for i in range(3):
                        acc[i] += c[i]
            row.append(tuple(round(a / samples / samples) for a in acc))
        rows.append(row)
    return rows


def header():
    tile_left, tile_top, tile = 24, 9, 40
    arrow = Strokes(4.2)
    cx = tile_left + tile / 2
    arrow.line([(cx, tile_top + 9), (cx, tile_top + 25)])
    arrow.line([(cx - 7.5, tile_top + 18), (cx, tile_top + 25.5), (cx + 7.5, tile_top + 18)])
    tray = Strokes(3.4)
    tray.line([(tile_left + 9, tile_top + 24), (tile_left + 9, tile_top + 31), (tile_left + tile - 9, tile_top + 31),
               (tile_left + tile - 9, tile_top + 24)])
    word = word_strokes(left=86, base=36, x_height=15, ascender=22, descender=6, pen=3.4)

    def paint(x, y):
        if rounded_square(x, y, tile_left, tile_top, tile, 9):
            if arrow.cover(x, y) or tray.cover(x, y):
                return (255, 255, 255)
            return mix(BLUE_TOP, BLUE_BOTTOM, (y - tile_top) / tile)
        if word.cover(x, y):
            return INK
        return BAND
    return draw(358, 58, paint)


def highlight():
    # A glow that fades into the band grey at both ends.
    return [[mix(BAND, GLOW, math.sin(math.pi * (x + 0.5) / 77) ** 2) for x in range(77)]]


def separator():
    return [[(160, 160, 160)] * 358, [(255, 255, 255)] * 358]


# ---- GIF ----

def palette_of(rows):
    """The picture's colours, fewer bits per channel until at most 256 remain."""
    for bits in range(8, 2, -1):
        drop = 8 - bits
        def quant(c):
            return tuple(min(255, (v >> drop << drop) + ((1 << drop) >> 1)) if drop else v for v in c)
        colours = sorted({quant(c) for row in rows for c in row})
        if len(colours) <= 256:
            index = {c: i for i, c in enumerate(colours)}
            return colours, [[index[quant(c)] for c in row] for row in rows]
    raise ValueError("too many colours")


def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, bitbuf, nbits = bytearray(), 0, 0

    def emit(code, size):
        nonlocal bitbuf, nbits
        bitbuf |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bitbuf & 0xFF)
            bitbuf >>= 8
            nbits -= 8

    size = min_size + 1
    table = {(i,): i for i in range(clear)}
    emit(clear, size)
    prefix = ()
    for k in indices:
        word = prefix + (k,)
        if word in table:
            prefix = word
            continue
        emit(table[prefix], size)
        next_code = len(table) + 2
        if next_code < 4096:
            table[word] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table = {(i,): i for i in range(clear)}
            size = min_size + 1
        prefix = (k,)
    if prefix:
        emit(table[prefix], size)
    emit(end, size)
    if nbits:
        out.append(bitbuf & 0xFF)
    return bytes(out)


def write_gif(path, rows):
    colours, pixels = palette_of(rows)
    depth = max(1, (len(colours) - 1).bit_length())
    colours += [(0, 0, 0)] * ((1 << depth) - len(colours))
    height, width = len(rows), len(rows[0])
    data = bytearray(b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | (depth - 1), 0, 0))
    for c in colours:
        data += bytes(c)
    data += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_size = max(2, depth)
    code = lzw([i for row in pixels for i in row], min_size)
    data.append(min_size)
    for i in range(0, len(code), 255):
        chunk = code[i:i + 255]
        data += bytes([len(chunk)]) + chunk
    data += b"\x00;"
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, rows in (("header.gif", header()), ("highlight.gif", highlight()), ("separator.gif", separator())):
        write_gif(os.path.join(here, name), rows)


if __name__ == "__main__":
    main()
