// SPDX-License-Identifier: MIT
#pragma once

#include "switching/switcher.h"
#include "switching/switcher_state.h"

#include <QObject>
#include <functional>
#include <memory>

class MainView;
class MessageBoxService;
class TrayIcon;
enum class TrayActivation;

// The services the program works through; tests hand in fakes.
struct AppServices {
    SwitchingServices switching;
    TrayIcon& tray;
    MessageBoxService& messages;
    // Ends the program at once, from inside a handler.
    std::function<void()> endProgram;
    // The folder that choosing the drive `root` opens (its current folder on Windows, else its root).
    std::function<QString(const QString& root)> folderOnDrive;
};

// The program's state and everything it does: start-up and its resume of switching, the switcher, the tray icon
// and the ways out. The window only shows what it is told and passes on what the user asks for.
class Controller final : public QObject {
    Q_OBJECT
public:
    // Builds the window the first time it is needed, so a program that stays in the tray never loads it.
    using ViewFactory = std::function<std::unique_ptr<MainView>(Controller& controller)>;

    Controller(const AppServices& services, ViewFactory makeView, QObject* parent = nullptr);
    ~Controller() override;

    // Into the tray, seed, load the settings, then resume switching when it was on.
    void start();

    // What the user asks for, through the window, the tray icon or a second start of the program.
    void apply(const QString& secondsText, const QString& folder);
    void next();
    void stop();
    void hideToTray();
    void restoreFromTray();
    // Opens the chosen drive's folder in the window, which applies it; a folder gone since falls back to the root.
    void chooseDrive(const QString& root);
    void exitProgram();
    // The window was closed: by its close box, or by the session ending.
    void windowClosed();
    void showAboutVersion1();
    void showAboutVersion2();
    void showStartupTip();

    const SwitcherState& state() const { return state_; }
    const Switcher& switcher() const { return switcher_; }
    bool hasWindow() const { return view_ != nullptr; }

private:
    MainView& window();
    void showSeconds(const QString& text);
    void showPictureName(const QString& name);
    void onTrayActivated(TrayActivation how);
    void leave();

    AppServices services_;
    ViewFactory makeView_;
    std::unique_ptr<MainView> view_;
    SwitcherState state_;
    Switcher switcher_;
    QString secondsText_;
    QString pictureName_;
    bool ending_ = false;
};
