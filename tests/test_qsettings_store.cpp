// SPDX-License-Identifier: MIT
// The real settings store against settings files and folders that are not what they should be. Run as root, the
// test becomes "nobody" first, so that permission bits bind.

#include "core/ports/settings_store.h"
#include "platform/system_services.h"
#include "support/hostile.h"
#include "support/skip.h"
#include "switching/config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QByteArray GoodSettings = "[Tivelo]\nInterval=45\npause=False\nDirName=/pictures\nUpdateRegistry=True\n";

enum class Setup {
    Missing,
    Good,
    LinkToGood,
    LinkIntoMissingFolder,
    Folder,
    NamedPipe,
    LinkToEndlessDevice,
    Unreadable,
    RandomBytes,
    GarbageAfterSection,
    BrokenSectionHeader,
    ReadOnlyFolder,
    ReadOnlyConfigHome,
};

QByteArray randomBytes() {
    QByteArray bytes;
    quint32 state = 2463534242u; // xorshift: the same garbage every run
    for (int i = 0; i < 4096; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.append(char(state & 0xFF));
    }
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads a file whatever its permissions, and leaves them as they were.
QByteArray readFileAnyway(const QString& path) {
    const QFileDevice::Permissions permissions = QFile::permissions(path);
    QFile::setPermissions(path, permissions | QFileDevice::ReadOwner);
    const QByteArray bytes = readFile(path);
    QFile::setPermissions(path, permissions);
    return bytes;
}

// A config home with the settings file in the given state; `elsewhere` holds what links point to.
struct ConfigHome {
    ~ConfigHome() {
        // Lets the temporary folders remove themselves.
        chmod(QFile::encodeName(home.path()).constData(), 0755);
        chmod(QFile::encodeName(folder()).constData(), 0755);
    }
    QTemporaryDir home;
    QTemporaryDir elsewhere;
    QString folder() const { return home.filePath(QStringLiteral("Tivelo")); }
    QString file() const { return folder() + QStringLiteral("/Tivelo.conf"); }
    QString target() const { return elsewhere.filePath(QStringLiteral("kept.conf")); }

    bool prepare(Setup setup) {
        if (setup == Setup::ReadOnlyConfigHome)
            return chmod(QFile::encodeName(home.path()).constData(), 0555) == 0;
        if (!QDir().mkpath(folder()))
            return false;
        switch (setup) {
        case Setup::Missing:
        case Setup::ReadOnlyConfigHome:
            return true;
        case Setup::Good:
            return writeFile(file(), GoodSettings);
        case Setup::LinkToGood:
            return writeFile(target(), GoodSettings) && QFile::link(target(), file());
        case Setup::LinkIntoMissingFolder:
            return QFile::link(elsewhere.filePath(QStringLiteral("gone/kept.conf")), file());
        case Setup::Folder:
            return QDir().mkpath(file());
        case Setup::NamedPipe:
            return mkfifo(QFile::encodeName(file()).constData(), 0600) == 0;
        case Setup::LinkToEndlessDevice:
            return QFile::link(QStringLiteral("/dev/zero"), file());
        case Setup::Unreadable:
            return writeFile(file(), GoodSettings) && QFile::setPermissions(file(), QFileDevice::WriteOwner);
        case Setup::RandomBytes:
            return writeFile(file(), randomBytes());
        case Setup::GarbageAfterSection:
            return writeFile(file(), "[Tivelo]\nInterval=45\n\x01\xFF[=\x80\x81 junk\n[\n=\npause=False\n");
        case Setup::BrokenSectionHeader:
            return writeFile(file(), "[Tivelo\nInterval=45\n");
        case Setup::ReadOnlyFolder:
            return writeFile(file(), GoodSettings) && chmod(QFile::encodeName(folder()).constData(), 0555) == 0;
        }
        return false;
    }
};

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestHostileSettings final : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void hostileSettingsFile_data();
    void hostileSettingsFile();
    void damagedFileTakesAWholeSave();
    void foreignValuesFallBack_data();
    void foreignValuesFallBack();

private:
    bool permissionsBind_ = false;
    QString whyNot_;
};

void TestHostileSettings::initTestCase() {
    permissionsBind_ = permissionsBind(&whyNot_);
}

void TestHostileSettings::hostileSettingsFile_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("needsPermissions");
    QTest::addColumn<int>("readLines");         // stderr lines while loading, each naming the file
    QTest::addColumn<int>("interval");          // the loaded Interval
    QTest::addColumn<QString>("saveComplaint"); // what a refused SaveConfig says; empty when it goes through
    QTest::addColumn<bool>("fileIntact");       // whether the file's bytes survive the save
    const QString saves;
    QTest::newRow("no file yet") << Setup::Missing << false << 0 << 300 << saves << false;
    QTest::newRow("good file") << Setup::Good << false << 0 << 45 << saves << false;
    QTest::newRow("symbolic link to a good file") << Setup::LinkToGood << false << 0 << 45 << saves << false;
    QTest::newRow("symbolic link into a missing folder")
        << Setup::LinkIntoMissingFolder << false << 0 << 300 << "links to a place that does not exist" << false;
    QTest::newRow("a folder") << Setup::Folder << false << 1 << 300 << "it is a folder" << true;
    QTest::newRow("a named pipe") << Setup::NamedPipe << false << 1 << 300 << "not a plain file" << true;
    QTest::newRow("link to an endless device")
        << Setup::LinkToEndlessDevice << false << 1 << 300 << "not a plain file" << true;
    QTest::newRow("unreadable file") << Setup::Unreadable << true << 1 << 300 << "access denied" << true;
    QTest::newRow("random bytes") << Setup::RandomBytes << false << 1 << 300 << saves << false;
    QTest::newRow("garbage after the section") << Setup::GarbageAfterSection << false << 1 << 45 << saves << false;
    QTest::newRow("broken section header") << Setup::BrokenSectionHeader << false << 1 << 45 << saves << false;
    QTest::newRow("read-only config folder") << Setup::ReadOnlyFolder << true << 0 << 45 << "access denied" << true;
    QTest::newRow("read-only config home")
        << Setup::ReadOnlyConfigHome << true << 0 << 300 << "its folder cannot be made" << true;
}

