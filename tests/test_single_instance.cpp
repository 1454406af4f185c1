#include "app/single_instance.h"

#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

class TestSingleInstance final : public QObject {
    Q_OBJECT
private slots:
    void secondStartAsksFirstToShow();
    void staleLockDoesNotBlock();
    void firstCopyGoneLetsNextStartRun();
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

QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
