// SPDX-License-Identifier: MIT
// The content-named copies that GNOME is handed: a hard link to a picture of the user's own, a copy of anyone else's,
// and no copy at all, never a short one under the content's name, when the disk fills up during the copy.

#include "platform/linux/wallpaper_copies.h"
#include "support/skip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t Nobody = 65534;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct stat statusOf(const QString& path) {
    struct stat status {};
    stat(QFile::encodeName(path).constData(), &status);
    return status;
}

} // namespace

class TestWallpaperCopies final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void linkedOrCopied_data();
    void linkedOrCopied();
    void fullDiskLeavesNoCopy_data();
    void fullDiskLeavesNoCopy();

private:
    QString picture(const QByteArray& content, bool foreign);

    QTemporaryDir dataHome_;
    QTemporaryDir pictures_;
};

void TestWallpaperCopies::initTestCase() {
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
}

// A picture of the user's own, or of another user's (which only root can make).
QString TestWallpaperCopies::picture(const QByteArray& content, bool foreign) {
    const QString path = pictures_.filePath(QString::fromLatin1(content.toHex().left(12)) + QStringLiteral(".bmp"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    file.close();
    return !foreign || chown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0 ? path : QString();
}

void TestWallpaperCopies::linkedOrCopied_data() {
    QTest::addColumn<bool>("foreign");
    QTest::newRow("the user's own picture is linked") << false;
    QTest::newRow("another user's picture is copied") << true;
}

// A link to another user's file would let its owner change what the desktop shows.
void TestWallpaperCopies::linkedOrCopied() {
    QFETCH(bool, foreign);
    if (foreign && geteuid() != 0)
        SKIP_WITHOUT_TOOL(QStringLiteral("only root can give a picture to another user"));
    const QByteArray content = foreign ? "BM of someone else" : "BM of my own";
    const QString path = picture(content, foreign);
    QVERIFY(!path.isEmpty());
    QString error;
    const std::optional<QString> copy = WallpaperCopies::place(path, &error);
    QVERIFY2(copy, qPrintable(error));
    QCOMPARE(contentOf(*copy), content);
    QCOMPARE(statusOf(*copy).st_ino == statusOf(path).st_ino, !foreign);
    QCOMPARE(statusOf(*copy).st_uid, foreign ? geteuid() : statusOf(path).st_uid);
}

void TestWallpaperCopies::fullDiskLeavesNoCopy_data() {
    QTest::addColumn<int>("bytes");
    QTest::newRow("a picture larger than the write buffer fails in a write") << 256 * 1024;
    QTest::newRow("a picture the write buffer holds fails in the flush") << 8 * 1024;
}

// The disk fills up during the copy: writes past the file size limit fail as on a full disk. The copy fails with a
// message and leaves nothing; once there is room, the next switch copies the picture whole.
void TestWallpaperCopies::fullDiskLeavesNoCopy() {
    QFETCH(int, bytes);
    if (geteuid() != 0)
        SKIP_WITHOUT_TOOL(QStringLiteral("only root can give a picture to another user, whose pictures are copied"));
    QVERIFY(QDir(WallpaperCopies::folder()).removeRecursively());
    QByteArray content(bytes, 'x');
    content.prepend("BM full disk ");
    const QString path = picture(content, true);
    QVERIFY(!path.isEmpty());
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit full = before;
    full.rlim_cur = 4096;
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    const auto restore = qScopeGuard([&] {
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previousSignal);
    });
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
    QString error;
    QVERIFY(!WallpaperCopies::place(path, &error));
    QVERIFY2(error.contains(QStringLiteral("cannot write %1/").arg(WallpaperCopies::folder())), qPrintable(error));
    QCOMPARE(QDir(WallpaperCopies::folder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &before), 0);
    const std::optional<QString> copy = WallpaperCopies::place(path, &error);
    QVERIFY2(copy, qPrintable(error));
    QCOMPARE(contentOf(*copy), content);
    // A short copy under the content's name, as earlier versions could leave, is made anew rather than shown.
    QVERIFY(QFile::resize(*copy, 4096));
    QCOMPARE(WallpaperCopies::place(path, &error), copy);
    QCOMPARE(contentOf(*copy), content);
}

QTEST_GUILESS_MAIN(TestWallpaperCopies)
#include "test_wallpaper_copies.moc"
