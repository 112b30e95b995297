#!/usr/bin/env python3
"""Draws the QOR application icon: an address card with a Q on its left and three lines of
writing on its right, under a blue title band.

Writes, next to this script:
  qor-16.png, qor-32.png, qor-256.png   anti-aliased RGBA, for Qt and the desktop icon theme
  qor.ico                               32x32 and 16x16, 16 colours with a transparency mask
  qor.svg                               the same drawing as vector shapes

Only the Python standard library is used, and the output is the same on every run, so the
generated files can be committed and regenerated without spurious differences.

    python3 res/icons/make_icons.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The drawing lives on a 32 x 32 grid; every size is that grid scaled.
GRID = 32.0
CARD = (1.5, 5.5, 30.5, 26.5)  # left, top, right, bottom
CARD_RADIUS = 3.5
BORDER = 1.5
BAND_BOTTOM = 10.5
Q_CENTRE = (10.5, 18.0)
Q_RADIUS = 5.0  # to the middle of the ring
Q_STROKE = 2.2
Q_TAIL = ((12.5, 20.0), (16.5, 24.5))
LINES = ((18.0, 14.0, 28.0), (18.0, 18.0, 28.0), (18.0, 22.0, 25.0))  # x0, y, x1
LINE_THICKNESS = 1.8

# At 16 pixels a grid unit is half a pixel: the card's edges and border move to whole pixels,
# and the three lines, which would run together, become two.
SMALL = dict(card=(2.0, 6.0, 30.0, 26.0), radius=3.0, border=2.0, band=10.0,
             lines=((19.0, 15.0, 25.0), (19.0, 21.0, 23.0)), thickness=2.0)
LARGE = dict(card=CARD, radius=CARD_RADIUS, border=BORDER, band=BAND_BOTTOM,
             lines=LINES, thickness=LINE_THICKNESS)

BLUE = (0x1F, 0x4E, 0x8C)
BAND = (0x3A, 0x76, 0xC4)
PAPER = (0xFB, 0xF7, 0xEC)
ORANGE = (0xD9, 0x53, 0x1E)
GREY = (0x6E, 0x7A, 0x8C)


def rounded_rect_distance(x, y, rect, radius):
    """Signed distance from (x, y) to a rounded rectangle: negative inside."""
    left, top, right, bottom = rect
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
    return outside + min(max(dx, dy), 0.0) - radius


def segment_distance(x, y, a, b):
    ax, ay = a
    bx, by = b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))


def colour_at(x, y, shape):
    """The drawing's colour at a grid point, or None where it is transparent."""
    edge = rounded_rect_distance(x, y, shape["card"], shape["radius"])
    if edge > 0:
        return None
    if edge > -shape["border"]:
        return BLUE
    ring = abs(math.hypot(x - Q_CENTRE[0], y - Q_CENTRE[1]) - Q_RADIUS)
    if ring < Q_STROKE / 2 or segment_distance(x, y, *Q_TAIL) < Q_STROKE / 2:
        return ORANGE
    if y < shape["band"]:
        return BAND
    for x0, ly, x1 in shape["lines"]:
        if segment_distance(x, y, (x0, ly), (x1, ly)) < shape["thickness"] / 2:
            return GREY
    return PAPER


def render(size, samples=8):
    """The icon at `size` pixels square as rows of (r, g, b, a), each pixel averaged over
    samples x samples points."""
    scale = GRID / size
    shape = SMALL if size <= 16 else LARGE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale, shape)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        covered += 1
            if covered:
                row.append((round(r / covered), round(g / covered), round(b / covered),
                            round(255 * covered / (samples * samples))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png_bytes(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\x00" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def distance2(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b))


def sixteen_colours(rows):
    """A 16-colour palette for the opaque pixels: the drawing's own colours first, then the
    anti-aliasing shades that would otherwise be mapped worst."""
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    palette = [BLUE, BAND, PAPER, ORANGE, GREY]
    while len(palette) < 16:
        worst, cost = None, 0
        for colour, n in sorted(counts.items()):
            c = n * min(distance2(colour, p) for p in palette)
            if c > cost:
                worst, cost = colour, c
        if worst is None:
            break
        palette.append(worst)
    while len(palette) < 16:
        palette.append((0, 0, 0))
    return palette


def ico_image(rows):
    """One 4-bit icon image: header, palette, colour bits and the 1-bit transparency mask,
    both bottom-up."""
    size = len(rows)
    palette = sixteen_colours(rows)
    colour_stride = ((size * 4 + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    colour_bits = bytearray()
    mask_bits = bytearray()
    for row in reversed(rows):
        indices = []
        mask = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            if a < 128:
                indices.append(0)
                mask[x // 8] |= 0x80 >> (x % 8)
            else:
                indices.append(min(range(16), key=lambda i: distance2((r, g, b), palette[i])))
        line = bytearray(colour_stride)
        for x, index in enumerate(indices):
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour_bits += line
        mask_bits += mask
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour_bits) + len(mask_bits), 0, 0, 16, 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + bytes(colour_bits) + bytes(mask_bits)


def ico_bytes(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for size, image in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
        data += image
    return directory + entries + data


def svg_text():
    def hexcolour(c):
        return "#%02x%02x%02x" % c

    left, top, right, bottom = CARD
    il, it, ir, ib = left + BORDER, top + BORDER, right - BORDER, bottom - BORDER
    r = CARD_RADIUS - BORDER
    # The band is the top of the card's inside: a rectangle with its upper corners rounded.
    band = (f"M{il},{BAND_BOTTOM} V{it + r} A{r},{r} 0 0 1 {il + r},{it} H{ir - r} "
            f"A{r},{r} 0 0 1 {ir},{it + r} V{BAND_BOTTOM} Z")
    lines = "\n".join(
        f'  <line x1="{x0}" y1="{y}" x2="{x1}" y2="{y}" stroke="{hexcolour(GREY)}" '
        f'stroke-width="{LINE_THICKNESS}" stroke-linecap="round"/>' for x0, y, x1 in LINES)
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">
  <title>QOR</title>
  <rect x="{left}" y="{top}" width="{right - left}" height="{bottom - top}" rx="{CARD_RADIUS}" fill="{hexcolour(BLUE)}"/>
  <rect x="{il}" y="{it}" width="{ir - il}" height="{ib - it}" rx="{r}" fill="{hexcolour(PAPER)}"/>
  <path d="{band}" fill="{hexcolour(BAND)}"/>
{lines}
  <circle cx="{Q_CENTRE[0]}" cy="{Q_CENTRE[1]}" r="{Q_RADIUS}" fill="none" stroke="{hexcolour(ORANGE)}" stroke-width="{Q_STROKE}"/>
  <line x1="{Q_TAIL[0][0]}" y1="{Q_TAIL[0][1]}" x2="{Q_TAIL[1][0]}" y2="{Q_TAIL[1][1]}" stroke="{hexcolour(ORANGE)}" stroke-width="{Q_STROKE}"/>
</svg>
"""


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


def main():
    images = {size: render(size) for size in (16, 32, 256)}
    for size, rows in images.items():
        write(f"qor-{size}.png", png_bytes(rows))
    write("qor.ico", ico_bytes([(32, ico_image(images[32])), (16, ico_image(images[16]))]))
    write("qor.svg", svg_text().encode("ascii"))


if __name__ == "__main__":
    main()
