// SPDX-License-Identifier: MIT
// openPictureRows over arbitrary file content, under each name the folder scan takes, then either writeBitmap or
// fillImage over every row. Properties: a failure names the picture or the bitmap written; a picture that opens has
// a size within the decode limit and yields every row, the bitmap written is exactly as long as its header says, and
// the fill drawn from the rows while the bitmap is written is the fill of the bitmap read back.

#include "fuzz_support.h"

#include "pictures/bitmap_writer.h"
#include "pictures/picture_fill.h"
#include "pictures/picture_rows.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryFile>

namespace {

const char* const Names[] = {"picture.jpg", "picture.gif", "picture.bmp"};
// Small, so that every input decodes in milliseconds; the limit's own logic runs all the more often.
constexpr qint64 DecodeLimitBytes = 4 << 20;
const QSize Screens[] = {QSize(7, 5), QSize(300, 100)};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    silenceMessages();
    new QCoreApplication(*argc, *argv); // for Qt's GIF plug-in
    return workspace().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QString path = workspace().filePath(QString::fromLatin1(Names[data[0] % std::size(Names)]));
    const int use = data[0] / std::size(Names) % 3;
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1)) == qint64(size - 1));
    }
    std::unique_ptr<PictureRows> rows;
    QString error;
    if (!openPictureRows(path, &rows, &error, DecodeLimitBytes)) {
        FUZZ_CHECK(!rows && error.contains(path));
        return 0;
    }
    const QSize picture = rows->size();
    FUZZ_CHECK(picture.width() > 0 && picture.height() > 0);
    FUZZ_CHECK(qint64(picture.width()) * picture.height() * 4 <= DecodeLimitBytes);
    if (use < 2) {
        const std::optional<QImage> filled = fillImage(*rows, Screens[use], &error);
        FUZZ_CHECK(filled ? filled->size() == Screens[use] : error.contains(path));
        return 0;
    }
    QTemporaryFile written(workspace().filePath(QStringLiteral("temp.bmp.XXXXXX")));
    FUZZ_CHECK(written.open());
    PictureFill drawn(picture, rows->order(), Screens[1]);
    if (!writeBitmap(written, *rows, &error, [&drawn](const uchar* bgr) { drawn.addRow(bgr); })) {
        FUZZ_CHECK(error.contains(path));
        return 0;
    }
    const qint64 rowBytes = (qint64(picture.width()) * 3 + 3) / 4 * 4;
    FUZZ_CHECK(written.flush() && written.size() == 54 + rowBytes * picture.height());
    std::unique_ptr<PictureRows> back;
    FUZZ_CHECK(openPictureRows(written.fileName(), &back, &error, DecodeLimitBytes));
    const std::optional<QImage> fromRows = drawn.finish(&error);
    const std::optional<QImage> fromBitmap = fillImage(*back, Screens[1], &error);
    FUZZ_CHECK(fromRows && fromBitmap && *fromRows == *fromBitmap);
    return 0;
}
