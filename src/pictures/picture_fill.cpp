// SPDX-License-Identifier: MIT
#include "pictures/picture_fill.h"

#include "core/problem_log.h"
#include "pictures/picture_rows.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

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

// Averages the part `crop` of the picture down to `target`, no larger than `crop` either way. Rows may come in either
// order: each target row sums the source rows it covers, weighted, pixel by pixel as they pass, and is shrunk across
// and written out after the last of them, so at most two target rows are open at a time. The sums are whole numbers,
// exact whatever the order they are added in: a column's stays below 2^32 for parts of fewer than 16 million rows,
// which no screen-shaped part of a picture within the decode limit reaches, and a target pixel's below 2^53.
struct PictureFill::Shrink {
    // How the source pixels along one axis share out onto fewer target pixels: target pixel i covers the source span
    // [i * from / to, (i + 1) * from / to), and each source pixel counts by how much of it lies in that span. Weights
    // are in units of 1/to of a source pixel, so every target pixel's weights add up to `from`.
    struct AreaWeights {
        std::vector<int> firstSource; // per target pixel
        std::vector<int> weightsAt;   // per target pixel, plus one: where its weights start in `weights`
        std::vector<quint32> weights;
    };

    // The target rows one source row counts towards: one, or two when it straddles their border.
    struct Shares {
        std::array<int, 2> target{};
        std::array<quint32, 2> weight{};
        int count = 0;
    };

    static AreaWeights areaWeights(int from, int to);
    static std::vector<Shares> sharesOfSourceRows(const AreaWeights& down, int sourceRows);

    Shrink(const QRect& crop, QSize target)
        : across(areaWeights(crop.width(), target.width())), down(areaWeights(crop.height(), target.height())),
          shares(sharesOfSourceRows(down, crop.height())),
          shrunk(target, QImage::Format_RGB32), columns{std::vector<quint32>(std::size_t(crop.width()) * 3),
                                                        std::vector<quint32>(std::size_t(crop.width()) * 3)},
          scale(1.0 / (double(crop.width()) * double(crop.height()))) {}

    void add(const uchar* bgr, int source, bool topDown);
    void writeRow(int target, const std::vector<quint32>& sums);

    AreaWeights across;
    AreaWeights down;
    std::vector<Shares> shares;
    QImage shrunk;
    std::array<std::vector<quint32>, 2> columns; // per open target row: blue, green and red of each source pixel
    double scale;
};

PictureFill::Shrink::AreaWeights PictureFill::Shrink::areaWeights(int from, int to) {
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

std::vector<PictureFill::Shrink::Shares> PictureFill::Shrink::sharesOfSourceRows(const AreaWeights& down,
                                                                                 int sourceRows) {
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

// Row `source` of the part, from its left edge.
void PictureFill::Shrink::add(const uchar* bgr, int source, bool topDown) {
    const Shares& share = shares[std::size_t(source)];
    for (int i = 0; i < share.count; ++i) {
        const int t = share.target[std::size_t(i)];
        std::vector<quint32>& open = columns[std::size_t(t % 2)];
        const quint32 weight = share.weight[std::size_t(i)];
        quint32* sums = open.data();
        for (std::size_t c = 0; c < open.size(); ++c)
            sums[c] += weight * bgr[c];
        const int first = down.firstSource[std::size_t(t)];
        const int last = first + down.weightsAt[std::size_t(t) + 1] - down.weightsAt[std::size_t(t)] - 1;
        if (source != (topDown ? last : first))
            continue;
        writeRow(t, open);
        std::fill(open.begin(), open.end(), 0u);
    }
}

void PictureFill::Shrink::writeRow(int target, const std::vector<quint32>& sums) {
    auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(target));
    const auto channel = [this](quint64 sum) { return static_cast<int>(double(sum) * scale + 0.5); };
    for (std::size_t x = 0; x < across.firstSource.size(); ++x) {
        const quint32* column = sums.data() + std::size_t(across.firstSource[x]) * 3;
        quint64 blue = 0;
        quint64 green = 0;
        quint64 red = 0;
        for (int k = across.weightsAt[x]; k < across.weightsAt[x + 1]; ++k, column += 3) {
            const quint64 weight = across.weights[static_cast<std::size_t>(k)];
            blue += weight * column[0];
            green += weight * column[1];
            red += weight * column[2];
        }
        out[x] = qRgb(channel(red), channel(green), channel(blue));
    }
}

PictureFill::PictureFill(QSize pictureSize, RowOrder order, QSize target)
    : target_(target), crop_(fillSourceRect(pictureSize, target)), height_(pictureSize.height()),
      topDown_(order == RowOrder::TopDown) {
    if (target.isEmpty())
        return;
    if (crop_.width() >= target.width() && crop_.height() >= target.height())
        shrink_ = std::make_unique<Shrink>(crop_, target);
    else
        kept_ = QImage(crop_.size(), QImage::Format_RGB32);
}

PictureFill::~PictureFill() = default;

void PictureFill::addRow(const uchar* bgr) {
    if (added_ >= height_)
        return;
    const int y = (topDown_ ? added_ : height_ - 1 - added_) - crop_.top();
    ++added_;
    if (y < 0 || y >= crop_.height())
        return;
    const uchar* from = bgr + qsizetype(crop_.left()) * 3;
    if (shrink_) {
        if (!shrink_->shrunk.isNull())
            shrink_->add(from, y, topDown_);
        return;
    }
    if (kept_.isNull())
        return;
    auto* to = reinterpret_cast<QRgb*>(kept_.scanLine(y));
    for (int x = 0; x < crop_.width(); ++x, from += 3)
        to[x] = qRgb(from[2], from[1], from[0]);
}

std::optional<QImage> PictureFill::finish(QString* error) {
    if (target_.isEmpty()) {
        fail(error, QStringLiteral("cannot fill an empty %1 x %2 screen").arg(target_.width()).arg(target_.height()));
        return std::nullopt;
    }
    if ((shrink_ ? shrink_->shrunk : kept_).isNull()) {
        const QSize size = shrink_ ? target_ : crop_.size();
        fail(error, QStringLiteral("no memory for a %1 x %2 picture").arg(size.width()).arg(size.height()));
        return std::nullopt;
    }
    if (added_ < height_) {
        fail(error, QStringLiteral("the picture ended at row %1 of %2").arg(added_).arg(height_));
        return std::nullopt;
    }
    if (shrink_)
        return std::exchange(shrink_->shrunk, QImage());
    return kept_.scaled(target_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}

std::optional<QImage> fillImage(PictureRows& rows, QSize target, QString* error) {
    PictureFill fill(rows.size(), rows.order(), target);
    std::vector<uchar> row(static_cast<std::size_t>(rows.size().width()) * 3);
    if (!target.isEmpty()) {
        for (int k = 0; k < rows.size().height(); ++k) {
            if (!rows.readRow(row.data(), error))
                return std::nullopt;
            fill.addRow(row.data());
        }
    }
    return fill.finish(error);
}
