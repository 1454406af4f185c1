// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_x11_root.h"

#include "core/problem_log.h"
#include "pictures/picture_fill.h"
#include "pictures/picture_rows.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QSysInfo>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Xlib comes last: its macros (None, Bool, Status, Success, ...) would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

namespace {

// Errors of our connection are counted here; Xlib's default handler would end the process.
int g_errorCount = 0;
int g_lastErrorCode = 0;

int countError(Display* /*display*/, XErrorEvent* event) {
    ++g_errorCount;
    g_lastErrorCode = event->error_code;
    return 0;
}

// Installs the counting handler for one call and puts the previous one back afterwards.
class ErrorTrap final {
public:
    ErrorTrap() : previous_(XSetErrorHandler(&countError)) { g_errorCount = 0; }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
    XErrorHandler previous_;
};

// Waits for the server to process everything sent; true when any request failed so far.
bool requestsFailed(Display* display) {
    XSync(display, False);
    return g_errorCount > 0;
}

QString lastErrorText(Display* display) {
    char text[256] = {};
    XGetErrorText(display, g_lastErrorCode, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// Whether the screen keeps 8-bit red, green and blue in a 32-bit pixel, and in which order.
enum class ChannelOrder { Rgb, Bgr };

std::optional<ChannelOrder> channelOrder(Display* display, int screen, QString* error) {
    const int depth = DefaultDepth(display, screen);
    const Visual* visual = DefaultVisual(display, screen);
    if ((depth == 24 || depth == 32) && visual->c_class == TrueColor) {
        if (visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 && visual->blue_mask == 0xff) {
            return ChannelOrder::Rgb;
        }
        if (visual->red_mask == 0xff && visual->green_mask == 0xff00 && visual->blue_mask == 0xff0000) {
            return ChannelOrder::Bgr;
        }
    }
    fail(error, QStringLiteral("X screen %1 has a %2-bit display this program cannot draw on (only 24 and 32-bit "
                               "true colour)")
                    .arg(screen)
                    .arg(depth));
    return std::nullopt;
}

// A new pixmap of the root's depth holding `pixels` (Format_RGB32, the screen's size).
std::optional<Pixmap> uploadPixmap(Display* display, int screen, QImage pixels, QString* error) {
    const int depth = DefaultDepth(display, screen);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(depth), ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.bits()), static_cast<unsigned>(pixels.width()),
                                 static_cast<unsigned>(pixels.height()), 32, static_cast<int>(pixels.bytesPerLine()));
    if (!image) {
        fail(error, QStringLiteral("no memory for the picture of X screen %1").arg(screen));
        return std::nullopt;
    }
    std::optional<Pixmap> pixmap;
    if (image->bits_per_pixel == 32) {
        // The pixels are 32-bit words in this machine's byte order; Xlib swaps them if the server differs.
        image->byte_order = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? LSBFirst : MSBFirst;
        pixmap = XCreatePixmap(display, RootWindow(display, screen), static_cast<unsigned>(pixels.width()),
                               static_cast<unsigned>(pixels.height()), static_cast<unsigned>(depth));
        GC gc = XCreateGC(display, *pixmap, 0, nullptr);
        XPutImage(display, *pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(pixels.width()),
                  static_cast<unsigned>(pixels.height()));
        XFreeGC(display, gc);
    } else {
        fail(error, QStringLiteral("X screen %1 stores %2 bits per pixel, which this program cannot draw")
                        .arg(screen)
                        .arg(image->bits_per_pixel));
    }
    image->data = nullptr; // the pixels belong to the QImage
    XDestroyImage(image);
    return pixmap;
}

// The parts of a screen that each show the whole picture: its RandR monitors (several when one screen spans two
// displays), or the whole screen when it names none or RandR is missing.
QList<QRect> monitorsOf(Display* display, int screen) {
    const QRect whole(0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen));
    QList<QRect> monitors;
    int eventBase = 0;
    int errorBase = 0;
    if (XRRQueryExtension(display, &eventBase, &errorBase)) {
        int count = 0;
        XRRMonitorInfo* infos = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
        for (int i = 0; i < count; ++i) {
            const QRect monitor = QRect(infos[i].x, infos[i].y, infos[i].width, infos[i].height).intersected(whole);
            if (!monitor.isEmpty())
                monitors.append(monitor);
        }
        if (infos)
            XRRFreeMonitors(infos);
    }
    return monitors.isEmpty() ? QList<QRect>{whole} : monitors;
}

