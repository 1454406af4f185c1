#include "app/drive_chooser.h"
#include "app/folder_chooser.h"
#include "app/image_button.h"
#include "app/tivelo_form.h"
#include "fakes/fakes.h"
#include "messages/messages.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A picture folder on disk (the folder chooser opens real folders) whose listing the fake serves.
struct PictureFolder {
    QTemporaryDir dir;
    QString path() const { return QDir::cleanPath(dir.path()); }
    QString subfolder(const QString& name) const {
        QDir(path()).mkpath(name);
        return path() + QLatin1Char('/') + name;
    }
};

struct FormRig : FakeRig {
    PictureFolder pictures;
    std::unique_ptr<TiveloForm> form;

    FormRig() { lister.folders.insert(pictures.path(), {"a.bmp", "b.bmp", "c.bmp"}); }
    void storeSettings(const QString& interval, const QString& pause) {
        settings.values.insert(QStringLiteral("Interval"), interval);
        settings.values.insert(QStringLiteral("pause"), pause);
        settings.values.insert(QStringLiteral("DirName"), pictures.path());
    }
    TiveloForm& start() {
        form = std::make_unique<TiveloForm>(services);
        form->Form_Load();
        return *form;
    }
    bool switching() { return form->switcher().isSwitching(); }
};

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(2, 2));
}

using Command = std::function<void(TiveloForm&)>;

} // namespace

Q_DECLARE_METATYPE(Command)

class TestTiveloForm final : public QObject {
    Q_OBJECT
private slots:
    void firstRunStartsInTray();
    void storedIntervalShown();
    void resume_data();
    void resume();
    void restartKeepsWhatUserLeft_data();
    void restartKeepsWhatUserLeft();
    void storedFolderRefusedByChooser();
    void twins_data();
    void twins();
    void enterInSecondsFieldAppliesOnce();
    void enterOnFocusedButtonClicksIt();
    void folderChangeAppliesEditedSeconds();
    void driveChangeRescansSavesAndSwitches();
    void fileLabelNamesCurrentPicture();
    void exitRemovesIconAndSavesNothing_data();
    void exitRemovesIconAndSavesNothing();
    void closingRemovesIconAndSavesNothing();
    void trayActivation_data();
    void trayActivation();
    void noTrayHostKeepsWindowReachable();
    void messagesChangeNothing_data();
    void messagesChangeNothing();
    void layoutAtStandardResolution_data();
    void layoutAtStandardResolution();
    void pushButtonsOutOfSightButInTabOrder();
    void hiddenMenu();
};

void TestTiveloForm::firstRunStartsInTray() {
    FakeRig rig;
    TiveloForm form(rig.services);
    form.Form_Load();
    QVERIFY(!form.isVisible());
    QCOMPARE(rig.tray.adds, 1);
    QCOMPARE(rig.tray.last.tip, QStringLiteral("Quorlen v1.0"));
    QCOMPARE(rig.tray.last.id, 1);
    QCOMPARE(rig.random.seeded, 1);
    QCOMPARE(form.SecsText->text(), QStringLiteral("300"));
    QCOMPARE(form.state().DirName, QStringLiteral("/"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("pause")), QStringLiteral("True"));
}

void TestTiveloForm::storedIntervalShown() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("45"), QStringLiteral("False"));
    QCOMPARE(rig.start().SecsText->text(), QStringLiteral("45"));
}

void TestTiveloForm::resume_data() {
    QTest::addColumn<QString>("pause");
    QTest::addColumn<int>("switches");
    QTest::newRow("switching was on: one apply") << "True" << 1;
    QTest::newRow("switching was off: nothing") << "False" << 0;
}

void TestTiveloForm::resume() {
    QFETCH(QString, pause);
    QFETCH(int, switches);
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), pause);
    TiveloForm& form = rig.start();
    QCOMPARE(rig.desktop.paths.size(), switches);
    QCOMPARE(rig.switching(), switches > 0);
    QCOMPARE(rig.lister.listings, 1 + switches); // the folder probe, then one scan per apply
    QCOMPARE(form.DirText->text(), rig.pictures.path());
    QCOMPARE(QDir::cleanPath(form.Dir1->path()), rig.pictures.path());
}

