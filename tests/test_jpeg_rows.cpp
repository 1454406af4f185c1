// SPDX-License-Identifier: MIT
#include "support/sample_pictures.h"

#include "pictures/picture_rows.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The picture a JPEG decodes to in one piece, as Qt's reader gives it (the same libjpeg-turbo underneath).
QImage decodedByQt(const QString& path, bool autoTransform = false) {
    QImageReader reader(path);
    reader.setAutoTransform(autoTransform);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

bool isNear(QRgb pixel, QColor colour) {
    return qAbs(qRed(pixel) - colour.red()) < 40 && qAbs(qGreen(pixel) - colour.green()) < 40 &&
           qAbs(qBlue(pixel) - colour.blue()) < 40;
}

} // namespace

class TestJpegRows final : public QObject {
    Q_OBJECT
private slots:
    void streamedRowsMatchAOnePieceDecode_data();
    void streamedRowsMatchAOnePieceDecode();
    void orientationTurnsThePhotoUpright_data();
    void orientationTurnsThePhotoUpright();
    void overTheLimitDecodesSmaller_data();
    void overTheLimitDecodesSmaller();
    void scansBoundedByTheirWork_data();
    void scansBoundedByTheirWork();

private:
    QTemporaryDir folder_;
};

void TestJpegRows::streamedRowsMatchAOnePieceDecode_data() {
    QTest::addColumn<JpegKind>("kind");
    QTest::newRow("a baseline JPEG") << JpegKind::Baseline;
    QTest::newRow("a progressive JPEG") << JpegKind::Progressive;
    QTest::newRow("a greyscale JPEG") << JpegKind::Greyscale;
    QTest::newRow("a CMYK JPEG with Adobe's inverted inks") << JpegKind::Cmyk;
    QTest::newRow("a CMYK JPEG without Adobe's marker: inverted all the same") << JpegKind::CmykWithoutAdobe;
    QTest::newRow("an arithmetic-coded JPEG") << JpegKind::Arithmetic;
}

void TestJpegRows::streamedRowsMatchAOnePieceDecode() {
    QFETCH(JpegKind, kind);
    const QString path = folder_.filePath(QStringLiteral("photo.jpg"));
    QVERIFY(writeFile(path, jpegOf(noise(67, 45, 7), kind))); // sizes that end inside a block
    std::unique_ptr<PictureRows> rows;
    QString error;
    QVERIFY2(openPictureRows(path, &rows, &error), qPrintable(error));
    QCOMPARE(rows->order(), RowOrder::TopDown);
    QCOMPARE(readWhole(*rows, &error), decodedByQt(path));
}

void TestJpegRows::orientationTurnsThePhotoUpright_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QPoint>("redCorner"); // where the stored top-left corner ends up: 0 or 1 for each side
    QTest::addColumn<quint16>("type");     // of the tag's value: 3 SHORT, 4 LONG, 9 SLONG
    QTest::newRow("1: as stored") << 1 << QPoint(0, 0) << quint16(3);
    QTest::newRow("2: mirrored left to right") << 2 << QPoint(1, 0) << quint16(3);
    QTest::newRow("3: turned 180 degrees") << 3 << QPoint(1, 1) << quint16(3);
    QTest::newRow("4: mirrored top to bottom") << 4 << QPoint(0, 1) << quint16(3);
    QTest::newRow("5: mirrored along the falling diagonal") << 5 << QPoint(0, 0) << quint16(3);
    QTest::newRow("6: turned 90 degrees clockwise") << 6 << QPoint(1, 0) << quint16(3);
    QTest::newRow("7: mirrored along the rising diagonal") << 7 << QPoint(1, 1) << quint16(3);
    QTest::newRow("8: turned 90 degrees counter-clockwise") << 8 << QPoint(0, 1) << quint16(3);
    QTest::newRow("6 as a little-endian LONG") << 6 << QPoint(1, 0) << quint16(4);
    QTest::newRow("3 as a big-endian LONG") << 3 << QPoint(1, 1) << quint16(4);
    QTest::newRow("8 as a little-endian SLONG") << 8 << QPoint(0, 1) << quint16(9);
    QTest::newRow("5 as a big-endian SLONG") << 5 << QPoint(0, 0) << quint16(9);
}

