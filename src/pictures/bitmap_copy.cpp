#include "pictures/bitmap_copy.h"

#include "pictures/picture_check.h"
#include "platform/atomic_file.h"
#include "platform/diagnostics.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

// Qt refuses pictures over 128 MB decoded by default, which an ordinary 48-megapixel photo exceeds.
// 1 GB still takes 12000 x 9000 pictures while a header claiming an absurd size fails at once.
constexpr int DecodeLimitMegabytes = 1024;

// A big JPEG is decoded in two horizontal bands, bottom band first, so that only one band's pixels are
// in memory at a time: a tray program should not need a 24-megapixel photo's 96 MB at once. The bottom
// band holds this much or half the picture, whichever is more; decoding the top band again passes over
// the rows above it, so the split costs a fraction of one decode.
constexpr qint64 BottomBandBytes = 80LL * 1024 * 1024;

// The bitmap written: a 14-byte file header, a 40-byte info header, then 24-bit rows, bottom row first.
constexpr int BitmapHeaderBytes = 14 + 40;
constexpr qint64 RowsPerWrite = 16;

// Rows [top, top + height) of the picture; a whole picture is read without a clip.
struct Band {
    int top = 0;
    int height = 0;
};

struct Decoding {
    QString source;
    QSize size;
    QList<Band> bands; // bottom band first
    bool clipped = false;
};

bool isTrueColour(const QImage& picture) {
    return picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
}

// How the picture is read: in bands only when the decoder can clip and the picture is big.
Decoding planDecoding(const QString& source) {
    Decoding plan{source, {}, {}, false};
    QImageReader probe(source);
    probe.setDecideFormatFromContent(true);
    const QSize size = probe.size();
    const qint64 rowBytes = qint64(size.width()) * 4;
    const qint64 pictureBytes = rowBytes * size.height();
    const bool splittable = probe.format() == "jpeg" && probe.supportsOption(QImageIOHandler::ClipRect) &&
                            probe.imageFormat() == QImage::Format_RGB32 && size.isValid() &&
                            pictureBytes > BottomBandBytes && pictureBytes <= qint64(DecodeLimitMegabytes) << 20;
    const int bottomRows =
        splittable ? static_cast<int>(std::max<qint64>(BottomBandBytes / rowBytes, (size.height() + 1) / 2)) : 0;
    const int split = size.height() - bottomRows;
    if (!splittable || split <= 0) {
        plan.bands = {Band{0, size.height()}};
        return plan;
    }
    plan.size = size;
    plan.bands = {Band{split, bottomRows}, Band{0, split}};
    plan.clipped = true;
    return plan;
}

bool readBand(const Decoding& plan, const Band& band, QImage& pixels, QString* error) {
    QImageReader reader(plan.source);
    reader.setDecideFormatFromContent(true);
    if (plan.clipped)
        reader.setClipRect(QRect(0, band.top, plan.size.width(), band.height));
    if (!reader.read(&pixels))
        return fail(error, QStringLiteral("cannot read the picture %1: %2").arg(plan.source, reader.errorString()));
    // The bands are stitched together as 32-bit rows of the planned width.
    if (plan.clipped && (pixels.size() != QSize(plan.size.width(), band.height) || !isTrueColour(pixels)))
        return fail(error,
                    QStringLiteral("cannot read the picture %1: a part of it came out differently").arg(plan.source));
    return true;
}

bool readPicture(const QString& source, Decoding& plan, QImage& firstBand, QString* error) {
    // A pipe or device behind a picture's name would block the reader forever.
    if (!QFileInfo(source).isFile())
        return fail(error, QStringLiteral("%1 is not a readable file").arg(source));
    if (!isAcceptedPicture(source, error))
        return false;
    QImageReader::setAllocationLimit(DecodeLimitMegabytes);
    plan = planDecoding(source);
    if (!readBand(plan, plan.bands.constFirst(), firstBand, error))
        return false;
    if (!plan.clipped)
        plan.size = firstBand.size();
    return true;
}

qint64 bitmapRowBytes(int width) {
    return (qint64(width) * 3 + 3) / 4 * 4;
}

template <typename Value> void put(char*& at, Value value) {
    qToLittleEndian(value, at);
    at += sizeof value;
}

