#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QSize>
#include <QTest>
#include <QtEndian>

namespace {

QString resourcePath(const QString& name) {
    return QStringLiteral(":/pictures/") + name;
}

// Qt's icon reader drops the mask of 24-bit images, so their background arrives as opaque black; on the
// window's black background that looks the same as transparent, and the masks are checked on the file.
bool hasSymbolAndBackground(const QImage& image) {
    bool symbol = false;
    bool background = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const bool black = (pixel & 0xffffff) == 0;
            symbol = symbol || (qAlpha(pixel) == 255 && !black);
            background = background || qAlpha(pixel) == 0 || black;
        }
    }
    return symbol && background;
}

quint16 word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// One directory entry of an icon or cursor file, with the colour depth read from its bitmap header.
struct Entry {
    int side;
    int depth;
    int maskedPixels; // pixels the AND mask leaves transparent
    int field1;       // planes (icons) or hot spot column (cursors)
    int field2;       // bit count (icons) or hot spot row (cursors)
};

QList<Entry> entries(const QByteArray& file) {
    QList<Entry> result;
    const int count = word(file, 4);
    for (int i = 0; i < count; ++i) {
        const int at = 6 + 16 * i;
        const int side = static_cast<quint8>(file.at(at)) == 0 ? 256 : static_cast<quint8>(file.at(at));
        const int image = int(dword(file, at + 12));
        const int depth = word(file, image + 14);
        const int paletteBytes = depth <= 8 ? 4 << depth : 0;
        const int colourBytes = ((side * depth + 31) / 32) * 4 * side;
        const int maskRowBytes = ((side + 31) / 32) * 4;
        const QByteArray mask = file.mid(image + 40 + paletteBytes + colourBytes, maskRowBytes * side);
        int masked = 0;
        for (int row = 0; row < side; ++row) {
            for (int x = 0; x < side; ++x)
                masked += (static_cast<quint8>(mask.at(row * maskRowBytes + x / 8)) >> (7 - x % 8)) & 1;
        }
        result.append({side, depth, masked, word(file, at + 4), word(file, at + 6)});
    }
    return result;
}

} // namespace

class PicturesTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(pictures); }

    void fileLayout_data();
    void fileLayout();
    void imagesLoadAndShowSomething_data();
    void imagesLoadAndShowSomething();
    void cursorHotSpotIsTheFingertip();
};

void PicturesTest::fileLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fileType"); // 1 icon, 2 cursor
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QList<int>>("sides");
    QTest::addColumn<int>("depth");

    QTest::newRow("window icon: one 32x32 in 16 colours") << "tivelo.ico" << 1 << qint64(766) << QList<int>{32} << 4;
    QTest::newRow("apply: 48, 32, 16 in 256 colours")
        << "image1.ico" << 1 << qint64(7406) << QList<int>{48, 32, 16} << 8;
    QTest::newRow("exit: 32, 16, 48 in 24-bit") << "image2.ico" << 1 << qint64(11502) << QList<int>{32, 16, 48} << 24;
    QTest::newRow("to tray: 32, 16 in 24-bit") << "image3.ico" << 1 << qint64(4150) << QList<int>{32, 16} << 24;
    QTest::newRow("help: 16, 32, 48 in 256 colours")
        << "image4.ico" << 1 << qint64(7406) << QList<int>{16, 32, 48} << 8;
    QTest::newRow("next: 16, 32 in 24-bit") << "image5.ico" << 1 << qint64(4150) << QList<int>{16, 32} << 24;
    QTest::newRow("stop: 32, 16 in 16 colours") << "image6.ico" << 1 << qint64(1078) << QList<int>{32, 16} << 4;
    QTest::newRow("pointer: one 32x32 in 16 colours") << "pointer.cur" << 2 << qint64(766) << QList<int>{32} << 4;
}

void PicturesTest::fileLayout() {
    QFETCH(QString, name);
    QFETCH(int, fileType);
    QFETCH(qint64, bytes);
    QFETCH(QList<int>, sides);
    QFETCH(int, depth);

    QFile file(resourcePath(name));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
    const QByteArray content = file.readAll();
    QCOMPARE(content.size(), bytes);
    QCOMPARE(word(content, 0), quint16(0));
    QCOMPARE(int(word(content, 2)), fileType);

    const QList<Entry> found = entries(content);
    QCOMPARE(found.size(), sides.size());
    for (int i = 0; i < found.size(); ++i) {
        QCOMPARE(found[i].side, sides[i]);
        QCOMPARE(found[i].depth, depth);
        QVERIFY2(found[i].maskedPixels > 0 && found[i].maskedPixels < sides[i] * sides[i],
                 qPrintable(QStringLiteral("%1 image %2").arg(name).arg(i)));
    }
}

void PicturesTest::imagesLoadAndShowSomething_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("firstSize");

    QTest::newRow("window icon") << "tivelo.ico" << QSize(32, 32);
    QTest::newRow("apply") << "image1.ico" << QSize(48, 48);
    QTest::newRow("exit") << "image2.ico" << QSize(32, 32);
    QTest::newRow("to tray") << "image3.ico" << QSize(32, 32);
    QTest::newRow("help") << "image4.ico" << QSize(16, 16);
    QTest::newRow("next") << "image5.ico" << QSize(16, 16);
    QTest::newRow("stop") << "image6.ico" << QSize(32, 32);
    QTest::newRow("pointer") << "pointer.cur" << QSize(32, 32);
}

void PicturesTest::imagesLoadAndShowSomething() {
    QFETCH(QString, name);
    QFETCH(QSize, firstSize);

    QImageReader reader(resourcePath(name));
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    const QImage first = reader.read();
    QVERIFY2(!first.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(first.size(), firstSize);

    const int count = reader.imageCount();
    QVERIFY(count >= 1);
    for (int i = 0; i < count; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY2(hasSymbolAndBackground(image), qPrintable(QStringLiteral("%1 image %2").arg(name).arg(i)));
    }
}

void PicturesTest::cursorHotSpotIsTheFingertip() {
    QFile file(resourcePath(QStringLiteral("pointer.cur")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<Entry> found = entries(file.readAll());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].field1, 12);
    QCOMPARE(found[0].field2, 1);

    QImageReader reader(resourcePath(QStringLiteral("pointer.cur")));
    const QImage image = reader.read();
    QCOMPARE(qAlpha(image.pixel(12, 1)), 255);
}

QTEST_GUILESS_MAIN(PicturesTest)
#include "test_pictures.moc"
