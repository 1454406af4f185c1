// SPDX-License-Identifier: MIT
#include "app/controller.h"

#include "app/main_view.h"
#include "core/ports/tray_icon.h"
#include "core/problem_log.h"
#include "core/random_source.h"
#include "core/text_forms.h"
#include "switching/config.h"
#include "switching/messages.h"

namespace {

const QString TrayTip = QStringLiteral("Quorlen v1.0");

} // namespace

Controller::Controller(const AppServices& services, ViewFactory makeView, QObject* parent)
    : QObject(parent), services_(services), makeView_(std::move(makeView)), switcher_(services.switching, state_) {
    connect(&switcher_, &Switcher::pictureChosen, this, &Controller::showPictureName);
    connect(&services_.tray, &TrayIcon::activated, this, &Controller::onTrayActivated);
}

Controller::~Controller() = default;

void Controller::start() {
    hideToTray();
    services_.switching.random.seedFromClock();
    const StoredSettings stored = loadSettings(services_.switching.settings);
    state_.intervalSecs = stored.intervalSecs;
    state_.folder = stored.folder;
    state_.updateRegistry = stored.updateRegistry;
    showSeconds(formatWholeNumber(state_.intervalSecs));
    // One start makes at most one switch, whatever folder the program was started in.
    if (view_)
        view_->showFolder(state_.folder);
    if (stored.switchingOn)
        apply(secondsText_, state_.folder);
}

MainView& Controller::window() {
    if (!view_) {
        view_ = makeView_(*this);
        view_->showSeconds(secondsText_);
        if (!state_.folder.isEmpty())
            view_->showFolder(state_.folder);
        view_->showPictureName(pictureName_);
    }
    return *view_;
}

void Controller::showSeconds(const QString& text) {
    secondsText_ = text;
    if (view_)
        view_->showSeconds(text);
}

void Controller::showPictureName(const QString& name) {
    pictureName_ = name;
    if (view_)
        view_->showPictureName(name);
}

void Controller::apply(const QString& secondsText, const QString& folder) {
    showSeconds(switcher_.apply(secondsText, folder));
}

void Controller::next() {
    switcher_.next();
}

void Controller::stop() {
    switcher_.stop();
}

void Controller::hideToTray() {
    // Without a tray host a hidden window could never be reached again: it stays on screen instead. Every hide
    // asks again, so a tray that appears later is used.
    if (!services_.tray.isHostAvailable()) {
        MainView& shown = window();
        if (shown.isPresented())
            shown.minimize();
        else
            shown.present();
        return;
    }
    if (view_)
        view_->conceal();
    services_.tray.add(TrayTip);
}

void Controller::restoreFromTray() {
    window().present();
    services_.tray.remove();
}

void Controller::onTrayActivated(TrayActivation how) {
    const bool restore =
        how == TrayActivation::DoubleClick || (how == TrayActivation::Click && services_.tray.clickRestores());
    if (restore)
        restoreFromTray();
}

void Controller::chooseDrive(const QString& root) {
    // The drive's current folder may have gone since; its root is still there.
    const QString folder = services_.folderOnDrive(root);
    QString error;
    if (!window().openFolder(folder, &error) && (folder == root || !window().openFolder(root, &error)))
        reportProblem(error);
}

void Controller::exitProgram() {
    leave();
}

void Controller::windowClosed() {
    leave();
}

// The one way out: the window closing on the way out (or the session ending meanwhile) ends nothing twice.
void Controller::leave() {
    if (ending_)
        return;
    ending_ = true;
    services_.tray.remove();
    services_.endProgram();
}

void Controller::showAboutVersion1() {
    ::showAboutVersion1(services_.messages);
}

void Controller::showAboutVersion2() {
    ::showAboutVersion2(services_.messages);
}

void Controller::showStartupTip() {
    ::showStartupTip(services_.messages);
}