// A picture filled to one monitor's size: the monitor's number among its screen's, and its size.
using MonitorFill = std::function<std::optional<QImage>(int monitor, QSize size, QString* error)>;

// The picture scaled to fill each monitor of the screen, as feh's --bg-fill does, as Format_RGB32; where no monitor
// shows, black.
std::optional<QImage> fillMonitors(QSize screenSize, const QList<QRect>& monitors, const MonitorFill& fill,
                                   QString* error) {
    QImage screen;
    for (int i = 0; i < monitors.size(); ++i) {
        const QRect& monitor = monitors.at(i);
        std::optional<QImage> filled = fill(i, monitor.size(), error);
        if (!filled)
            return std::nullopt;
        if (monitor.size() == screenSize)
            return filled;
        if (screen.isNull()) {
            screen = QImage(screenSize, QImage::Format_RGB32);
            screen.fill(Qt::black);
        }
        QPainter(&screen).drawImage(monitor.topLeft(), *filled);
    }
    return screen;
}

// The picture of one screen, filled to its monitors, as Format_RGB32 of the screen's size.
using ScreenPicture = std::function<std::optional<QImage>(int screen, QSize size, QString* error)>;

// The picture drawn for one screen, in the screen's pixel layout.
std::optional<Pixmap> paintScreen(Display* display, int screen, const ScreenPicture& picture, QString* error) {
    const std::optional<ChannelOrder> order = channelOrder(display, screen, error);
    if (!order) {
        return std::nullopt;
    }
    const QSize size(DisplayWidth(display, screen), DisplayHeight(display, screen));
    std::optional<QImage> filled = picture(screen, size, error);
    if (!filled) {
        return std::nullopt;
    }
    // Moved, so that the upload's access to the pixels does not copy them.
    return uploadPixmap(display, screen,
                        *order == ChannelOrder::Bgr ? std::move(*filled).rgbSwapped() : std::move(*filled), error);
}

std::optional<Pixmap> pixmapProperty(Display* display, Window root, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::optional<Pixmap> pixmap;
    if (XGetWindowProperty(display, root, property, 0, 1, False, AnyPropertyType, &type, &format, &items, &remaining,
                           &data) == Success &&
        type == XA_PIXMAP && format == 32 && items == 1 && data) {
        pixmap = *reinterpret_cast<const Pixmap*>(data); // format-32 data comes as an array of long
    }
    if (data) {
        XFree(data);
    }
    return pixmap;
}

void publishPixmap(Display* display, Window root, Atom property, Pixmap pixmap) {
    XChangeProperty(display, root, property, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
}

bool pixmapExists(Display* display, Pixmap pixmap) {
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned border = 0;
    unsigned depth = 0;
    return XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth) != 0;
}

// Makes `pixmap` the root's background and publishes it. Returns the pixmap of the program
// that set the previous background and asked to be ended when replaced (ESETROOT_PMAP_ID
// naming the pixmap in use), so its retained resources can be freed.
std::optional<Pixmap> installBackground(Display* display, int screen, Pixmap pixmap) {
    const Window root = RootWindow(display, screen);
    const Atom rootPixmapAtom = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom esetrootAtom = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    const std::optional<Pixmap> previousRoot = pixmapProperty(display, root, rootPixmapAtom);
    const std::optional<Pixmap> previousEsetroot = pixmapProperty(display, root, esetrootAtom);
    publishPixmap(display, root, rootPixmapAtom, pixmap);
    publishPixmap(display, root, esetrootAtom, pixmap);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    if (previousEsetroot && previousRoot == previousEsetroot) {
        return previousEsetroot;
    }
    return std::nullopt;
}

// Ends the programs whose retained pixmaps are no longer shown. An id may be stale: the
// trapped error then does no harm. A pixmap that no longer exists is skipped, for its id
// range may since have gone to another client, even to this connection.
void freePreviousOwners(Display* display, const QList<Pixmap>& previous, const QList<Pixmap>& ours) {
    for (const Pixmap pixmap : previous) {
        if (!ours.contains(pixmap) && pixmapExists(display, pixmap)) {
            XKillClient(display, pixmap);
        }
    }
    XSync(display, False);
}

