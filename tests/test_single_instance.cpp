#include "app/single_instance.h"

#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

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
    SingleInstance second(folder.path());
    QVERIFY(!second.claim(&error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(shown.wait(2000));
    QCOMPARE(shown.size(), 1);
}

void TestSingleInstance::staleLockDoesNotBlock() {
    QTemporaryDir folder;
    QFile lock(folder.filePath(QStringLiteral("quorlen.lock")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    // A lock naming a process that no longer exists, as a crash leaves it.
    lock.write("999999\nquorlen\n" + QSysInfo::machineHostName().toUtf8() + "\n");
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
