#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the fuzz targets' seed inputs into corpus/<target>/, each a few hundred bytes.

    make_picture_seeds.py

The first byte of a picture_rows seed chooses the file's name (byte % 3) and what is done with the rows
(byte // 3 % 3: fill a tiny screen, fill a wide one, or write a bitmap); the picture follows. The first byte of an
exif_orientation seed is 1 when the target is to put the "Exif" signature in front. JPEG variants are made with
cjpeg, jpegtran (libjpeg-turbo-progs) and ImageMagick's convert; everything else byte by byte here.
"""

import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
# The byte-by-byte builders of bitmaps and GIFs are the hostile corpus's.
sys.path.insert(0, os.path.join(HERE, os.pardir, "hostile"))
from make_corpus import bitmap, empty_scans_jpeg, gif, lzw_codes, words  # noqa: E402


def core_bitmap(width, height, bits, palette, pixels):
    pixels_at = 14 + 12 + len(palette)
    core = struct.pack("<IHHHH", 12, width, height, 1, bits)
    return b"BM" + struct.pack("<IHHI", pixels_at + len(pixels), 0, 0, pixels_at) + core + palette + pixels


PALETTE = words(0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF)


def bitmaps():
    # Runs past the row, a delta past the picture, codes after it, and no end-of-bitmap.
    yield "rle8-past-row-and-picture", bitmap(8, 4, 8, 1, bytes([200, 1, 0, 0, 0, 3, 1, 2, 0, 2, 3, 10, 5, 2, 0, 1, 9, 9]), PALETTE)
    # A literal run longer than the row, odd so padded, then a file that ends inside a literal run.
    yield "rle8-literal-past-row", bitmap(6, 3, 8, 1, bytes([0, 9]) + bytes(range(9)) + b"\0" + bytes([0, 0, 0, 40, 1, 2]), PALETTE)
    yield "rle4-top-down-delta", bitmap(7, -3, 4, 2, bytes([9, 0x12, 0, 2, 2, 1, 0, 5, 0x12, 0x30, 0x10, 0, 0, 3, 0x3F, 0, 1]), PALETTE)
    yield "rle4-cut-in-literal", bitmap(5, 2, 4, 2, bytes([0, 7, 0x12, 0x31]), PALETTE)
    yield "v3-16-bit-zero-red-mask", bitmap(3, 2, 16, 3, words(0x07FF001F, 0xFFFF, 0x07E0F800, 0), b"", 56, words(0, 0x07E0, 0x001F, 0))
    yield "bitfields-overlapping", bitmap(2, 2, 16, 3, words(0x12345678, 0x9ABCDEF0), words(0xF800, 0x0FE0, 0x001F))
    yield "alpha-bitfields-32", bitmap(2, 2, 32, 6, words(0x80FF0000, 0, 0xFF00FF00, 0x01000001), words(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "v5-32-bit-rgb-with-alpha", bitmap(2, 1, 32, 0, words(0x40102030, 0), b"", 124, words(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "v4-16-bit-565", bitmap(2, 2, 16, 3, words(0xFFFF0000, 0x7BEF8410), b"", 108, words(0xF800, 0x07E0, 0x001F, 0))
    yield "core-4-bit-short-palette", core_bitmap(5, 2, 4, bytes([0, 0, 255, 0, 255, 0, 255, 0, 0]), bytes([0x01, 0x23, 0xF0, 0, 0x45, 0x67, 0x80, 0]))
    yield "os2-64-rle8", bitmap(4, 2, 8, 1, bytes([2, 1, 0, 0, 4, 3, 0, 1]), PALETTE, 64)
    yield "1-bit-palette", bitmap(9, 2, 1, 0, bytes([0xAA, 0x80, 0, 0, 0x55, 0, 0, 0]), PALETTE[:8])
    yield "2-bit-palette", bitmap(5, 1, 2, 0, bytes([0x1B, 0xC0, 0, 0]), PALETTE)
    yield "24-bit-top-down", bitmap(2, -2, 24, 0, bytes(range(6)) + b"\0\0" + bytes(range(6, 12)) + b"\0\0")
    yield "32-bit-plain", bitmap(2, 2, 32, 0, words(0x00112233, 0x00445566, 0x00778899, 0x00AABBCC))


def gifs():
    yield "gif-transparent", gif(6, 4, transparent=1)
    yield "gif-animated", gif(5, 5, frames=3)
    yield "gif-on-larger-screen", gif(3, 3, screen=(9, 7), transparent=0)
    yield "gif-ends-before-first-row", gif(8, 4, image_data=lzw_codes([4, 0, 1, 5]))
    yield "gif-code-out-of-range", gif(8, 4, image_data=lzw_codes([4, 0, 7, 1, 5]))


def ppm(width, height):
    pixels = bytes((x * 37 + y * 11 + c * 90) % 256 for y in range(height) for x in range(width) for c in range(3))
    return b"P6\n%d %d\n255\n" % (width, height) + pixels


def run(command, data):
    return subprocess.run(command, input=data, stdout=subprocess.PIPE, check=True).stdout


def with_app1(jpeg, body, length=None):
    length = len(body) + 2 if length is None else length
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", length) + body + jpeg[2:]


def exif(orientation, big_endian=True, directory=8, entries=1, kind=3, count=1, wide=False):
    """The value in the first two bytes of its field, or in all four when wide (as a LONG or SLONG is)."""
    order = ">" if big_endian else "<"
    tiff = (b"MM\0*" if big_endian else b"II*\0") + struct.pack(order + "I", directory)
    tiff += struct.pack(order + "H", entries)
    value = struct.pack(order + "I", orientation) if wide else struct.pack(order + "HH", orientation, 0)
    tiff += struct.pack(order + "HHI", 0x0112, kind, count) + value + struct.pack(order + "I", 0)
    return b"Exif\0\0" + tiff


def exif_bodies():
    yield "exif-6-big-endian", exif(6)
    yield "exif-8-little-endian", exif(8, big_endian=False)
    yield "exif-directory-past-end", exif(3, directory=0xFFFFFFF0)
    yield "exif-too-many-entries", exif(3, entries=0xFFFF)
    yield "exif-long-not-short", exif(6, kind=4)
    yield "exif-3-long-big-endian", exif(3, kind=4, wide=True)
    yield "exif-8-slong-little-endian", exif(8, big_endian=False, kind=9, wide=True)
    yield "exif-orientation-9", exif(9)
    yield "exif-cut-in-entry", exif(6)[:20]


def jpegs():
    small = ppm(16, 16)
    base = run(["cjpeg", "-quality", "50"], small)
    yield "jpeg-baseline-exif-6", with_app1(base, exif(6))
    yield "jpeg-exif-lying", with_app1(base, exif(3, directory=0x7FFFFFFF, entries=0xFFFF))
    yield "jpeg-app1-longer-than-file", with_app1(base, exif(6), length=0xFFF0)
    yield "jpeg-app1-shorter-than-exif", with_app1(base, exif(6), length=12)
    yield "jpeg-progressive-exif-3", with_app1(run(["cjpeg", "-quality", "50", "-progressive"], small), exif(3, False))
    yield "jpeg-arithmetic", run(["jpegtran", "-arithmetic"], base)
    yield "jpeg-greyscale-exif-8", with_app1(run(["cjpeg", "-quality", "50", "-grayscale"], small), exif(8))
    yield "jpeg-cmyk", run(["convert", "ppm:-", "-colorspace", "CMYK", "-quality", "50", "jpg:-"], ppm(8, 8))
    yield "jpeg-odd-size-exif-5", with_app1(run(["cjpeg", "-quality", "50"], ppm(13, 7)), exif(5))


def scan_bounds():
    """The bounds on the work of a JPEG's scans: more than 500 scans, and scans over all the blocks (32768 here, the
    most the target's decode limit allows) past the passes any picture may take."""
    yield "jpeg-501-scans", empty_scans_jpeg(8, 8, 501)
    yield "jpeg-empty-scans-past-bound", empty_scans_jpeg(2048, 1024, 130)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main():
    rows = os.path.join(HERE, "corpus", "picture_rows")
    orientation = os.path.join(HERE, "corpus", "exif_orientation")
    for folder in (rows, orientation):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    pictures = list(bitmaps()) + list(jpegs()) + list(gifs()) + list(scan_bounds())
    for i, (name, data) in enumerate(pictures):
        write(rows, name, bytes([i % 9]) + data)
    for name, body in exif_bodies():
        write(orientation, name, b"\0" + body)
    largest = max(len(data) for _, data in pictures)
    print("%d picture seeds (largest %d bytes), %d EXIF seeds" % (len(pictures), largest, len(list(exif_bodies()))))


if __name__ == "__main__":
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    main()