void TestTiveloForm::restartKeepsWhatUserLeft_data() {
    QTest::addColumn<Command>("lastCommand");
    QTest::addColumn<bool>("switchesAfterRestart");
    QTest::newRow("after Stop stays stopped") << Command([](TiveloForm& f) { click(f.Image6); }) << false;
    QTest::newRow("after Apply switches again") << Command([](TiveloForm& f) { click(f.Image1); }) << true;
}

void TestTiveloForm::restartKeepsWhatUserLeft() {
    QFETCH(Command, lastCommand);
    QFETCH(bool, switchesAfterRestart);
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    lastCommand(rig.start());
    rig.desktop.paths.clear();
    rig.start();
    QCOMPARE(rig.switching(), switchesAfterRestart);
    QCOMPARE(rig.desktop.paths.size(), switchesAfterRestart ? 1 : 0);
}

void TestTiveloForm::storedFolderRefusedByChooser() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    const QString missing = rig.pictures.path() + QStringLiteral("/vanished");
    rig.settings.values.insert(QStringLiteral("DirName"), missing);
    rig.lister.folders.insert(missing, {"x.bmp", "y.bmp"}); // the listing still sees it
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("vanished")));
    TiveloForm& form = rig.start();
    QCOMPARE(form.state().DirName, missing);
    QCOMPARE(rig.desktop.paths.size(), 1);
    QVERIFY(rig.desktop.paths.constFirst().startsWith(missing));
}

void TestTiveloForm::twins_data() {
    QTest::addColumn<Command>("image");
    QTest::addColumn<Command>("button");
    QTest::newRow("apply") << Command([](TiveloForm& f) { click(f.Image1); })
                           << Command([](TiveloForm& f) { click(f.CmdApply); });
    QTest::newRow("next") << Command([](TiveloForm& f) { click(f.Image5); })
                          << Command([](TiveloForm& f) { click(f.CmdNext); });
    QTest::newRow("stop") << Command([](TiveloForm& f) { click(f.Image6); })
                          << Command([](TiveloForm& f) { click(f.Command2); });
    QTest::newRow("to tray") << Command([](TiveloForm& f) { click(f.Image3); })
                             << Command([](TiveloForm& f) { click(f.Command1); });
    QTest::newRow("exit") << Command([](TiveloForm& f) { click(f.Image2); })
                          << Command([](TiveloForm& f) { click(f.CmdEnd); });
}

void TestTiveloForm::twins() {
    QFETCH(Command, image);
    QFETCH(Command, button);
    const auto outcome = [](const Command& command) {
        FormRig rig;
        rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
        TiveloForm& form = rig.start();
        form.SecsText->setText(QStringLiteral("77"));
        form.show();
        command(form);
        return QStringList{QString::number(rig.desktop.paths.size()),
                           QString::number(rig.switching()),
                           rig.settings.writes.join(QLatin1Char(',')),
                           rig.settings.values.value(QStringLiteral("Interval")),
                           QString::number(form.isVisible()),
                           QString::number(rig.tray.shown),
                           QString::number(rig.endRequests)};
    };
    const QStringList fromImage = outcome(image);
    QCOMPARE(fromImage, outcome(button));
    QVERIFY(fromImage != outcome([](TiveloForm&) {}));
}

void TestTiveloForm::enterInSecondsFieldAppliesOnce() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    TiveloForm& form = rig.start();
    form.show();
    form.SecsText->setFocus();
    form.SecsText->setText(QStringLiteral("12"));
    QTest::keyClick(form.SecsText, Qt::Key_Return);
    QCOMPARE(rig.desktop.paths.size(), 1);
    QCOMPARE(form.state().IntervalSecs, 12);
    QTest::keyClick(form.SecsText, Qt::Key_A);
    QCOMPARE(rig.desktop.paths.size(), 1);
}

void TestTiveloForm::enterOnFocusedButtonClicksIt() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    TiveloForm& form = rig.start();
    form.show();
    QTest::keyClick(form.Command2, Qt::Key_Return);
    QVERIFY(!rig.switching());
    QCOMPARE(rig.desktop.paths.size(), 1);
    QTest::keyClick(form.CmdApply, Qt::Key_Return);
    QCOMPARE(rig.desktop.paths.size(), 2);
}

