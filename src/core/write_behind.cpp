// SPDX-License-Identifier: MIT
#include "core/write_behind.h"

#include <QFile>
#include <QFileDevice>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// NTFS allocates a file's clusters as it is written, and a rename does not write it out.
void startWriteBehind(QIODevice& file, qint64 offset, qint64 length) {
#if defined(Q_OS_LINUX)
    auto* plain = qobject_cast<QFileDevice*>(&file);
    if (!plain || plain->handle() < 0 || !plain->flush())
        return;
    // A hint only: a failure leaves the writing to the system, as without it.
    sync_file_range(plain->handle(), offset, length, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
    Q_UNUSED(offset);
    Q_UNUSED(length);
#endif
}

// Only a plain file is held: a link is replaced, not what it names, and opening a pipe or a device could block or
// act on it. Windows cannot replace a file held open without delete sharing, so nothing is held there.
ReplacedFileHold::ReplacedFileHold(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (lstat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return;
    handle_ = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (handle_ >= 0 && (fstat(handle_, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(handle_);
        handle_ = -1;
    }
#endif
}

ReplacedFileHold::~ReplacedFileHold() {
#ifndef Q_OS_WIN
    if (handle_ >= 0)
        close(handle_);
#endif
}
