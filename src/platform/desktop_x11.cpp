#include "platform/desktop_x11.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <optional>
#include <vector>

// Xlib comes last: its macros (None, Bool, Status, Success, ...) would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

bool fail(QString* error, const QString& message) {
    if (error) {
        *error = message;
    }
    return false;
}

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

std::optional<QImage> loadPicture(const QString& path, QString* error) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    if (picture.isNull()) {
        fail(error, QStringLiteral("the picture %1 cannot be read: %2").arg(path, reader.errorString()));
        return std::nullopt;
    }
    return picture;
}

// Where the rows of an uncompressed 24-bit Windows bitmap lie in its file. Such a file, which is what
// the conversion writes, is scaled while it is read, a few rows at a time, instead of being decoded whole.
struct PlainBitmap {
    qint64 pixelsAt = 0;
    qint64 rowBytes = 0;
    QSize size;
    bool bottomUp = true;
};

std::optional<PlainBitmap> plainBitmap(QFile& file) {
    constexpr int FileHeaderBytes = 14;
    constexpr int InfoHeaderBytes = 40;
    const QByteArray header = file.read(FileHeaderBytes + InfoHeaderBytes);
    if (header.size() != FileHeaderBytes + InfoHeaderBytes || !header.startsWith("BM")) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
    const auto number = [bytes](int at) { return qFromLittleEndian<qint32>(bytes + at); };
    const auto half = [bytes](int at) { return qFromLittleEndian<quint16>(bytes + at); };
    PlainBitmap bitmap;
    bitmap.pixelsAt = static_cast<quint32>(number(10));
    const qint64 infoBytes = static_cast<quint32>(number(14));
    const qint64 width = number(18);
    const qint64 height = number(22);
    // Beyond a million pixels a side the weighted sums could overflow; Qt's reader takes such files.
    constexpr qint64 LongestSide = 1 << 20;
    const bool plain = infoBytes >= InfoHeaderBytes && half(26) == 1 && half(28) == 24 && number(30) == 0;
    if (!plain || width <= 0 || width > LongestSide || height == 0 || qAbs(height) > LongestSide ||
        bitmap.pixelsAt < FileHeaderBytes + infoBytes) {
        return std::nullopt;
    }
    bitmap.bottomUp = height > 0;
    bitmap.size = QSize(static_cast<int>(width), static_cast<int>(qAbs(height)));
    bitmap.rowBytes = (width * 3 + 3) / 4 * 4;
    if (file.size() < bitmap.pixelsAt + bitmap.rowBytes * bitmap.size.height()) {
        return std::nullopt; // a short file is left to Qt's reader and its own account of it
    }
    return bitmap;
}

// Serves rows of a plain bitmap by their top-down number, reading a block of rows at a time.
class RowReader final {
public:
    RowReader(QFile& file, const PlainBitmap& bitmap) : file_(file), bitmap_(bitmap) {}

    const uchar* row(int y) {
        if (y < first_ || y >= first_ + count_) {
            if (!load(y)) {
                return nullptr;
            }
        }
        const int index = bitmap_.bottomUp ? first_ + count_ - 1 - y : y - first_;
        return block_.data() + index * bitmap_.rowBytes;
    }

private:
    static constexpr int RowsPerRead = 32;

    bool load(int y) {
        count_ = std::min(RowsPerRead, bitmap_.size.height() - y);
        first_ = y;
        const int fileRow = bitmap_.bottomUp ? bitmap_.size.height() - (y + count_) : y;
        const qint64 bytes = bitmap_.rowBytes * count_;
        block_.resize(static_cast<std::size_t>(bytes));
        const bool loaded = file_.seek(bitmap_.pixelsAt + fileRow * bitmap_.rowBytes) &&
                            file_.read(reinterpret_cast<char*>(block_.data()), bytes) == bytes;
        if (!loaded) {
            count_ = 0;
        }
        return loaded;
    }

    QFile& file_;
    const PlainBitmap& bitmap_;
    std::vector<uchar> block_;
    int first_ = 0;
    int count_ = 0;
};

// How the source pixels along one axis share out onto fewer target pixels: target pixel i covers the
// source span [i * from / to, (i + 1) * from / to), and each source pixel counts by how much of it lies
// in that span. Weights are in units of 1/to of a source pixel, so every target pixel's weights add up
// to `from`.
struct AreaWeights {
    std::vector<int> firstSource; // per target pixel
    std::vector<int> weightsAt;   // per target pixel, plus one: where its weights start in `weights`
    std::vector<quint32> weights;
};

