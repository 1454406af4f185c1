// SPDX-License-Identifier: MIT
#include "platform/linux/wallpaper_copies.h"

#include "core/atomic_file.h"
#include "core/plain_file.h"
#include "core/problem_log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The copies, and what a copy cut short by a crash or a full disk left behind.
const QStringList CopyPatterns{QStringLiteral("wallpaper-*.bmp"), QStringLiteral(".wallpaper-*")};
constexpr qint64 CopyBlockBytes = 1 << 20;

std::optional<QString> contentName(PlainFile& file, QString* error) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file)) {
        fail(error, QStringLiteral("cannot read %1: %2").arg(file.path(), file.errorString()));
        return std::nullopt;
    }
    return QStringLiteral("wallpaper-%1.bmp").arg(QString::fromLatin1(hash.result().toHex().left(16)));
}

bool isOwn(const QFile& file) {
    struct stat status {};
    return fstat(file.handle(), &status) == 0 && status.st_uid == geteuid();
}

// A hard link costs nothing and keeps the content however the original is replaced later. It links the very file
// that was read, whatever its name names by now, and only a file of the user's own: one of another user's could be
// changed by its owner under the desktop's eyes.
bool linkOwn(const PlainFile& from, const QString& to) {
    const QByteArray opened = "/proc/self/fd/" + QByteArray::number(from.handle());
    return isOwn(from) &&
           ::linkat(AT_FDCWD, opened.constData(), AT_FDCWD, QFile::encodeName(to).constData(), AT_SYMLINK_FOLLOW) == 0;
}

// Writes all of `block`: a write cut short (a full disk, say) is followed by one for the rest, which then fails
// with the reason.
bool writeAll(QIODevice& out, const QByteArray& block) {
    for (qint64 done = 0; done < block.size();) {
        const qint64 written = out.write(block.constData() + done, block.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// Across file systems, or from a file of someone else's, the content is copied whole; the copy takes its name only
// once every byte of it is on the disk, so that no desktop reads half a copy and none is ever taken for whole.
bool copyWhole(PlainFile& from, const QString& to, QString* error) {
    const auto cannotRead = [&from](QString* readError) {
        return fail(readError, QStringLiteral("cannot read %1: %2").arg(from.path(), from.errorString()));
    };
    return writeFileAtomically(
        to,
        [&](QIODevice& out, QString* writeError) {
            if (!from.seek(0))
                return cannotRead(writeError);
            for (QByteArray block; !(block = from.read(CopyBlockBytes)).isEmpty();) {
                if (!writeAll(out, block))
                    return fail(writeError, QStringLiteral("cannot write %1: %2").arg(to, out.errorString()));
            }
            return from.atEnd() || cannotRead(writeError);
        },
        error);
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
    PlainFile source(path);
    if (!openPlainFile(source, error))
        return std::nullopt;
    const std::optional<QString> name = contentName(source, error);
    if (!name)
        return std::nullopt;
    const QString copy = QDir(folder()).filePath(*name);
    // A copy of another size was cut short before copies were checked whole: it is made anew.
    const QFileInfo made(copy);
    if (made.exists() && made.size() == source.size())
        return copy;
    QFile::remove(copy);
    if (linkOwn(source, copy)) {
        syncFolder(folder());
        return copy;
    }
    if (!copyWhole(source, copy, error))
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
