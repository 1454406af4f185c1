// SPDX-License-Identifier: MIT
#include "support/fakes.h"
#include "support/hostile.h"
#include "support/sample_pictures.h"
#include "switching/switcher.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct SwitcherRig : FakeRig {
    SwitcherState state;
    Switcher switcher{switching, state};
    QSignalSpy chosen{&switcher, &Switcher::pictureChosen};

    explicit SwitcherRig(const QStringList& names = {"a.bmp", "b.bmp", "c.bmp"}) {
        lister.folders.insert(QStringLiteral("/p"), names);
    }
    int intervalSecs() { return switcher.timerIntervalMs() / 1000; }
    // Lets the timer run out once: the clock moves by the armed interval and the step runs.
    void tick() {
        clock.advance(intervalSecs());
        switcher.step();
    }
};

} // namespace

class TestSwitcher final : public QObject {
    Q_OBJECT
private slots:
    void pacing_data();
    void pacing();
    void earlyTickOnlyRearms_data();
    void earlyTickOnlyRearms();
    void walksOrderAndReshufflesAfterCycle();
    void fewerThanTwoPictures_data();
    void fewerThanTwoPictures();
    void stepBeforeAnyScanDoesNothing();
    void intervalBelowOneNeverSpins();
    void nextRightAfterSwitch();
    void sleptPastDueSwitchesOnce();
    void applySecondsText_data();
    void applySecondsText();
    void applyStoresSwitchingOn();
    void stopThenNext();
    void stopRefusedByStore();
    void nextBeforeAnyScanScansFirst();
    void badPictureDoesNotStopSwitching();
    void badPictureIsReportedOnce();
};

void TestSwitcher::pacing_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("armed");
    QTest::addColumn<int>("switchAt");
    QTest::newRow("300") << 300 << QList<int>{60, 60, 60, 60, 60} << 300;
    QTest::newRow("90") << 90 << QList<int>{60, 30} << 90;
    QTest::newRow("61") << 61 << QList<int>{60} << 60;
    QTest::newRow("45") << 45 << QList<int>{45} << 45;
    QTest::newRow("1") << 1 << QList<int>{1} << 1;
}

void TestSwitcher::pacing() {
    QFETCH(int, interval);
    QFETCH(QList<int>, armed);
    QFETCH(int, switchAt);
    SwitcherRig rig;
    rig.switcher.apply(QString::number(interval), QStringLiteral("/p"));
    QCOMPARE(rig.desktop.paths.size(), 1);
    QVERIFY(rig.switcher.isSwitching());
    QList<int> seen;
    int elapsed = 0;
    while (rig.desktop.paths.size() == 1 && elapsed < 1000) {
        seen.append(rig.intervalSecs());
        elapsed += rig.intervalSecs();
        rig.tick();
    }
    QCOMPARE(seen, armed);
    QCOMPARE(elapsed, switchAt);
}

void TestSwitcher::earlyTickOnlyRearms_data() {
    QTest::addColumn<int>("remaining");
    QTest::addColumn<bool>("switches");
    QTest::newRow("exactly 1 left switches") << 1 << true;
    QTest::newRow("2 left waits") << 2 << false;
    QTest::newRow("overdue switches") << -30 << true;
}

void TestSwitcher::earlyTickOnlyRearms() {
    QFETCH(int, remaining);
    QFETCH(bool, switches);
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("45"), QStringLiteral("/p"));
    rig.clock.advance(45 - remaining);
    rig.switcher.step();
    QCOMPARE(rig.desktop.paths.size(), switches ? 2 : 1);
    QCOMPARE(rig.intervalSecs(), switches ? 45 : remaining);
}