AreaWeights areaWeights(int from, int to) {
    AreaWeights shares;
    shares.firstSource.reserve(static_cast<std::size_t>(to));
    shares.weightsAt.reserve(static_cast<std::size_t>(to) + 1);
    for (qint64 i = 0; i < to; ++i) {
        const qint64 start = i * from; // in units of 1/to of a source pixel
        const qint64 end = start + from;
        shares.firstSource.push_back(static_cast<int>(start / to));
        shares.weightsAt.push_back(static_cast<int>(shares.weights.size()));
        for (qint64 source = start / to; source * to < end; ++source) {
            const qint64 overlap = std::min(end, (source + 1) * to) - std::max(start, source * to);
            shares.weights.push_back(static_cast<quint32>(overlap));
        }
    }
    shares.weightsAt.push_back(static_cast<int>(shares.weights.size()));
    return shares;
}

// One source row shrunk to the target width: per target pixel, blue, green and red weighted sums.
void shrinkRow(const uchar* row, const AreaWeights& across, std::vector<quint32>& sums) {
    const std::size_t width = across.firstSource.size();
    for (std::size_t x = 0; x < width; ++x) {
        const uchar* pixel = row + across.firstSource[x] * 3;
        quint32 blue = 0;
        quint32 green = 0;
        quint32 red = 0;
        for (int k = across.weightsAt[x]; k < across.weightsAt[x + 1]; ++k, pixel += 3) {
            const quint32 weight = across.weights[static_cast<std::size_t>(k)];
            blue += weight * pixel[0];
            green += weight * pixel[1];
            red += weight * pixel[2];
        }
        sums[3 * x] = blue;
        sums[3 * x + 1] = green;
        sums[3 * x + 2] = red;
    }
}

// Averages the part `crop` of a plain bitmap down to `target` (no larger than `crop` either way) while
// reading it: each target pixel is the area-weighted mean of the source pixels it covers. Format_RGB32.
std::optional<QImage> shrinkBitmap(QFile& file, const PlainBitmap& bitmap, const QRect& crop, QSize target) {
    const AreaWeights across = areaWeights(crop.width(), target.width());
    const AreaWeights down = areaWeights(crop.height(), target.height());
    QImage shrunk(target, QImage::Format_RGB32);
    if (shrunk.isNull()) {
        return std::nullopt;
    }
    RowReader rows(file, bitmap);
    const std::size_t channels = static_cast<std::size_t>(target.width()) * 3;
    std::vector<quint32> rowSums(channels);
    std::vector<double> sums(channels);
    const double scale = 1.0 / (double(crop.width()) * double(crop.height()));
    for (int y = 0; y < target.height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        const int first = down.firstSource[static_cast<std::size_t>(y)];
        for (int k = down.weightsAt[static_cast<std::size_t>(y)]; k < down.weightsAt[static_cast<std::size_t>(y) + 1];
             ++k) {
            const uchar* row = rows.row(crop.top() + first + (k - down.weightsAt[static_cast<std::size_t>(y)]));
            if (!row) {
                return std::nullopt;
            }
            shrinkRow(row + qint64(crop.left()) * 3, across, rowSums);
            const double weight = down.weights[static_cast<std::size_t>(k)];
            for (std::size_t c = 0; c < channels; ++c) {
                sums[c] += weight * rowSums[c];
            }
        }
        auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            const auto channel = [&sums, scale, x](int c) {
                return static_cast<int>(sums[static_cast<std::size_t>(3 * x + c)] * scale + 0.5);
            };
            out[x] = qRgb(channel(2), channel(1), channel(0));
        }
    }
    return shrunk;
}

// The picture to show: a plain bitmap is kept as a file to be shrunk while read; anything else, and
// a plain bitmap smaller than a screen, is decoded whole by Qt.
class Picture final {
public:
    explicit Picture(const QString& path) : path_(path), file_(path) {}

    // Checks that the picture can be read at all, before the display is touched.
    bool open(QString* error) {
        if (QFileInfo(path_).isFile() && file_.open(QIODevice::ReadOnly)) {
            plain_ = plainBitmap(file_);
        }
        if (plain_) {
            return true;
        }
        file_.close();
        return decoded(error) != nullptr;
    }

