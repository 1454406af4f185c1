#pragma once

#include <QtGlobal>

class QIODevice;

// Starts writing a stretch of a file just written to its disk, without waiting for it. A file system that allocates
// its blocks late (ext4, XFS) otherwise does all of it at once when the file is renamed over an older one, on the
// thread that renames. Nothing where the system has no such call, or `file` is no plain file.
void startWriteBehind(QIODevice& file, qint64 offset, qint64 length);
