// SPDX-License-Identifier: MIT
// Times one scan of a folder for pictures, as Apply makes it.
// Usage: bench_scan FOLDER
// Prints: milliseconds (the median of five scans after one untimed), pictures found.
#include "bench_util.h"
#include "core/ports/folder_lister.h"
#include "core/random_source.h"
#include "platform/system_services.h"
#include "switching/picture_list.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

bool scan(PictureList& pictures, const QString& folder, const FolderLister& lister, RandomSource& random) {
    QString error;
    if (scanFolder(pictures, folder, lister, random, &error))
        return true;
    std::fprintf(stderr, "bench_scan: %s\n", qPrintable(error));
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_scan FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::unique_ptr<FolderLister> lister = makeFolderLister();
    SystemRandom random;
    random.seedFromClock();
    PictureList pictures;
    // The same warm-up as the reference: the directory is in the kernel's cache for both.
    if (!scan(pictures, folder, *lister, random))
        return 1;
    // A scan takes some 20 ms: the median of five keeps one scheduler hiccup out of the figure.
    std::array<double, 5> times{};
    for (double& time : times) {
        const double started = bench::nowMs();
        if (!scan(pictures, folder, *lister, random))
            return 1;
        time = bench::nowMs() - started;
    }
    std::sort(times.begin(), times.end());
    const double elapsed = times[times.size() / 2];
    std::printf("%.3f %d\n", elapsed, static_cast<int>(pictures.names.size()));
    return 0;
}
