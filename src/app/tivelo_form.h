#pragma once

#include "switching/switcher.h"
#include "switching/switcher_state.h"

#include <QWidget>
#include <array>

class DriveChooser;
class FolderChooser;
class ImageButton;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
struct Services;
enum class TrayActivation;

// The program's one window. It holds the switcher's state, lays out the controls and routes every
// event to the operation behind it; the operations themselves live in the switching, settings,
// pictures and messages code.
class TiveloForm final : public QWidget {
    Q_OBJECT
public:
    explicit TiveloForm(Services& services, QWidget* parent = nullptr);

    // Start-up: into the tray, seed, load the settings, fill the fields, resume switching.
    void Form_Load();

    const SwitcherState& state() const { return state_; }
    Switcher& switcher() { return switcher_; }

    // Controls, named as the window knows them.
    QLineEdit* SecsText;
    QLineEdit* DirText;
    QLabel* FileLabel;
    std::array<QLabel*, 2> Label1;
    DriveChooser* Drive1;
    FolderChooser* Dir1;
    ImageButton *Image1, *Image2, *Image3, *Image4, *Image5, *Image6;
    QPushButton *CmdApply, *CmdEnd, *Command1, *CmdHelp, *CmdNext, *Command2;
    QLabel* HiddenPict;
    QMenu* qq;
    QAction *pict, *conf;

    // Event handlers.
    void CmdApply_Click();
    void Image1_Click();
    void CmdNext_Click();
    void Image5_Click();
    void Command2_Click();
    void Image6_Click();
    void Command1_Click();
    void Image3_Click();
    void CmdEnd_Click();
    void Image2_Click();
    void CmdHelp_Click();
    void Image4_Click();
    void conf_Click();
    void pict_Click();
    void Dir1_Change(const QString& path);
    void Drive1_Change(const QString& root);
    void SecsText_KeyPress(int keyAscii);
    void SwitchTimer_Timer();
    void TrayIcon_Activated(TrayActivation how);
    void Form_Unload();

    void HideToTray();
    void RemoveTrayIcon();
    // Shows the window and takes the icon out of the tray, as a double click on the icon does.
    void RestoreFromTray();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void placeControls();
    void wireEvents();
    void setTabOrder();
    void applySettings();
    void resumeAtStartUp(bool switchingWasOn);
    void exitProgram();

    Services& services_;
    SwitcherState state_;
    Switcher switcher_;
    bool ending_ = false;
};
