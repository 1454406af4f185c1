#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a folder of hostile picture files for the switch step to choke on, plus a few good ones.

    make_corpus.py FOLDER

Every file is made here from scratch; nothing is downloaded. Besides the pictures the folder receives
"manifest.tsv" (a name the scan skips), one line per entry: name, expectation, and what the entry is.
Expectations:
    good      a picture that must reach the desktop
    bad       must fail with exactly one line on stderr, and switching goes on
    either    may be shown (decoders repair it) or fail with one line; never a crash or a hang
    unlisted  not a plain file: the scan must not list it, and nothing may block on it
"""

import base64
import os
import stat
import struct
import sys
import zlib

# A 64x48 baseline JPEG of a swirled yellow-to-navy gradient, made once with ImageMagick.
BASE_JPEG = base64.b64decode(
    "/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAYEBQYFBAYGBQYHBwYIChAKCgkJChQODwwQFxQYGBcUFhYaHSUfGhsjHBYWICwgIyYn"
    "KSopGR8tMC0oMCUoKSj/2wBDAQcHBwoIChMKChMoGhYaKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgo"
    "KCgoKCgoKCj/wAARCAAwAEADASIAAhEBAxEB/8QAGwABAAIDAQEAAAAAAAAAAAAABgUHAAEDAgT/xAApEAABAwMCBAYDAAAAAAAA"
    "AAABAAIEAwUREjEGFSIyIUFCUWFiExSh/8QAGwEAAQUBAQAAAAAAAAAAAAAAAgABAwUGBAf/xAAgEQABBQACAgMAAAAAAAAAAAAB"
    "AAIDBREEIQYTEiIx/9oADAMBAAIRAxEAPwC7uY/ZYLhnzQ9s/J3X2R5BcM5Xhr60NGkKyD0mE4+68uuGN3I9XmimwnKO3LiAUs9S"
    "Pj1DpzjQkZMT83UD1LBdWn1Koq3FOHHrXSNxPqPf/VZnxeQDcQe4K3BcQdnLfMfsq8h30VB3KRbctQyHLgkpTGcIRCTUXiztT90h"
    "hSAW7qr4lyw/uSm1XVpABctlYVjmjQFzsep28V3Ck7BVf3J9WrVIyU5q1WSKeMhQsq2tc8uCaskZx+nDtJ41Dq8GrpLvFRdStVjv"
    "8SU6l02UaJBIQS+VGa3aVrK6c8g/EjpQPGKVtd2cCAXJXCumpg6lVcSQWv3SOFOLW7p7Cra7sBJj0bbctJzqUnBvppkdSrvmHyti"
    "4kbOWvkpRIMIUAkxXDF4mAA613qcUN0nqVNtuzh6ls3dxHcqx3irC7cR+8qx7nxF+QEByKTbgazz4o6+4l27lz/cHurTi0zeOPqF"
    "G6TUij18HOVIMnhoxlEBPA81vmHyp5K4v/QmD8X/2Q=="
)


def bmp(width, height, pixel=(0, 128, 255), declared_height=None, declared_width=None, bits=24, data=None):
    """A Windows bitmap with a BITMAPINFOHEADER; the declared size may lie about the pixels that follow."""
    row = (width * bits // 8 + 3) & ~3
    if data is None:
        data = (bytes(pixel) * width).ljust(row, b"\0") * abs(height)
    header_size = 14 + 40
    info = struct.pack(
        "<IiiHHIIiiII",
        40,
        width if declared_width is None else declared_width,
        height if declared_height is None else declared_height,
        1,
        bits,
        0,
        len(data),
        2835,
        2835,
        0,
        0,
    )
    head = b"BM" + struct.pack("<IHHI", header_size + len(data), 0, 0, header_size)
    return head + info + data


def lzw(indices, min_code_size):
    """GIF's variable-width LZW, packed into 255-byte sub-blocks."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    table = {bytes([i]): i for i in range(clear)}
    next_code, width = end + 1, min_code_size + 1
    bits, nbits, out = 0, 0, bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    current = b""
    for index in indices:
        candidate = current + bytes([index])
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear)
            table = {bytes([i]): i for i in range(clear)}
            next_code, width = end + 1, min_code_size + 1
        current = bytes([index])
    if current:
        emit(table[current])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray()
    for start in range(0, len(out), 255):
        chunk = out[start : start + 255]
        blocks += bytes([len(chunk)]) + chunk
    return bytes([min_code_size]) + bytes(blocks) + b"\0"


