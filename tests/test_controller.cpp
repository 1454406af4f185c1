// SPDX-License-Identifier: MIT
#include "app/controller.h"
#include "support/fakes.h"
#include "support/hostile.h"
#include "switching/config.h"

#include <QDir>
#include <QTest>

namespace {

// The controller over fakes, with a fake window that is counted when built.
struct ControllerRig : FakeRig {
    std::unique_ptr<Controller> controller;
    FakeView* view = nullptr;
    int windowsBuilt = 0;

    ControllerRig() { lister.folders.insert(QStringLiteral("/p"), {"a.bmp", "b.bmp", "c.bmp"}); }
    void storeSettings(const QString& interval, const QString& pause) {
        settings.values.insert(QStringLiteral("Interval"), interval);
        settings.values.insert(QStringLiteral("pause"), pause);
        settings.values.insert(QStringLiteral("DirName"), QStringLiteral("/p"));
    }
    Controller& start() {
        controller = std::make_unique<Controller>(services, [this](Controller&) {
            ++windowsBuilt;
            auto built = std::make_unique<FakeView>();
            view = built.get();
            return built;
        });
        controller->start();
        return *controller;
    }
    bool switching() const { return controller->switcher().isSwitching(); }
};

using Command = std::function<void(Controller&)>;

} // namespace

Q_DECLARE_METATYPE(Command)

class TestController final : public QObject {
    Q_OBJECT
private slots:
    void firstRunStartsInTrayWithoutWindow();
    void resume_data();
    void resume();
    void restartKeepsWhatUserLeft_data();
    void restartKeepsWhatUserLeft();
    void windowShowsWhatHappenedWhileHidden();
    void waysOutRemoveIconAndSaveNothing_data();
    void waysOutRemoveIconAndSaveNothing();
    void trayActivation_data();
    void trayActivation();
    void noTrayHostKeepsWindowReachable();
    void chosenDriveOpensItsFolder_data();
    void chosenDriveOpensItsFolder();
    void messagesChangeNothing_data();
    void messagesChangeNothing();
};

void TestController::firstRunStartsInTrayWithoutWindow() {
    ControllerRig rig;
    Controller& controller = rig.start();
    QCOMPARE(rig.windowsBuilt, 0);
    QVERIFY(rig.tray.shown);
    QCOMPARE(rig.tray.tip, QStringLiteral("Quorlen v1.0"));
    QCOMPARE(rig.random.seeded, 1);
    QCOMPARE(controller.state().intervalSecs, 300);
    QCOMPARE(controller.state().folder, defaultFolder());
    QCOMPARE(rig.settings.values.value(QStringLiteral("pause")), QStringLiteral("True"));
}

void TestController::resume_data() {
    QTest::addColumn<QString>("pause");
    QTest::addColumn<int>("switches");
    QTest::newRow("switching was on: one apply") << "True" << 1;
    QTest::newRow("switching was off: nothing") << "False" << 0;
}

void TestController::resume() {
    QFETCH(QString, pause);
    QFETCH(int, switches);
    ControllerRig rig;
    rig.storeSettings(QStringLiteral("30"), pause);
    rig.start();
    QCOMPARE(rig.desktop.paths.size(), switches);
    QCOMPARE(rig.switching(), switches > 0);
    QCOMPARE(rig.lister.listings, switches); // one scan per apply, and no look at the folder before
}

void TestController::restartKeepsWhatUserLeft_data() {
    QTest::addColumn<Command>("lastCommands");
    QTest::addColumn<bool>("switchesAfterRestart");
    QTest::newRow("after Stop stays stopped") << Command([](Controller& c) { c.stop(); }) << false;
    QTest::newRow("after Apply switches again")
        << Command([](Controller& c) { c.apply(QStringLiteral("30"), QStringLiteral("/p")); }) << true;
    QTest::newRow("after Stop then Next switches again") << Command([](Controller& c) {
        c.stop();
        c.next();
    }) << true;
}

void TestController::restartKeepsWhatUserLeft() {
    QFETCH(Command, lastCommands);
    QFETCH(bool, switchesAfterRestart);
    ControllerRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    lastCommands(rig.start());
    rig.desktop.paths.clear();
    rig.start();
    QCOMPARE(rig.switching(), switchesAfterRestart);
    QCOMPARE(rig.desktop.paths.size(), switchesAfterRestart ? 1 : 0);
}

// A window built only once the user asks for it shows the seconds, folder and picture in force.
void TestController::windowShowsWhatHappenedWhileHidden() {
    ControllerRig rig;
    rig.storeSettings(QStringLiteral("45"), QStringLiteral("True"));
    Controller& controller = rig.start();
    controller.apply(QStringLiteral("0"), QStringLiteral("/p"));
    QCOMPARE(rig.windowsBuilt, 0);
    controller.restoreFromTray();
    QCOMPARE(rig.windowsBuilt, 1);
    QVERIFY(rig.view->presented);
    QCOMPARE(rig.view->seconds, QStringLiteral("1"));
    QCOMPARE(rig.view->folder, QStringLiteral("/p"));
    QVERIFY(rig.desktop.paths.constLast().endsWith(QDir::separator() + rig.view->pictureName));
    controller.next();
    QVERIFY(rig.desktop.paths.constLast().endsWith(QDir::separator() + rig.view->pictureName));
}

