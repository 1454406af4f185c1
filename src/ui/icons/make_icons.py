#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws the window icon, the six picture-button icons and the pointer cursor, and writes them as
classic Windows ICO/CUR files (BITMAPINFOHEADER images with an AND mask, no PNG inside).

The pictures stand on the window's black background, so every symbol uses bright colours and
leaves its background transparent through the mask.  Run it from anywhere; it writes next to itself.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Each pixel is averaged over SUPERSAMPLE x SUPERSAMPLE samples; a pixel is opaque when at least
# half of its samples fall on the symbol.
SUPERSAMPLE = 6

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def adaptive_palette(pixels, limit=256):
    """The colours a picture uses, coarsened step by step until at most `limit` remain."""
    colours = {p for row in pixels for p in row if p is not None}
    step = 1
    while True:
        coarse = sorted({tuple(min(255, round(c / step) * step) for c in p) for p in colours})
        if len(coarse) <= limit - 1:
            return [(0, 0, 0)] + coarse + [(0, 0, 0)] * (limit - 1 - len(coarse))
        step += 1


# ---------------------------------------------------------------------------------------------
# Shapes in unit coordinates: x to the right, y downwards, the picture spans 0..1 on both axes.


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring_arc(cx, cy, r, width, start_deg, end_deg):
    """Part of a ring, angles in degrees measured clockwise on screen from the +x axis."""

    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        if start_deg <= end_deg:
            return start_deg <= angle <= end_deg
        return angle >= start_deg or angle <= end_deg

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                result = not result
        return result

    return inside


def regular_polygon(cx, cy, r, sides, rotation_deg):
    return polygon([(cx + r * math.cos(math.radians(rotation_deg + 360 * i / sides)),
                     cy + r * math.sin(math.radians(rotation_deg + 360 * i / sides))) for i in range(sides)])


def stroke(points, width):
    """A polyline of the given width with round joints and ends."""

    def dist_to_segment(x, y, a, b):
        (xa, ya), (xb, yb) = a, b
        dx, dy = xb - xa, yb - ya
        t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - xa - t * dx, y - ya - t * dy)

    segments = list(zip(points, points[1:]))
    return lambda x, y: any(dist_to_segment(x, y, a, b) <= width / 2 for a, b in segments)


def vertical(top, bottom):
    """A colour that runs from `top` at y=0 to `bottom` at y=1."""
    return lambda x, y: tuple(round(t + (b - t) * y) for t, b in zip(top, bottom))


# ---------------------------------------------------------------------------------------------
# Rendering


def render(layers, size, blend):
    """Paints the layers (shape, colour) in order; the last layer that holds a point wins.

    Returns rows of (r, g, b) or None for transparent pixels.  With blend=False an edge pixel takes
    the colour most of its samples have (for the 16-colour pictures, which cannot mix colours).
    """
    rows = []
    step = 1.0 / (size * SUPERSAMPLE)
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px * SUPERSAMPLE + sx + 0.5) * step
                    y = (py * SUPERSAMPLE + sy + 0.5) * step
                    colour = None
                    for shape, paint in layers:
                        if shape(x, y):
                            colour = paint(x, y) if callable(paint) else paint
                    if colour is not None:
                        samples.append(colour)
            if len(samples) * 2 < SUPERSAMPLE * SUPERSAMPLE:
                row.append(None)
            elif blend:
                row.append(tuple(round(sum(c[i] for c in samples) / len(samples)) for i in range(3)))
            else:
                row.append(max(set(samples), key=samples.count))
        rows.append(row)
    return rows


def from_art(art, colours):
    """Pixel art: one string per row, one character per pixel, '.' transparent."""
    return [[None if ch == "." else colours[ch] for ch in line] for line in art]


# ---------------------------------------------------------------------------------------------
# ICO / CUR writing


