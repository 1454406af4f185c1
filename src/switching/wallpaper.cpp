#include "switching/wallpaper.h"

#include "pictures/picture_list.h"
#include "platform/atomic_file.h"
#include "platform/desktop_wallpaper.h"
#include "platform/diagnostics.h"
#include "switching/picture_check.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

namespace {

// Qt refuses pictures over 128 MB decoded by default, which an ordinary 48-megapixel photo exceeds.
// 1 GB still takes 12000 x 9000 pictures while a header claiming an absurd size fails at once.
constexpr int DecodeLimitMegabytes = 1024;

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

bool readPicture(const QString& source, QImage& picture, QString* error) {
    // A pipe or device behind a picture's name would block the reader forever.
    if (!QFileInfo(source).isFile())
        return fail(error, QStringLiteral("%1 is not a readable file").arg(source));
    if (!holdsDeclaredSize(source, error))
        return false;
    QImageReader::setAllocationLimit(DecodeLimitMegabytes);
    QImageReader reader(source);
    reader.setDecideFormatFromContent(true);
    if (reader.read(&picture))
        return true;
    return fail(error, QStringLiteral("cannot read the picture %1: %2").arg(source, reader.errorString()));
}

void tellDesktop(DesktopWallpaper& desktop, const QString& path) {
    // An unsupported desktop would refuse every switch; say so once per new complaint.
    static QString lastComplaint;
    QString complaint;
    if (desktop.setWallpaper(path, &complaint)) {
        lastComplaint.clear();
        return;
    }
    if (complaint != lastComplaint)
        reportProblem(QStringLiteral("the desktop did not take %1: %2").arg(path, complaint));
    lastComplaint = complaint;
}

} // namespace

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + name;
    return folder + QDir::separator() + name;
}

bool writeBitmapCopy(const QString& source, const QString& target, QString* error) {
    QImage picture;
    if (!readPicture(source, picture, error))
        return false;
    return writeFileAtomically(
        target,
        [&picture, &target](QIODevice& out, QString* writeError) {
            QImageWriter writer(&out, "bmp");
            return writer.write(picture) ||
                   fail(writeError, QStringLiteral("cannot write %1: %2").arg(target, writer.errorString()));
        },
        error);
}

bool ApplyWallpaper(const QString& name, const QString& path, const QString& dirName, DesktopWallpaper& desktop,
                    QString* error) {
    if (name.right(4).toUpper() == QLatin1String(".BMP")) {
        // The desktop decodes the bitmap itself; a header that lies about its size is kept from it.
        if (!holdsDeclaredSize(path, error))
            return false;
        tellDesktop(desktop, path);
        return true;
    }
    const QString converted = joinPath(dirName, ConvertedPictureName);
    if (!writeBitmapCopy(path, converted, error))
        return false;
    tellDesktop(desktop, converted);
    return true;
}
