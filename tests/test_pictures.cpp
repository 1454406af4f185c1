// SPDX-License-Identifier: MIT
#include "support/sample_pictures.h"

#include "pictures/bitmap_writer.h"
#include "pictures/picture_fill.h"
#include "pictures/picture_rows.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstring>

#include <sys/stat.h>

namespace {

using Pixels = QList<QRgb>; // top row first; a single pixel stands for every pixel

QByteArray encoded(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format);
    return bytes;
}

// Rewrites the frame size in a baseline JPEG's SOF0 header.
QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height) {
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

QImage solid(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// Rows of noise that fail at row `failAt`.
class FailingRows final : public PictureRows {
public:
    FailingRows(QSize size, int failAt)
        : PictureRows(QStringLiteral("failing.jpg"), size, RowOrder::TopDown), failAt_(failAt) {}

protected:
    bool readNextRow(uchar* bgr, QString* error) override {
        std::memset(bgr, ++row_, std::size_t(size().width()) * 3);
        if (row_ != failAt_)
            return true;
        *error = QStringLiteral("failing.jpg is damaged");
        return false;
    }

private:
    int failAt_;
    int row_ = 0;
};

// A device that takes no byte past `room`.
class FullDisk final : public QBuffer {
public:
    explicit FullDisk(qint64 room) : room_(room) {}

protected:
    qint64 writeData(const char* data, qint64 length) override {
        return pos() + length > room_ ? -1 : QBuffer::writeData(data, length);
    }

private:
    qint64 room_;
};

} // namespace

class TestPictures final : public QObject {
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void transparentGifShowsBlack();
    void writtenBitmapIsThePicture_data();
    void writtenBitmapIsThePicture();
    void fillCropsTheOverflow_data();
    void fillCropsTheOverflow();
    void fillImage_data();
    void fillImage();
    void fillWhileWritingIsTheFillOfTheBitmap_data();
    void fillWhileWritingIsTheFillOfTheBitmap();
    void writingStopsAtAFailurePartWay_data();
    void writingStopsAtAFailurePartWay();
    void declaredSizeAgainstFileSize_data();
    void declaredSizeAgainstFileSize();

private:
    std::unique_ptr<PictureRows> open(const QByteArray& content, QString* error = nullptr);

    QTemporaryDir folder_;
};

std::unique_ptr<PictureRows> TestPictures::open(const QByteArray& content, QString* error) {
    const QString path = folder_.filePath(QStringLiteral("picture.jpg"));
    std::unique_ptr<PictureRows> rows;
    if (!writeFile(path, content) || !openPictureRows(path, &rows, error))
        return nullptr;
    return rows;
}

void TestPictures::refusals_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    const QByteArray jpeg = jpegOf(solid(16, 16, Qt::red), JpegKind::Baseline);
#ifdef Q_OS_UNIX
    // Windows has no named pipes in the file system.
    QTest::newRow("a named pipe is never opened") << QByteArray("|") << "is not a plain file";
#endif
    QTest::newRow("a missing file") << QByteArray("-") << "cannot open";
    QTest::newRow("an empty file") << QByteArray() << "is empty";
    QTest::newRow("a PNG named like a JPEG") << encoded(solid(4, 4, Qt::red), "PNG") << "holds a PNG picture";
    QTest::newRow("text named like a JPEG") << QByteArray("just words\n") << "is not a picture";
    QTest::newRow("a JPEG cut inside its tables") << jpeg.left(100) << "is a damaged JPEG";
    QTest::newRow("a small JPEG claiming 65000 x 65000 pixels") << withClaimedSize(jpeg, 65000, 65000) << "can hold";
}

void TestPictures::refusals() {
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = folder_.filePath(QStringLiteral("refused.jpg"));
    QFile::remove(path);
    if (content == "|") {
#ifdef Q_OS_UNIX
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    } else if (content != "-") {
        QVERIFY(writeFile(path, content));
    }
    std::unique_ptr<PictureRows> rows;
    QString error;
    QVERIFY(!openPictureRows(path, &rows, &error));
    QVERIFY2(error.contains(path) && error.contains(reason), qPrintable(error));
}