def nearest(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def and_mask(pixels):
    size = len(pixels[0])
    out = b""
    for row in reversed(pixels):
        bits = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def colour_rows(pixels, bpp, palette):
    out = b""
    if bpp == 24:
        for row in reversed(pixels):
            out += padded(b"".join(bytes((0, 0, 0)) if p is None else bytes((p[2], p[1], p[0])) for p in row))
        return out
    cache = {}
    for row in reversed(pixels):
        indices = [0 if p is None else cache.setdefault(p, nearest(palette, p)) for p in row]
        if bpp == 4:
            packed = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
        else:
            packed = bytes(indices)
        out += padded(packed)
    return out


def dib(pixels, bpp):
    """One icon image: BITMAPINFOHEADER (height doubled for the mask), palette, colours, mask."""
    size = len(pixels)
    palette = VGA16 if bpp == 4 else adaptive_palette(pixels) if bpp == 8 else []
    body = colour_rows(pixels, bpp, palette) + and_mask(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(body), 0, 0, 0, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + body


def icon_file(images, hotspot=None):
    """images: list of (pixels, bpp).  A hotspot (x, y) makes it a cursor file."""
    kind = 1 if hotspot is None else 2
    blobs = [dib(pixels, bpp) for pixels, bpp in images]
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for (pixels, bpp), blob in zip(images, blobs):
        size = len(pixels)
        colours = 16 if bpp == 4 else 0
        field1, field2 = (1, bpp) if hotspot is None else hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, field1, field2, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


# ---------------------------------------------------------------------------------------------
# The symbols


def landscape():
    """Window and tray icon: a framed picture of a sun over green hills."""
    return [
        (rect(0.03, 0.12, 0.97, 0.88), (255, 255, 0)),
        (rect(0.12, 0.22, 0.88, 0.78), (0, 0, 255)),
        (disc(0.66, 0.38, 0.10), (255, 255, 0)),
        (lambda x, y: 0.12 <= x <= 0.88 and y <= 0.78 and y >= 0.60 + 0.8 * (x - 0.34) ** 2, (0, 128, 0)),
        (lambda x, y: 0.12 <= x <= 0.88 and y <= 0.78 and y >= 0.64 + 0.9 * (x - 0.70) ** 2, (0, 255, 0)),
    ]


def check_mark(size):
    path = [(0.14, 0.52), (0.40, 0.78), (0.86, 0.22)]
    layers = [(stroke(path, 0.26), (0, 140, 0))] if size >= 32 else []
    return layers + [(stroke(path, 0.17), vertical((140, 255, 120), (0, 200, 40)))]


def exit_cross():
    cross = [(0.31, 0.31), (0.69, 0.69)], [(0.69, 0.31), (0.31, 0.69)]
    return [
        (disc(0.5, 0.5, 0.48), vertical((255, 90, 80), (200, 0, 0))),
        (lambda x, y: stroke(cross[0], 0.14)(x, y) or stroke(cross[1], 0.14)(x, y), (255, 255, 255)),
    ]


def minimise_arrow():
    return [
        (rect(0.38, 0.06, 0.62, 0.42), vertical((120, 255, 255), (0, 200, 255))),
        (polygon([(0.14, 0.40), (0.86, 0.40), (0.5, 0.76)]), vertical((120, 255, 255), (0, 200, 255))),
        (rect(0.10, 0.82, 0.90, 0.95), (255, 255, 255)),
    ]


def question_mark(size):
    width = 0.17 if size <= 16 else 0.14
    return [
        (disc(0.5, 0.5, 0.49), vertical((90, 170, 255), (20, 90, 230))),
        (ring_arc(0.5, 0.36, 0.17, width, 180, 70), (255, 255, 255)),
        (stroke([(0.5 + 0.17 * math.cos(math.radians(70)), 0.36 + 0.17 * math.sin(math.radians(70))),
                 (0.5, 0.58), (0.5, 0.63)], width), (255, 255, 255)),
        (disc(0.5, 0.80, width * 0.62), (255, 255, 255)),
    ]


def next_arrows():
    paint = vertical((255, 255, 120), (255, 190, 0))
    return [
        (polygon([(0.06, 0.14), (0.50, 0.50), (0.06, 0.86)]), paint),
        (polygon([(0.48, 0.14), (0.94, 0.50), (0.48, 0.86)]), paint),
    ]


def stop_sign():
    return [
        (regular_polygon(0.5, 0.5, 0.52, 8, 22.5), (255, 255, 255)),
        (regular_polygon(0.5, 0.5, 0.42, 8, 22.5), (255, 0, 0)),
    ]


def pointing_hand():
    """A white hand with a black outline, the index finger pointing up; its tip is the hot spot."""
    fill = set()

    def block(x0, y0, x1, y1):
        fill.update((x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1))

    block(11, 1, 14, 14)  # index finger
    block(16, 9, 18, 14)  # middle finger
    block(20, 10, 22, 14)  # ring finger
    block(24, 11, 26, 16)  # little finger
    block(15, 10, 15, 14)
    block(19, 11, 19, 14)
    block(23, 12, 23, 16)
    block(11, 13, 26, 23)  # palm
    block(5, 14, 7, 16)  # thumb, bending into the palm
    block(6, 17, 9, 19)
    block(8, 19, 10, 22)
    block(10, 20, 11, 23)
    block(12, 24, 25, 27)  # wrist
    for corner in [(11, 1), (14, 1), (16, 9), (18, 9), (20, 10), (22, 10), (24, 11), (26, 11), (5, 14)]:
        fill.discard(corner)
    # The creases between the folded fingers stay black.
    crease = {(15, y) for y in range(10, 14)} | {(19, y) for y in range(11, 14)} | {(23, y) for y in range(12, 15)}
    fill -= crease
    art = []
    for y in range(32):
        line = ""
        for x in range(32):
            near = any((x + dx, y + dy) in fill for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            line += "W" if (x, y) in fill else ("K" if near or (x, y) in crease else ".")
        art.append(line)
    return from_art(art, {"W": (255, 255, 255), "K": (0, 0, 0)})


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
    print(f"{name}: {len(data)} bytes")


def main():
    write("quorlen.ico", icon_file([(render(landscape(), 32, blend=False), 4)]))
    write("apply.ico", icon_file([(render(check_mark(s), s, blend=True), 8) for s in (48, 32, 16)]))
    write("exit.ico", icon_file([(render(exit_cross(), s, blend=True), 24) for s in (32, 16, 48)]))
    write("hide.ico", icon_file([(render(minimise_arrow(), s, blend=True), 24) for s in (32, 16)]))
    write("about.ico", icon_file([(render(question_mark(s), s, blend=True), 8) for s in (16, 32, 48)]))
    write("next.ico", icon_file([(render(next_arrows(), s, blend=True), 24) for s in (16, 32)]))
    write("stop.ico", icon_file([(render(stop_sign(), s, blend=False), 4) for s in (32, 16)]))
    write("pointer.cur", icon_file([(pointing_hand(), 4)], hotspot=(12, 1)))


if __name__ == "__main__":
    main()
