#include "fakes/fakes.h"
#include "pictures/picture_list.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

bool isPermutation(const std::vector<qint32>& order, qint32 count) {
    std::vector<qint32> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (qint32 i = 0; i < count; ++i) {
        if (sorted.size() != static_cast<std::size_t>(count) || sorted[static_cast<std::size_t>(i)] != i + 1)
            return false;
    }
    return true;
}

PictureList listOf(qint32 count) {
    PictureList pictures;
    pictures.FileCount = count;
    return pictures;
}

} // namespace

class TestPictureList final : public QObject {
    Q_OBJECT
private slots:
    void pictureNames_data();
    void pictureNames();
    void scanKeepsListingOrder();
    void scanOfRealFolder();
    void rootWithTrailingSeparator();
    void rescanReflectsFolderAndRestartsCycle();
    void missingFolderGivesEmptyList();
    void listingFailureKeepsListConsistent();
    void shuffle_data();
    void shuffle();
    void shuffleIsAlwaysAPermutation();
    void hugeFolder();
};

void TestPictureList::pictureNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("taken");
    for (const char* name : {"sea.gif", "SEA.Gif", "photo.bmp", "PHOTO.BMP", "a.jpg", "a.jpeg", "A.JPEG", "photojpeg",
                             "clip.mjpeg", "jpeg", "temp.bmp.jpg", "mytemp.bmp"})
        QTest::newRow(name) << QString::fromLatin1(name) << true;
    for (const char* name : {"temp.bmp", "TEMP.BMP", "Temp.Bmp", "a.jpe", "a.png", "a.tif", "a.gif.txt", "bmp", ""})
        QTest::newRow(*name ? name : "empty") << QString::fromLatin1(name) << false;
}

void TestPictureList::pictureNames() {
    QFETCH(QString, name);
    QFETCH(bool, taken);
    QCOMPARE(isPictureName(name), taken);
}

void TestPictureList::scanKeepsListingOrder() {
    FakeFolderLister lister;
    lister.folders.insert("/p", {"z.jpg", "notes.txt", "temp.bmp", "a.gif", "M.BMP"});
    FakeRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, "/p", lister, random, nullptr));
    QVERIFY(pictures.Scanned);
    QCOMPARE(pictures.PictureFiles, (QStringList{"z.jpg", "a.gif", "M.BMP"}));
    QCOMPARE(pictures.FileCount, 3);
    QCOMPARE(pictures.OrderPos, 1);
    QVERIFY(isPermutation(pictures.ShowOrder, 3));
}

void TestPictureList::scanOfRealFolder() {
    QTemporaryDir dir;
    for (const char* name : {"one.jpg", "two.gif", "TEMP.BMP", ".hidden.jpg", "readme.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
    FakeRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, dir.path(), *makeFolderLister(), random, nullptr));
    QStringList found = pictures.PictureFiles;
    found.sort();
    QCOMPARE(found, (QStringList{"one.jpg", "two.gif"}));
    QCOMPARE(pictures.FileCount, 2);
}

void TestPictureList::rootWithTrailingSeparator() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    FakeRandom random;
    PictureList plain, trailing;
    const std::unique_ptr<FolderLister> lister = makeFolderLister();
    QVERIFY(ReadFiles(plain, dir.path(), *lister, random, nullptr));
    QVERIFY(ReadFiles(trailing, dir.path() + QLatin1Char('/'), *lister, random, nullptr));
    QCOMPARE(trailing.PictureFiles, plain.PictureFiles);
    QCOMPARE(plain.PictureFiles, QStringList{"a.jpg"});
}

void TestPictureList::rescanReflectsFolderAndRestartsCycle() {
    FakeFolderLister lister;
    lister.folders.insert("/p", {"a.jpg", "b.jpg", "c.jpg"});
    FakeRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, "/p", lister, random, nullptr));
    pictures.OrderPos = 3;
    lister.folders.insert("/p", {"b.jpg", "d.gif"});
    QVERIFY(ReadFiles(pictures, "/p", lister, random, nullptr));
    QCOMPARE(pictures.PictureFiles, (QStringList{"b.jpg", "d.gif"}));
    QCOMPARE(pictures.FileCount, 2);
    QCOMPARE(pictures.OrderPos, 1);
}

