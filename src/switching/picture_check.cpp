#include "switching/picture_check.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

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
    if (!size.isValid() || reader.format() != "gif")
        return size;
    return size.expandedTo(gifScreenSize(path));
}

} // namespace

bool holdsDeclaredSize(const QString& path, QString* error) {
    const QSize size = declaredSize(path);
    if (!size.isValid())
        return true;
    const qint64 decodedBytes = qint64(size.width()) * size.height() * 4;
    const qint64 fileBytes = QFileInfo(path).size();
    if (decodedBytes <= AlwaysAffordableBytes || decodedBytes / MostDecodedBytesPerFileByte <= fileBytes)
        return true;
    if (error)
        *error = QStringLiteral("the picture %1 claims %2 x %3 pixels, more than its %4 bytes can hold")
                     .arg(path)
                     .arg(size.width())
                     .arg(size.height())
                     .arg(fileBytes);
    return false;
}
