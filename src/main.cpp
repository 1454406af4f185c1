// SPDX-License-Identifier: MIT
#include "app/controller.h"
#include "app/single_instance.h"
#include "core/clock.h"
#include "core/ports/desktop_wallpaper.h"
#include "core/ports/folder_lister.h"
#include "core/ports/settings_store.h"
#include "core/problem_log.h"
#include "core/random_source.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_tray_icon.h"
#include "platform/system_services.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QLoggingCategory>

namespace {

// The window, built when the controller first needs it: every intent it states goes to the controller's command.
std::unique_ptr<MainView> makeMainWindow(Controller& controller) {
    auto window = std::make_unique<MainWindow>(menuTextColour());
    const MainWindow* view = window.get();
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
    return window;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlen"));
    // Wayland compositors find the window's desktop entry, and so its name and icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quorlen"));
    installProblemLog();
    // The window comes and goes; only the exit command and closing the window end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // A broken picture is reported once, in our own words; the decoders' chatter adds nothing.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));

    SingleInstance instance(singleInstanceFolder());
    QString problem;
    const bool first = instance.claim(&problem);
    if (!problem.isEmpty())
        reportProblem(problem);
    if (!first)
        return 0;

    SystemClock clock;
    SystemRandom random;
    const std::unique_ptr<SettingsStore> settings = makeUserSettingsStore();
    const std::unique_ptr<FolderLister> lister = makeFolderLister();
    const std::unique_ptr<DesktopWallpaper> desktop = chooseDesktopWallpaper();
    QtMessageBox messages;
    QtTrayIcon tray(programIcon());
    const AppServices services{{clock, random, *settings, *lister, *desktop},
                               tray,
                               messages,
                               [] { QCoreApplication::exit(0); },
                               currentFolderOnDrive};

    Controller controller(services, makeMainWindow);
    QObject::connect(&instance, &SingleInstance::showRequested, &controller, &Controller::restoreFromTray);
    // Logging out or shutting down leaves through the same path as closing the window.
    onTerminationRequest(&controller, [&controller] { controller.windowClosed(); });
    controller.start();
    return QApplication::exec();
}
