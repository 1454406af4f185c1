#include "platform/atomic_file.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool replaceFile(const QString& from, const QString& to, QString* error) {
    // rename() replaces a symbolic link at `to` itself instead of writing through it.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (error)
        *error = QStringLiteral("cannot replace %1: %2").arg(to, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}
