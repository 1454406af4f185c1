#include "switching/wallpaper_changer.h"

#include "core/atomic_file.h"
#include "core/memory_release.h"
#include "core/paths.h"
#include "core/ports/desktop_wallpaper.h"
#include "core/problem_log.h"
#include "pictures/bitmap_writer.h"
#include "pictures/picture_rows.h"
#include "switching/picture_list.h"

#include <QFileInfo>

namespace {

// Decodes `source` by its content and writes it whole, at its own size, as a bitmap at `target`, replacing the file
// atomically: a reader sees the old bitmap or the new one, never a part.
bool writeBitmapCopy(const QString& source, const QString& target, QString* error) {
    std::unique_ptr<PictureRows> rows;
    if (!openPictureRows(source, &rows, error))
        return false;
    return writeFileAtomically(
        target, [&rows](QIODevice& out, QString* writeError) { return writeBitmap(out, *rows, writeError); }, error);
}

} // namespace

bool WallpaperChanger::apply(const QString& name, const QString& path, const QString& folder, QString* error) {
    const bool applied = applyPicture(name, path, folder, error);
    // The picture's pixels, here and in the desktop binding, are all freed by now.
    releaseFreedMemory();
    return applied;
}

bool WallpaperChanger::applyPicture(const QString& name, const QString& path, const QString& folder, QString* error) {
    if (name.right(4).toUpper() == QLatin1String(".BMP")) {
        // The desktop decodes the bitmap itself. Its header is read first, so that a file that is no picture, or
        // one that lies about its size, is reported and kept from the desktop; a file gone since the scan is the
        // desktop's to report.
        std::unique_ptr<PictureRows> header;
        if (QFileInfo::exists(path) && !openPictureRows(path, &header, error))
            return false;
        tellDesktop(path);
        return true;
    }
    const QString converted = joinPath(folder, ConvertedPictureName);
    if (!writeBitmapCopy(path, converted, error))
        return false;
    tellDesktop(converted);
    return true;
}

void WallpaperChanger::tellDesktop(const QString& path) {
    // An unsupported desktop would refuse every switch; it is said once per new complaint.
    QString complaint;
    if (desktop_.setWallpaper(path, &complaint)) {
        lastDesktopComplaint_.clear();
        return;
    }
    if (complaint != lastDesktopComplaint_)
        reportProblem(QStringLiteral("the desktop did not take %1: %2").arg(path, complaint));
    lastDesktopComplaint_ = complaint;
}