void TestTiveloForm::folderChangeAppliesEditedSeconds() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    const QString other = rig.pictures.subfolder(QStringLiteral("other"));
    rig.lister.folders.insert(other, {"x.jpg.bmp", "y.bmp"});
    TiveloForm& form = rig.start();
    form.SecsText->setText(QStringLiteral("90"));
    QVERIFY(form.Dir1->setPath(other));
    QCOMPARE(form.DirText->text(), QDir::toNativeSeparators(other));
    QCOMPARE(rig.settings.values.value(QStringLiteral("Interval")), QStringLiteral("90"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QDir::toNativeSeparators(other));
    QCOMPARE(rig.desktop.paths.size(), 1);
    QVERIFY(rig.desktop.paths.constFirst().startsWith(other));
}

void TestTiveloForm::driveChangeRescansSavesAndSwitches() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    rig.lister.folders.insert(QStringLiteral("/"), {"r1.bmp", "r2.bmp"});
    TiveloForm& form = rig.start();
    emit form.Drive1->driveChosen(QStringLiteral("/"));
    QCOMPARE(rig.settings.values.value(QStringLiteral("DirName")), QStringLiteral("/"));
    QCOMPARE(rig.desktop.paths.size(), 1);
    QVERIFY(rig.switching());
}

void TestTiveloForm::fileLabelNamesCurrentPicture() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    TiveloForm& form = rig.start();
    QVERIFY(rig.desktop.paths.constFirst().endsWith(QLatin1Char('/') + form.FileLabel->text()));
}

void TestTiveloForm::exitRemovesIconAndSavesNothing_data() {
    QTest::addColumn<Command>("exit");
    QTest::newRow("image") << Command([](TiveloForm& f) { click(f.Image2); });
    QTest::newRow("button") << Command([](TiveloForm& f) { click(f.CmdEnd); });
}

void TestTiveloForm::exitRemovesIconAndSavesNothing() {
    QFETCH(Command, exit);
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    TiveloForm& form = rig.start();
    form.SecsText->setText(QStringLiteral("99"));
    exit(form);
    QVERIFY(!rig.tray.shown);
    QCOMPARE(rig.endRequests, 1);
    QVERIFY(rig.settings.writes.isEmpty());
    form.close(); // the platform closing the window afterwards runs no second unload
    QCOMPARE(rig.tray.removes, 1);
    QCOMPARE(rig.endRequests, 1);
}

void TestTiveloForm::closingRemovesIconAndSavesNothing() {
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    TiveloForm& form = rig.start();
    form.show();
    form.SecsText->setText(QStringLiteral("99"));
    form.close();
    QVERIFY(!rig.tray.shown);
    QCOMPARE(rig.endRequests, 1);
    QVERIFY(rig.settings.writes.isEmpty());
}

void TestTiveloForm::trayActivation_data() {
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

void TestTiveloForm::trayActivation() {
    QFETCH(bool, singleClickHost);
    QFETCH(int, how);
    QFETCH(bool, restores);
    FormRig rig;
    rig.tray.singleClickHost = singleClickHost;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    TiveloForm& form = rig.start();
    rig.tray.activate(TrayActivation(how));
    QCOMPARE(form.isVisible(), restores);
    QCOMPARE(rig.tray.shown, !restores);
    if (restores) {
        click(form.Image3);
        QVERIFY(!form.isVisible());
        QVERIFY(rig.tray.shown);
        QCOMPARE(rig.tray.last.tip, QStringLiteral("Quorlen v1.0"));
    }
}

void TestTiveloForm::noTrayHostKeepsWindowReachable() {
    FormRig rig;
    rig.tray.hostAvailable = false;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("False"));
    TiveloForm& form = rig.start();
    QVERIFY(form.isVisible());
    click(form.Image3);
    QVERIFY(form.isMinimized());
    rig.tray.hostAvailable = true; // a panel with a tray appeared meanwhile
    form.showNormal();
    click(form.Image3);
    QVERIFY(!form.isVisible());
    QVERIFY(rig.tray.shown);
}

void TestTiveloForm::messagesChangeNothing_data() {
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("style");
    QTest::newRow("help button") << Command([](TiveloForm& f) { click(f.CmdHelp); }) << aboutTextV1()
                                 << int(MessageStyle::Information);
    QTest::newRow("help image") << Command([](TiveloForm& f) { click(f.Image4); }) << aboutTextV2()
                                << int(MessageStyle::Information);
    QTest::newRow("config tip") << Command([](TiveloForm& f) { f.conf->trigger(); }) << startupFilesTip()
                                << int(MessageStyle::Plain);
}

