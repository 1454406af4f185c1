// SPDX-License-Identifier: MIT
#include "support/sample_pictures.h"

#include "pictures/picture_rows.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Pixels = QList<QRgb>; // top row first

constexpr QRgb K = 0xFF000000; // black: what transparent pixels and indices past the palette show
constexpr QRgb W = 0xFFFFFFFF;
constexpr QRgb R = 0xFFFF0000;
constexpr QRgb G = 0xFF00FF00;
constexpr QRgb B = 0xFF0000FF;

// White at index 0, so that a skipped pixel shown as index 0 is told from black.
const QByteArray Palette = words({0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF});

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (const int value : values)
        out.append(char(value));
    return out;
}

// An OS/2 1.x bitmap: a 12-byte core header and a palette of 3-byte entries.
QByteArray coreBitmap(quint16 width, quint16 height, quint16 bits, const QByteArray& palette,
                      const QByteArray& pixels) {
    const QByteArray core = bytes({12, 0, 0, 0, width & 255, width >> 8, height & 255, height >> 8, 1, 0, bits, 0});
    const int pixelsAt = 14 + 12 + int(palette.size());
    return "BM" + words({quint32(pixelsAt + pixels.size()), 0, quint32(pixelsAt)}) + core + palette + pixels;
}

} // namespace

class TestBitmapRows final : public QObject {
    Q_OBJECT
private slots:
    void pixels_data();
    void pixels();
    void refusals_data();
    void refusals();

private:
    QTemporaryDir folder_;
};

void TestBitmapRows::pixels_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Pixels>("expected");

    // Bottom row first: a run and end of line; a delta over the rest of a row into the next; a literal run and a
    // run past the row's end; a run and end of bitmap.
    const QByteArray rle8 = bytes({3, 1, 0, 0, 0, 2, 2, 1, 0, 3, 2, 3, 2, 0, 4, 3, 0, 0, 2, 0, 0, 1});
    const QByteArray rle4 = bytes({3, 0x11, 0, 0, 0, 2, 2, 1, 0, 3, 0x23, 0x20, 4, 0x33, 0, 0, 2, 0x00, 0, 1});
    const Pixels runLengthPicture{W, W, W, W, W, W, W, W, G, B, G, B, W, W, W, W, W, W, R, R, R, W, W, W};
    QTest::newRow("RLE8 with delta and end-of-line codes: skipped pixels are palette entry 0")
        << bitmapOf(6, 4, 8, 1, rle8, Palette) << QSize(6, 4) << runLengthPicture;
    QTest::newRow("RLE4 with delta and end-of-line codes: skipped pixels are palette entry 0")
        << bitmapOf(6, 4, 4, 2, rle4, Palette) << QSize(6, 4) << runLengthPicture;

    const QByteArray v3Masks565 = words({0xF800, 0x07E0, 0x001F, 0});
    const QByteArray v3MasksArgb = words({0xFF0000, 0xFF00, 0xFF, 0xFF000000});
    QTest::newRow("a V3 header with 16-bit 5-6-5 pixels")
        << bitmapOf(2, 1, 16, 3, words({0x07E0FFFF}), {}, 56, v3Masks565) << QSize(2, 1) << Pixels{W, G};
    QTest::newRow("a V3 header with 32-bit pixels and alpha: composited over black")
        << bitmapOf(2, 1, 32, 3, words({0x80FF0000, 0x0000FF00}), {}, 56, v3MasksArgb) << QSize(2, 1)
        << Pixels{qRgb(128, 0, 0), K};
    QTest::newRow("a V3 header with 32-bit pixels whose alpha is all 0: opaque")
        << bitmapOf(2, 1, 32, 3, words({0x00FF0000, 0x0000FF00}), {}, 56, v3MasksArgb) << QSize(2, 1) << Pixels{R, G};
    QTest::newRow("16-bit 5-5-5 pixels: white is 255, a middle grey scaled")
        << bitmapOf(2, 1, 16, 0, words({0x42107FFF})) << QSize(2, 1) << Pixels{W, qRgb(132, 132, 132)};
    QTest::newRow("32-bit 10-bit bit fields after a 40-byte header")
        << bitmapOf(2, 1, 32, 3, words({0x3FFFFFFF, 0x20000000}), words({0x3FF00000, 0xFFC00, 0x3FF})) << QSize(2, 1)
        << Pixels{W, qRgb(128, 0, 0)};
    QTest::newRow("an 8-bit palette of four colours: higher indices are black")
        << bitmapOf(4, 1, 8, 0, bytes({0, 1, 4, 255}), Palette) << QSize(4, 1) << Pixels{W, R, K, K};
    QTest::newRow("an OS/2 1.x core header with a 1-bit palette")
        << coreBitmap(3, 2, 1, bytes({0, 0, 255, 255, 0, 0}), bytes({0xA0, 0, 0, 0, 0x40, 0, 0, 0})) << QSize(3, 2)
        << Pixels{R, B, R, B, R, B};
    QTest::newRow("a top-down 24-bit bitmap")
        << bitmapOf(1, -2, 24, 0, words({0xFF0000, 0x0000FF})) << QSize(1, 2) << Pixels{R, B};
    QTest::newRow("a megabyte past what the header accounts for")
        << bitmapOf(1, -2, 24, 0, words({0xFF0000, 0x0000FF})) + QByteArray(1 << 20, '\0') << QSize(1, 2)
        << Pixels{R, B};
}

