// Times one whole switch step onto the X11 root window: from the step's start, through the picture's
// conversion, to the root pixmap published. Needs DISPLAY.
// Usage: bench_switch WARMUP_FOLDER WARMUP_PICTURE FOLDER PICTURE
// Prints: milliseconds, CPU milliseconds, resident kB before, peak resident kB after, resident kB after,
// of which anonymous (private) kB.
#include "bench_util.h"
#include "platform/clock.h"
#include "platform/desktop_x11.h"
#include "platform/folder_lister.h"
#include "platform/message_box.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/tray_qt.h"
#include "switching/switcher.h"

#include <QApplication>

#include <cstdio>

namespace {

// A list of the same picture twice: the step switches only with two or more pictures to choose from.
void dueNow(SwitcherState& state, const QString& folder, const QString& picture, const Clock& clock) {
    state.DirName = folder;
    state.IntervalSecs = 300;
    state.Scanned = true;
    state.PictureFiles = QStringList{picture, picture};
    state.FileCount = 2;
    state.ShowOrder = {1, 2};
    state.OrderPos = 1;
    state.NextSwitch = clock.now();
}

} // namespace

int main(int argc, char* argv[]) {
    // The binding opens its own connection from DISPLAY; Qt itself needs no screen here.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_switch WARMUP_FOLDER WARMUP_PICTURE FOLDER PICTURE\n");
        return 2;
    }
    SystemClock clock;
    SystemRandom random;
    const std::unique_ptr<SettingsStore> settings = makeUserSettingsStore();
    const std::unique_ptr<FolderLister> lister = makeFolderLister();
    QtMessageBox messages;
    X11RootWallpaper desktop;
    QtTrayIcon tray;
    Services services{clock, random, *settings, *lister, messages, desktop, tray, [] {}};

    SwitcherState warmup;
    Switcher warmupSwitcher(services, warmup);
    dueNow(warmup, QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), clock);
    warmupSwitcher.SwitchTimer_Timer();

    SwitcherState state;
    Switcher switcher(services, state);
    dueNow(state, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), clock);
    const long residentBefore = bench::ownStatusKb("VmRSS");
    const double cpuStarted = bench::cpuMs();
    const double started = bench::nowMs();
    switcher.SwitchTimer_Timer();
    const double elapsed = bench::nowMs() - started;
    const double cpu = bench::cpuMs() - cpuStarted;
    std::printf("%.2f %.2f %ld %ld %ld %ld\n", elapsed, cpu, residentBefore, bench::ownStatusKb("VmHWM"),
                bench::ownStatusKb("VmRSS"), bench::ownStatusKb("RssAnon"));
    return 0;
}
