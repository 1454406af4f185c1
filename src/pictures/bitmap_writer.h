#pragma once

#include <QString>

class PictureRows;
class QIODevice;

// Writes `rows` to `out`, a seekable file opened for writing, as a 24-bit Windows bitmap stored bottom row first (a
// 14-byte file header, a 40-byte info header, rows padded to four bytes). Every row's place in such a file is known
// from its header, so rows are written where they belong as they arrive, a block at a time, whichever order they come
// in: no more than a block of the picture is ever held. False with a message when a row cannot be read or written;
// what was written is then incomplete, and the caller discards it.
bool writeBitmap(QIODevice& out, PictureRows& rows, QString* error);
