// SPDX-License-Identifier: MIT
#include "ui/main_window.h"

#include "core/problem_log.h"
#include "ui/drive_list.h"
#include "ui/folder_list.h"
#include "ui/picture_button.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool isEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

MainWindow::MainWindow(const QColor& background, QWidget* parent) : QWidget(parent) {
    createControls(background);
    createHiddenMenu();
    placeControls();
    setTabOrder();
    wireCommands();
}

void MainWindow::wireCommand(QAbstractButton* button, PictureButton* picture, void (MainWindow::*intent)()) {
    connect(button, &QAbstractButton::clicked, this, intent);
    connect(picture, &PictureButton::clicked, this, intent);
}

void MainWindow::wireCommands() {
    wireCommand(applyButton_, applyPictureButton_, &MainWindow::requestApply);
    wireCommand(nextButton_, nextPictureButton_, &MainWindow::nextRequested);
    wireCommand(stopButton_, stopPictureButton_, &MainWindow::stopRequested);
    wireCommand(hideButton_, hidePictureButton_, &MainWindow::hideRequested);
    wireCommand(exitButton_, exitPictureButton_, &MainWindow::exitRequested);
    // The two About commands differ: each shows its own version's text.
    connect(aboutButton_, &QAbstractButton::clicked, this, &MainWindow::aboutVersion1Requested);
    connect(aboutPictureButton_, &PictureButton::clicked, this, &MainWindow::aboutVersion2Requested);
    connect(folderList_, &FolderList::changed, this, &MainWindow::onFolderOpened);
    connect(folderList_, &FolderList::problem, this, &reportProblem);
    connect(driveList_, &DriveList::driveChosen, this, &MainWindow::driveChosen);
    secondsField_->installEventFilter(this);
}

void MainWindow::requestApply() {
    emit applyRequested(secondsField_->text(), folderList_->path());
}

void MainWindow::onFolderOpened(const QString& folder) {
    driveList_->showDriveOf(folder);
    requestApply();
}

bool MainWindow::openFolder(const QString& folder, QString* error) {
    if (folderList_->setPath(folder, error))
        return true;
    driveList_->showDriveOf(folderList_->path());
    return false;
}

void MainWindow::showSeconds(const QString& text) {
    secondsField_->setText(text);
}

void MainWindow::showPictureName(const QString& name) {
    pictureNameLabel_->setText(name);
}

void MainWindow::showFolder(const QString& folder) {
    folderList_->showPath(folder);
    driveList_->showDriveOf(folderList_->path());
}

void MainWindow::present() {
    showNormal();
    raise();
    activateWindow();
    // The first control in the tab order takes the focus, as when a dialog opens.
    exitButton_->setFocus(Qt::ActiveWindowFocusReason);
}

void MainWindow::conceal() {
    hide();
}

void MainWindow::minimize() {
    showMinimized();
}

bool MainWindow::isPresented() const {
    return isVisible();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

// Enter in the seconds field applies through the field itself and goes no further.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == secondsField_ && isEnter(event)) {
        requestApply();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The apply button is the default button: Enter that no focused control took clicks it.
void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (isEnter(event)) {
        applyButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
