// SPDX-License-Identifier: MIT
#include "core/paths.h"

#include <QDir>

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

bool sameFolder(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return a == b; // empty text names no folder, not the working one
    const auto cleaned = [](const QString& folder) {
        return QDir::cleanPath(QDir(QDir::fromNativeSeparators(folder)).absolutePath());
    };
#ifdef Q_OS_WIN
    return cleaned(a).compare(cleaned(b), Qt::CaseInsensitive) == 0;
#else
    return cleaned(a) == cleaned(b);
#endif
}
