// SPDX-License-Identifier: MIT
#pragma once

#include "app/main_view.h"

#include <QIcon>
#include <QWidget>

class DriveList;
class FolderList;
class PictureButton;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QPushButton;

// The program's one window: it shows the seconds, the folder and the picture's name, and says what the user asks
// for. Every command has a picture to click and a push button below the visible area for the keyboard.
class MainWindow final : public QWidget, public MainView {
    Q_OBJECT
public:
    // `background` is the system's menu text colour, as the window has always been drawn.
    explicit MainWindow(const QColor& background, QWidget* parent = nullptr);

    void showSeconds(const QString& text) override;
    void showPictureName(const QString& name) override;
    void showFolder(const QString& folder) override;
    bool openFolder(const QString& folder, QString* error) override;
    void present() override;
    void conceal() override;
    void minimize() override;
    bool isPresented() const override;

signals:
    void applyRequested(const QString& secondsText, const QString& folder);
    void nextRequested();
    void stopRequested();
    void hideRequested();
    void exitRequested();
    void aboutVersion1Requested();
    void aboutVersion2Requested();
    void startupTipRequested();
    // Only when the user picks a drive other than the one shown.
    void driveChosen(const QString& root);
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(const QColor& background);
    void createHiddenMenu();
    void placeControls();
    void setTabOrder();
    void wireCommands();
    void wireCommand(QAbstractButton* button, PictureButton* picture, void (MainWindow::*intent)());
    void requestApply();
    void onFolderOpened(const QString& folder);

    QLabel* secondsCaption_;
    QLineEdit* secondsField_;
    QLabel* folderCaption_;
    DriveList* driveList_;
    FolderList* folderList_;
    QLabel* pictureNameLabel_;
    PictureButton* hidePictureButton_;
    PictureButton* exitPictureButton_;
    PictureButton* applyPictureButton_;
    PictureButton* stopPictureButton_;
    PictureButton* nextPictureButton_;
    PictureButton* aboutPictureButton_;
    QPushButton* exitButton_;
    QPushButton* stopButton_;
    QPushButton* aboutButton_;
    QPushButton* applyButton_;
    QPushButton* hideButton_;
    QPushButton* nextButton_;
};

// The program's own icon, in the tray and on its window.
QIcon programIcon();
