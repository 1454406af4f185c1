#include "pictures/picture_check.h"
#include "platform/diagnostics.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace {

// No format the program reads packs more than about 33000 decoded bytes into one byte of file: a one-colour
// 1-bit PNG comes closest, a one-colour GIF reaches some 6000, a JPEG a few hundred. Twice the most leaves every
// real picture alone.
constexpr qint64 MostDecodedBytesPerFileByte = 65536;
// A picture this small decodes cheaply whatever its file holds.
constexpr qint64 AlwaysAffordableBytes = 16 << 20;

// A GIF is decoded onto its logical screen, which its header declares apart from the frames' size.
QSize gifScreenSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(10);
    if (head.size() < 10 || !head.startsWith("GIF8"))
        return {};
    return {qFromLittleEndian<quint16>(head.constData() + 6), qFromLittleEndian<quint16>(head.constData() + 8)};
}

QSize declaredSize(const QString& path) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize size = reader.size();
    return reader.format() == "gif" ? size.expandedTo(gifScreenSize(path)) : size;
}

} // namespace

bool holdsDeclaredSize(const QString& path, QString* error) {
    // Opening a pipe would block for ever, and a device may never end; a missing file is left to the next reader.
    const QFileInfo file(path);
    if (file.exists() && !file.isFile())
        return fail(error, QStringLiteral("%1 is not a plain file").arg(path));
    // A bitmap stored top row first declares a negative height; the pixels are as many either way.
    const QSize size = declaredSize(path);
    const qint64 width = std::abs(qint64(size.width()));
    const qint64 height = std::abs(qint64(size.height()));
    const qint64 decodedBytes = width * height * 4;
    const qint64 fileBytes = file.size();
    if (decodedBytes <= AlwaysAffordableBytes || decodedBytes / MostDecodedBytesPerFileByte <= fileBytes)
        return true;
    return fail(error, QStringLiteral("the picture %1 claims %2 x %3 pixels, more than its %4 bytes can hold")
                           .arg(path)
                           .arg(width)
                           .arg(height)
                           .arg(fileBytes));
}

bool isAcceptedPicture(const QString& path, QString* error) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (!format.isEmpty() && format != "bmp" && format != "gif" && format != "jpeg")
        return fail(error, QStringLiteral("%1 holds a %2 picture, not a GIF, JPEG or BMP one")
                               .arg(path, QString::fromLatin1(format.toUpper())));
    return holdsDeclaredSize(path, error);
}
