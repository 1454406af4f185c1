#include "platform/linux/wallpaper_copies.h"

#include "core/problem_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <unistd.h>

namespace {

// The copies, and what a copy cut short by a crash left behind.
const QStringList CopyPatterns{QStringLiteral("wallpaper-*.bmp"), QStringLiteral(".wallpaper-*")};

std::optional<QString> contentName(const QString& path, QString* error) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        fail(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    return QStringLiteral("wallpaper-%1.bmp").arg(QString::fromLatin1(hash.result().toHex().left(16)));
}

// A hard link costs nothing and keeps the content however the original is replaced later; across file systems the
// content is copied whole, under a dot name first, so that no desktop ever reads half a copy.
bool linkOrCopy(const QString& from, const QString& to, QString* error) {
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    const QFileInfo target(to);
    QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX"));
    QFile source(from);
    if (!partial.open() || !source.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot copy %1 to %2").arg(from, to));
    for (QByteArray block; !(block = source.read(1 << 20)).isEmpty();) {
        if (partial.write(block) != block.size())
            return fail(error, QStringLiteral("cannot copy %1 to %2: %3").arg(from, to, partial.errorString()));
    }
    partial.close();
    if (!partial.rename(to))
        return fail(error, QStringLiteral("cannot copy %1 to %2: %3").arg(from, to, partial.errorString()));
    partial.setAutoRemove(false);
    return true;
}

} // namespace

QString WallpaperCopies::folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quorlen");
}

std::optional<QString> WallpaperCopies::place(const QString& path, QString* error) {
    if (!QDir().mkpath(folder())) {
        fail(error, QStringLiteral("cannot make the folder %1").arg(folder()));
        return std::nullopt;
    }
    const std::optional<QString> name = contentName(path, error);
    if (!name)
        return std::nullopt;
    const QString copy = QDir(folder()).filePath(*name);
    if (!QFileInfo::exists(copy) && !linkOrCopy(path, copy, error))
        return std::nullopt;
    return copy;
}

void WallpaperCopies::keepOnly(const QString& current, const QString& previous) {
    const QDir copies(folder());
    for (const QString& name : copies.entryList(CopyPatterns, QDir::Files | QDir::Hidden)) {
        const QString copy = copies.filePath(name);
        if (copy != current && copy != previous)
            QFile::remove(copy);
    }
}