void TestController::waysOutRemoveIconAndSaveNothing_data() {
    QTest::addColumn<Command>("leave");
    QTest::newRow("exit command") << Command([](Controller& c) { c.exitProgram(); });
    QTest::newRow("window closed") << Command([](Controller& c) { c.windowClosed(); });
}

void TestController::waysOutRemoveIconAndSaveNothing() {
    QFETCH(Command, leave);
    ControllerRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    Controller& controller = rig.start();
    leave(controller);
    QVERIFY(!rig.tray.shown);
    QCOMPARE(rig.endRequests, 1);
    QVERIFY(rig.settings.writes.isEmpty());
    controller.windowClosed(); // the window closing on the way out ends nothing twice
    QCOMPARE(rig.endRequests, 1);
}

void TestController::trayActivation_data() {
    QTest::addColumn<bool>("singleClickHost");
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("restores");
    QTest::newRow("double click") << false << int(TrayActivation::DoubleClick) << true;
    QTest::newRow("single click") << false << int(TrayActivation::Click) << false;
    QTest::newRow("right click") << false << int(TrayActivation::Context) << false;
    QTest::newRow("middle click") << false << int(TrayActivation::Middle) << false;
    QTest::newRow("click on a click-only host") << true << int(TrayActivation::Click) << true;
    QTest::newRow("right click on a click-only host") << true << int(TrayActivation::Context) << false;
}

void TestController::trayActivation() {
    QFETCH(bool, singleClickHost);
    QFETCH(int, how);
    QFETCH(bool, restores);
    ControllerRig rig;
    rig.tray.singleClickHost = singleClickHost;
    Controller& controller = rig.start();
    rig.tray.activate(TrayActivation(how));
    QCOMPARE(rig.view && rig.view->presented, restores);
    QCOMPARE(rig.tray.shown, !restores);
    if (restores) {
        controller.hideToTray();
        QVERIFY(!rig.view->presented);
        QVERIFY(rig.tray.shown);
        QCOMPARE(rig.tray.adds, 2);
    }
}

void TestController::noTrayHostKeepsWindowReachable() {
    ControllerRig rig;
    rig.tray.hostAvailable = false;
    Controller& controller = rig.start();
    QVERIFY(rig.view && rig.view->presented);
    controller.hideToTray();
    QVERIFY(rig.view->minimized);
    rig.tray.hostAvailable = true; // a panel with a tray appeared meanwhile
    controller.hideToTray();
    QVERIFY(!rig.view->presented);
    QVERIFY(rig.tray.shown);
}

void TestController::chosenDriveOpensItsFolder_data() {
    QTest::addColumn<QStringList>("unopenable");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<int>("problemLines");
    QTest::newRow("the drive's own folder") << QStringList() << QStringList{"/d/work"} << 0;
    QTest::newRow("its root when that folder has gone") << QStringList{"/d/work"} << QStringList{"/d"} << 0;
    QTest::newRow("neither: said once") << QStringList{"/d/work", "/d"} << QStringList() << 1;
}

void TestController::chosenDriveOpensItsFolder() {
    QFETCH(QStringList, unopenable);
    QFETCH(QStringList, opened);
    QFETCH(int, problemLines);
    ControllerRig rig;
    rig.services.folderOnDrive = [](const QString& root) { return root + QStringLiteral("/work"); };
    Controller& controller = rig.start();
    controller.restoreFromTray();
    rig.view->unopenable = QSet<QString>(unopenable.cbegin(), unopenable.cend());
    ProblemLines problems;
    controller.chooseDrive(QStringLiteral("/d"));
    QCOMPARE(rig.view->opened, opened);
    QCOMPARE(problems.lines.size(), problemLines);
}

void TestController::messagesChangeNothing_data() {
    QTest::addColumn<Command>("command");
    QTest::addColumn<int>("style");
    QTest::newRow("About 1.0") << Command([](Controller& c) { c.showAboutVersion1(); })
                               << int(MessageStyle::Information);
    QTest::newRow("About 2.0") << Command([](Controller& c) { c.showAboutVersion2(); })
                               << int(MessageStyle::Information);
    QTest::newRow("start-up files tip") << Command([](Controller& c) { c.showStartupTip(); })
                                        << int(MessageStyle::Plain);
}

void TestController::messagesChangeNothing() {
    QFETCH(Command, command);
    QFETCH(int, style);
    ControllerRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    Controller& controller = rig.start();
    const qsizetype writes = rig.settings.writes.size();
    const int interval = controller.switcher().timerIntervalMs();
    command(controller);
    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(int(rig.messages.shown.constFirst().style), style);
    QCOMPARE(rig.settings.writes.size(), writes);
    QVERIFY(rig.switching());
    QCOMPARE(controller.switcher().timerIntervalMs(), interval);
}

QTEST_MAIN(TestController)
#include "test_controller.moc"
