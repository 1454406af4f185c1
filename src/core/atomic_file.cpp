#include "platform/atomic_file.h"
#include "platform/diagnostics.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

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
