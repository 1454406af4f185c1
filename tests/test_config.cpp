#include "platform/system_services.h"
#include "settings/config.h"
#include "support/fakes.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class TestConfig final : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreGivesDefaults();
    void storedFolderProbe_data();
    void storedFolderProbe();
    void unreadableFolderFallsBack();
    void storedInterval_data();
    void storedInterval();
    void storedPause_data();
    void storedPause();
    void unconvertibleValuesFallBack();
    void saveWritesExactTexts();
    void refusedWriteStopsLaterKeys();
    void realStoreRoundTrip();

private:
    std::unique_ptr<FolderLister> lister_ = makeFolderLister();
};

void TestConfig::emptyStoreGivesDefaults() {
    FakeSettingsStore store;
    const StoredSettings loaded = loadSettings(store, *lister_);
    QCOMPARE(loaded.intervalSecs, 300);
    QCOMPARE(loaded.switchingOn, true);
    QCOMPARE(loaded.folder, defaultFolder());
    QCOMPARE(loaded.updateRegistry, false);
}

void TestConfig::storedFolderProbe_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<bool>("kept");
    QTest::newRow("missing folder") << QStringList{} << QStringList{} << false;
    QTest::newRow("only subfolders") << QStringList{} << QStringList{"sub", "x.jpg"} << false;
    QTest::newRow("only hidden files") << QStringList{".hidden.jpg"} << QStringList{} << false;
    QTest::newRow("one plain file of any kind") << QStringList{"notes.txt"} << QStringList{} << true;
    QTest::newRow("pictures") << QStringList{"a.jpg", "b.gif"} << QStringList{} << true;
}

void TestConfig::storedFolderProbe() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(bool, kept);
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("pictures"));
    if (!files.isEmpty() || !folders.isEmpty())
        QVERIFY(QDir().mkpath(folder));
    for (const QString& name : files)
        touch(folder + QLatin1Char('/') + name);
    for (const QString& name : folders)
        QVERIFY(QDir(folder).mkdir(name));
    FakeSettingsStore store;
    store.values.insert(config::DirNameKey, folder);
    QCOMPARE(loadSettings(store, *lister_).folder, kept ? folder : defaultFolder());
}

void TestConfig::unreadableFolderFallsBack() {
    FakeFolderLister lister;
    lister.unreadable.insert(QStringLiteral("/media/gone"));
    FakeSettingsStore store;
    store.values.insert(config::DirNameKey, QStringLiteral("/media/gone"));
    QCOMPARE(loadSettings(store, lister).folder, defaultFolder());
}

void TestConfig::storedInterval_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<qint32>("loaded");
    QTest::newRow("zero kept") << "0" << 0;
    QTest::newRow("negative kept") << "-5" << -5;
    QTest::newRow("fraction rounded") << "12.6" << 13;
    QTest::newRow("beyond 16 bits kept") << "40000" << 40000;
}

void TestConfig::storedInterval() {
    QFETCH(QString, stored);
    QFETCH(qint32, loaded);
    FakeSettingsStore store;
    store.values.insert(config::IntervalKey, stored);
    QCOMPARE(loadSettings(store, *lister_).intervalSecs, loaded);
}

void TestConfig::storedPause_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("on");
    QTest::newRow("False") << "False" << false;
    QTest::newRow("lower false") << "false" << false;
    QTest::newRow("upper FALSE") << "FALSE" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("one") << "1" << true;
    QTest::newRow("minus one") << "-1" << true;
    QTest::newRow("True") << "True" << true;
}

void TestConfig::storedPause() {
    QFETCH(QString, stored);
    QFETCH(bool, on);
    FakeSettingsStore store;
    store.values.insert(config::PauseKey, stored);
    QCOMPARE(loadSettings(store, *lister_).switchingOn, on);
}

void TestConfig::unconvertibleValuesFallBack() {
    FakeSettingsStore store;
    store.values.insert(config::IntervalKey, QStringLiteral("soon"));
    store.values.insert(config::PauseKey, QStringLiteral("maybe"));
    store.values.insert(config::UpdateRegistryKey, QStringLiteral("perhaps"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Interval.*soon.*300")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("pause.*maybe.*True")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("UpdateRegistry.*perhaps.*False")));
    const StoredSettings loaded = loadSettings(store, *lister_);
    QCOMPARE(loaded.intervalSecs, 300);
    QCOMPARE(loaded.switchingOn, true);
    QCOMPARE(loaded.updateRegistry, false);
}

void TestConfig::saveWritesExactTexts() {
    FakeSettingsStore store;
    QString error;
    QVERIFY(saveSettings({45, false, QString(), false}, store, &error));
    QCOMPARE(store.writes, (QStringList{"Interval", "DirName", "UpdateRegistry", "pause"}));
    QCOMPARE(store.values.value("Interval"), QStringLiteral("45"));
    QCOMPARE(store.values.value("DirName"), QString());
    QCOMPARE(store.values.value("UpdateRegistry"), QStringLiteral("False"));
    QCOMPARE(store.values.value("pause"), QStringLiteral("False"));
}

void TestConfig::refusedWriteStopsLaterKeys() {
    FakeSettingsStore store;
    store.refusedKeys.insert(config::DirNameKey);
    QString error;
    QVERIFY(!saveSettings({45, true, QStringLiteral("/p"), true}, store, &error));
    QVERIFY(error.contains(QLatin1String("DirName")));
    QCOMPARE(store.writes, QStringList{"Interval"});
}

void TestConfig::realStoreRoundTrip() {
#ifdef Q_OS_WIN
    // The store is the user's own registry key: what it holds is put back afterwards.
    QSettings registry(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Tivelo"),
                       QSettings::NativeFormat);
    QVariantMap kept;
    for (const QString& name : registry.allKeys())
        kept.insert(name, registry.value(name));
    const auto putBack = qScopeGuard([&] {
        registry.remove(QString());
        for (auto value = kept.cbegin(); value != kept.cend(); ++value)
            registry.setValue(value.key(), value.value());
    });
#else
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
#endif
    const std::unique_ptr<SettingsStore> store = makeUserSettingsStore();
    QString error;
    const QString folder = QStringLiteral("/tmp/картинки, мои \"лучшие\"");
    QVERIFY2(saveSettings({45, true, folder, true}, *store, &error), qPrintable(error));
#ifdef Q_OS_WIN
    // Text values (REG_SZ), as the earlier Windows versions wrote them.
    registry.sync();
    QCOMPARE(registry.value(QStringLiteral("Tivelo/Interval")).typeId(), QMetaType::QString);
#else
    QVERIFY(QFile::exists(home.filePath(QStringLiteral("Tivelo/Tivelo.conf"))));
#endif
    QCOMPARE(store->read(config::App, config::Section, config::IntervalKey, QString()), QStringLiteral("45"));
    QCOMPARE(store->read(config::App, config::Section, config::DirNameKey, QString()), folder);
    QCOMPARE(store->read(config::App, config::Section, config::PauseKey, QString()), QStringLiteral("True"));
    QCOMPARE(store->read(config::App, config::Section, QStringLiteral("absent"), QStringLiteral("x")),
             QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(TestConfig)
#include "test_config.moc"