    QSize size() const { return plain_ ? plain_->size : decoded_.size(); }

    // The part that fills `screenSize`, scaled to it, as Format_RGB32.
    std::optional<QImage> cover(QSize screenSize, QString* error) {
        const QRect crop = fillSourceRect(size(), screenSize);
        if (plain_ && crop.width() >= screenSize.width() && crop.height() >= screenSize.height()) {
            std::optional<QImage> shrunk = shrinkBitmap(file_, *plain_, crop, screenSize);
            if (!shrunk) {
                fail(error, QStringLiteral("the picture %1 cannot be read: %2").arg(path_, file_.errorString()));
            }
            return shrunk;
        }
        const QImage* picture = decoded(error);
        if (!picture) {
            return std::nullopt;
        }
        // A 32-bit picture's kept part is a view of it: a copy would hold a second picture in memory.
        const QImage kept = picture->depth() == 32
                                ? QImage(picture->constScanLine(crop.top()) + qsizetype(crop.left()) * 4, crop.width(),
                                         crop.height(), picture->bytesPerLine(), picture->format())
                                : picture->copy(crop);
        return kept.scaled(screenSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    }

private:
    const QImage* decoded(QString* error) {
        if (decoded_.isNull()) {
            std::optional<QImage> loaded = loadPicture(path_, error);
            if (!loaded) {
                return nullptr;
            }
            decoded_ = std::move(*loaded);
        }
        return &decoded_;
    }

    QString path_;
    QFile file_;
    std::optional<PlainBitmap> plain_;
    QImage decoded_;
};

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

// The picture scaled to cover the screen, as feh's --bg-fill does, in the screen's pixel layout.
std::optional<Pixmap> paintScreen(Display* display, int screen, Picture& picture, QString* error) {
    const std::optional<ChannelOrder> order = channelOrder(display, screen, error);
    if (!order) {
        return std::nullopt;
    }
    const QSize size(DisplayWidth(display, screen), DisplayHeight(display, screen));
    std::optional<QImage> covered = picture.cover(size, error);
    if (!covered) {
        return std::nullopt;
    }
    return uploadPixmap(display, screen, *order == ChannelOrder::Bgr ? covered->rgbSwapped() : *covered, error);
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

bool paintRoots(Display* display, Picture& picture, QString* error) {
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

} // namespace

QRect fillSourceRect(QSize pictureSize, QSize screenSize) {
    if (pictureSize.isEmpty() || screenSize.isEmpty()) {
        return QRect(QPoint(0, 0), pictureSize);
    }
    const qint64 pictureWidth = pictureSize.width();
    const qint64 pictureHeight = pictureSize.height();
    const qint64 screenWidth = screenSize.width();
    const qint64 screenHeight = screenSize.height();
    if (pictureWidth * screenHeight > pictureHeight * screenWidth) { // wider than the screen: crop the sides
        const qint64 width =
            qBound<qint64>(1, (pictureHeight * screenWidth + screenHeight / 2) / screenHeight, pictureWidth);
        return QRect(static_cast<int>((pictureWidth - width) / 2), 0, static_cast<int>(width),
                     static_cast<int>(pictureHeight));
    }
    const qint64 height =
        qBound<qint64>(1, (pictureWidth * screenHeight + screenWidth / 2) / screenWidth, pictureHeight);
    return QRect(0, static_cast<int>((pictureHeight - height) / 2), static_cast<int>(pictureWidth),
                 static_cast<int>(height));
}

QString X11RootWallpaper::name() const {
    return QStringLiteral("X11 root window");
}

// Reads the file on every call and draws a new pixmap, so the same path shows new content.
// The connection is our own and short-lived; its pixmaps outlive it (RetainPermanent), since
// the root and the programs reading _XROOTPMAP_ID go on using them. The next call frees them.
bool X11RootWallpaper::setWallpaper(const QString& path, QString* error) {
    Picture picture(path);
    if (!picture.open(error)) { // before touching the display
        return false;
    }
    const ErrorTrap trap;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return fail(error, QStringLiteral("cannot open the X display \"%1\"").arg(qEnvironmentVariable("DISPLAY")));
    }
    const bool painted = paintRoots(display, picture, error);
    if (painted) {
        XSetCloseDownMode(display, RetainPermanent);
    }
    XCloseDisplay(display);
    return painted;
}
