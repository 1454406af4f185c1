// SPDX-License-Identifier: MIT
#include "app/controller.h"
#include "platform/system_services.h"
#include "support/fakes.h"
#include "support/hostile.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/main_window.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Every intent of the window to the controller's command, as the program connects them.
void connectToController(const MainWindow* view, Controller& controller) {
    QObject::connect(view, &MainWindow::applyRequested, &controller, &Controller::apply);
    QObject::connect(view, &MainWindow::nextRequested, &controller, &Controller::next);
    QObject::connect(view, &MainWindow::stopRequested, &controller, &Controller::stop);
    QObject::connect(view, &MainWindow::hideRequested, &controller, &Controller::hideToTray);
    QObject::connect(view, &MainWindow::exitRequested, &controller, &Controller::exitProgram);
    QObject::connect(view, &MainWindow::aboutVersion1Requested, &controller, &Controller::showAboutVersion1);
    QObject::connect(view, &MainWindow::aboutVersion2Requested, &controller, &Controller::showAboutVersion2);
    QObject::connect(view, &MainWindow::startupTipRequested, &controller, &Controller::showStartupTip);
    QObject::connect(view, &MainWindow::driveChosen, &controller, &Controller::chooseDrive);
    QObject::connect(view, &MainWindow::closed, &controller, &Controller::windowClosed);
}

// The real window wired to a controller over fakes, and a picture folder on disk for the folder list to open; the
// stored folder is that folder, or a path below it, spelled as the program stores it.
struct WindowRig : FakeRig {
    QTemporaryDir pictures;
    std::unique_ptr<Controller> controller;
    MainWindow* window = nullptr;

    explicit WindowRig(const QString& storedBelow = QString(), const QStringList& names = {"a.bmp", "b.bmp", "c.bmp"}) {
        services.folderOnDrive = currentFolderOnDrive; // the system's own, as on Windows it is no drive's root
        lister.folders.insert(folder(), names);
        settings.values.insert(QStringLiteral("Interval"), QStringLiteral("30"));
        settings.values.insert(QStringLiteral("pause"), QStringLiteral("False"));
        settings.values.insert(QStringLiteral("DirName"), QDir::toNativeSeparators(folder() + storedBelow));
        controller = std::make_unique<Controller>(services, [this](Controller& owner) {
            auto built = std::make_unique<MainWindow>(Qt::black);
            window = built.get();
            connectToController(window, owner);
            return built;
        });
        controller->start();
        controller->restoreFromTray();
    }
    QString folder() const { return QDir::cleanPath(pictures.path()); }
    template <typename Widget> Widget* find(const char* name) { return window->findChild<Widget*>(name); }
    QWidget* control(const char* name) { return find<QWidget>(name); }
    QString subfolder(const QString& name) {
        QDir(folder()).mkpath(name);
        lister.folders.insert(folder() + QLatin1Char('/') + name, {"x.bmp", "y.bmp"});
        return folder() + QLatin1Char('/') + name;
    }
    // What the program has done, in a form two runs can be compared by.
    QStringList outcome() {
        return {QString::number(desktop.paths.size()),
                QString::number(controller->switcher().isSwitching()),
                settings.writes.join(QLatin1Char(',')),
                QString::number(window->isVisible()),
                QString::number(tray.shown),
                QString::number(endRequests),
                QString::number(messages.shown.size())};
    }
};

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
}

} // namespace

class TestMainWindow final : public QObject {
    Q_OBJECT
private slots:
    void pictureAndButtonDoTheSame_data();
    void pictureAndButtonDoTheSame();
    void doubleClickOnPictureRunsOnce();
    void firstFocusIsTheExitButton();
    void enterInSecondsFieldAppliesOnce();
    void enterOnFocusedButtonClicksIt();
    void enterInFolderListAndPlainNames_data();
    void enterInFolderListAndPlainNames();
    void unreachableStoredFolderIsKept_data();
    void unreachableStoredFolderIsKept();
    void openedFolderAppliesEditedSeconds();
    void chosenDriveIsOpenedAndApplied();
    void aboutButtonsShowTheirOwnVersion();
    void controlsFitTheWindowAndButtonsHideBelow();
    void hiddenMenuOnlyHoldsTheTip();
};

