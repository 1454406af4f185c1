// SPDX-License-Identifier: MIT
#include "core/paths.h"
#include "support/fakes.h"
#include "support/skip.h"
#include "switching/wallpaper_changer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QImage solid(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool save(const QImage& image, const QString& path, const char* format) {
    return image.save(path, format);
}

QColor bitmapColour(const QByteArray& bytes) {
    QImage image;
    image.loadFromData(bytes, "BMP");
    return image.isNull() ? QColor() : image.pixelColor(0, 0);
}

// Rewrites the frame size in a baseline JPEG's SOF0 header.
QByteArray withClaimedSize(QByteArray jpeg, quint16 width, quint16 height) {
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        return {};
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

struct Folder {
    QTemporaryDir dir;
    FakeDesktop desktop;
    WallpaperChanger changer{desktop};
    QString path(const QString& name) const { return dir.filePath(name); }
    // Named as the program names it: the folder, the native separator, the name.
    QString converted() const { return joinPath(dir.path(), QStringLiteral("temp.bmp")); }
    bool apply(const QString& name, QString* error = nullptr) {
        return changer.apply(name, path(name), dir.path(), error);
    }
};

} // namespace

class TestWallpaperChanger final : public QObject {
    Q_OBJECT
private slots:
    void bitmapGoesStraightToDesktop_data();
    void bitmapGoesStraightToDesktop();
    void othersAreConverted_data();
    void othersAreConverted();
    void contentDecidesNotName();
    void twoConversionsInARow();
    void symbolicLinkIsReplacedNotFollowed();
    void saveFailureLeavesOldBitmap();
    void unreadablePictures_data();
    void unreadablePictures();
    void bigPhotographConverts();
#ifdef Q_OS_UNIX
    void bitmapFollowsTheUmask_data();
    void bitmapFollowsTheUmask();
    void linkOutOfTheFolder_data();
    void linkOutOfTheFolder();
#endif
    void joinPathInsertsOneSeparator_data();
    void joinPathInsertsOneSeparator();
};

void TestWallpaperChanger::bitmapGoesStraightToDesktop_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("lower") << "photo.bmp";
    QTest::newRow("upper") << "PHOTO.BMP";
    QTest::newRow("mixed") << "Photo.Bmp";
}

void TestWallpaperChanger::bitmapGoesStraightToDesktop() {
    QFETCH(QString, name);
    Folder folder;
    QVERIFY(save(solid(4, 4, Qt::red), folder.path(name), "BMP"));
    QVERIFY(folder.apply(name));
    QCOMPARE(folder.desktop.paths, QStringList{folder.path(name)});
    QVERIFY(!QFile::exists(folder.converted()));
}

void TestWallpaperChanger::othersAreConverted_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg") << "a.jpeg" << QByteArray("JPEG");
    QTest::newRow("jpg") << "a.jpg" << QByteArray("JPEG");
    QTest::newRow("gif") << "a.gif" << QByteArray("GIF");
}

void TestWallpaperChanger::othersAreConverted() {
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    Folder folder;
    if (!QImageReader::supportedImageFormats().contains(format.toLower()))
        SKIP_WITHOUT_TOOL(QStringLiteral("no image plugin for this format"));
    const QString source = folder.path(name);
    if (format == "GIF") {
        // Qt reads GIF but cannot write it: a minimal 1x1 GIF stands in for a real one.
        QFile gif(source);
        QVERIFY(gif.open(QIODevice::WriteOnly));
        gif.write(QByteArray::fromBase64("R0lGODlhAQABAIAAAAAA/////yH5BAAAAAAALAAAAAABAAEAAAICRAEAOw=="));
    } else {
        QVERIFY(save(solid(30, 20, Qt::blue), source, format.constData()));
    }
    QVERIFY(folder.apply(name));
    QCOMPARE(folder.desktop.paths, QStringList{folder.converted()});
    QImageReader written(folder.converted());
    QCOMPARE(written.format(), QByteArray("bmp"));
    QCOMPARE(written.size(), QImageReader(source).size());
}