// A 2 x 1 GIF with a green and a red palette entry, whose green one is transparent.
void TestPictures::transparentGifShowsBlack() {
    QString error;
    const std::unique_ptr<PictureRows> rows =
        open(QByteArray::fromBase64("R0lGODlhAgABAIAAAAD/AP8AACH5BAEAAAAALAAAAAACAAEAAAICRAoAOw=="), &error);
    QVERIFY2(rows, qPrintable(error));
    const QImage picture = readWhole(*rows);
    QCOMPARE(picture.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(picture.pixel(1, 0), qRgb(255, 0, 0));
}

void TestPictures::writtenBitmapIsThePicture_data() {
    QTest::addColumn<QByteArray>("content");
    const QImage picture = noise(701, 520, 11); // padded rows; more than one write block
    QTest::newRow("a JPEG, whose rows come top row first") << jpegOf(picture, JpegKind::Baseline);
    QTest::newRow("a bottom-up bitmap, whose rows come bottom row first") << encoded(picture, "BMP");
    QTest::newRow("a top-down bitmap") << bitmapOf(3, -2, 24, 0, encoded(noise(3, 2, 5), "BMP").mid(54));
}

void TestPictures::writtenBitmapIsThePicture() {
    QFETCH(QByteArray, content);
    QString error;
    std::unique_ptr<PictureRows> rows = open(content, &error);
    QVERIFY2(rows, qPrintable(error));
    QTemporaryFile written;
    QVERIFY(written.open());
    QVERIFY2(writeBitmap(written, *rows, &error), qPrintable(error));
    written.close();
    QImageReader reader(written.fileName(), "bmp");
    const QImage readBack = reader.read().convertToFormat(QImage::Format_RGB32);
    rows = open(content);
    QCOMPARE(readBack, readWhole(*rows));
}

void TestPictures::fillCropsTheOverflow_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("same proportions") << QSize(400, 300) << QSize(320, 240) << QRect(0, 0, 400, 300);
    QTest::newRow("wider: sides cropped") << QSize(800, 300) << QSize(320, 240) << QRect(200, 0, 400, 300);
    QTest::newRow("taller: top and bottom cropped") << QSize(300, 800) << QSize(320, 240) << QRect(0, 287, 300, 225);
    QTest::newRow("smaller than the screen") << QSize(16, 9) << QSize(1920, 1080) << QRect(0, 0, 16, 9);
    QTest::newRow("one pixel") << QSize(1, 1) << QSize(1920, 1080) << QRect(0, 0, 1, 1);
    QTest::newRow("very wide strip") << QSize(10000, 2) << QSize(1024, 768) << QRect(4998, 0, 3, 2);
    QTest::newRow("no picture") << QSize(0, 0) << QSize(320, 240) << QRect(0, 0, 0, 0);
}

void TestPictures::fillCropsTheOverflow() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(QRect, expected);
    QCOMPARE(fillSourceRect(picture, screen), expected);
}

void TestPictures::fillImage_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<Pixels>("expected");
    // Each target pixel takes 2/3 of one source pixel and 1/3 of its neighbour along each axis.
    QImage greys(3, 3, QImage::Format_RGB32);
    const int levels[3][3] = {{0, 90, 180}, {30, 120, 210}, {60, 150, 240}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x)
            greys.setPixel(x, y, qRgb(levels[y][x], levels[y][x], levels[y][x]));
    }
    const Pixels averaged{qRgb(40, 40, 40), qRgb(160, 160, 160), qRgb(80, 80, 80), qRgb(200, 200, 200)};
    QTest::newRow("3 x 3 to 2 x 2 by area, rows bottom-up") << encoded(greys, "BMP") << QSize(2, 2) << averaged;
    QTest::newRow("3 x 3 to 2 x 2 by area, rows top-down")
        << bitmapOf(3, -3, 24, 0, encoded(greys.mirrored(), "BMP").mid(54)) << QSize(2, 2) << averaged;
    // 800 x 300 onto 4:3 keeps x = 200..600: only the red band shows.
    QImage band = solid(800, 300, Qt::green);
    QPainter(&band).fillRect(200, 0, 400, 300, Qt::red);
    QTest::newRow("a wide picture keeps its middle")
        << encoded(band, "BMP") << QSize(320, 240) << Pixels{qRgb(255, 0, 0)};
    QTest::newRow("a small picture grows")
        << encoded(solid(16, 9, Qt::blue), "BMP") << QSize(64, 36) << Pixels{qRgb(0, 0, 255)};
}

