// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Desktops do nothing when a picture setting is set to the value it already holds, so the same path twice would
// leave the old picture on screen. A path has two equal spellings, "/dir/pic.bmp" and "/dir/./pic.bmp"; writing the
// one that differs from the stored value makes every hand-over a real change, and the value still names the file.

// How a desktop's setting names the picture.
enum class PictureValueForm { FileUri, PlainPath };

// The file a stored value names.
QString fileNamedBy(const QString& value, PictureValueForm form);

// The two equal spellings of the picture for a key: its canonical form, and one with "/./"
// before the file name. Both name the same file.
QString pictureValue(const QString& path, PictureValueForm form, bool alternateSpelling);

// The spelling to write next: always one that differs from the value stored now.
QString nextPictureValue(const QString& path, PictureValueForm form, const QString& storedValue);
