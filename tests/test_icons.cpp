// SPDX-License-Identifier: MIT
#include <QImage>
#include <QImageReader>
#include <QSize>
#include <QTest>

namespace {

QString resourcePath(const QString& name) {
    return QStringLiteral(":/icons/") + name;
}

// Qt's icon reader drops the mask of 24-bit images, so their background arrives as opaque black; on the window's
// black background that looks the same as transparent.
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

} // namespace

class TestIcons final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(icons); }
    void everyImageShowsASymbol_data();
    void everyImageShowsASymbol();
    void pointerHotSpotIsOnTheFingertip();
};

void TestIcons::everyImageShowsASymbol_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("buttonSize"); // the first image decides the size of the button showing it
    QTest::newRow("program icon") << "quorlen.ico" << QSize(32, 32);
    QTest::newRow("apply") << "apply.ico" << QSize(48, 48);
    QTest::newRow("exit") << "exit.ico" << QSize(32, 32);
    QTest::newRow("hide") << "hide.ico" << QSize(32, 32);
    QTest::newRow("about") << "about.ico" << QSize(16, 16);
    QTest::newRow("next") << "next.ico" << QSize(16, 16);
    QTest::newRow("stop") << "stop.ico" << QSize(32, 32);
    QTest::newRow("pointer") << "pointer.cur" << QSize(32, 32);
}

void TestIcons::everyImageShowsASymbol() {
    QFETCH(QString, name);
    QFETCH(QSize, buttonSize);
    QImageReader reader(resourcePath(name));
    QCOMPARE(reader.size(), buttonSize);
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY2(hasSymbolAndBackground(image), qPrintable(QStringLiteral("%1 image %2").arg(name).arg(i)));
    }
}

// The pointer's hot spot (column 12, row 1) is where its finger ends.
void TestIcons::pointerHotSpotIsOnTheFingertip() {
    const QImage image = QImageReader(resourcePath(QStringLiteral("pointer.cur"))).read();
    QCOMPARE(qAlpha(image.pixel(12, 1)), 255);
}

QTEST_GUILESS_MAIN(TestIcons)
#include "test_icons.moc"