void TestPictures::fillImage() {
    QFETCH(QByteArray, content);
    QFETCH(QSize, target);
    QFETCH(Pixels, expected);
    QString error;
    const std::unique_ptr<PictureRows> rows = open(content, &error);
    QVERIFY2(rows, qPrintable(error));
    const std::optional<QImage> filled = ::fillImage(*rows, target, &error);
    QVERIFY2(filled, qPrintable(error));
    QCOMPARE(filled->size(), target);
    QCOMPARE(filled->format(), QImage::Format_RGB32);
    for (int i = 0; i < target.width() * target.height(); ++i) {
        const QRgb want = expected.size() == 1 ? expected.first() : expected.at(i);
        QCOMPARE(filled->pixel(i % target.width(), i / target.width()), want);
    }
}

// The screen's picture drawn from the rows as the bitmap is written equals the one drawn from the bitmap afterwards,
// whichever order the rows come in.
void TestPictures::fillWhileWritingIsTheFillOfTheBitmap_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("target");
    const QImage picture = noise(640, 1500, 7); // several blocks of rows
    QTest::newRow("JPEG rows, top row first, shrunk") << jpegOf(picture, JpegKind::Baseline) << QSize(300, 200);
    QTest::newRow("bitmap rows, bottom row first, shrunk") << encoded(picture, "BMP") << QSize(300, 200);
    QTest::newRow("a small picture, grown")
        << jpegOf(picture.copy(0, 0, 40, 30), JpegKind::Baseline) << QSize(300, 200);
}

void TestPictures::fillWhileWritingIsTheFillOfTheBitmap() {
    QFETCH(QByteArray, content);
    QFETCH(QSize, target);
    QString error;
    const std::unique_ptr<PictureRows> rows = open(content, &error);
    QVERIFY2(rows, qPrintable(error));
    PictureFill drawn(rows->size(), rows->order(), target);
    QTemporaryFile bitmap(folder_.filePath(QStringLiteral("temp.bmp.XXXXXX")));
    QVERIFY(bitmap.open());
    QVERIFY2(writeBitmap(bitmap, *rows, &error, [&drawn](const uchar* bgr) { drawn.addRow(bgr); }), qPrintable(error));
    QVERIFY(bitmap.flush());
    std::unique_ptr<PictureRows> written;
    QVERIFY2(openPictureRows(bitmap.fileName(), &written, &error), qPrintable(error));
    const std::optional<QImage> fromRows = drawn.finish(&error);
    const std::optional<QImage> fromBitmap = ::fillImage(*written, target, &error);
    QVERIFY2(fromRows && fromBitmap, qPrintable(error));
    QCOMPARE(*fromRows, *fromBitmap);
}

// The rows are read on one thread and written on another: a failure on either side ends both, with its message.
void TestPictures::writingStopsAtAFailurePartWay_data() {
    QTest::addColumn<int>("failAt");
    QTest::addColumn<qint64>("room");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a row cannot be read") << 1500 << (qint64(1) << 32) << "failing.jpg is damaged";
    QTest::newRow("the disk fills up") << 0 << (qint64(2) << 20) << "cannot write the bitmap";
}

void TestPictures::writingStopsAtAFailurePartWay() {
    QFETCH(int, failAt);
    QFETCH(qint64, room);
    QFETCH(QString, reason);
    FullDisk out(room);
    QVERIFY(out.open(QIODevice::WriteOnly));
    FailingRows rows(QSize(600, 2000), failAt);
    int handedOn = 0;
    QString error;
    QVERIFY(!writeBitmap(out, rows, &error, [&handedOn](const uchar*) { ++handedOn; }));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(handedOn < 2000);
}

// The check of a header's size against its file leaves real pictures alone, however well they compress.
void TestPictures::declaredSizeAgainstFileSize_data() {
    QTest::addColumn<QByteArray>("content");
    QImage photo(2000, 1500, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
    }
    // 96 MB decoded from some 200 kB of JPEG.
    QTest::newRow("one-colour JPEG of 6000 x 4000") << encoded(solid(6000, 4000, Qt::darkBlue), "JPEG");
    QTest::newRow("busy 2000 x 1500 JPEG") << encoded(photo, "JPEG");
    QTest::newRow("small bitmap") << encoded(solid(64, 48, Qt::darkCyan), "BMP");
}

void TestPictures::declaredSizeAgainstFileSize() {
    QFETCH(QByteArray, content);
    QString error;
    QVERIFY2(open(content, &error), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestPictures)
#include "test_pictures.moc"
