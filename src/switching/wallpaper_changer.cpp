// SPDX-License-Identifier: MIT
#include "switching/wallpaper_changer.h"

#include "core/atomic_file.h"
#include "core/memory_release.h"
#include "core/paths.h"
#include "core/ports/desktop_wallpaper.h"
#include "core/problem_log.h"
#include "core/write_behind.h"
#include "pictures/bitmap_writer.h"
#include "pictures/picture_rows.h"
#include "switching/picture_list.h"

#include <QFileInfo>

#include <system_error>

namespace {

// Decodes `source` by its content and writes it whole, at its own size, as a bitmap at `target`, replacing the file
// atomically: a reader sees the old bitmap or the new one, never a part. A desktop that draws the picture itself
// takes the rows as they are written, into `drawn`.
bool writeBitmapCopy(const QString& source, const QString& target, DesktopWallpaper& desktop,
                     std::unique_ptr<WallpaperRowSink>* drawn, QString* error) {
    std::unique_ptr<PictureRows> rows;
    if (!openPictureRows(source, &rows, error))
        return false;
    *drawn = desktop.rowSink(rows->size(), rows->order() == RowOrder::TopDown);
    RowConsumer alsoEachRow;
    if (WallpaperRowSink* sink = drawn->get())
        alsoEachRow = [sink](const uchar* bgr) { sink->addRow(bgr); };
    return writeFileAtomically(
        target,
        [&rows, &alsoEachRow](QIODevice& out, QString* writeError) {
            return writeBitmap(out, *rows, writeError, alsoEachRow);
        },
        error);
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
        tellDesktop(path, nullptr);
        return true;
    }
    const QString converted = joinPath(folder, ConvertedPictureName);
    auto replaced = std::make_unique<ReplacedFileHold>(converted);
    std::unique_ptr<WallpaperRowSink> drawn;
    if (!writeBitmapCopy(path, converted, desktop_, &drawn, error))
        return false;
    letGo(std::move(replaced));
    tellDesktop(converted, drawn.get());
    return true;
}

WallpaperChanger::~WallpaperChanger() {
    if (lettingGo_.joinable())
        lettingGo_.join();
}

void WallpaperChanger::letGo(std::unique_ptr<ReplacedFileHold> replaced) {
    // The last one was let go long ago, a switch or more before.
    if (lettingGo_.joinable())
        lettingGo_.join();
    try {
        lettingGo_ = std::thread([held = std::move(replaced)] {});
    } catch (const std::system_error&) {
        // Without a thread it is let go here, as if it had not been held.
    }
}

void WallpaperChanger::tellDesktop(const QString& path, WallpaperRowSink* drawn) {
    // An unsupported desktop would refuse every switch; it is said once per new complaint.
    QString complaint;
    if (drawn ? drawn->show(path, &complaint) : desktop_.setWallpaper(path, &complaint)) {
        lastDesktopComplaint_.clear();
        return;
    }
    if (complaint != lastDesktopComplaint_)
        reportProblem(QStringLiteral("the desktop did not take %1: %2").arg(path, complaint));
    lastDesktopComplaint_ = complaint;
}
