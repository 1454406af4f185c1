#include "pictures/picture_fill.h"

#include "core/problem_log.h"
#include "pictures/picture_rows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// How the source pixels along one axis share out onto fewer target pixels: target pixel i covers the source span
// [i * from / to, (i + 1) * from / to), and each source pixel counts by how much of it lies in that span. Weights are
// in units of 1/to of a source pixel, so every target pixel's weights add up to `from`.
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
        const uchar* pixel = row + std::size_t(across.firstSource[x]) * 3;
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

// The target rows one source row counts towards: one, or two when it straddles their border.
struct Shares {
    std::array<int, 2> target{};
    std::array<quint32, 2> weight{};
    int count = 0;
};

std::vector<Shares> sharesOfSourceRows(const AreaWeights& down, int sourceRows) {
    std::vector<Shares> shares(static_cast<std::size_t>(sourceRows));
    const int targetRows = static_cast<int>(down.firstSource.size());
    for (int t = 0; t < targetRows; ++t) {
        for (int k = down.weightsAt[std::size_t(t)]; k < down.weightsAt[std::size_t(t) + 1]; ++k) {
            Shares& share = shares[std::size_t(down.firstSource[std::size_t(t)] + k - down.weightsAt[std::size_t(t)])];
            share.target[std::size_t(share.count)] = t;
            share.weight[std::size_t(share.count)] = down.weights[std::size_t(k)];
            ++share.count;
        }
    }
    return shares;
}

// Averages the part `crop` of the picture down to `target`, no larger than `crop` either way, while its rows are
// read. Rows may come in either order: each target row sums the rows it covers as they pass and is written out after
// the last of them, so at most two target rows are open at a time. The sums are whole numbers well below 2^53, exact
// in a double whatever the order they are added in.
std::optional<QImage> shrink(PictureRows& rows, const QRect& crop, QSize target, QString* error) {
    const AreaWeights across = areaWeights(crop.width(), target.width());
    const AreaWeights down = areaWeights(crop.height(), target.height());
    const std::vector<Shares> shares = sharesOfSourceRows(down, crop.height());
    QImage shrunk(target, QImage::Format_RGB32);
    if (shrunk.isNull()) {
        fail(error, QStringLiteral("no memory for a %1 x %2 picture").arg(target.width()).arg(target.height()));
        return std::nullopt;
    }
    const int height = rows.size().height();
    const bool topDown = rows.order() == RowOrder::TopDown;
    const std::size_t channels = static_cast<std::size_t>(target.width()) * 3;
    std::vector<uchar> row(static_cast<std::size_t>(rows.size().width()) * 3);
    std::vector<quint32> rowSums(channels);
    std::array<std::vector<double>, 2> sums{std::vector<double>(channels), std::vector<double>(channels)};
    const double scale = 1.0 / (double(crop.width()) * double(crop.height()));
    for (int k = 0; k < height; ++k) {
        if (!rows.readRow(row.data(), error))
            return std::nullopt;
        const int source = (topDown ? k : height - 1 - k) - crop.top();
        if (source < 0 || source >= crop.height())
            continue;
        shrinkRow(row.data() + qsizetype(crop.left()) * 3, across, rowSums);
        const Shares& share = shares[std::size_t(source)];
        for (int i = 0; i < share.count; ++i) {
            const int t = share.target[std::size_t(i)];
            std::vector<double>& open = sums[std::size_t(t % 2)];
            const double weight = share.weight[std::size_t(i)];
            for (std::size_t c = 0; c < channels; ++c)
                open[c] += weight * rowSums[c];
            const int first = down.firstSource[std::size_t(t)];
            const int last = first + down.weightsAt[std::size_t(t) + 1] - down.weightsAt[std::size_t(t)] - 1;
            if (source != (topDown ? last : first))
                continue;
            auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(t));
            for (int x = 0; x < target.width(); ++x) {
                const auto channel = [&open, scale, x](int c) {
                    return static_cast<int>(open[static_cast<std::size_t>(3 * x + c)] * scale + 0.5);
                };
                out[x] = qRgb(channel(2), channel(1), channel(0));
            }
            std::fill(open.begin(), open.end(), 0.0);
        }
    }
    return shrunk;
}

// The part `crop` read whole, for a picture smaller than its target.
std::optional<QImage> readCrop(PictureRows& rows, const QRect& crop, QString* error) {
    QImage kept(crop.size(), QImage::Format_RGB32);
    if (kept.isNull()) {
        fail(error, QStringLiteral("no memory for a %1 x %2 picture").arg(crop.width()).arg(crop.height()));
        return std::nullopt;
    }
    const int height = rows.size().height();
    const bool topDown = rows.order() == RowOrder::TopDown;
    std::vector<uchar> row(static_cast<std::size_t>(rows.size().width()) * 3);
    for (int k = 0; k < height; ++k) {
        if (!rows.readRow(row.data(), error))
            return std::nullopt;
        const int y = (topDown ? k : height - 1 - k) - crop.top();
        if (y < 0 || y >= crop.height())
            continue;
        const uchar* from = row.data() + qsizetype(crop.left()) * 3;
        auto* to = reinterpret_cast<QRgb*>(kept.scanLine(y));
        for (int x = 0; x < crop.width(); ++x, from += 3)
            to[x] = qRgb(from[2], from[1], from[0]);
    }
    return kept;
}

} // namespace

QRect fillSourceRect(QSize pictureSize, QSize screenSize) {
    if (pictureSize.isEmpty() || screenSize.isEmpty())
        return QRect(QPoint(0, 0), pictureSize);
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

std::optional<QImage> fillImage(PictureRows& rows, QSize target, QString* error) {
    if (target.isEmpty()) {
        fail(error, QStringLiteral("cannot fill an empty %1 x %2 screen").arg(target.width()).arg(target.height()));
        return std::nullopt;
    }
    const QRect crop = fillSourceRect(rows.size(), target);
    if (crop.width() >= target.width() && crop.height() >= target.height())
        return shrink(rows, crop, target, error);
    std::optional<QImage> kept = readCrop(rows, crop, error);
    if (!kept)
        return std::nullopt;
    return kept->scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}