def lzw_codes(codes, min_code_size=2):
    """Codes packed as given at the width a fresh table starts with, in one sub-block: for damaged image data."""
    width = min_code_size + 1
    bits = sum(code << (width * i) for i, code in enumerate(codes))
    data = bits.to_bytes((width * len(codes) + 7) // 8, "little")
    return bytes([min_code_size, len(data)]) + data + b"\0"


def gif(width, height, frames=1, screen=None, image_data=None, transparent=None):
    """A GIF with a four-colour palette; every frame is a diagonal stripe pattern, one colour maybe transparent."""
    screen_width, screen_height = screen or (width, height)
    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", screen_width, screen_height, 0x81, 0, 0))
    out += bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])
    if frames > 1:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    for frame in range(frames):
        flags, index = (1, transparent) if transparent is not None else (0, 0)
        out += b"\x21\xF9\x04" + bytes([flags, 1, 0, index, 0])  # 1/100 s per frame
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        if image_data is not None:
            out += image_data
        else:
            out += lzw([(x + y + frame) % 4 for y in range(height) for x in range(width)], 2)
    out += b"\x3B"
    return bytes(out)


def bitmap(width, height, bits, compression, pixels, after_info=b"", info_bytes=40, extra_info=b""):
    """A bitmap of any header size and compression; the info header's first 40 bytes as Windows lays them."""
    info = struct.pack("<IiiHHIIiiII", info_bytes, width, height, 1, bits, compression, len(pixels), 2835, 2835, 0, 0)
    info = (info + extra_info)[:info_bytes].ljust(info_bytes, b"\0")
    pixels_at = 14 + info_bytes + len(after_info)
    return b"BM" + struct.pack("<IHHI", pixels_at + len(pixels), 0, 0, pixels_at) + info + after_info + pixels


def words(*values):
    return struct.pack("<%dI" % len(values), *values)


def with_exif_directory_at(jpeg, offset):
    """A JPEG whose EXIF block points its first directory at `offset`, past the block's end."""
    body = b"Exif\0\0MM\0*" + struct.pack(">I", offset)
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", len(body) + 2) + body + jpeg[2:]


def with_jpeg_frame_size(jpeg, width, height):
    """Rewrites the frame size in the baseline (SOF0) header."""
    at = jpeg.index(b"\xFF\xC0")
    return jpeg[: at + 5] + struct.pack(">HH", height, width) + jpeg[at + 9 :]


