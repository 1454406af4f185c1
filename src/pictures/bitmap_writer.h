// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class PictureRows;
class QIODevice;

// Takes one row of a picture: width * 3 bytes of blue, green and red.
using RowConsumer = std::function<void(const uchar* bgr)>;

// Writes `rows` to `out`, a seekable file opened for writing, as a 24-bit Windows bitmap stored bottom row first (a
// 14-byte file header, a 40-byte info header, rows padded to four bytes). Every row's place in such a file is known
// from its header, so rows are written where they belong as they arrive, a block at a time, whichever order they come
// in: no more than a few blocks of the picture are ever held. The rows are read on the calling thread and written on
// a second one, a few blocks behind, which also hands each row to `alsoEachRow`, when given, in the order they came.
// False with a message when a row cannot be read or written; what was written is then incomplete, and the caller
// discards it.
bool writeBitmap(QIODevice& out, PictureRows& rows, QString* error, const RowConsumer& alsoEachRow = {});
