#include "core/atomic_file.h"
#include "core/problem_log.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace {

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

} // namespace

bool writeFileAtomically(const QString& target, const std::function<bool(QIODevice& out, QString* error)>& writer,
                         QString* error) {
    const QFileInfo where(target);
    QString partialName;
    {
        // A dot name keeps the half-written file out of every folder scan.
        QTemporaryFile partial(where.absolutePath() + QStringLiteral("/.") + where.fileName() +
                               QStringLiteral(".XXXXXX"));
        if (!partial.open())
            return fail(error,
                        QStringLiteral("cannot write in %1: %2").arg(where.absolutePath(), partial.errorString()));
        partial.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                               QFileDevice::ReadOther);
        if (!writer(partial, error))
            return false;
        if (!partial.flush())
            return fail(error, QStringLiteral("cannot write %1: %2").arg(target, partial.errorString()));
        // QTemporaryFile::close() keeps the file open (it only goes back to the start), and Windows renames no file
        // that is still open without delete sharing. Only the destructor lets go of it, and it keeps the file when
        // told to.
        partialName = partial.fileName();
        partial.setAutoRemove(false);
    }
    if (replaceFile(partialName, target, error))
        return true;
    QFile::remove(partialName);
    return false;
}
