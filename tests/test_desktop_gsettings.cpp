// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_gsettings.h"
#include "platform/linux/wallpaper_copies.h"
#include "support/private_bus.h"
#include "support/skip.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// GIO's headers use "signals" as a member name, which Qt defines as a keyword.
#undef signals
#include <gio/gio.h>

namespace {

const QString kGnomeSchema = QStringLiteral("org.gnome.desktop.background");

// Stand-ins for schemas this machine lacks, holding just the keys the bindings use.
const char kStandInSchemas[] = R"(<schemalist>
  <schema id="org.mate.background" path="/org/mate/desktop/background/">
    <key name="picture-filename" type="s"><default>''</default></key>
  </schema>
  <schema id="org.cinnamon.desktop.background" path="/org/cinnamon/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
  </schema>
  <schema id="org.example.quorlen.numeric" path="/org/example/quorlen/numeric/">
    <key name="picture-uri" type="i"><default>0</default></key>
  </schema>
</schemalist>
)";

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Reads the monitor's lines until one contains `text`; false when it falls silent first.
bool monitorReports(QProcess& monitor, const QString& text, int quietMs) {
    while (true) {
        while (monitor.canReadLine()) {
            if (QString::fromUtf8(monitor.readLine()).contains(text)) {
                return true;
            }
        }
        if (!monitor.waitForReadyRead(quietMs)) {
            return false;
        }
    }
}

} // namespace

class TestDesktopGSettings final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void storesThePicture_data();
    void storesThePicture();
    void sameFileTwiceChangesTheSetting_data();
    void sameFileTwiceChangesTheSetting();
    void gnomeGetsEachContentUnderItsOwnName();
    void gsettingsToolSeesTheValue();
    void listenerHearsNewContentUnderTheSameName();
    void refusesWhatItCannotWrite_data();
    void refusesWhatItCannotWrite();
    void unstoredValueIsAFailure_data();
    void unstoredValueIsAFailure();

private:
    QString picture(const QString& name);
    void requireSchema(const QString& schemaId);

    QTemporaryDir configHome_;
    QTemporaryDir dataHome_;
    QTemporaryDir runtimeDir_;
    QProcess bus_;
    QTemporaryDir schemaDir_;
    QTemporaryDir pictures_;
    bool standInsCompiled_ = false;
};

// The desktops' own store, dconf, on a session bus of the test's own: the settings service it starts writes its
// database into the test's config home.
void TestDesktopGSettings::initTestCase() {
    // Before any GIO call: GIO picks its backend and schema directories once per process.
    QVERIFY(configHome_.isValid() && dataHome_.isValid() && runtimeDir_.isValid() && schemaDir_.isValid() &&
            pictures_.isValid());
    qputenv("GSETTINGS_BACKEND", "dconf");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
    QString why;
    if (QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QStringLiteral("dbus-1/services/ca.desrt.dconf.service"))
            .isEmpty()) {
        SKIP_WITHOUT_TOOL(QStringLiteral("the dconf settings service is not installed"));
    }
    if (!startPrivateBus(bus_, {QStringLiteral("--session")}, &why)) {
        SKIP_WITHOUT_TOOL(why);
    }
    const QString compiler = QStandardPaths::findExecutable(QStringLiteral("glib-compile-schemas"));
    if (!compiler.isEmpty() &&
        writeFile(schemaDir_.filePath(QStringLiteral("quorlen-test.gschema.xml")), QByteArray(kStandInSchemas))) {
        standInsCompiled_ = QProcess::execute(compiler, {schemaDir_.path()}) == 0;
    }
    if (standInsCompiled_) {
        qputenv("GSETTINGS_SCHEMA_DIR", QFile::encodeName(schemaDir_.path()));
    }
}

void TestDesktopGSettings::cleanupTestCase() {
    // GIO ends a process whose session bus goes away, and this one ends by itself now.
    if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(bus, FALSE);
        g_object_unref(bus);
    }
    bus_.terminate(); // the settings service ends with its bus
    bus_.waitForFinished();
}

QString TestDesktopGSettings::picture(const QString& name) {
    const QString path = pictures_.filePath(name);
    if (!QFile::exists(path) && !writeFile(path, QByteArrayLiteral("BM stand-in"))) {
        return QString();
    }
    return path;
}

void TestDesktopGSettings::requireSchema(const QString& schemaId) {
    if (!gsettingsSchemaPresent(schemaId)) {
        SKIP_WITHOUT_TOOL(QStringLiteral("the schema %1 is not installed").arg(schemaId));
    }
}

