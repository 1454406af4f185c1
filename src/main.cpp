#include "app/controller.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "messages/qt_message_box.h"
#include "pictures/random_source.h"
#include "platform/clock.h"
#include "platform/desktop_wallpaper.h"
#include "platform/diagnostics.h"
#include "platform/folder_lister.h"
#include "platform/problem_log.h"
#include "platform/settings_store.h"
#include "platform/system_services.h"
#include "platform/termination.h"
#include "platform/tray_qt.h"

#include <QApplication>
#include <QLoggingCategory>

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
    QtTrayIcon tray;
    const AppServices services{
        {clock, random, *settings, *lister, *desktop}, tray, messages, [] { QCoreApplication::exit(0); }};

    Controller controller(services, makeMainWindow);
    QObject::connect(&instance, &SingleInstance::showRequested, &controller, &Controller::restoreFromTray);
    // Logging out or shutting down leaves through the same path as closing the window.
    onTerminationRequest(&controller, [&controller] { controller.windowClosed(); });
    controller.start();
    return QApplication::exec();
}