void TestTiveloForm::messagesChangeNothing() {
    QFETCH(Command, command);
    QFETCH(QString, text);
    QFETCH(int, style);
    FormRig rig;
    rig.storeSettings(QStringLiteral("30"), QStringLiteral("True"));
    TiveloForm& form = rig.start();
    const int writes = rig.settings.writes.size();
    const int interval = form.switcher().timer().interval();
    command(form);
    QCOMPARE(rig.messages.shown.size(), 1);
    QCOMPARE(rig.messages.shown.constFirst().text, text);
    QCOMPARE(int(rig.messages.shown.constFirst().style), style);
    QCOMPARE(rig.settings.writes.size(), writes);
    QVERIFY(rig.switching());
    QCOMPARE(form.switcher().timer().interval(), interval);
}

void TestTiveloForm::layoutAtStandardResolution_data() {
    QTest::addColumn<QString>("element");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Label1(0)") << "Label1.0" << QRect(8, 8, 153, 17);
    QTest::newRow("SecsText") << "SecsText" << QRect(160, 8, 41, 19);
    QTest::newRow("Label1(1)") << "Label1.1" << QRect(224, 0, 153, 17);
    QTest::newRow("Drive1") << "Drive1" << QRect(272, 16, 137, 21);
    QTest::newRow("Dir1") << "Dir1" << QRect(264, 40, 185, 66);
    QTest::newRow("FileLabel") << "FileLabel" << QRect(8, 96, 245, 13);
    QTest::newRow("Image3") << "Image3" << QRect(16, 24, 32, 32);
    QTest::newRow("Image2") << "Image2" << QRect(48, 24, 32, 32);
    QTest::newRow("Image1") << "Image1" << QRect(120, 40, 48, 48);
    QTest::newRow("Image6") << "Image6" << QRect(192, 40, 32, 32);
    QTest::newRow("Image5") << "Image5" << QRect(248, 16, 16, 16);
    QTest::newRow("Image4") << "Image4" << QRect(424, 16, 16, 16);
    QTest::newRow("CmdApply") << "CmdApply" << QRect(96, 160, 89, 21);
}

void TestTiveloForm::layoutAtStandardResolution() {
    QFETCH(QString, element);
    QFETCH(QRect, geometry);
    FakeRig rig;
    TiveloForm form(rig.services);
    if (form.logicalDpiX() != 96)
        QSKIP("the screen is not at 96 dots per inch");
    const QHash<QString, QWidget*> elements{
        {"Label1.0", form.Label1[0]}, {"SecsText", form.SecsText}, {"Label1.1", form.Label1[1]},
        {"Drive1", form.Drive1},      {"Dir1", form.Dir1},         {"FileLabel", form.FileLabel},
        {"Image3", form.Image3},      {"Image2", form.Image2},     {"Image1", form.Image1},
        {"Image6", form.Image6},      {"Image5", form.Image5},     {"Image4", form.Image4},
        {"CmdApply", form.CmdApply}};
    QCOMPARE(elements.value(element)->geometry(), geometry);
    QCOMPARE(form.size(), QSize(457, 115));
}

void TestTiveloForm::pushButtonsOutOfSightButInTabOrder() {
    FakeRig rig;
    TiveloForm form(rig.services);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (QPushButton* button : {form.CmdApply, form.CmdEnd, form.Command1, form.CmdHelp, form.CmdNext, form.Command2}) {
        QVERIFY(button->isVisible() && button->isEnabled());
        QVERIFY2(!form.rect().intersects(button->geometry()), qPrintable(button->text()));
    }
    QList<QWidget*> order;
    form.CmdEnd->setFocus();
    for (QWidget* w = form.CmdEnd; order.size() < 9 && !order.contains(w); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() && w->isEnabled() && w->focusProxy() == nullptr)
            order.append(w);
    }
    QCOMPARE(order.value(0), form.CmdEnd);
    QCOMPARE(order.value(1), form.CmdApply);
    QCOMPARE(order.value(2), form.SecsText);
    QCOMPARE(order.value(3), form.CmdHelp);
    QCOMPARE(order.value(4), form.CmdNext);
}

void TestTiveloForm::hiddenMenu() {
    FakeRig rig;
    TiveloForm form(rig.services);
    QVERIFY(!form.qq->isVisible());
    QVERIFY(form.pict->isVisible());
    QVERIFY(!form.conf->isVisible());
    form.pict->trigger();
    QVERIFY(rig.messages.shown.isEmpty());
}

QTEST_MAIN(TestTiveloForm)
#include "test_tivelo_form.moc"
