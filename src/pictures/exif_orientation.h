// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// How a photo's stored pixels are turned to stand upright, by the EXIF orientation tag: 1 as stored, 2 mirrored left
// to right, 3 turned 180 degrees, 4 mirrored top to bottom, 5 mirrored along the falling diagonal, 6 turned 90
// degrees clockwise, 7 mirrored along the rising diagonal, 8 turned 90 degrees counter-clockwise.
enum class Orientation { Upright = 1, Mirrored, Turned180, Flipped, Transposed, TurnedRight, Transversed, TurnedLeft };

// True for the orientations whose upright picture is as wide as the stored one is high.
inline bool swapsSides(Orientation orientation) {
    return orientation >= Orientation::Transposed;
}

// The orientation in the body of a JPEG APP1 marker (from "Exif\0\0" on), or Upright when the body holds none. Every
// offset and count of the block is checked against its length: a block that lies about them yields Upright.
Orientation exifOrientation(const uchar* body, qsizetype size);
