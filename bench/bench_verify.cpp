// SPDX-License-Identifier: MIT
// Checks, at full size, that the fast paths the benchmark times give what Qt's own would:
// - the bitmap a switch writes holds exactly the pixels that Qt decodes from the picture in one piece;
// - the root window's picture that the switch draws from the rows as it writes them is exactly the one drawn from
//   the bitmap read back, and matches Qt's smooth scaling of the bitmap.
// Needs DISPLAY. Usage: bench_verify PICTURE FOLDER
// Prints one line per check and exits 1 when one fails.
#include "core/paths.h"
#include "pictures/picture_fill.h"
#include "platform/linux/desktop_x11_root.h"
#include "switching/wallpaper_changer.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// The 32-bit pixel content of an image, alpha ignored.
bool samePixels(const QImage& one, const QImage& other) {
    if (one.size() != other.size())
        return false;
    for (int y = 0; y < one.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(one.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(other.constScanLine(y));
        for (int x = 0; x < one.width(); ++x)
            if ((a[x] & 0xffffff) != (b[x] & 0xffffff))
                return false;
    }
    return true;
}

struct Difference {
    double mean = 0;
    int most = 0;
};

Difference difference(const QImage& one, const QImage& other) {
    Difference found;
    double total = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y);
            const QRgb b = other.pixel(x, y);
            for (const int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                total += std::abs(d);
                found.most = std::max(found.most, std::abs(d));
            }
        }
    }
    found.mean = total / (3.0 * one.width() * one.height());
    return found;
}

// The picture of the pixmap that _XROOTPMAP_ID names, for a 24-bit screen in this machine's byte order.
std::optional<QImage> rootPicture() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    const Window root = DefaultRootWindow(display);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::optional<QImage> picture;
    if (XGetWindowProperty(display, root, XInternAtom(display, "_XROOTPMAP_ID", False), 0, 1, False, XA_PIXMAP, &type,
                           &format, &items, &remaining, &data) == Success &&
        data && items == 1) {
        const Pixmap pixmap = *reinterpret_cast<const Pixmap*>(data);
        const int width = DisplayWidth(display, DefaultScreen(display));
        const int height = DisplayHeight(display, DefaultScreen(display));
        if (XImage* image = XGetImage(display, pixmap, 0, 0, width, height, AllPlanes, ZPixmap)) {
            if (image->bits_per_pixel == 32)
                picture = QImage(reinterpret_cast<const uchar*>(image->data), width, height, image->bytes_per_line,
                                 QImage::Format_RGB32)
                              .copy();
            XDestroyImage(image);
        }
    }
    if (data)
        XFree(data);
    XCloseDisplay(display);
    return picture;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_verify PICTURE FOLDER\n");
        return 2;
    }
    const QString picture = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString bitmap = joinPath(folder, QStringLiteral("temp.bmp"));
    QString error;
    X11RootWallpaper desktop;
    WallpaperChanger changer(desktop);
    if (!changer.apply(QStringLiteral("verify.jpg"), picture, folder, &error)) {
        std::fprintf(stderr, "bench_verify: %s\n", qPrintable(error));
        return 1;
    }
    const std::optional<QImage> drawnInOnePass = rootPicture();
    QImageReader::setAllocationLimit(1024);
    const QImage decoded = QImageReader(picture).read();
    const QImage written = QImageReader(bitmap).read();
    const bool identical = samePixels(decoded, written);
    std::printf("bitmap: %s pixels as Qt decodes them in one piece\n", identical ? "the same" : "NOT the same");

    if (!desktop.setWallpaper(bitmap, &error)) {
        std::fprintf(stderr, "bench_verify: %s\n", qPrintable(error));
        return 1;
    }
    const std::optional<QImage> shown = rootPicture();
    if (!shown || !drawnInOnePass) {
        std::fprintf(stderr, "bench_verify: cannot read the root pixmap back\n");
        return 1;
    }
    const bool onePass = samePixels(*drawnInOnePass, *shown);
    std::printf("root: drawn in one pass, %s pixels as drawn from the bitmap read back\n",
                onePass ? "the same" : "NOT the same");
    const QImage expected = written.copy(fillSourceRect(written.size(), shown->size()))
                                .scaled(shown->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    const Difference found = difference(*shown, expected);
    // Both average the covered area; they differ by rounding and by how a border pixel is shared.
    const bool close = found.mean <= 1.0 && found.most <= 32;
    std::printf("root: mean difference %.3f, largest %d (of 255) from Qt's smooth scaling: %s\n", found.mean,
                found.most, close ? "close" : "NOT close");
    QFile::remove(bitmap);
    return identical && onePass && close ? 0 : 1;
}