void TestPictureList::missingFolderGivesEmptyList() {
    FakeRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, QStringLiteral("/no/such/folder"), *makeFolderLister(), random, nullptr));
    QVERIFY(pictures.Scanned);
    QVERIFY(pictures.PictureFiles.isEmpty());
    QCOMPARE(pictures.FileCount, 0);
}

void TestPictureList::listingFailureKeepsListConsistent() {
    FakeFolderLister lister;
    lister.folders.insert("/p", {"a.jpg", "b.jpg"});
    lister.unreadable.insert("/gone");
    FakeRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, "/p", lister, random, nullptr));
    QString error;
    QVERIFY(!ReadFiles(pictures, "/gone", lister, random, &error));
    QVERIFY(error.contains(QLatin1String("/gone")));
    QCOMPARE(pictures.FileCount, pictures.PictureFiles.size());
    QVERIFY(isPermutation(pictures.ShowOrder, pictures.FileCount));
}

void TestPictureList::shuffle_data() {
    QTest::addColumn<qint32>("count");
    QTest::addColumn<QList<float>>("draws");
    QTest::addColumn<std::vector<qint32>>("order");
    QTest::addColumn<int>("drawsMade");
    QTest::newRow("worked example") << 3 << QList<float>{0.0f, 0.99f} << std::vector<qint32>{1, 3, 2} << 2;
    QTest::newRow("one picture, no draw") << 1 << QList<float>{0.7f} << std::vector<qint32>{1} << 0;
    QTest::newRow("two, draw below half") << 2 << QList<float>{0.49f} << std::vector<qint32>{1, 2} << 1;
    QTest::newRow("two, draw of half") << 2 << QList<float>{0.5f} << std::vector<qint32>{2, 1} << 1;
    QTest::newRow("zero draws never move") << 4 << QList<float>{0.0f} << std::vector<qint32>{1, 2, 3, 4} << 3;
    const float justBelowOne = std::nextafter(1.0f, 0.0f);
    QTest::newRow("just below one picks the last")
        << 3 << QList<float>{justBelowOne} << std::vector<qint32>{3, 1, 2} << 2;
    QTest::newRow("empty folder") << 0 << QList<float>{} << std::vector<qint32>{} << 0;
}

void TestPictureList::shuffle() {
    QFETCH(qint32, count);
    QFETCH(QList<float>, draws);
    QFETCH(std::vector<qint32>, order);
    QFETCH(int, drawsMade);
    PictureList pictures = listOf(count);
    pictures.OrderPos = 7;
    FakeRandom random;
    random.draws = draws;
    ShuffleOrder(pictures, random);
    QCOMPARE(pictures.ShowOrder, order);
    QCOMPARE(random.drawn, drawsMade);
    QCOMPARE(pictures.OrderPos, 1);
}

void TestPictureList::shuffleIsAlwaysAPermutation() {
    SystemRandom random;
    random.seedFromClock();
    for (qint32 count : {2, 3, 10, 257}) {
        PictureList pictures = listOf(count);
        for (int round = 0; round < 50; ++round) {
            ShuffleOrder(pictures, random);
            QVERIFY2(isPermutation(pictures.ShowOrder, count), qPrintable(QString::number(count)));
        }
    }
}

void TestPictureList::hugeFolder() {
    QStringList names;
    for (int i = 0; i < 40000; ++i)
        names.append(QStringLiteral("p%1.jpg").arg(i));
    FakeFolderLister lister;
    lister.folders.insert("/big", names);
    SystemRandom random;
    PictureList pictures;
    QVERIFY(ReadFiles(pictures, "/big", lister, random, nullptr));
    QCOMPARE(pictures.FileCount, 40000);
    QVERIFY(isPermutation(pictures.ShowOrder, 40000));
}

QTEST_GUILESS_MAIN(TestPictureList)
#include "test_picture_list.moc"