void TestHostileSettings::hostileSettingsFile() {
    QFETCH(Setup, setup);
    QFETCH(bool, needsPermissions);
    QFETCH(int, readLines);
    QFETCH(int, interval);
    QFETCH(QString, saveComplaint);
    QFETCH(bool, fileIntact);
    const bool saves = saveComplaint.isEmpty();
    if (needsPermissions && !permissionsBind_)
        SKIP_WITHOUT_TOOL(whyNot_);
    ConfigHome config;
    QVERIFY(config.home.isValid() && config.elsewhere.isValid());
    QVERIFY(config.prepare(setup));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.home.path()));
    const QFileInfo before(config.file());
    const QByteArray bytesBefore = before.isFile() ? readFileAnyway(config.file()) : QByteArray();
    const std::unique_ptr<SettingsStore> store = makeUserSettingsStore();

    ProblemLines problems;
    const StoredSettings loaded = loadSettings(*store);
    QVERIFY2(problems.lines.size() == readLines, qPrintable(problems.lines.join(QLatin1Char('\n'))));
    for (const QString& line : problems.lines)
        QVERIFY2(line.contains(config.file()), qPrintable(line));
    QCOMPARE(loaded.intervalSecs, interval);

    QString error;
    const StoredSettings saved{17, true, QStringLiteral("/pictures"), false};
    QCOMPARE(saveSettings(saved, *store, &error), saves);
    QVERIFY2(saves ? error.isEmpty() : error.contains(saveComplaint), qPrintable(error));
    if (saves) {
        const StoredSettings reloaded = loadSettings(*store);
        QCOMPARE(reloaded.intervalSecs, 17);
        QCOMPARE(reloaded.switchingOn, true);
        QCOMPARE(reloaded.folder, QStringLiteral("/pictures"));
        QCOMPARE(reloaded.updateRegistry, false);
    }
    if (fileIntact) {
        const QFileInfo after(config.file());
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        if (after.isFile() && !after.isSymLink())
            QCOMPARE(readFileAnyway(config.file()), bytesBefore);
    }
    if (setup == Setup::LinkToGood) {
        QVERIFY2(QFileInfo(config.file()).isSymLink(), "the save replaced the link instead of writing through it");
        QVERIFY(readFile(config.target()).contains("Interval=17"));
    }
}

// A damaged file used to make the first write of a save look refused, which abandoned the other three keys.
void TestHostileSettings::damagedFileTakesAWholeSave() {
    ConfigHome config;
    QVERIFY(config.prepare(Setup::GarbageAfterSection));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.home.path()));
    const std::unique_ptr<SettingsStore> store = makeUserSettingsStore();
    ProblemLines problems;
    QString error;
    QVERIFY2(saveSettings({17, false, QStringLiteral("/pictures"), true}, *store, &error), qPrintable(error));
    const QByteArray written = readFile(config.file());
    for (const char* line : {"Interval=17", "pause=False", "DirName=/pictures", "UpdateRegistry=True"})
        QVERIFY2(written.contains(line), line);
}

void TestHostileSettings::foreignValuesFallBack_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("NUL bytes in the value") << QByteArray("[Tivelo]\nInterval=45\0\0\npause=False\n", 35);
    // Found by fuzzing: QSettings decodes "@Variant(" values with QDataStream, and this one claims a polygon of a
    // thousand million points, an 8 GB block. Qt copes when it is refused; the value is then no number.
    QTest::newRow("serialised polygon claiming 8 GB") << QByteArray("[Tivelo]\nInterval=@Variant(\\0\\0\\0G=Fal)\n");
    QTest::newRow("serialised rectangle") << QByteArray("[Tivelo]\nInterval=@Rect(1 2 3 4)\n");
    QTest::newRow("byte array") << QByteArray("[Tivelo]\nInterval=@ByteArray(\\xff\\0)\n");
    QTest::newRow("list of words") << QByteArray("[Tivelo]\nInterval=four, five\n");
}

// Values this program never writes, put there by something else, are not understood and fall back with a line.
void TestHostileSettings::foreignValuesFallBack() {
    QFETCH(QByteArray, file);
    ConfigHome config;
    QVERIFY(QDir().mkpath(config.folder()));
    QVERIFY(writeFile(config.file(), file));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.home.path()));
    const std::unique_ptr<SettingsStore> store = makeUserSettingsStore();
    ProblemLines problems;
    const StoredSettings loaded = loadSettings(*store);
    QCOMPARE(loaded.intervalSecs, 300);
    QCOMPARE(problems.naming(QStringLiteral("Interval")).size(), 1);
}

QTEST_GUILESS_MAIN(TestHostileSettings)
#include "test_qsettings_store.moc"