bool paintRoots(Display* display, const ScreenPicture& picture, QString* error) {
    QList<Pixmap> pixmaps;
    for (int screen = 0; screen < ScreenCount(display); ++screen) {
        const std::optional<Pixmap> pixmap = paintScreen(display, screen, picture, error);
        if (!pixmap) {
            return false; // closing the connection normally frees what was made
        }
        pixmaps.append(*pixmap);
    }
    if (requestsFailed(display)) {
        return fail(error, QStringLiteral("the X server refused the picture: %1").arg(lastErrorText(display)));
    }
    QList<Pixmap> previous;
    for (int screen = 0; screen < ScreenCount(display); ++screen) {
        if (const std::optional<Pixmap> owner = installBackground(display, screen, pixmaps.at(screen))) {
            previous.append(*owner);
        }
    }
    if (requestsFailed(display)) {
        return fail(error, QStringLiteral("the X server refused the background: %1").arg(lastErrorText(display)));
    }
    freePreviousOwners(display, previous, pixmaps);
    return true;
}

// Draws the screens' pictures from the rows of the bitmap being written: a fill for each monitor of each screen,
// which all take every row. The connection stays open from the first row to the showing.
class X11RowSink final : public WallpaperRowSink {
public:
    X11RowSink(Display* display, QSize size, RowOrder order) : display_(display) {
        for (int screen = 0; screen < ScreenCount(display); ++screen) {
            monitors_.append(monitorsOf(display, screen));
            for (const QRect& monitor : monitors_.constLast())
                fills_.push_back(std::make_unique<PictureFill>(size, order, monitor.size()));
        }
    }
    ~X11RowSink() override { XCloseDisplay(display_); }
    X11RowSink(const X11RowSink&) = delete;
    X11RowSink& operator=(const X11RowSink&) = delete;

    void addRow(const uchar* bgr) override {
        for (const std::unique_ptr<PictureFill>& fill : fills_)
            fill->addRow(bgr);
    }

    bool show(const QString& /*path*/, QString* error) override {
        const ErrorTrap trap;
        const bool painted = paintRoots(
            display_,
            [this](int screen, QSize size, QString* fillError) {
                std::size_t first = 0;
                for (int before = 0; before < screen; ++before)
                    first += std::size_t(monitors_.at(before).size());
                return fillMonitors(
                    size, monitors_.at(screen),
                    [this, first](int monitor, QSize, QString* monitorError) {
                        return fills_.at(first + std::size_t(monitor))->finish(monitorError);
                    },
                    fillError);
            },
            error);
        if (painted) {
            XSetCloseDownMode(display_, RetainPermanent);
        }
        return painted;
    }

private:
    Display* display_;
    QList<QList<QRect>> monitors_;                    // per screen
    std::vector<std::unique_ptr<PictureFill>> fills_; // per monitor, screen by screen
};

// Whether every screen shows 24 or 32-bit true colour, which alone the binding draws on.
bool drawableScreens(Display* display) {
    for (int screen = 0; screen < ScreenCount(display); ++screen) {
        if (!channelOrder(display, screen, nullptr)) {
            return false;
        }
    }
    return true;
}

} // namespace

QString X11RootWallpaper::name() const {
    return QStringLiteral("X11 root window");
}

// Reads the file on every call and draws a new pixmap, so the same path shows new content.
// The connection is our own and short-lived; its pixmaps outlive it (RetainPermanent), since
// the root and the programs reading _XROOTPMAP_ID go on using them. The next call frees them.
bool X11RootWallpaper::setWallpaper(const QString& path, QString* error) {
    std::unique_ptr<PictureRows> readable;
    if (!openPictureRows(path, &readable, error)) { // before touching the display
        return false;
    }
    readable.reset();
    const ErrorTrap trap;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return fail(error, QStringLiteral("cannot open the X display \"%1\"").arg(qEnvironmentVariable("DISPLAY")));
    }
    const MonitorFill fromFile = [&path](int, QSize size, QString* fillError) -> std::optional<QImage> {
        std::unique_ptr<PictureRows> rows;
        if (!openPictureRows(path, &rows, fillError))
            return std::nullopt;
        return fillImage(*rows, size, fillError);
    };
    const bool painted = paintRoots(
        display,
        [display, &fromFile](int screen, QSize size, QString* fillError) {
            return fillMonitors(size, monitorsOf(display, screen), fromFile, fillError);
        },
        error);
    if (painted) {
        XSetCloseDownMode(display, RetainPermanent);
    }
    XCloseDisplay(display);
    return painted;
}

// A display that cannot be opened or drawn on gets no sink: setWallpaper() then says why.
std::unique_ptr<WallpaperRowSink> X11RootWallpaper::rowSink(QSize size, bool topRowFirst) {
    const ErrorTrap trap;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return nullptr;
    }
    if (!drawableScreens(display)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11RowSink>(display, size, topRowFirst ? RowOrder::TopDown : RowOrder::BottomUp);
}
