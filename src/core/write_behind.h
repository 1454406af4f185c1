// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

class QIODevice;

// Starts writing a stretch of a file just written to its disk, without waiting for it. A file system that allocates
// its blocks late (ext4, XFS) otherwise does all of it at once when the file is renamed over an older one, on the
// thread that renames. Nothing where the system has no such call, or `file` is no plain file.
void startWriteBehind(QIODevice& file, qint64 offset, qint64 length);

// Holds the plain file now at `path`, if there is one, for as long as this lives, so that when a rename replaces it
// the system frees its pages and blocks when this is dropped rather than in the rename: freeing a large file that
// was written moments ago can take longer than writing it. Nothing where an open file cannot be replaced (Windows).
class ReplacedFileHold final {
public:
    explicit ReplacedFileHold(const QString& path);
    ~ReplacedFileHold();
    ReplacedFileHold(const ReplacedFileHold&) = delete;
    ReplacedFileHold& operator=(const ReplacedFileHold&) = delete;

private:
    int handle_ = -1;
};
