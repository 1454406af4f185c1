#include "switching/wallpaper_changer.h"

#include "pictures/bitmap_copy.h"
#include "pictures/picture_check.h"
#include "pictures/picture_list.h"
#include "platform/desktop_wallpaper.h"
#include "platform/diagnostics.h"
#include "platform/memory_release.h"

#include <QDir>

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

bool WallpaperChanger::apply(const QString& name, const QString& path, const QString& folder, QString* error) {
    const bool applied = applyPicture(name, path, folder, error);
    // The picture's pixels, here and in the desktop binding, are all freed by now.
    releaseFreedMemory();
    return applied;
}

bool WallpaperChanger::applyPicture(const QString& name, const QString& path, const QString& folder, QString* error) {
    if (name.right(4).toUpper() == QLatin1String(".BMP")) {
        // The desktop decodes the bitmap itself; a header that lies about its size is kept from it.
        if (!holdsDeclaredSize(path, error))
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