def empty_scans_jpeg(width, height, scans, padding=0):
    """A greyscale progressive JPEG of `scans` scans that each code every block as empty (runs of end-of-band, a few
    bytes a scan): a small file whose every scan passes over the whole picture. A comment of `padding` bytes may
    follow the start marker."""

    def segment(marker, body):
        return b"\xFF" + bytes([marker]) + struct.pack(">H", len(body) + 2) + body

    bits, count = 0, 0
    left = ((width + 7) // 8) * ((height + 7) // 8)
    while left > 0:  # each run coded as EOBr, r in a 4-bit code, then r bits
        run = min(left, 32767)
        r = run.bit_length() - 1
        bits, count = (bits << (4 + r)) | (r << r) | (run - (1 << r)), count + 4 + r
        left -= run
    pad = -count % 8
    data = (((bits << pad) | ((1 << pad) - 1)).to_bytes((count + pad) // 8, "big")).replace(b"\xFF", b"\xFF\x00")
    out = b"\xFF\xD8" + (segment(0xFE, bytes(padding)) if padding else b"")
    out += segment(0xDB, b"\x00" + b"\x01" * 64)
    out += segment(0xC2, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
    out += segment(0xC4, b"\x10" + bytes([0, 0, 0, 15] + [0] * 12) + bytes(r << 4 for r in range(15)))
    scan = segment(0xDA, b"\x01\x01\x00\x01\x3F\x00") + data
    return out + scan * scans + b"\xFF\xD9"


def flipped(data, start, step, mask=0x5A):
    """Flips bits in every `step`-th byte from `start` on, keeping the first bytes (the header) intact."""
    out = bytearray(data)
    for at in range(start, len(out), step):
        out[at] ^= mask
    return bytes(out)


def png(width, height):
    """A plain grey PNG: a format Qt reads but the program does not take."""

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    rows = b"".join(b"\0" + b"\x80" * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def zlib_bomb():
    """Not a picture format the program takes, yet named like one: a compressed stream of zeros."""
    return zlib.compress(b"\0" * (8 << 20), 9)


def entries():
    good_bmp = bmp(48, 32, (40, 200, 40))
    good_gif = gif(40, 30)
    jpeg = BASE_JPEG
    sof = jpeg.index(b"\xFF\xDA")  # start of scan: everything after it is entropy-coded data
    yield "good-1.jpg", "good", "a small baseline JPEG", jpeg
    yield "good-2.gif", "good", "a small GIF", good_gif
    yield "good-3.bmp", "good", "a small 24-bit bitmap", good_bmp
    yield "good-4.JPEG", "good", "a bitmap named like a JPEG: the content decides", good_bmp
    yield "good-5.bmp", "good", "a top-down bitmap (negative height is legal)", bmp(
        16, -16, (200, 40, 40))

    yield "empty.jpg", "bad", "a 0-byte file", b""
    yield "empty.bmp", "bad", "a 0-byte bitmap", b""
    yield "empty.gif", "bad", "a 0-byte GIF", b""
    yield "jpeg-header-only.jpg", "bad", "a JPEG cut right after its start marker", jpeg[:2]
    yield "jpeg-truncated-in-tables.jpg", "bad", "a JPEG cut inside its tables", jpeg[: sof // 2]
    yield "jpeg-truncated-in-scan.jpg", "either", "a JPEG cut in the middle of its scan", jpeg[: (sof + len(jpeg)) // 2]
    yield "jpeg-corrupt-scan.jpg", "either", "a JPEG with flipped bits in its scan", flipped(jpeg, sof + 12, 7)
    yield "jpeg-huge-frame.jpg", "bad", "a JPEG that claims 65500 x 65500 pixels", with_jpeg_frame_size(
        jpeg, 65500, 65500)
    yield "jpeg-lying-frame.jpg", "bad", "a 700-byte JPEG that claims 15000 x 15000 pixels", with_jpeg_frame_size(
        jpeg, 15000, 15000)
    yield "jpeg-zero-frame.jpg", "bad", "a JPEG that claims 0 x 0 pixels", with_jpeg_frame_size(jpeg, 0, 0)
    yield "gif-header-only.gif", "bad", "a GIF cut after its signature", good_gif[:6]
    yield "gif-truncated.gif", "good", "a GIF cut after its first rows", good_gif[: len(good_gif) // 2]
    yield "gif-bad-code-size.gif", "bad", "a GIF whose LZW code size is 15", gif(
        8, 8, image_data=b"\x0F\x02\x00\x00\x00")
    yield "gif-ends-before-first-row.gif", "bad", "a GIF whose image data ends after 2 of its 40 first pixels", gif(
        40, 30, image_data=lzw_codes([4, 0, 1, 5]))
    yield "gif-code-out-of-range.gif", "bad", "a GIF whose LZW data names a code its table does not hold yet", gif(
        40, 30, image_data=lzw_codes([4, 0, 7, 1, 5]))
    yield "gif-no-image.gif", "bad", "a GIF with a screen descriptor and no image", good_gif[:19] + b"\x3B"
    yield "gif-huge-screen.gif", "bad", "a GIF that claims a 65535 x 65535 screen and image", gif(
        1, 1, screen=(65535, 65535), image_data=None)[:13] + gif(65535, 65535, image_data=b"\x02\x02\x4C\x01\x00")[13:]
    yield "gif-lying-screen.gif", "bad", "a 1 x 1 GIF on a 15000 x 15000 screen", gif(1, 1, screen=(15000, 15000))
    yield "gif-3000-frames.gif", "good", "a GIF with 3000 frames", gif(16, 16, frames=3000)
    yield "bmp-truncated.jpg", "bad", "a bitmap cut after its headers, named like a JPEG", bmp(64, 64)[:54]
    yield "bmp-truncated.bmp", "bad", "a bitmap cut after its headers", bmp(64, 64)[:54]
    yield "bmp-zero-height.jpg", "bad", "a bitmap that claims 0 rows", bmp(8, 8, declared_height=0)
    yield "bmp-zero-height.bmp", "bad", "a bitmap that claims 0 rows, named .bmp", bmp(8, 8, declared_height=0)
    yield "bmp-min-height.jpg", "bad", "a bitmap whose height is the most negative 32-bit number", bmp(
        8, 8, declared_height=-(2**31))
    yield "bmp-negative-width.jpg", "bad", "a bitmap with a negative width", bmp(8, 8, declared_width=-8)
    yield "bmp-huge.jpg", "bad", "a bitmap that claims 100000 x 100000 pixels and holds 64", bmp(
        8, 8, declared_width=100000, declared_height=100000)
    yield "bmp-near-limit.jpg", "bad", "a bitmap that claims 15000 x 15000 pixels and holds 64", bmp(
        8, 8, declared_width=15000, declared_height=15000)
    yield "bmp-near-limit.bmp", "bad", "the same lie named .bmp, for the desktop to decode", bmp(
        8, 8, declared_width=15000, declared_height=15000)
    # Found by fuzzing: a negative height once hid the lie from the size check.
    yield "bmp-lying-top-down.jpg", "bad", "a top-down bitmap that claims 65297 x 4096 pixels and holds 64", bmp(
        8, 8, declared_width=65297, declared_height=-4096)
    yield "bmp-bad-depth.jpg", "bad", "a bitmap with 7 bits per pixel", bmp(8, 8, bits=7)
    yield "bmp-garbage.bmp", "bad", "random bytes named .bmp", os.urandom(4096)
    yield "random.jpg", "bad", "random bytes named .jpg", os.urandom(4096)
    yield "zlib-zeros.gif", "bad", "compressed zeros named .gif", zlib_bomb()
    yield "png-named.jpg", "bad", "a PNG named like a JPEG", png(16, 16)
    yield "xpm-named.gif", "bad", "an XPM named like a GIF", b'/* XPM */\nstatic char *x[] = {"2 2 1 1", "a c #ff0000", "aa", "aa"};\n'
    yield "pbm-named.jpg", "bad", "a PBM named like a JPEG", b"P1\n2 2\n0 1\n1 0\n"
    yield "text.jpeg", "bad", "a text file named .jpeg", b"this is not a picture\n" * 20
    palette = words(0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF)
    yield "rle8-past-row-and-picture.jpg", "good", "RLE8 runs past the row and a delta past the picture", bitmap(
        8, 4, 8, 1, bytes([200, 1, 0, 0, 0, 3, 1, 2, 0, 2, 3, 10, 5, 2, 0, 1, 9, 9]), palette)
    yield "rle4-cut-in-literal.jpg", "good", "an RLE4 bitmap that ends inside a literal run", bitmap(
        5, 2, 4, 2, bytes([0, 7, 0x12, 0x31]), palette)
    yield "v3-16-bit-565.jpg", "good", "a 16-bit 5-6-5 bitmap with the 56-byte header", bitmap(
        2, 2, 16, 3, words(0xFFFF0000, 0x7BEF8410), b"", 56, words(0, 0xF800, 0x07E0, 0x001F))
    yield "zero-red-mask.bmp", "good", "a bit-field bitmap whose red mask is 0", bitmap(
        2, 2, 16, 3, words(0xFFFF0000, 0x7BEF8410), words(0, 0x07E0, 0x001F))
    yield "overlapping-masks.jpg", "bad", "a bit-field bitmap whose masks overlap", bitmap(
        2, 2, 16, 3, words(0x12345678, 0x9ABCDEF0), words(0xF800, 0x0FE0, 0x001F))
    yield "exif-lying-offset.jpg", "good", "a JPEG whose EXIF directory lies past the block", with_exif_directory_at(
        jpeg, 0x7FFFFFF0)
    yield "transparent.gif", "good", "a GIF with a transparent colour", gif(6, 4, transparent=1)
    yield "jpeg-empty-scans.jpg", "bad", "a 20 KB progressive JPEG of 500 scans over all its 4096 x 4096 pixels", (
        empty_scans_jpeg(4096, 4096, 500))
    # The tail is a hole in the file: it takes no room on the disk.
    yield "bmp-huge-tail.bmp", "bad", "a small bitmap followed by a gigabyte of nothing", (good_bmp, 1 << 30)


def make(folder):
    os.makedirs(folder, exist_ok=True)
    manifest = []
    for name, expect, what, data in entries():
        head, tail = data if isinstance(data, tuple) else (data, 0)
        with open(os.path.join(folder, name), "wb") as out:
            out.write(head)
            out.truncate(len(head) + tail)
        manifest.append((name, expect, what))

    os.mkdir(os.path.join(folder, "x.jpg"))
    manifest.append(("x.jpg", "unlisted", "a folder named like a picture"))
    os.mkfifo(os.path.join(folder, "y.gif"))
    manifest.append(("y.gif", "unlisted", "a named pipe: opening it would block"))
    os.symlink("y.gif", os.path.join(folder, "link-to-pipe.jpg"))
    manifest.append(("link-to-pipe.jpg", "unlisted", "a symbolic link to the named pipe"))
    os.symlink("/dev/zero", os.path.join(folder, "dev-zero.bmp"))
    manifest.append(("dev-zero.bmp", "unlisted", "a symbolic link to an endless device"))
    os.symlink("nowhere.jpg", os.path.join(folder, "dangling.jpg"))
    manifest.append(("dangling.jpg", "unlisted", "a symbolic link to nothing"))

    unreadable = os.path.join(folder, "unreadable.jpg")
    with open(unreadable, "wb") as out:
        out.write(BASE_JPEG)
    os.chmod(unreadable, 0)
    # Permission bits do not stop the superuser, so the entry says what it will really be.
    expect = "good" if os.geteuid() == 0 else "bad"
    manifest.append(("unreadable.jpg", expect, "a JPEG without read permission"))

    with open(os.path.join(folder, "manifest.tsv"), "w", encoding="utf-8") as out:
        for name, expect, what in manifest:
            out.write(f"{name}\t{expect}\t{what}\n")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make(sys.argv[1])
