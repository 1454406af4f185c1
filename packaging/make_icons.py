#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Makes the hicolor theme icons of the desktop entry from the program's window icon.

The window icon is a classic 32x32 Windows ICO; menus and launchers want PNG files at several
sizes.  Each size is scaled from the largest image in the ICO with nearest-neighbour sampling, so
the pixel art stays sharp instead of being blurred.  Only the Python standard library is used.

    packaging/make_icons.py           writes packaging/icons/quorlen-<N>.png
    packaging/make_icons.py --check   exits 1 when a committed PNG differs from what would be written
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, os.pardir, "src", "ui", "icons", "quorlen.ico")
OUTPUT_DIR = os.path.join(HERE, "icons")
SIZES = (16, 32, 48, 64, 128)
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class IconError(Exception):
    pass


def largest_entry(data):
    """The (offset, size) of the ICO directory entry with the most pixels."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1 or count == 0:
        raise IconError("not an ICO file")
    best = None
    for index in range(count):
        width, height, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * index)
        pixels = (width or 256) * (height or 256)
        if best is None or pixels > best[0]:
            best = (pixels, offset, size)
    return best[1], best[2]


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def palette_at(data, offset, count):
    """Palette entries are stored blue, green, red, unused."""
    return [(data[offset + 4 * i + 2], data[offset + 4 * i + 1], data[offset + 4 * i]) for i in range(count)]


def sample(row, x, bits):
    if bits == 1:
        return (row[x // 8] >> (7 - x % 8)) & 1
    if bits == 4:
        return (row[x // 2] >> (4 if x % 2 == 0 else 0)) & 0x0F
    return row[x]


def decode_bitmap(data):
    """Decodes one BITMAPINFOHEADER image of an ICO into rows of (r, g, b, a), top row first."""
    header_size, width, double_height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 0)
    used_colours = struct.unpack_from("<I", data, 32)[0]
    if data[:8] == PNG_SIGNATURE:
        raise IconError("PNG images inside the ICO are not handled")
    if header_size < 40 or planes != 1 or compression != 0 or bits not in (1, 4, 8, 24, 32):
        raise IconError("unsupported bitmap: %d bits per pixel, compression %d" % (bits, compression))
    height = double_height // 2
    palette_count = (used_colours or (1 << bits)) if bits <= 8 else 0
    palette = palette_at(data, header_size, palette_count)
    colour_start = header_size + 4 * palette_count
    colour_stride = row_stride(width, bits)
    mask_start = colour_start + colour_stride * height
    mask_stride = row_stride(width, 1)
    rows = []
    for y in range(height):
        stored = height - 1 - y  # bitmaps are stored bottom row first
        colour_row = data[colour_start + stored * colour_stride : colour_start + (stored + 1) * colour_stride]
        mask_row = data[mask_start + stored * mask_stride : mask_start + (stored + 1) * mask_stride]
        rows.append([pixel(colour_row, mask_row, x, bits, palette) for x in range(width)])
    return rows


def pixel(colour_row, mask_row, x, bits, palette):
    transparent = sample(mask_row, x, 1) == 1 if mask_row else False
    if bits == 32:
        b, g, r, a = colour_row[4 * x : 4 * x + 4]
        return (r, g, b, 0 if transparent else a)
    if bits == 24:
        b, g, r = colour_row[3 * x : 3 * x + 3]
    else:
        r, g, b = palette[sample(colour_row, x, bits)]
    return (r, g, b, 0 if transparent else 255)


def scale_nearest(rows, size):
    height, width = len(rows), len(rows[0])
    return [[rows[y * height // size][x * width // size] for x in range(size)] for y in range(size)]


def raw_scanlines(rows):
    """PNG image data before compression: each row starts with filter type 0 (none)."""
    return b"".join(b"\x00" + bytes(channel for p in row for channel in p) for row in rows)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def encode_png(rows):
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)  # 8-bit RGBA, not interlaced
    return (PNG_SIGNATURE + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw_scanlines(rows), 9))
            + chunk(b"IEND", b""))


def png_raw_data(png):
    """The decompressed image data of a PNG, to compare pictures whatever the zlib version wrote."""
    if not png.startswith(PNG_SIGNATURE):
        return None
    position, header, idat = len(PNG_SIGNATURE), b"", b""
    while position + 8 <= len(png):
        length, kind = struct.unpack_from(">I4s", png, position)
        body = png[position + 8 : position + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    try:
        return header, zlib.decompress(idat)
    except zlib.error:
        return None


def icon_path(size):
    return os.path.join(OUTPUT_DIR, "quorlen-%d.png" % size)


def main(arguments):
    check = arguments == ["--check"]
    if arguments and not check:
        sys.stderr.write(__doc__)
        return 2
    with open(SOURCE, "rb") as source:
        data = source.read()
    offset, length = largest_entry(data)
    rows = decode_bitmap(data[offset : offset + length])
    os.makedirs(OUTPUT_DIR, exist_ok=True)
    stale = []
    for size in SIZES:
        png = encode_png(scale_nearest(rows, size))
        path = icon_path(size)
        if check:
            try:
                with open(path, "rb") as committed:
                    if png_raw_data(committed.read()) != png_raw_data(png):
                        stale.append(path)
            except OSError:
                stale.append(path)
        else:
            with open(path, "wb") as out:
                out.write(png)
    for path in stale:
        sys.stderr.write("make_icons: %s is out of date; run packaging/make_icons.py\n" % path)
    return 1 if stale else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, IconError, struct.error) as problem:
        sys.stderr.write("make_icons: %s\n" % problem)
        sys.exit(1)