void TestBitmapRows::pixels() {
    QFETCH(QByteArray, file);
    QFETCH(QSize, size);
    QFETCH(Pixels, expected);
    const QString path = folder_.filePath(QStringLiteral("picture.bmp"));
    QVERIFY(writeFile(path, file));
    std::unique_ptr<PictureRows> rows;
    QString error;
    QVERIFY2(openPictureRows(path, &rows, &error), qPrintable(error));
    QCOMPARE(rows->size(), size);
    const QImage picture = readWhole(*rows, &error);
    QVERIFY2(!picture.isNull(), qPrintable(error));
    Pixels got;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            got.append(picture.pixel(x, y));
    }
    QCOMPARE(got, expected);
}

void TestBitmapRows::refusals_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason");
    const QByteArray pixel = words({0});
    QTest::newRow("overlapping masks") << bitmapOf(1, 1, 16, 3, pixel, words({0xF800, 0x0FE0, 0x1F}))
                                       << "red and green masks that overlap";
    QTest::newRow("a mask of two runs of bits")
        << bitmapOf(1, 1, 16, 3, pixel, words({0xF0F0, 0x0F00, 0xF})) << "not one run of bits";
    QTest::newRow("a mask wider than the pixel")
        << bitmapOf(1, 1, 16, 3, pixel, words({0xF0000, 0xF00, 0xF})) << "outside its 16-bit pixels";
    QTest::newRow("an OS/2 2.x header with Huffman coding") << bitmapOf(1, 1, 1, 3, pixel, {}, 64) << "Huffman";
    QTest::newRow("an info header of 20 bytes") << bitmapOf(1, 1, 24, 0, pixel, {}, 20) << "info header of 20 bytes";
    QTest::newRow("rows cut short") << bitmapOf(4, 4, 24, 0, pixel) << "cut short";
    QTest::newRow("an embedded JPEG") << bitmapOf(1, 1, 24, 4, pixel) << "JPEG picture inside";
    QTest::newRow("7 bits per pixel") << bitmapOf(1, 1, 7, 0, pixel) << "7 bits per pixel";
    QTest::newRow("a 100000 x 100000 claim in 60 bytes") << bitmapOf(100000, 100000, 24, 0, pixel) << "can hold";
    QTest::newRow("a byte more than a megabyte past what the header accounts for")
        << bitmapOf(1, 1, 24, 0, pixel) + QByteArray((1 << 20) + 1, '\0') << "over a megabyte more than the 58";
}

void TestBitmapRows::refusals() {
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    const QString path = folder_.filePath(QStringLiteral("refused.bmp"));
    QVERIFY(writeFile(path, file));
    std::unique_ptr<PictureRows> rows;
    QString error;
    QVERIFY(!openPictureRows(path, &rows, &error));
    QVERIFY2(error.contains(path) && error.contains(reason), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestBitmapRows)
#include "test_bitmap_rows.moc"