void TestSwitcher::walksOrderAndReshufflesAfterCycle() {
    SwitcherRig rig;
    rig.random.draws = {0.0f}; // every deal keeps the listing order
    rig.switcher.apply(QStringLiteral("5"), QStringLiteral("/p"));
    for (int i = 0; i < 5; ++i)
        rig.tick();
    QStringList names;
    for (const QList<QVariant>& signal : std::as_const(rig.chosen))
        names.append(signal.constFirst().toString());
    QCOMPARE(names, (QStringList{"a.bmp", "b.bmp", "c.bmp", "a.bmp", "b.bmp", "c.bmp"}));
    QCOMPARE(rig.desktop.paths.constFirst(), QStringLiteral("/p") + QDir::separator() + QStringLiteral("a.bmp"));
    QCOMPARE(rig.random.drawn, 2 * 3); // the scan's deal and one reshuffle per finished cycle, two draws each
}

void TestSwitcher::fewerThanTwoPictures_data() {
    QTest::addColumn<QStringList>("names");
    QTest::newRow("no picture") << QStringList{};
    QTest::newRow("one picture") << QStringList{"only.bmp"};
}

void TestSwitcher::fewerThanTwoPictures() {
    QFETCH(QStringList, names);
    SwitcherRig rig(names);
    rig.switcher.apply(QStringLiteral("30"), QStringLiteral("/p"));
    const QDateTime firstDue = rig.state.nextSwitch;
    rig.tick();
    QVERIFY(rig.desktop.paths.isEmpty());
    QVERIFY(rig.chosen.isEmpty());
    QVERIFY(rig.state.nextSwitch > firstDue);
    QVERIFY(rig.switcher.isSwitching());
    QCOMPARE(rig.intervalSecs(), 30);
}

void TestSwitcher::stepBeforeAnyScanDoesNothing() {
    SwitcherRig rig;
    rig.state.intervalSecs = 30;
    rig.switcher.step();
    QVERIFY(rig.desktop.paths.isEmpty());
    QVERIFY(rig.switcher.isSwitching());
}

void TestSwitcher::intervalBelowOneNeverSpins() {
    SwitcherRig rig;
    rig.state.intervalSecs = 0;
    rig.switcher.step();
    QCOMPARE(rig.switcher.timerIntervalMs(), 1000);
    rig.state.intervalSecs = -5;
    rig.switcher.step();
    QCOMPARE(rig.switcher.timerIntervalMs(), 1000);
}

void TestSwitcher::nextRightAfterSwitch() {
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("300"), QStringLiteral("/p"));
    rig.switcher.next();
    QCOMPARE(rig.desktop.paths.size(), 2);
    QVERIFY(rig.desktop.paths.at(0) != rig.desktop.paths.at(1));
    QCOMPARE(rig.intervalSecs(), 60);
}

void TestSwitcher::sleptPastDueSwitchesOnce() {
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("60"), QStringLiteral("/p"));
    rig.clock.advance(3600);
    rig.switcher.step();
    QCOMPARE(rig.desktop.paths.size(), 2);
    QCOMPARE(rig.state.nextSwitch, rig.clock.now().addSecs(60));
}

void TestSwitcher::applySecondsText_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letters keep the value") << 30 << "abc"
                                            << "30";
    QTest::newRow("empty keeps the value") << 30 << ""
                                           << "30";
    QTest::newRow("zero raised to one") << 30 << "0"
                                        << "1";
    QTest::newRow("negative raised to one") << 30 << "-5"
                                            << "1";
    QTest::newRow("40000 refused") << 30 << "40000"
                                   << "30";
    QTest::newRow("32768 refused") << 30 << "32768"
                                   << "30";
    QTest::newRow("32767 taken") << 30 << "32767"
                                 << "32767";
    QTest::newRow("12.6 rounds") << 30 << "12.6"
                                 << "13";
    QTest::newRow("12.5 to even") << 30 << "12.5"
                                  << "12";
    QTest::newRow("13.5 to even") << 30 << "13.5"
                                  << "14";
    QTest::newRow("blanks around") << 30 << " 45 "
                                   << "45";
    QTest::newRow("stored 40000 survives") << 40000 << "40000"
                                           << "40000";
}