void TestJpegRows::orientationTurnsThePhotoUpright() {
    QFETCH(int, orientation);
    QFETCH(QPoint, redCorner);
    QFETCH(quint16, type);
    QImage stored(48, 32, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            stored.setPixel(x, y, qRgb(255, 0, 0));
    }
    const QString path = folder_.filePath(QStringLiteral("turned.jpg"));
    const QString asShort = folder_.filePath(QStringLiteral("turned-short.jpg"));
    QVERIFY(
        writeFile(path, jpegOf(stored, JpegKind::Baseline, exifWithOrientation(orientation, orientation % 2, type))));
    QVERIFY(writeFile(asShort, jpegOf(stored, JpegKind::Baseline, exifWithOrientation(orientation, orientation % 2))));
    std::unique_ptr<PictureRows> rows;
    QString error;
    QVERIFY2(openPictureRows(path, &rows, &error), qPrintable(error));
    const QImage upright = readWhole(*rows, &error);
    QCOMPARE(upright.size(), orientation >= 5 ? QSize(32, 48) : QSize(48, 32));
    const QPoint corner(redCorner.x() * (upright.width() - 1), redCorner.y() * (upright.height() - 1));
    QVERIFY(isNear(upright.pixel(corner), Qt::red));
    QVERIFY(isNear(upright.pixel(upright.width() - 1 - corner.x(), upright.height() - 1 - corner.y()), Qt::blue));
    // Qt's reader takes the tag as a SHORT only: the same photo tagged so is the reference.
    QCOMPARE(upright, decodedByQt(asShort, true));
}

void TestJpegRows::overTheLimitDecodesSmaller_data() {
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QSize>("decoded");
    QTest::newRow("within the limit: whole") << qint64(400 * 296 * 4) << QSize(400, 296);
    QTest::newRow("one byte over: half") << qint64(400 * 296 * 4 - 1) << QSize(200, 148);
    QTest::newRow("a tenth of it: a quarter") << qint64(400 * 296 * 4 / 10) << QSize(100, 74);
    QTest::newRow("too large even at 1/8") << qint64(49 * 37 * 4) << QSize();
}

void TestJpegRows::overTheLimitDecodesSmaller() {
    QFETCH(qint64, limit);
    QFETCH(QSize, decoded);
    const QString path = folder_.filePath(QStringLiteral("big.jpg"));
    QVERIFY(writeFile(path, jpegOf(noise(400, 296, 3), JpegKind::Baseline)));
    std::unique_ptr<PictureRows> rows;
    QString error;
    QCOMPARE(openPictureRows(path, &rows, &error, limit), decoded.isValid());
    if (!decoded.isValid()) {
        QVERIFY2(error.contains(path) && error.contains(QLatin1String("even at 1/8")), qPrintable(error));
        return;
    }
    QCOMPARE(rows->size(), decoded);
    QVERIFY2(!readWhole(*rows, &error).isNull(), qPrintable(error));
}

void TestJpegRows::scansBoundedByTheirWork_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("scans");
    QTest::addColumn<QString>("refusal"); // empty when the picture opens
    QTest::newRow("16 passes over each block of a large picture open") << QSize(8192, 4096) << 16 << QString();
    QTest::newRow("17 are refused") << QSize(8192, 4096) << 17 << "pass over its 524288 blocks more than 16 times";
    QTest::newRow("a small picture may take 500 scans") << QSize(256, 256) << 500 << QString();
    QTest::newRow("501 scans are refused") << QSize(8, 8) << 501 << "more than 500 scans";
}

// A few bytes make a scan that passes over every block of the picture: the work of a small file is bounded by scans
// times blocks, not by its size.
void TestJpegRows::scansBoundedByTheirWork() {
    QFETCH(QSize, size);
    QFETCH(int, scans);
    QFETCH(QString, refusal);
    const QString path = folder_.filePath(QStringLiteral("scans.jpg"));
    QVERIFY(writeFile(path, emptyScansJpeg(size.width(), size.height(), scans)));
    std::unique_ptr<PictureRows> rows;
    QString error;
    QCOMPARE(openPictureRows(path, &rows, &error), refusal.isEmpty());
    QVERIFY2(refusal.isEmpty() ? error.isEmpty() : error.contains(refusal), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestJpegRows)
#include "test_jpeg_rows.moc"
