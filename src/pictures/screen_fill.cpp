#include "pictures/screen_fill.h"

#include "platform/diagnostics.h"

#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

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

ScreenFill::ScreenFill(const QString& path) : path_(path), file_(path) {}

ScreenFill::~ScreenFill() = default;

bool ScreenFill::open(QString* error) {
    if (QFileInfo(path_).isFile() && file_.open(QIODevice::ReadOnly))
        plain_ = plainBitmap(file_);
    if (plain_)
        return true;
    file_.close();
    return decoded(error) != nullptr;
}

QSize ScreenFill::size() const {
    return plain_ ? plain_->size : decoded_.size();
}

std::optional<QImage> ScreenFill::cover(QSize screenSize, QString* error) {
    const QRect crop = fillSourceRect(size(), screenSize);
    if (plain_ && crop.width() >= screenSize.width() && crop.height() >= screenSize.height()) {
        std::optional<QImage> shrunk = shrinkBitmap(file_, *plain_, crop, screenSize);
        if (!shrunk)
            fail(error, QStringLiteral("the picture %1 cannot be read: %2").arg(path_, file_.errorString()));
        return shrunk;
    }
    const QImage* picture = decoded(error);
    if (!picture)
        return std::nullopt;
    // A 32-bit picture's kept part is a view of it: a copy would hold a second picture in memory.
    const QImage kept = picture->depth() == 32
                            ? QImage(picture->constScanLine(crop.top()) + qsizetype(crop.left()) * 4, crop.width(),
                                     crop.height(), picture->bytesPerLine(), picture->format())
                            : picture->copy(crop);
    return kept.scaled(screenSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

const QImage* ScreenFill::decoded(QString* error) {
    if (decoded_.isNull()) {
        std::optional<QImage> loaded = loadPicture(path_, error);
        if (!loaded)
            return nullptr;
        decoded_ = std::move(*loaded);
    }
    return &decoded_;
}