void TestDesktopGSettings::storesThePicture_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("name");
    const QStringList names{QStringLiteral("temp.bmp"), QStringLiteral("a'b\"c\\d\n$(touch pwned).bmp"),
                            QStringLiteral("обои с пробелом.bmp"), QStringLiteral("a#b?c%41.bmp")};
    for (const QString& desktop : {QStringLiteral("GNOME"), QStringLiteral("Cinnamon"), QStringLiteral("MATE")}) {
        for (const QString& name : names) {
            QTest::addRow("%s: %s", qPrintable(desktop), qPrintable(QString(name).replace(u'\n', u' ')))
                << desktop << name;
        }
    }
}

namespace {

GSettingsTarget targetNamed(const QString& desktop) {
    if (desktop == u"Cinnamon") {
        return cinnamonTarget();
    }
    return desktop == u"MATE" ? mateTarget() : gnomeFamilyTarget();
}

} // namespace

void TestDesktopGSettings::storesThePicture() {
    QFETCH(QString, desktop);
    QFETCH(QString, name);
    const GSettingsTarget target = targetNamed(desktop);
    requireSchema(target.schemaId);
    const QString path = picture(name);
    QVERIFY(!path.isEmpty());

    GSettingsWallpaper binding(target);
    QCOMPARE(binding.name(), desktop);
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    for (const QString& key : target.requiredKeys + target.optionalKeys) {
        const std::optional<QString> stored = gsettingsString(target.schemaId, key);
        if (!stored && target.optionalKeys.contains(key)) {
            continue; // an older schema without this key
        }
        QVERIFY2(stored.has_value(), qPrintable(key));
        const QString named = fileNamedBy(*stored, target.form);
        if (target.copiesByContent) {
            QCOMPARE(QFileInfo(named).absolutePath(), WallpaperCopies::folder());
            QCOMPARE(contentOf(named), contentOf(path));
        } else {
            QCOMPARE(named, path);
        }
    }
    QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(pictures_.filePath(QStringLiteral("pwned"))));
}

void TestDesktopGSettings::sameFileTwiceChangesTheSetting_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("key");
    QTest::newRow("Cinnamon") << "Cinnamon"
                              << "picture-uri";
    QTest::newRow("MATE") << "MATE"
                          << "picture-filename";
}

void TestDesktopGSettings::sameFileTwiceChangesTheSetting() {
    QFETCH(QString, desktop);
    QFETCH(QString, key);
    const GSettingsTarget target = targetNamed(desktop);
    requireSchema(target.schemaId);
    if (!gsettingsString(target.schemaId, key)) {
        QSKIP("this version of the schema lacks the key");
    }
    const QString path = picture(QStringLiteral("same.bmp"));
    GSettingsWallpaper binding(target);
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QString first = gsettingsString(target.schemaId, key).value_or(QString());
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QString second = gsettingsString(target.schemaId, key).value_or(QString());
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QString third = gsettingsString(target.schemaId, key).value_or(QString());

    // Every call is a real change of the setting, and each value names the same file.
    QVERIFY(first != second);
    QVERIFY(second != third);
    QCOMPARE(fileNamedBy(first, target.form), path);
    QCOMPARE(fileNamedBy(second, target.form), path);
    QCOMPARE(fileNamedBy(third, target.form), path);
}

// GNOME Shell trusts a picture it loaded from a file: the same file with new content gets a new name, the same
// content keeps its name, and only the copy shown and the one before it are kept.
void TestDesktopGSettings::gnomeGetsEachContentUnderItsOwnName() {
    requireSchema(kGnomeSchema);
    const QString path = pictures_.filePath(QStringLiteral("temp.bmp"));
    GSettingsWallpaper binding(gnomeFamilyTarget());
    QStringList shown;
    for (const QByteArray content : {"BM first", "BM second", "BM second", "BM third"}) {
        QVERIFY(writeFile(path, content));
        QString error;
        QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
        const QString named = fileNamedBy(gsettingsString(kGnomeSchema, QStringLiteral("picture-uri")).value(),
                                          PictureValueForm::FileUri);
        QCOMPARE(contentOf(named), content);
        shown.append(named);
    }
    QVERIFY(shown[0] != shown[1]);
    QCOMPARE(shown[2], shown[1]);
    QVERIFY(shown[3] != shown[2]);
    QStringList kept = QDir(WallpaperCopies::folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(kept.size(), 2);
    QVERIFY(kept.contains(QFileInfo(shown[2]).fileName()) && kept.contains(QFileInfo(shown[3]).fileName()));
    QCOMPARE(QDir(pictures_.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("wallpaper")),
             QStringList());
}

void TestDesktopGSettings::gsettingsToolSeesTheValue() {
    requireSchema(kGnomeSchema);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (tool.isEmpty()) {
        SKIP_WITHOUT_TOOL(QStringLiteral("gsettings is not installed"));
    }
    const QString path = picture(QStringLiteral("seen-by-the-tool.bmp"));
    GSettingsWallpaper binding(gnomeFamilyTarget());
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));

    QProcess get;
    get.start(tool, {QStringLiteral("get"), kGnomeSchema, QStringLiteral("picture-uri")});
    QVERIFY(get.waitForFinished());
    QCOMPARE(get.exitCode(), 0);
    const QString printed = QString::fromUtf8(get.readAllStandardOutput()).trimmed();
    QCOMPARE(printed, QStringLiteral("'%1'").arg(gsettingsString(kGnomeSchema, QStringLiteral("picture-uri")).value()));
    QCOMPARE(contentOf(fileNamedBy(printed.mid(1, printed.size() - 2), PictureValueForm::FileUri)), contentOf(path));
}