void TestSwitcher::applySecondsText() {
    QFETCH(int, before);
    QFETCH(QString, text);
    QFETCH(QString, shown);
    SwitcherRig rig;
    rig.state.intervalSecs = before;
    QCOMPARE(rig.switcher.apply(text, QStringLiteral("/p")), shown);
    QCOMPARE(rig.settings.values.value(QStringLiteral("Interval")), shown);
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestSwitcher::applyStoresSwitchingOn() {
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("30"), QStringLiteral("/p"));
    QCOMPARE(rig.settings.writes, (QStringList{"Interval", "DirName", "UpdateRegistry", "pause"}));
    QCOMPARE(rig.settings.values.value(QStringLiteral("pause")), QStringLiteral("True"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QStringLiteral("/p"));
}

void TestSwitcher::stopThenNext() {
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("30"), QStringLiteral("/p"));
    rig.switcher.stop();
    rig.switcher.stop();
    QVERIFY(!rig.switcher.isSwitching());
    QCOMPARE(rig.settings.values.value(QStringLiteral("pause")), QStringLiteral("False"));
    QCOMPARE(rig.settings.writes.count(QStringLiteral("pause")), 3);
    rig.switcher.next();
    QCOMPARE(rig.desktop.paths.size(), 2);
    QVERIFY(rig.switcher.isSwitching());
    // Switching is on again, and the next start resumes it; a further Next stores nothing.
    QCOMPARE(rig.settings.values.value(QStringLiteral("pause")), QStringLiteral("True"));
    rig.switcher.next();
    QCOMPARE(rig.settings.writes.count(QStringLiteral("pause")), 4);
}

void TestSwitcher::stopRefusedByStore() {
    SwitcherRig rig;
    rig.switcher.apply(QStringLiteral("30"), QStringLiteral("/p"));
    rig.settings.refusedKeys.insert(QStringLiteral("pause"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused pause")));
    rig.switcher.stop();
    QVERIFY(!rig.switcher.isSwitching());
}

void TestSwitcher::nextBeforeAnyScanScansFirst() {
    SwitcherRig rig;
    rig.state.folder = QStringLiteral("/p");
    rig.state.intervalSecs = 30;
    rig.switcher.next();
    QCOMPARE(rig.lister.listings, 1);
    QCOMPARE(rig.desktop.paths.size(), 1);
    rig.switcher.next();
    QCOMPARE(rig.lister.listings, 1);
    QCOMPARE(rig.settings.writes, QStringList{"pause"});
}

void TestSwitcher::badPictureDoesNotStopSwitching() {
    SwitcherRig rig({"missing.jpg", "gone.gif"});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot open the picture")));
    rig.switcher.apply(QStringLiteral("30"), QStringLiteral("/p"));
    QVERIFY(rig.desktop.paths.isEmpty());
    QCOMPARE(rig.chosen.size(), 1);
    QVERIFY(rig.switcher.isSwitching());
    QCOMPARE(rig.intervalSecs(), 30);
    QCOMPARE(rig.state.nextSwitch, rig.clock.now().addSecs(30));
}

// Two bad pictures taking turns are said once each, and again only once a file changed or the folder was scanned.
void TestSwitcher::badPictureIsReportedOnce() {
    QTemporaryDir folder;
    QVERIFY(writeFile(folder.filePath(QStringLiteral("broken.jpg")), "not a picture"));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("empty.gif")), ""));
    SwitcherRig rig;
    rig.lister.folders.insert(folder.path(), {"broken.jpg", "empty.gif"});
    ProblemLines problems;
    rig.switcher.apply(QStringLiteral("1"), folder.path());
    for (int i = 0; i < 9; ++i)
        rig.tick();
    QCOMPARE(problems.lines.size(), 2);
    QVERIFY(writeFile(folder.filePath(QStringLiteral("broken.jpg")), "still not a picture, but changed"));
    for (int i = 0; i < 4; ++i)
        rig.tick();
    QCOMPARE(problems.naming(QStringLiteral("broken.jpg")).size(), 2);
    QCOMPARE(problems.naming(QStringLiteral("empty.gif")).size(), 1);
    rig.switcher.apply(QStringLiteral("1"), folder.path());
    rig.tick();
    QCOMPARE(problems.lines.size(), 5);
}

QTEST_MAIN(TestSwitcher)
#include "test_switcher.moc"
