// SPDX-License-Identifier: MIT
// Times one conversion of a picture into the folder's "temp.bmp", the way a switch makes it.
// Usage: bench_convert WARMUP_PICTURE PICTURE FOLDER
// Prints: milliseconds, CPU milliseconds, resident kB before, peak resident kB after.
#include "bench_util.h"
#include "core/ports/desktop_wallpaper.h"
#include "switching/wallpaper_changer.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

// The desktop's part is not timed here: only the decode and the bitmap written.
class NoDesktop final : public DesktopWallpaper {
public:
    QString name() const override { return QStringLiteral("none"); }
    bool setWallpaper(const QString& /*path*/, QString* /*error*/) override { return true; }
};

bool convert(const QString& picture, const QString& folder, DesktopWallpaper& desktop) {
    QString error;
    WallpaperChanger changer(desktop);
    if (changer.apply(QFileInfo(picture).fileName(), picture, folder, &error))
        return true;
    std::fprintf(stderr, "bench_convert: %s\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_convert WARMUP_PICTURE PICTURE FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[3]);
    NoDesktop desktop;
    // The first conversion loads the image plug-ins; a small picture pays for that untimed.
    if (!convert(QString::fromLocal8Bit(argv[1]), folder, desktop))
        return 1;
    const long residentBefore = bench::ownStatusKb("VmRSS");
    const double cpuStarted = bench::cpuMs();
    const double started = bench::nowMs();
    if (!convert(QString::fromLocal8Bit(argv[2]), folder, desktop))
        return 1;
    const double elapsed = bench::nowMs() - started;
    const double cpu = bench::cpuMs() - cpuStarted;
    std::printf("%.2f %.2f %ld %ld\n", elapsed, cpu, residentBefore, bench::ownStatusKb("VmHWM"));
    return 0;
}