void TestWallpaperChanger::contentDecidesNotName() {
    Folder folder;
    QVERIFY(save(solid(8, 8, Qt::green), folder.path(QStringLiteral("really-a-bitmap.jpg")), "BMP"));
    QVERIFY(folder.apply(QStringLiteral("really-a-bitmap.jpg")));
    QCOMPARE(bitmapColour(folder.desktop.contents.value(0)), QColor(Qt::green));
}

void TestWallpaperChanger::twoConversionsInARow() {
    Folder folder;
    QVERIFY(save(solid(8, 8, Qt::red), folder.path(QStringLiteral("one.jpg")), "BMP"));
    QVERIFY(save(solid(8, 8, Qt::blue), folder.path(QStringLiteral("two.jpg")), "BMP"));
    QVERIFY(save(solid(8, 8, Qt::white), folder.converted(), "BMP")); // the user's own temp.bmp
    QVERIFY(folder.apply(QStringLiteral("one.jpg")));
    QVERIFY(folder.apply(QStringLiteral("two.jpg")));
    QCOMPARE(folder.desktop.paths, (QStringList{folder.converted(), folder.converted()}));
    QCOMPARE(bitmapColour(folder.desktop.contents.value(0)), QColor(Qt::red));
    QCOMPARE(bitmapColour(folder.desktop.contents.value(1)), QColor(Qt::blue));
    const QStringList leftovers = QDir(folder.dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(leftovers.size(), 3);
}

void TestWallpaperChanger::symbolicLinkIsReplacedNotFollowed() {
    Folder folder;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("precious.txt"));
    QFile precious(target);
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.write("keep me");
    precious.close();
    QVERIFY(QFile::link(target, folder.converted()));
    QVERIFY(save(solid(8, 8, Qt::red), folder.path(QStringLiteral("a.jpg")), "JPEG"));
    QVERIFY(folder.apply(QStringLiteral("a.jpg")));
    QVERIFY(!QFileInfo(folder.converted()).isSymLink());
    QVERIFY(precious.open(QIODevice::ReadOnly));
    QCOMPARE(precious.readAll(), QByteArray("keep me"));
}

