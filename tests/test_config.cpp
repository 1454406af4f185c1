// SPDX-License-Identifier: MIT
#include "platform/system_services.h"
#include "support/fakes.h"
#include "switching/config.h"

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
    void storedFolderIsKept_data();
    void storedFolderIsKept();
    void storedInterval_data();
    void storedInterval();
    void storedPause_data();
    void storedPause();
    void unconvertibleValuesFallBack();
    void saveWritesExactTexts();
    void refusedWriteStopsLaterKeys();
    void realStoreRoundTrip();
};

void TestConfig::emptyStoreGivesDefaults() {
    FakeSettingsStore store;
    const StoredSettings loaded = loadSettings(store);
    QCOMPARE(loaded.intervalSecs, 300);
    QCOMPARE(loaded.switchingOn, true);
    QCOMPARE(loaded.folder, defaultFolder());
    QCOMPARE(loaded.updateRegistry, false);
}

// Only an empty text is no folder: the stored one is kept whether or not it can be opened now.
void TestConfig::storedFolderIsKept_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("stored"); // %T stands for a temporary folder holding the files and folders
    QTest::newRow("a missing folder") << QStringList{} << QStringList{} << "%T/pictures";
    QTest::newRow("only subfolders") << QStringList{} << QStringList{"sub", "x.jpg"} << "%T";
    QTest::newRow("only hidden files") << QStringList{".hidden.jpg"} << QStringList{} << "%T";
    QTest::newRow("pictures, with a trailing separator") << QStringList{"a.jpg"} << QStringList{} << "%T/";
    QTest::newRow("empty text: the default folder") << QStringList{} << QStringList{} << "";
}

void TestConfig::storedFolderIsKept() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, stored);
    QTemporaryDir root;
    for (const QString& name : files)
        touch(root.filePath(name));
    for (const QString& name : folders)
        QVERIFY(QDir(root.path()).mkdir(name));
    FakeSettingsStore store;
    store.values.insert(config::DirNameKey, stored.replace(QStringLiteral("%T"), root.path()));
    QCOMPARE(loadSettings(store).folder, stored.isEmpty() ? defaultFolder() : stored);
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
    QCOMPARE(loadSettings(store).intervalSecs, loaded);
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
    QCOMPARE(loadSettings(store).switchingOn, on);
}

void TestConfig::unconvertibleValuesFallBack() {
    FakeSettingsStore store;
    store.values.insert(config::IntervalKey, QStringLiteral("soon"));
    store.values.insert(config::PauseKey, QStringLiteral("maybe"));
    store.values.insert(config::UpdateRegistryKey, QStringLiteral("perhaps"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Interval.*soon.*300")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("pause.*maybe.*True")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("UpdateRegistry.*perhaps.*False")));
    const StoredSettings loaded = loadSettings(store);
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
