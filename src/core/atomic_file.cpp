// SPDX-License-Identifier: MIT
#include "core/atomic_file.h"
#include "core/problem_log.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// A new file beside `target` under a dot name, which keeps it out of every folder scan while it is written. It is
// made as the user makes any file (the umask applies, and a folder's default access list), never over another one.
bool openPartial(const QFileInfo& target, QFile& partial, QString* error) {
    constexpr int Attempts = 16;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const QString suffix = QString::number(QRandomGenerator::global()->generate(), 36);
        partial.setFileName(QStringLiteral("%1/.%2.%3").arg(target.absolutePath(), target.fileName(), suffix));
        if (partial.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
    }
    return fail(error, QStringLiteral("cannot write in %1: %2").arg(target.absolutePath(), partial.errorString()));
}

// Renames `from` over `to`, also where `to` is a symbolic link, which is replaced itself instead of written through.
bool replaceFile(const QString& from, const QString& to, QString* error) {
#ifdef Q_OS_WIN
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()), reinterpret_cast<const wchar_t*>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    return fail(error, QStringLiteral("cannot replace %1 (error %2)").arg(to).arg(GetLastError()));
#else
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return fail(error, QStringLiteral("cannot replace %1: %2").arg(to, QString::fromLocal8Bit(std::strerror(errno))));
#endif
}

// The new file whole and on its disk, or false with a message. A full disk may show only in the flush or the sync.
bool finish(QFile& partial, const QString& target, QString* error) {
    if (!partial.flush() || !syncFile(partial))
        return fail(error, QStringLiteral("cannot write %1: %2").arg(target, partial.errorString()));
    partial.close();
    if (partial.error() != QFileDevice::NoError)
        return fail(error, QStringLiteral("cannot write %1: %2").arg(target, partial.errorString()));
    return true;
}

} // namespace

bool syncFile(QFileDevice& file) {
    if (file.handle() < 0)
        return false;
#ifdef Q_OS_WIN
    return FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())));
#else
    // The data and what it takes to read it back (the size), not the times.
    return fdatasync(file.handle()) == 0;
#endif
}

void syncFolder(const QString& folder) {
#ifdef Q_OS_WIN
    // NTFS logs a rename itself, and MOVEFILE_WRITE_THROUGH waits for it.
    Q_UNUSED(folder);
#else
    const int handle = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return;
    fsync(handle);
    close(handle);
#endif
}

bool writeFileAtomically(const QString& target, const std::function<bool(QIODevice& out, QString* error)>& writer,
                         QString* error) {
    const QFileInfo where(target);
    QFile partial;
    if (!openPartial(where, partial, error))
        return false;
    const QString partialName = partial.fileName();
    if (writer(partial, error) && finish(partial, target, error) && replaceFile(partialName, target, error)) {
        syncFolder(where.absolutePath());
        return true;
    }
    partial.close();
    QFile::remove(partialName);
    return false;
}
