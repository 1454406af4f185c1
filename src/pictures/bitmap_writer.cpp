#include "pictures/bitmap_writer.h"

#include "core/problem_log.h"
#include "pictures/picture_rows.h"

#include <QFileDevice>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr int HeaderBytes = 14 + 40;
// About a megabyte per write: few system calls, little memory.
constexpr qint64 WriteBlockBytes = qint64(1) << 20;
// 72 dots per inch, what Qt's writer gives a picture that names no density.
constexpr qint32 DotsPerMeter = 2834;

template <typename Value> void put(uchar*& at, Value value) {
    qToLittleEndian(value, at);
    at += sizeof value;
}

QString nameOf(const QIODevice& out) {
    const auto* file = qobject_cast<const QFileDevice*>(&out);
    return file ? file->fileName() : QStringLiteral("the bitmap");
}

} // namespace

bool writeBitmap(QIODevice& out, PictureRows& rows, QString* error) {
    const qint64 width = rows.size().width();
    const qint64 height = rows.size().height();
    const qint64 rowBytes = (width * 3 + 3) / 4 * 4;
    const qint64 imageBytes = rowBytes * height;
    if (HeaderBytes + imageBytes > std::numeric_limits<quint32>::max())
        return fail(error, QStringLiteral("cannot write %1: a %2 x %3 picture is too large for a bitmap file")
                               .arg(nameOf(out))
                               .arg(width)
                               .arg(height));
    const auto refused = [&out, error] {
        return fail(error, QStringLiteral("cannot write %1: %2").arg(nameOf(out), out.errorString()));
    };

    uchar header[HeaderBytes];
    uchar* at = header;
    put<quint8>(at, 'B');
    put<quint8>(at, 'M');
    put(at, static_cast<quint32>(HeaderBytes + imageBytes));
    put<quint32>(at, 0);
    put<quint32>(at, HeaderBytes);
    put<quint32>(at, 40);
    put(at, static_cast<qint32>(width));
    put(at, static_cast<qint32>(height));
    put<quint16>(at, 1);
    put<quint16>(at, 24);
    put<quint32>(at, 0);
    put(at, static_cast<quint32>(imageBytes));
    put(at, DotsPerMeter);
    put(at, DotsPerMeter);
    put<quint32>(at, 0);
    put<quint32>(at, 0);
    if (!out.seek(0) || out.write(reinterpret_cast<const char*>(header), HeaderBytes) != HeaderBytes)
        return refused();

    // A block of rows is one stretch of the file: rows that come top row first fill it from its end.
    const bool topDown = rows.order() == RowOrder::TopDown;
    const qint64 rowsPerBlock = std::clamp<qint64>(WriteBlockBytes / rowBytes, 1, height);
    std::vector<uchar> block(static_cast<std::size_t>(rowsPerBlock * rowBytes), 0); // the padding stays 0
    for (qint64 done = 0; done < height;) {
        const qint64 count = std::min(rowsPerBlock, height - done);
        for (qint64 i = 0; i < count; ++i) {
            if (!rows.readRow(block.data() + (topDown ? count - 1 - i : i) * rowBytes, error))
                return false;
        }
        const qint64 firstFileRow = topDown ? height - done - count : done;
        const qint64 bytes = count * rowBytes;
        if (!out.seek(HeaderBytes + firstFileRow * rowBytes) ||
            out.write(reinterpret_cast<const char*>(block.data()), bytes) != bytes)
            return refused();
        done += count;
    }
    return true;
}
