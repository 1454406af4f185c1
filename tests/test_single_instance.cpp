// SPDX-License-Identifier: MIT
#include "app/single_instance.h"

#include <QFile>
#include <QLockFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

class TestSingleInstance final : public QObject {
    Q_OBJECT
private slots:
    void secondStartAsksFirstToShow();
    void staleLockDoesNotBlock();
    void firstCopyGoneLetsNextStartRun();
#ifdef Q_OS_UNIX
    void lockWithoutAUsableRuntimeFolder_data();
    void lockWithoutAUsableRuntimeFolder();
#endif
};

void TestSingleInstance::secondStartAsksFirstToShow() {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    QString error;
    QVERIFY(first.claim(&error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // The later start runs beside the first one's event loop, as another process does: a Windows pipe takes the
    // request only while its server reads.
    bool secondIsFirst = true;
    std::thread second([&] { secondIsFirst = SingleInstance(folder.path()).claim(&error); });
    const bool wasShown = shown.wait(5000);
    second.join();
    QVERIFY(!secondIsFirst);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(wasShown);
    QCOMPARE(shown.size(), 1);
}

void TestSingleInstance::staleLockDoesNotBlock() {
    QTemporaryDir folder;
    // This machine's name as QLockFile writes it (Windows and Unix differ).
    QLockFile probe(folder.filePath(QStringLiteral("probe.lock")));
    qint64 pid = 0;
    QString machine;
    QString application;
    QVERIFY(probe.lock() && probe.getLockInfo(&pid, &machine, &application));
    QFile lock(folder.filePath(QStringLiteral("quorlen.lock")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    // A lock naming a process that no longer exists, as a crash leaves it.
    lock.write("999999\nquorlen\n" + machine.toUtf8() + "\n");
    lock.close();
    SingleInstance next(folder.path());
    QString error;
    QVERIFY(next.claim(&error));
}

void TestSingleInstance::firstCopyGoneLetsNextStartRun() {
    QTemporaryDir folder;
    QString error;
    {
        SingleInstance first(folder.path());
        QVERIFY(first.claim(&error));
    }
    SingleInstance next(folder.path());
    QVERIFY(next.claim(&error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

#ifdef Q_OS_UNIX
void TestSingleInstance::lockWithoutAUsableRuntimeFolder_data() {
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<bool>("guarded");
    QTest::newRow("the runtime folder unset") << "unset" << true;
    QTest::newRow("a runtime folder others can enter") << "open" << true;
    // Only root can give a folder to another user.
    if (geteuid() != 0)
        return;
    QTest::newRow("a runtime folder of another user") << "foreign" << true;
    QTest::newRow("the user's folder in the temp folder made first by another user") << "unset, taken" << false;
}

// A copy of another user's holds the lock in the temp folder, where it was kept for all users when the runtime folder
// would not do (Qt's own stand-in for it, runtime-<user> in the temp folder, is unusable here too): ours starts all
// the same, with its lock in a private folder of its own, or with none.
void TestSingleInstance::lockWithoutAUsableRuntimeFolder() {
    QFETCH(QString, runtime);
    QFETCH(bool, guarded);
    const QByteArray tempBefore = qgetenv("TMPDIR");
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        qputenv("TMPDIR", tempBefore);
        runtimeBefore.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtimeBefore);
    });
    QTemporaryDir temp;
    QTemporaryDir runtimeFolder;
    qputenv("TMPDIR", QFile::encodeName(temp.path()));
    QVERIFY(QDir(temp.path()).mkdir(QStringLiteral("runtime-") + QString::fromLocal8Bit(getpwuid(geteuid())->pw_name)));
    const QByteArray runtimePath = QFile::encodeName(runtimeFolder.path());
    if (runtime == u"open")
        QVERIFY(chmod(runtimePath.constData(), 0755) == 0);
    if (runtime == u"foreign")
        QVERIFY(chown(runtimePath.constData(), 65534, 65534) == 0);
    runtime.startsWith(u"unset") ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtimePath);
    const QString own = temp.filePath(QStringLiteral("quorlen-%1").arg(geteuid()));
    if (runtime == u"unset, taken")
        QVERIFY(QDir().mkdir(own) && chown(QFile::encodeName(own).constData(), 65534, 65534) == 0);
    SingleInstance stranger(temp.path());
    QVERIFY(stranger.claim(nullptr));

    const QString folder = singleInstanceFolder();
    QCOMPARE(folder, guarded ? own : QString());
    struct stat status {};
    QVERIFY(!guarded || (lstat(QFile::encodeName(folder).constData(), &status) == 0 && status.st_uid == geteuid() &&
                         (status.st_mode & 0777) == 0700));
    SingleInstance ours(folder);
    QString error;
    QVERIFY(ours.claim(&error));
    QVERIFY2(error.isEmpty() == guarded, qPrintable(error));
}
#endif

QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