void TestWallpaperChanger::saveFailureLeavesOldBitmap() {
    Folder folder;
    QVERIFY(save(solid(8, 8, Qt::red), folder.path(QStringLiteral("a.jpg")), "JPEG"));
    // A folder in the way of temp.bmp cannot be replaced, even by root.
    QVERIFY(QDir(folder.dir.path()).mkpath(QStringLiteral("temp.bmp/inside")));
    QString error;
    QVERIFY(!folder.apply(QStringLiteral("a.jpg"), &error));
    QVERIFY2(error.contains(QLatin1String("temp.bmp")), qPrintable(error));
    QVERIFY(folder.desktop.paths.isEmpty());
    QCOMPARE(QDir(folder.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.jpg"});
}

void TestWallpaperChanger::unreadablePictures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty jpeg") << "empty.jpg" << QByteArray();
    QTest::newRow("text named gif") << "text.gif" << QByteArray("GIF? no, just words\n");
    QTest::newRow("truncated jpeg") << "cut.jpg" << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
    QTest::newRow("missing file") << "gone.jpg" << QByteArray("-");
#ifdef Q_OS_UNIX
    // Windows has no named pipes in the file system.
    QTest::newRow("pipe") << "pipe.gif" << QByteArray("|");
#endif
}

void TestWallpaperChanger::unreadablePictures() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    Folder folder;
    if (content == "|") {
#ifdef Q_OS_UNIX
        QVERIFY(mkfifo(QFile::encodeName(folder.path(name)).constData(), 0600) == 0);
#endif
    } else if (content != "-") {
        QFile file(folder.path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString error;
    QVERIFY(!folder.apply(name, &error));
    QVERIFY2(error.contains(name), qPrintable(error));
    QVERIFY(folder.desktop.paths.isEmpty());
    QVERIFY(!QFile::exists(folder.converted()));
}

void TestWallpaperChanger::bigPhotographConverts() {
    Folder folder;
    QVERIFY(save(solid(12000, 9000, Qt::darkCyan), folder.path(QStringLiteral("big.jpg")), "JPEG"));
    QVERIFY(folder.apply(QStringLiteral("big.jpg")));
    QCOMPARE(QImageReader(folder.converted()).size(), QSize(12000, 9000));
    QFile::remove(folder.converted());

    // A header that claims 65000 x 65000 is refused before any memory is taken for it.
    QFile small(folder.path(QStringLiteral("big.jpg")));
    QVERIFY(save(solid(16, 16, Qt::red), small.fileName(), "JPEG"));
    QVERIFY(small.open(QIODevice::ReadOnly));
    const QByteArray bomb = withClaimedSize(small.readAll(), 65000, 65000);
    QVERIFY(!bomb.isEmpty());
    QFile bombFile(folder.path(QStringLiteral("bomb.jpg")));
    QVERIFY(bombFile.open(QIODevice::WriteOnly));
    bombFile.write(bomb);
    bombFile.close();
    QString error;
    QVERIFY(!folder.apply(QStringLiteral("bomb.jpg"), &error));
}

#ifdef Q_OS_UNIX
void TestWallpaperChanger::bitmapFollowsTheUmask_data() {
    QTest::addColumn<int>("umask");
    QTest::addColumn<int>("mode");
    QTest::newRow("umask 077 keeps the bitmap private") << 077 << 0600;
    QTest::newRow("umask 022 lets others read it") << 022 << 0644;
}

void TestWallpaperChanger::bitmapFollowsTheUmask() {
    QFETCH(int, umask);
    QFETCH(int, mode);
    const mode_t before = ::umask(mode_t(umask));
    Folder folder;
    const bool applied = save(solid(8, 8, Qt::red), folder.path(QStringLiteral("a.jpg")), "JPEG") &&
                         folder.apply(QStringLiteral("a.jpg"));
    ::umask(before);
    QVERIFY(applied);
    struct stat status {};
    QCOMPARE(stat(QFile::encodeName(folder.converted()).constData(), &status), 0);
    QCOMPARE(int(status.st_mode & 0777), mode);
}

void TestWallpaperChanger::linkOutOfTheFolder_data() {
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("shown");
    QTest::newRow("a folder all can write refuses it") << 0777 << false;
    QTest::newRow("the user's own folder follows it") << 0700 << true;
}

// A link put in place after the scan, as another user who can write the folder could do: the picture is checked again
// as it is opened.
void TestWallpaperChanger::linkOutOfTheFolder() {
    QFETCH(int, folderMode);
    QFETCH(bool, shown);
    Folder folder;
    QTemporaryDir elsewhere;
    const QString secret = elsewhere.filePath(QStringLiteral("scan.jpg"));
    QVERIFY(save(solid(8, 8, Qt::red), secret, "JPEG") && QFile::link(secret, folder.path(QStringLiteral("x.jpg"))));
    QCOMPARE(chmod(QFile::encodeName(folder.dir.path()).constData(), mode_t(folderMode)), 0);
    QString error;
    QCOMPARE(folder.apply(QStringLiteral("x.jpg"), &error), shown);
    QCOMPARE(QFile::exists(folder.converted()), shown);
    QVERIFY2(shown || error.contains(QLatin1String("links out of its folder")), qPrintable(error));
}
#endif

void TestWallpaperChanger::joinPathInsertsOneSeparator_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("joined");
    QTest::newRow("plain folder") << "/home/me/pics" << QStringLiteral("/home/me/pics") + QDir::separator() + "a.jpg";
    QTest::newRow("trailing separator") << "/home/me/pics/"
                                        << "/home/me/pics/a.jpg";
    QTest::newRow("root") << "/"
                          << "/a.jpg";
}

void TestWallpaperChanger::joinPathInsertsOneSeparator() {
    QFETCH(QString, folder);
    QFETCH(QString, joined);
    QCOMPARE(joinPath(folder, QStringLiteral("a.jpg")), joined);
}

QTEST_GUILESS_MAIN(TestWallpaperChanger)
#include "test_wallpaper_changer.moc"