void TestDesktopGSettings::listenerHearsNewContentUnderTheSameName() {
    requireSchema(kGnomeSchema);
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (tool.isEmpty()) {
        SKIP_WITHOUT_TOOL(QStringLiteral("gsettings is not installed"));
    }
    QProcess monitor;
    monitor.start(tool, {QStringLiteral("monitor"), kGnomeSchema, QStringLiteral("picture-uri")});
    QVERIFY(monitor.waitForStarted());
    GSettingsWallpaper binding(gnomeFamilyTarget());
    QString error;

    // The monitor says nothing once it listens: change the picture until it reports a change.
    const QString path = pictures_.filePath(QStringLiteral("temp.bmp"));
    bool listening = false;
    for (int attempt = 0; attempt < 30 && !listening; ++attempt) {
        QVERIFY(writeFile(path, QStringLiteral("BM warm-up %1").arg(attempt).toLatin1()));
        QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
        listening = monitorReports(monitor, QStringLiteral("wallpaper-"), 1000);
    }
    QVERIFY(listening);

    // Now new content under the same name: the listener must hear of it.
    QVERIFY(writeFile(path, "BM new content"));
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QString value = gsettingsString(kGnomeSchema, QStringLiteral("picture-uri")).value();
    QCOMPARE(contentOf(fileNamedBy(value, PictureValueForm::FileUri)), QByteArray("BM new content"));
    QVERIFY(monitorReports(monitor, value, 15000));

    monitor.kill();
    monitor.waitForFinished();
}

void TestDesktopGSettings::refusesWhatItCannotWrite_data() {
    QTest::addColumn<QString>("schemaId");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("expectedError");
    QTest::newRow("missing schema") << "org.example.quorlen.missing"
                                    << "exists.bmp"
                                    << "the settings schema org.example.quorlen.missing is not installed";
    QTest::newRow("key of another type") << "org.example.quorlen.numeric"
                                         << "exists.bmp"
                                         << "the settings schema org.example.quorlen.numeric has no text key "
                                            "picture-uri";
    QTest::newRow("missing picture") << "org.gnome.desktop.background"
                                     << ""
                                     << "does not exist";
}

void TestDesktopGSettings::refusesWhatItCannotWrite() {
    QFETCH(QString, schemaId);
    QFETCH(QString, picture);
    QFETCH(QString, expectedError);
    if (schemaId == u"org.example.quorlen.numeric" && !standInsCompiled_) {
        SKIP_WITHOUT_TOOL(QStringLiteral("glib-compile-schemas is not installed"));
    }
    const QString path = picture.isEmpty() ? pictures_.filePath(QStringLiteral("missing.bmp")) : this->picture(picture);
    GSettingsTarget target = gnomeFamilyTarget();
    target.schemaId = schemaId;
    GSettingsWallpaper binding(target);
    QString error;
    // A missing schema must not abort the process, as g_settings_new() would.
    QVERIFY(!binding.setWallpaper(path, &error));
    QVERIFY2(error.contains(expectedError), qPrintable(error));
}

void TestDesktopGSettings::unstoredValueIsAFailure_data() {
    QTest::addColumn<QString>("desktop");
    QTest::newRow("GNOME") << "GNOME";
    QTest::newRow("Cinnamon") << "Cinnamon";
    QTest::newRow("MATE") << "MATE";
}

// The settings service cannot write its database, whose folder is a plain file: GIO reports no error itself.
void TestDesktopGSettings::unstoredValueIsAFailure() {
    QFETCH(QString, desktop);
    const GSettingsTarget target = targetNamed(desktop);
    requireSchema(target.schemaId);
    const QString database = configHome_.filePath(QStringLiteral("dconf"));
    QVERIFY(QDir(database).removeRecursively() && writeFile(database, "no folder"));
    const auto restore = qScopeGuard([&database] { QFile::remove(database); });
    GSettingsWallpaper binding(target);
    QString error;
    QVERIFY(!binding.setWallpaper(picture(QStringLiteral("unstored.bmp")), &error));
    QVERIFY2(error.contains(QStringLiteral("%1 %2 was not stored").arg(target.schemaId, target.requiredKeys.first())),
             qPrintable(error));
}

QTEST_GUILESS_MAIN(TestDesktopGSettings)
#include "test_desktop_gsettings.moc"
