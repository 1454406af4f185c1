#include "pictures/screen_fill.h"

#include <QTest>

class TestScreenFill final : public QObject {
    Q_OBJECT
private slots:
    void fillCropsTheOverflow_data();
    void fillCropsTheOverflow();
};

void TestScreenFill::fillCropsTheOverflow_data() {
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

void TestScreenFill::fillCropsTheOverflow() {
    QFETCH(QSize, picture);
    QFETCH(QSize, screen);
    QFETCH(QRect, expected);
    QCOMPARE(fillSourceRect(picture, screen), expected);
}

QTEST_GUILESS_MAIN(TestScreenFill)
#include "test_screen_fill.moc"
