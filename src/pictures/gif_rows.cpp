#include "pictures/decoders.h"
#include "platform/diagnostics.h"

#include <QImageReader>
#include <QtEndian>

// GIF goes through Qt's reader, which gives the first frame drawn onto the file's logical screen; its transparent
// pixels are then composited over black by the held rows.

bool openGifRows(std::unique_ptr<QFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                 QString* error) {
    const QString path = file->fileName();
    uchar head[10];
    if (file->peek(reinterpret_cast<char*>(head), sizeof head) != sizeof head)
        return fail(error, QStringLiteral("the GIF %1 is cut short inside its header").arg(path));
    const QSize screen(qFromLittleEndian<quint16>(head + 6), qFromLittleEndian<quint16>(head + 8));
    QImageReader reader(file.get(), "gif");
    const QSize size = reader.size().expandedTo(screen);
    if (!holdsDeclaredSize(*file, size.width(), size.height(), decodeLimitBytes, error))
        return false;
    // Qt's own limit, far lower by default, stays behind the one checked above; it is one setting for the process.
    const int limitMegabytes = static_cast<int>(std::min<qint64>((decodeLimitBytes >> 20) + 1, INT_MAX));
    if (QImageReader::allocationLimit() < limitMegabytes)
        QImageReader::setAllocationLimit(limitMegabytes);
    QImage picture;
    if (!reader.read(&picture))
        return fail(error, QStringLiteral("the GIF %1 cannot be read: %2").arg(path, reader.errorString()));
    *rows = heldRows(path, std::move(picture));
    return true;
}
