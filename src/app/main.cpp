#include "app/single_instance.h"
#include "app/tivelo_form.h"
#include "platform/clock.h"
#include "platform/desktop_wallpaper.h"
#include "platform/diagnostics.h"
#include "platform/folder_lister.h"
#include "platform/message_box.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/termination.h"
#include "platform/tray_qt.h"

#include <QApplication>
#include <QLoggingCategory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlen"));
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
    QtMessageBox messages;
    const std::unique_ptr<DesktopWallpaper> desktop = chooseDesktopWallpaper();
    QtTrayIcon tray;
    Services services{clock, random, *settings, *lister, messages, *desktop, tray, [] { QCoreApplication::exit(0); }};

    TiveloForm form(services);
    messages.setParent(&form);
    QObject::connect(&instance, &SingleInstance::showRequested, &form, &TiveloForm::RestoreFromTray);
    // Logging out or shutting down leaves through the same path as closing the window.
    onTerminationRequest(&form, [&form] { form.close(); });
    form.Form_Load();
    return QApplication::exec();
}
