#include "app/tivelo_form.h"

#include "app/drive_chooser.h"
#include "app/folder_chooser.h"
#include "app/image_button.h"
#include "messages/messages.h"
#include "platform/diagnostics.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "platform/tray_icon.h"
#include "settings/config.h"
#include "settings/text_forms.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

const QString TrayTip = QStringLiteral("Quorlen v1.0");
constexpr int EnterKey = 13;

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

TiveloForm::TiveloForm(Services& services, QWidget* parent)
    : QWidget(parent), services_(services), switcher_(services, state_, this) {
    createControls();
    placeControls();
    wireEvents();
    setTabOrder();
}

void TiveloForm::wireEvents() {
    connect(CmdApply, &QPushButton::clicked, this, &TiveloForm::CmdApply_Click);
    connect(Image1, &ImageButton::clicked, this, &TiveloForm::Image1_Click);
    connect(CmdNext, &QPushButton::clicked, this, &TiveloForm::CmdNext_Click);
    connect(Image5, &ImageButton::clicked, this, &TiveloForm::Image5_Click);
    connect(Command2, &QPushButton::clicked, this, &TiveloForm::Command2_Click);
    connect(Image6, &ImageButton::clicked, this, &TiveloForm::Image6_Click);
    connect(Command1, &QPushButton::clicked, this, &TiveloForm::Command1_Click);
    connect(Image3, &ImageButton::clicked, this, &TiveloForm::Image3_Click);
    connect(CmdEnd, &QPushButton::clicked, this, &TiveloForm::CmdEnd_Click);
    connect(Image2, &ImageButton::clicked, this, &TiveloForm::Image2_Click);
    connect(CmdHelp, &QPushButton::clicked, this, &TiveloForm::CmdHelp_Click);
    connect(Image4, &ImageButton::clicked, this, &TiveloForm::Image4_Click);
    connect(conf, &QAction::triggered, this, &TiveloForm::conf_Click);
    connect(pict, &QAction::triggered, this, &TiveloForm::pict_Click);
    connect(Dir1, &FolderChooser::changed, this, &TiveloForm::Dir1_Change);
    connect(Drive1, &DriveChooser::driveChosen, this, &TiveloForm::Drive1_Change);
    connect(&switcher_.timer(), &QTimer::timeout, this, &TiveloForm::SwitchTimer_Timer);
    connect(&switcher_, &Switcher::pictureChosen, FileLabel, &QLabel::setText);
    connect(&services_.tray, &TrayIcon::activated, this, &TiveloForm::TrayIcon_Activated);
    SecsText->installEventFilter(this);
}

void TiveloForm::Form_Load() {
    HideToTray();
    services_.random.seedFromClock();
    const StoredSettings stored = LoadConfig(services_.settings, services_.lister);
    state_.IntervalSecs = stored.IntervalSecs;
    state_.DirName = stored.DirName;
    state_.UpdateRegistry = stored.UpdateRegistry;
    SecsText->setText(formatWholeNumber(state_.IntervalSecs));
    resumeAtStartUp(stored.SwitchingOn);
}

// The chooser is set to the stored folder without running Apply from its notification, so one start
// makes at most one switch, whatever folder the program was started in.
void TiveloForm::resumeAtStartUp(bool switchingWasOn) {
    DirText->setText(state_.DirName);
    {
        const QSignalBlocker quiet(Dir1);
        QString error;
        if (!Dir1->setPath(state_.DirName, &error))
            reportProblem(error);
    }
    Drive1->showDriveOf(Dir1->path());
    if (switchingWasOn)
        CmdApply_Click();
}

void TiveloForm::HideToTray() {
    // Without a tray host a hidden window could never be reached again: stay on screen instead.
    if (!services_.tray.isHostAvailable()) {
        if (isVisible())
            showMinimized();
        else
            show();
        return;
    }
    hide();
    state_.TrayIconData.window = winId();
    state_.TrayIconData.id = 1;
    state_.TrayIconData.icon = windowIcon();
    state_.TrayIconData.tip = TrayTip;
    services_.tray.add(state_.TrayIconData);
}

void TiveloForm::RemoveTrayIcon() {
    services_.tray.remove();
}

void TiveloForm::TrayIcon_Activated(TrayActivation how) {
    const bool restore =
        how == TrayActivation::DoubleClick || (how == TrayActivation::Click && services_.tray.clickRestores());
    if (restore)
        RestoreFromTray();
}

void TiveloForm::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
    RemoveTrayIcon();
}

void TiveloForm::SwitchTimer_Timer() {
    switcher_.SwitchTimer_Timer();
}

void TiveloForm::CmdApply_Click() {
    SecsText->setText(switcher_.apply(SecsText->text(), DirText->text()));
}

void TiveloForm::Image1_Click() {
    CmdApply_Click();
}

void TiveloForm::CmdNext_Click() {
    switcher_.next();
}

void TiveloForm::Image5_Click() {
    switcher_.next();
}

void TiveloForm::Command2_Click() {
    switcher_.stop();
}

void TiveloForm::Image6_Click() {
    switcher_.stop();
}

void TiveloForm::Command1_Click() {
    HideToTray();
}

void TiveloForm::Image3_Click() {
    HideToTray();
}

void TiveloForm::CmdEnd_Click() {
    exitProgram();
}

void TiveloForm::Image2_Click() {
    exitProgram();
}

void TiveloForm::exitProgram() {
    RemoveTrayIcon();
    ending_ = true;
    services_.endProgram();
}

void TiveloForm::CmdHelp_Click() {
    showAboutV1(services_.messages);
}

void TiveloForm::Image4_Click() {
    showAboutV2(services_.messages);
}

void TiveloForm::conf_Click() {
    showStartupFilesTip(services_.messages);
}

void TiveloForm::pict_Click() {}

void TiveloForm::Dir1_Change(const QString& path) {
    Drive1->showDriveOf(path);
    DirText->setText(path);
    CmdApply_Click();
}

void TiveloForm::Drive1_Change(const QString& root) {
    QString error;
    if (!Dir1->setPath(root, &error)) {
        reportProblem(error);
        Drive1->showDriveOf(Dir1->path());
    }
}

void TiveloForm::SecsText_KeyPress(int keyAscii) {
    if (keyAscii == EnterKey)
        CmdApply_Click();
}

void TiveloForm::Form_Unload() {
    RemoveTrayIcon();
    services_.endProgram();
}

void TiveloForm::closeEvent(QCloseEvent* event) {
    if (!ending_)
        Form_Unload();
    event->accept();
}

// Enter in the seconds field reaches Apply through the field itself and goes no further.
bool TiveloForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == SecsText && isEnter(event)) {
        SecsText_KeyPress(EnterKey);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// CmdApply is the default button: Enter that no focused control took clicks it.
void TiveloForm::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        CmdApply->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
