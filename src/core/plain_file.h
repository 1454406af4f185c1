// SPDX-License-Identifier: MIT
#pragma once

#include <QFile>
#include <QString>

// Reading the files of a picture folder, which other people may be able to write.
//
// A folder counts as writable by others when anyone but the user and root can add entries to it: it belongs to
// another user, or all may write it, or a group may that is not the user's own private group. The sticky bit makes
// no difference: it only keeps others from replacing the user's own entries, not from adding links and files of
// their own. In such a folder a symbolic link is followed only to a file of the same folder, and a file is read only
// when it belongs to the user or to root, so that nobody can make the program copy a private picture of the user's
// into a folder they can read, nor change a picture between its checks and its use. Elsewhere links work as usual.

// Whether anyone but the user and root can add entries to `folder`. Never on Windows.
bool othersCanWrite(const QString& folder);

// Why the entry `name` of `folder`, a folder others can write, is not to be read, or an empty text when it may be.
QString untrustedEntry(const QString& folder, const QString& name);

// A file opened by openPlainFile(), which keeps its path: a QFile opened from a handle forgets its name.
class PlainFile final : public QFile {
public:
    explicit PlainFile(const QString& path) : QFile(path), path_(path) {}
    const QString& path() const { return path_; }

private:
    QString path_;
};

// Opens the plain file at `file`'s path for reading, unbuffered. A named pipe or a device is refused without ever
// blocking on it, also one swapped in after a check made before, and so is what untrustedEntry() refuses. False with
// a message naming the file otherwise.
bool openPlainFile(PlainFile& file, QString* error);
