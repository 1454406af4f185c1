// SPDX-License-Identifier: MIT
// Times one whole switch step onto the X11 root window: from the step's start, through the picture's
// conversion, to the root pixmap published. Needs DISPLAY.
// Usage: bench_switch WARMUP_FOLDER WARMUP_PICTURE FOLDER PICTURE
// Prints: milliseconds, CPU milliseconds, resident kB before, peak resident kB after, resident kB after,
// of which anonymous (private) kB.
#include "bench_util.h"
#include "core/clock.h"
#include "core/ports/folder_lister.h"
#include "core/ports/settings_store.h"
#include "core/random_source.h"
#include "platform/linux/desktop_x11_root.h"
#include "platform/system_services.h"
#include "switching/switcher.h"

#include <QApplication>

#include <cstdio>

namespace {

// A list of the same picture twice: the step switches only with two or more pictures to choose from.
void dueNow(SwitcherState& state, const QString& folder, const QString& picture, const Clock& clock) {
    state.folder = folder;
    state.intervalSecs = 300;
    state.pictures.scanned = true;
    state.pictures.names = QStringList{picture, picture};
    state.pictures.order = {0, 1};
    state.pictures.next = 0;
    state.nextSwitch = clock.now();
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
    X11RootWallpaper desktop;
    const SwitchingServices services{clock, random, *settings, *lister, desktop};

    SwitcherState warmup;
    Switcher warmupSwitcher(services, warmup);
    dueNow(warmup, QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), clock);
    warmupSwitcher.step();

    SwitcherState state;
    Switcher switcher(services, state);
    dueNow(state, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), clock);
    const long residentBefore = bench::ownStatusKb("VmRSS");
    const double cpuStarted = bench::cpuMs();
    const double started = bench::nowMs();
    switcher.step();
    const double elapsed = bench::nowMs() - started;
    const double cpu = bench::cpuMs() - cpuStarted;
    std::printf("%.2f %.2f %ld %ld %ld %ld\n", elapsed, cpu, residentBefore, bench::ownStatusKb("VmHWM"),
                bench::ownStatusKb("VmRSS"), bench::ownStatusKb("RssAnon"));
    return 0;
}
