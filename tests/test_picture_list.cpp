// SPDX-License-Identifier: MIT
#include "platform/system_services.h"
#include "support/fakes.h"
#include "support/hostile.h"
#include "switching/picture_list.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

bool isPermutation(const PictureList& pictures) {
    std::vector<qsizetype> sorted = pictures.order;
    std::sort(sorted.begin(), sorted.end());
    for (qsizetype i = 0; i < pictures.names.size(); ++i) {
        if (sorted.size() != static_cast<std::size_t>(pictures.names.size()) ||
            sorted[static_cast<std::size_t>(i)] != i)
            return false;
    }
    return true;
}

// Pictures named by their place in the folder, counted from one.
PictureList listOf(qsizetype count) {
    PictureList pictures;
    for (qsizetype i = 1; i <= count; ++i)
        pictures.names.append(QString::number(i));
    return pictures;
}

QStringList shownOrder(const PictureList& pictures) {
    QStringList names;
    for (const qsizetype position : pictures.order)
        names.append(pictures.names.at(position));
    return names;
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
    void missingFolderGivesEmptyListAndAFailure();
    void listingFailureKeepsListConsistent();
#ifdef Q_OS_UNIX
    void entriesOthersMayHavePlaced_data();
    void entriesOthersMayHavePlaced();
#endif
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
    QVERIFY(scanFolder(pictures, "/p", lister, random, nullptr));
    QVERIFY(pictures.scanned);
    QCOMPARE(pictures.names, (QStringList{"z.jpg", "a.gif", "M.BMP"}));
    QCOMPARE(pictures.next, 0);
    QVERIFY(isPermutation(pictures));
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
    QVERIFY(scanFolder(pictures, dir.path(), *makeFolderLister(), random, nullptr));
    QStringList found = pictures.names;
    found.sort();
    QCOMPARE(found, (QStringList{"one.jpg", "two.gif"}));
}