// The same header Qt's own bitmap writer gives a 32-bit picture, so that the file does not depend on
// which of the two wrote it.
bool writeBitmapHeader(QIODevice& out, QSize size, const QImage& sample) {
    const qint64 imageBytes = bitmapRowBytes(size.width()) * size.height();
    char header[BitmapHeaderBytes];
    char* at = header;
    put<quint8>(at, 'B');
    put<quint8>(at, 'M');
    put(at, static_cast<quint32>(BitmapHeaderBytes + imageBytes));
    put<quint32>(at, 0);
    put<quint32>(at, BitmapHeaderBytes);
    put<quint32>(at, 40);
    put(at, static_cast<qint32>(size.width()));
    put(at, static_cast<qint32>(size.height()));
    put<quint16>(at, 1);
    put<quint16>(at, 24);
    put<quint32>(at, 0);
    put(at, static_cast<quint32>(imageBytes));
    put(at, static_cast<qint32>(sample.dotsPerMeterX() ? sample.dotsPerMeterX() : 2834));
    put(at, static_cast<qint32>(sample.dotsPerMeterY() ? sample.dotsPerMeterY() : 2834));
    put<quint32>(at, 0);
    put<quint32>(at, 0);
    return out.write(header, sizeof header) == sizeof header;
}

// Packs 32-bit pixels (blue, green, red, unused in memory) into 3-byte ones, four pixels per three words.
void toBlueGreenRed(const uchar* from, int width, char* to) {
    const auto word = [&from](int i) { return qFromLittleEndian<quint32>(from + 4 * i); };
    int x = 0;
    for (; x + 4 <= width; x += 4, from += 16, to += 12) {
        const quint32 p0 = word(0), p1 = word(1), p2 = word(2), p3 = word(3);
        qToLittleEndian<quint32>((p0 & 0xffffff) | (p1 << 24), to);
        qToLittleEndian<quint32>(((p1 >> 8) & 0xffff) | (p2 << 16), to + 4);
        qToLittleEndian<quint32>(((p2 >> 16) & 0xff) | (p3 << 8), to + 8);
    }
    for (; x < width; ++x, from += 4, to += 3) {
        const quint32 pixel = word(0);
        to[0] = static_cast<char>(pixel);
        to[1] = static_cast<char>(pixel >> 8);
        to[2] = static_cast<char>(pixel >> 16);
    }
}

// Writes the band's rows bottom row first as 24-bit blue-green-red, several rows per write.
bool writeBitmapRows(QIODevice& out, const QImage& band) {
    const int width = band.width();
    const qint64 rowBytes = bitmapRowBytes(width);
    std::vector<char> chunk(static_cast<std::size_t>(rowBytes * std::min<qint64>(RowsPerWrite, band.height())));
    for (int y = band.height() - 1; y >= 0;) {
        char* row = chunk.data();
        int rows = 0;
        for (; rows < RowsPerWrite && y >= 0; ++rows, --y, row += rowBytes) {
            toBlueGreenRed(band.constScanLine(y), width, row);
            std::fill(row + qint64(width) * 3, row + rowBytes, char(0));
        }
        if (out.write(chunk.data(), rowBytes * rows) != rowBytes * rows)
            return false;
    }
    return true;
}

// Writes the bands as one bitmap; each band after the first is decoded only once the one before it
// is written and released.
bool writeBands(QIODevice& out, const Decoding& plan, QImage& firstBand, const QString& target, QString* error) {
    const auto refused = [&out, &target, error] {
        return fail(error, QStringLiteral("cannot write %1: %2").arg(target, out.errorString()));
    };
    if (!writeBitmapHeader(out, plan.size, firstBand) || !writeBitmapRows(out, firstBand))
        return refused();
    firstBand = QImage();
    for (qsizetype i = 1; i < plan.bands.size(); ++i) {
        QImage band;
        if (!readBand(plan, plan.bands.at(i), band, error))
            return false;
        if (!writeBitmapRows(out, band))
            return refused();
    }
    return true;
}

} // namespace

bool writeBitmapCopy(const QString& source, const QString& target, QString* error) {
    Decoding plan;
    QImage firstBand;
    if (!readPicture(source, plan, firstBand, error))
        return false;
    return writeFileAtomically(
        target,
        [&](QIODevice& out, QString* writeError) {
            if (isTrueColour(firstBand))
                return writeBands(out, plan, firstBand, target, writeError);
            // Palette and grey pictures keep Qt's own writer, which stores them in fewer bits per pixel.
            QImageWriter writer(&out, "bmp");
            return writer.write(firstBand) ||
                   fail(writeError, QStringLiteral("cannot write %1: %2").arg(target, writer.errorString()));
        },
        error);
}