void TestMainWindow::pictureAndButtonDoTheSame_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("button");
    QTest::newRow("apply") << "applyPictureButton"
                           << "applyButton";
    QTest::newRow("next") << "nextPictureButton"
                          << "nextButton";
    QTest::newRow("stop") << "stopPictureButton"
                          << "stopButton";
    QTest::newRow("hide") << "hidePictureButton"
                          << "hideButton";
    QTest::newRow("exit") << "exitPictureButton"
                          << "exitButton";
}

void TestMainWindow::pictureAndButtonDoTheSame() {
    QFETCH(QString, picture);
    QFETCH(QString, button);
    const auto outcome = [](const QString& name) {
        WindowRig rig;
        rig.find<QLineEdit>("secondsField")->setText(QStringLiteral("77"));
        if (!name.isEmpty())
            click(rig.control(qPrintable(name)));
        return rig.outcome();
    };
    const QStringList fromPicture = outcome(picture);
    QCOMPARE(fromPicture, outcome(button));
    QVERIFY(fromPicture != outcome(QString()));
}

void TestMainWindow::doubleClickOnPictureRunsOnce() {
    WindowRig rig;
    QWidget* next = rig.control("nextPictureButton");
    QTest::mouseClick(next, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseDClick(next, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(next, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestMainWindow::firstFocusIsTheExitButton() {
    WindowRig rig;
    QVERIFY(QTest::qWaitForWindowActive(rig.window));
    QCOMPARE(rig.window->focusWidget(), rig.control("exitButton"));
}

void TestMainWindow::enterInSecondsFieldAppliesOnce() {
    WindowRig rig;
    auto* seconds = rig.find<QLineEdit>("secondsField");
    seconds->setFocus();
    seconds->setText(QStringLiteral("12"));
    QTest::keyClick(seconds, Qt::Key_Return);
    QCOMPARE(rig.desktop.paths.size(), 1);
    QCOMPARE(rig.controller->state().intervalSecs, 12);
    QTest::keyClick(seconds, Qt::Key_A);
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestMainWindow::enterOnFocusedButtonClicksIt() {
    WindowRig rig;
    QTest::keyClick(rig.control("applyButton"), Qt::Key_Return);
    QCOMPARE(rig.desktop.paths.size(), 1);
    QTest::keyClick(rig.control("stopButton"), Qt::Key_Return);
    QVERIFY(!rig.controller->switcher().isSwitching());
}

void TestMainWindow::enterInFolderListAndPlainNames_data() {
    QTest::addColumn<QString>("row"); // the folder of that row, below the open one
    QTest::newRow("Enter on the open folder applies it") << "";
    QTest::newRow("Enter on a subfolder opens and applies it") << "/sub";
}

// The picture's name is shown as it is, even where it looks like markup.
void TestMainWindow::enterInFolderListAndPlainNames() {
    QFETCH(QString, row);
    WindowRig rig(QString(), {"<i>a.bmp", "<b>b.bmp"});
    rig.lister.folders.insert(rig.subfolder(QStringLiteral("sub")), {"<u>x.bmp", "<s>y.bmp"});
    auto* folderList = rig.find<FolderList>("folderList");
    QVERIFY(folderList->setPath(rig.folder())); // lists the new subfolder
    auto* rows = folderList->findChild<QTreeWidget*>();
    rows->setCurrentItem(rows->findItems(QFileInfo(rig.folder() + row).fileName(), Qt::MatchRecursive).value(0));
    QTest::keyClick(rows, Qt::Key_Return);
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QDir::toNativeSeparators(rig.folder() + row));
    QCOMPARE(rig.desktop.paths.size(), 1);
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(rig.control("pictureNameLabel"));
    QCOMPARE(label->text(QAccessible::Name), QFileInfo(rig.desktop.paths.constFirst()).fileName());
}

void TestMainWindow::unreachableStoredFolderIsKept_data() {
    QTest::addColumn<QString>("storedBelow"); // below the picture folder
    QTest::addColumn<bool>("reachable");
    QTest::newRow("an unplugged folder") << "/stick" << false;
    QTest::newRow("an unplugged folder spelled with a trailing separator") << "/stick/" << false;
    QTest::newRow("a folder that opens, spelled with a trailing separator") << "/" << true;
}

// Applies meant only to change the seconds keep the stored folder as it was spelled, shown in the folder list, and
// say once that it cannot be opened; switching resumes at the first Apply once it is back.
void TestMainWindow::unreachableStoredFolderIsKept() {
    QFETCH(QString, storedBelow);
    QFETCH(bool, reachable);
    WindowRig rig(storedBelow);
    const QString stored = QDir::toNativeSeparators(rig.folder() + storedBelow);
    if (!reachable)
        rig.lister.unreadable.insert(QDir::cleanPath(stored));
    QCOMPARE(rig.find<FolderList>("folderList")->path(), QDir::toNativeSeparators(QDir::cleanPath(stored)));
    rig.find<QLineEdit>("secondsField")->setText(QStringLiteral("45"));
    ProblemLines problems;
    click(rig.control("applyButton"));
    click(rig.control("applyButton"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), stored);
    QCOMPARE(rig.settings.values.value(QStringLiteral("Interval")), QStringLiteral("45"));
    QCOMPARE(problems.lines.size(), reachable ? 0 : 1);
    rig.lister.unreadable.clear();
    rig.lister.folders.insert(QDir::cleanPath(stored), {"a.bmp", "b.bmp"});
    click(rig.control("applyButton"));
    QCOMPARE(rig.desktop.paths.size(), reachable ? 3 : 1);
}

void TestMainWindow::openedFolderAppliesEditedSeconds() {
    WindowRig rig;
    const QString other = rig.subfolder(QStringLiteral("other"));
    rig.find<QLineEdit>("secondsField")->setText(QStringLiteral("90"));
    QVERIFY(rig.find<FolderList>("folderList")->setPath(other));
    QCOMPARE(rig.settings.values.value(QStringLiteral("Interval")), QStringLiteral("90"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QDir::toNativeSeparators(other));
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestMainWindow::chosenDriveIsOpenedAndApplied() {
    WindowRig rig;
#ifdef Q_OS_WIN
    // A drive opens at its current folder: on the working folder's drive, the working folder.
    const QString opened = QDir::currentPath();
    const QString drive = QDir::toNativeSeparators(opened.left(3));
#else
    const QString opened = QStringLiteral("/");
    const QString drive = opened;
#endif
    rig.lister.folders.insert(opened, {"r1.bmp", "r2.bmp"});
    emit rig.find<DriveList>("driveList")->driveChosen(drive);
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QDir::toNativeSeparators(opened));
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestMainWindow::aboutButtonsShowTheirOwnVersion() {
    WindowRig rig;
    click(rig.control("aboutButton"));
    click(rig.control("aboutPictureButton"));
    QCOMPARE(rig.messages.shown.size(), 2);
    QVERIFY(rig.messages.shown.at(0).text != rig.messages.shown.at(1).text);
}

// Every control the user clicks lies inside the window and clear of the others; the push buttons lie below it,
// out of sight, yet the Tab key reaches them in order.
void TestMainWindow::controlsFitTheWindowAndButtonsHideBelow() {
    WindowRig rig;
    QList<QRect> seen;
    for (const char* name : {"secondsField", "driveList", "folderList", "hidePictureButton", "exitPictureButton",
                             "applyPictureButton", "stopPictureButton", "nextPictureButton", "aboutPictureButton"}) {
        const QRect box = rig.control(name)->geometry();
        QVERIFY2(rig.window->rect().contains(box), name);
        for (const QRect& other : std::as_const(seen))
            QVERIFY2(!other.intersects(box), name);
        seen.append(box);
    }
    QWidget* focus = rig.control("exitButton");
    for (const char* name : {"exitButton", "applyButton", "secondsField", "aboutButton", "nextButton"}) {
        QCOMPARE(focus, rig.control(name));
        if (qobject_cast<QPushButton*>(focus))
            QVERIFY2(focus->isVisible() && !rig.window->rect().intersects(focus->geometry()), name);
        focus = focus->nextInFocusChain();
        while (!(focus->focusPolicy() & Qt::TabFocus) || focus->focusProxy())
            focus = focus->nextInFocusChain();
    }
}

void TestMainWindow::hiddenMenuOnlyHoldsTheTip() {
    WindowRig rig;
    auto* tip = rig.find<QAction>("startupTipAction");
    QVERIFY(!tip->isVisible());
    tip->trigger();
    QCOMPARE(rig.messages.shown.size(), 1);
    QVERIFY(rig.window->findChildren<QMenu*>().constFirst()->isHidden());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
