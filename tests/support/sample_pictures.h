// SPDX-License-Identifier: MIT
#pragma once

// Pictures made at run time for the tests: JPEGs through libjpeg's own compressor, bitmaps byte by byte.

#include <QByteArray>
#include <QImage>
#include <QString>

class PictureRows;

enum class JpegKind { Baseline, Progressive, Greyscale, Cmyk, CmykWithoutAdobe, Arithmetic };

// The picture as a JPEG of the given kind at quality 90, with an APP1 block of `app1` when it is not empty. A CMYK
// JPEG stores the picture's red, green and blue as inverted cyan, magenta and yellow, with an inverted black that
// varies, as Adobe's programs do; without Adobe's marker when asked.
QByteArray jpegOf(const QImage& picture, JpegKind kind, const QByteArray& app1 = {});

// A greyscale progressive JPEG of `scans` scans that each code every block of the picture as empty, by runs of
// end-of-band: a small file whose every scan is a pass over the whole picture. A comment pads it, so that its size
// holds the pixels it claims.
QByteArray emptyScansJpeg(int width, int height, int scans);

// The body of an EXIF APP1 block holding only the orientation tag, of TIFF type 3 (SHORT), 4 (LONG) or 9 (SLONG).
QByteArray exifWithOrientation(int orientation, bool bigEndian, quint16 type = 3);

// A bitmap file: the 14-byte file header, an info header of `infoBytes` (its first 40 bytes laid out as Windows
// lays them, the rest from `extraInfo`), then `afterInfo` (masks, palette) and the pixels.
QByteArray bitmapOf(qint32 width, qint32 height, quint16 bits, quint32 compression, const QByteArray& pixels,
                    const QByteArray& afterInfo = {}, quint32 infoBytes = 40, const QByteArray& extraInfo = {});

// Little-endian words, for palettes and masks.
QByteArray words(std::initializer_list<quint32> values);

// Pixels with every channel different, from a seed.
QImage noise(int width, int height, quint32 seed);

bool writeFile(const QString& path, const QByteArray& bytes);

// Every row of the picture, upright, as Format_RGB32.
QImage readWhole(PictureRows& rows, QString* error = nullptr);