void TestPictureList::rootWithTrailingSeparator() {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("a.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    FakeRandom random;
    PictureList plain, trailing;
    const std::unique_ptr<FolderLister> lister = makeFolderLister();
    QVERIFY(scanFolder(plain, dir.path(), *lister, random, nullptr));
    QVERIFY(scanFolder(trailing, dir.path() + QLatin1Char('/'), *lister, random, nullptr));
    QCOMPARE(trailing.names, plain.names);
    QCOMPARE(plain.names, QStringList{"a.jpg"});
}

void TestPictureList::rescanReflectsFolderAndRestartsCycle() {
    FakeFolderLister lister;
    lister.folders.insert("/p", {"a.jpg", "b.jpg", "c.jpg"});
    FakeRandom random;
    PictureList pictures;
    QVERIFY(scanFolder(pictures, "/p", lister, random, nullptr));
    pictures.next = 2;
    lister.folders.insert("/p", {"b.jpg", "d.gif"});
    QVERIFY(scanFolder(pictures, "/p", lister, random, nullptr));
    QCOMPARE(pictures.names, (QStringList{"b.jpg", "d.gif"}));
    QCOMPARE(pictures.next, 0);
}

void TestPictureList::missingFolderGivesEmptyListAndAFailure() {
    FakeRandom random;
    PictureList pictures;
    QString error;
    QVERIFY(!scanFolder(pictures, QStringLiteral("/no/such/folder"), *makeFolderLister(), random, &error));
    QVERIFY2(error.contains(QLatin1String("cannot open the folder /no/such/folder")), qPrintable(error));
    QVERIFY(pictures.scanned);
    QVERIFY(pictures.names.isEmpty());
}

void TestPictureList::listingFailureKeepsListConsistent() {
    FakeFolderLister lister;
    lister.folders.insert("/p", {"a.jpg", "b.jpg"});
    lister.unreadable.insert("/gone");
    FakeRandom random;
    PictureList pictures;
    QVERIFY(scanFolder(pictures, "/p", lister, random, nullptr));
    QString error;
    QVERIFY(!scanFolder(pictures, "/gone", lister, random, &error));
    QVERIFY(error.contains(QLatin1String("/gone")));
    QVERIFY(isPermutation(pictures));
}

#ifdef Q_OS_UNIX
void TestPictureList::entriesOthersMayHavePlaced_data() {
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("folderGroup"); // -1 for the group it was made with
    QTest::addColumn<QString>("entry");   // what x.jpg is: "link out", "link in", "foreign" or "bad name"
    QTest::addColumn<QString>("reason");  // said on the line of a skipped entry; empty for one listed
    const QString linksOut = QStringLiteral("links out of its folder, which others can write");
    QTest::newRow("a link out of a folder all can write is skipped") << 0777 << -1 << "link out" << linksOut;
    QTest::newRow("a link out of a sticky folder all can write is skipped") << 01777 << -1 << "link out" << linksOut;
    QTest::newRow("a link out of the user's own folder is followed") << 0755 << -1 << "link out" << QString();
    QTest::newRow("a link to a picture of the same folder is followed") << 0777 << -1 << "link in" << QString();
    QTest::newRow("a name that is not UTF-8 is skipped") << 0755 << -1 << "bad name"
                                                         << "not valid UTF-8";
    // Only root can give a file or a folder to another user or group.
    if (geteuid() != 0)
        return;
    QTest::newRow("a file of another user in a folder all can write is skipped")
        << 0777 << -1 << "foreign"
        << "belongs to another user, and others can write its folder";
    QTest::newRow("a file of another user in the user's own folder is listed") << 0755 << -1 << "foreign" << QString();
    QTest::newRow("a link out of a folder another group can write is skipped")
        << 0775 << 65534 << "link out" << linksOut;
}

// Another user who can write the folder could link a private picture of the user's into it, and have it converted
// into a temp.bmp they can read.
void TestPictureList::entriesOthersMayHavePlaced() {
    QFETCH(int, folderMode);
    QFETCH(int, folderGroup);
    QFETCH(QString, entry);
    QFETCH(QString, reason);
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("pictures"));
    const QString secret = base.filePath(QStringLiteral("private/scan.jpg"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(QFileInfo(secret).path()));
    QVERIFY(QFile(secret).open(QIODevice::WriteOnly) && QFile(folder + "/other.jpg").open(QIODevice::WriteOnly));
    const QString x = folder + QStringLiteral("/x.jpg");
    // Qt cannot name it, so QTemporaryDir cannot remove it.
    const QByteArray badName = QFile::encodeName(folder) + "/caf\xE9.jpg";
    const auto removeBadName = qScopeGuard([&badName] { unlink(badName.constData()); });
    if (entry == u"link out") {
        QVERIFY(QFile::link(secret, x));
    } else if (entry == u"link in") {
        QVERIFY(QFile::link(QStringLiteral("other.jpg"), x));
    } else if (entry == u"foreign") {
        QVERIFY(QFile(x).open(QIODevice::WriteOnly) && chown(QFile::encodeName(x).constData(), 65534, 65534) == 0);
    } else {
        const int made = open(badName.constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(made >= 0 && close(made) == 0);
    }
    const QByteArray folderName = QFile::encodeName(folder);
    QVERIFY(chmod(folderName.constData(), mode_t(folderMode)) == 0);
    QVERIFY(folderGroup < 0 || chown(folderName.constData(), uid_t(-1), gid_t(folderGroup)) == 0);
    ProblemLines problems;
    FakeRandom random;
    PictureList pictures;
    QVERIFY(scanFolder(pictures, folder, *makeFolderLister(), random, nullptr));
    QCOMPARE(pictures.names.size(), reason.isEmpty() ? 2 : 1);
    QCOMPARE(problems.lines.size(), reason.isEmpty() ? 0 : 1);
    QVERIFY2(reason.isEmpty() || problems.lines.first().contains(reason), qPrintable(problems.lines.join('\n')));
}
#endif

void TestPictureList::shuffle_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<float>>("draws");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<int>("drawsMade");
    QTest::newRow("worked example") << 3 << QList<float>{0.0f, 0.99f} << QStringList{"1", "3", "2"} << 2;
    QTest::newRow("one picture, no draw") << 1 << QList<float>{0.7f} << QStringList{"1"} << 0;
    QTest::newRow("two, draw below half") << 2 << QList<float>{0.49f} << QStringList{"1", "2"} << 1;
    QTest::newRow("two, draw of half") << 2 << QList<float>{0.5f} << QStringList{"2", "1"} << 1;
    QTest::newRow("zero draws never move") << 4 << QList<float>{0.0f} << QStringList{"1", "2", "3", "4"} << 3;
    const float justBelowOne = std::nextafter(1.0f, 0.0f);
    QTest::newRow("just below one picks the last")
        << 3 << QList<float>{justBelowOne} << QStringList{"3", "1", "2"} << 2;
    QTest::newRow("empty folder") << 0 << QList<float>{} << QStringList{} << 0;
}

void TestPictureList::shuffle() {
    QFETCH(int, count);
    QFETCH(QList<float>, draws);
    QFETCH(QStringList, order);
    QFETCH(int, drawsMade);
    PictureList pictures = listOf(count);
    pictures.next = 7;
    FakeRandom random;
    random.draws = draws;
    shuffleOrder(pictures, random);
    QCOMPARE(shownOrder(pictures), order);
    QCOMPARE(random.drawn, drawsMade);
    QCOMPARE(pictures.next, 0);
}

void TestPictureList::shuffleIsAlwaysAPermutation() {
    SystemRandom random;
    random.seedFromClock();
    for (qsizetype count : {2, 3, 10, 257}) {
        PictureList pictures = listOf(count);
        for (int round = 0; round < 50; ++round) {
            shuffleOrder(pictures, random);
            QVERIFY2(isPermutation(pictures), qPrintable(QString::number(count)));
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
    QVERIFY(scanFolder(pictures, "/big", lister, random, nullptr));
    QCOMPARE(pictures.names.size(), 40000);
    QVERIFY(isPermutation(pictures));
}

QTEST_GUILESS_MAIN(TestPictureList)
#include "test_picture_list.moc"
