// SPDX-License-Identifier: MIT
#include "core/problem_log.h"
#include "pictures/decoders.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>
#include <vector>

// Windows and OS/2 bitmaps, read by this program itself: Qt's reader refuses the 56-byte header, darkens 5-5-5
// pixels and leaves the pixels that run-length codes skip unset. Rows come in the order the file stores them, so a
// bitmap stored bottom row first (most are) is served bottom-up and nothing but a block of rows is ever held, whether
// the rows are plain or run-length coded.

namespace {

constexpr qint64 FileHeaderBytes = 14;
constexpr qint64 CoreHeaderBytes = 12;
constexpr qint64 InfoHeaderBytes = 40;
constexpr qint64 Os2HeaderBytes = 64;
// The sums of the area scaler and the bitmap writer's 32-bit fields stay exact below this many pixels a side.
constexpr qint64 LongestSide = qint64(1) << 20;
// Plain rows are read this many bytes at a time (at least one row), run-length data likewise.
constexpr qint64 ReadBlockBytes = 256 * 1024;
// What a bitmap may hold beyond what its header accounts for. Real files hold nothing more, or a few bytes (writers
// that pad the file), or a few kilobytes (a colour profile after the pixels); a desktop that copies or hashes the file
// whole pays nothing for a megabyte, and would pay for any length of tail beyond it on every switch.
constexpr qint64 MostTrailingBytes = 1 << 20;

enum Compression : quint32 {
    Uncompressed = 0,
    RunLength8 = 1,
    RunLength4 = 2,
    BitFields = 3,
    EmbeddedJpeg = 4,
    EmbeddedPng = 5,
    AlphaBitFields = 6,
};

// One colour's bits in a pixel and their value scaled to 0..255, so that a 5-bit white is 255 and not 248.
class Channel final {
public:
    Channel() = default;
    explicit Channel(quint32 mask) : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0) {
        largest_ = mask ? mask >> shift_ : 0;
        if (largest_ > 0 && largest_ <= 0xFFFF) {
            scaled_.resize(largest_ + 1);
            for (quint32 value = 0; value <= largest_; ++value)
                scaled_[value] = scale(value);
        }
    }

    bool present() const { return mask_ != 0; }

    uchar of(quint32 pixel) const {
        const quint32 value = (pixel & mask_) >> shift_;
        return scaled_.empty() ? scale(value) : scaled_[value];
    }

private:
    uchar scale(quint32 value) const {
        return largest_ ? static_cast<uchar>((quint64(value) * 255 + largest_ / 2) / largest_) : 0;
    }

    quint32 mask_ = 0;
    int shift_ = 0;
    quint32 largest_ = 0;
    std::vector<uchar> scaled_;
};

struct Layout {
    qint64 width = 0;
    qint64 height = 0;
    bool topDown = false;
    int bits = 0;
    quint32 compression = Uncompressed;
    qint64 paletteAt = 0; // past the headers and the masks
    qint64 pixelsAt = 0;
    qint64 rowBytes = 0;
    // Blue, green, red for each of 256 indices; those past the file's palette stay black.
    std::array<uchar, 256 * 3> palette{};
    quint32 masks[4] = {}; // red, green, blue, alpha
    bool alpha = false;
};

quint32 word(const uchar* at) {
    return qFromLittleEndian<quint32>(at);
}

quint16 half(const uchar* at) {
    return qFromLittleEndian<quint16>(at);
}

class HeaderReader final {
public:
    HeaderReader(PlainFile& file, QString* error) : file_(file), error_(error) {}

    bool read(qint64 at, qint64 bytes, uchar* into, const char* what) {
        if (file_.seek(at) && file_.read(reinterpret_cast<char*>(into), bytes) == bytes)
            return true;
        return refuse(QStringLiteral("is cut short inside its %1").arg(QLatin1String(what)));
    }

    bool refuse(const QString& reason) {
        return fail(error_, QStringLiteral("the bitmap %1 %2").arg(file_.path(), reason));
    }

    PlainFile& file() const { return file_; }

private:
    PlainFile& file_;
    QString* error_;
};

QString hex(quint32 value) {
    return QStringLiteral("0x%1").arg(value, 0, 16);
}

// Masks must each be one run of bits inside the pixel, and no two may share a bit. A colour mask of 0 leaves that
// colour at 0, as Windows draws it; such files exist, while overlapping or broken masks are only ever damage.
bool checkMasks(const quint32 (&masks)[4], int bits, HeaderReader& reader) {
    static const char* const names[] = {"red", "green", "blue", "alpha"};
    const quint64 inside = (quint64(1) << bits) - 1;
    for (int i = 0; i < 4; ++i) {
        const quint32 mask = masks[i];
        if (mask == 0)
            continue;
        const quint32 run = mask >> std::countr_zero(mask);
        if ((run & (run + 1)) != 0)
            return reader.refuse(
                QStringLiteral("has a %1 mask %2 that is not one run of bits").arg(QLatin1String(names[i]), hex(mask)));
        if (mask > inside)
            return reader.refuse(QStringLiteral("has a %1 mask %2 outside its %3-bit pixels")
                                     .arg(QLatin1String(names[i]), hex(mask))
                                     .arg(bits));
        for (int j = 0; j < i; ++j) {
            if (masks[j] & mask)
                return reader.refuse(
                    QStringLiteral("has %1 and %2 masks that overlap (%3 and %4)")
                        .arg(QLatin1String(names[j]), QLatin1String(names[i]), hex(masks[j]), hex(mask)));
        }
    }
    return true;
}

bool checkDepth(Layout& layout, bool core, HeaderReader& reader) {
    const int bits = layout.bits;
    switch (layout.compression) {
    case Uncompressed:
        if (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 24 || (!core && (bits == 16 || bits == 32)))
            return true;
        break;
    case RunLength8:
        if (bits == 8)
            return true;
        break;
    case RunLength4:
        if (bits == 4)
            return true;
        break;
    case BitFields:
    case AlphaBitFields:
        if (bits == 16 || bits == 32)
            return true;
        break;
    case EmbeddedJpeg:
        return reader.refuse(QStringLiteral("holds a JPEG picture inside it, which only printers take"));
    case EmbeddedPng:
        return reader.refuse(QStringLiteral("holds a PNG picture inside it, which only printers take"));
    default:
        return reader.refuse(
            QStringLiteral("uses compression %1, which no bitmap format defines").arg(layout.compression));
    }
    return reader.refuse(QStringLiteral("has %1 bits per pixel with compression %2, which do not go together")
                             .arg(bits)
                             .arg(layout.compression));
}

// The info header as read, and where its fields lie. The 12-byte core header has fields of its own; every later
// kind starts as the 40-byte one and adds to it.
struct InfoHeader {
    static constexpr qint64 LongestBytes = 124;
    static constexpr qint64 CoreWidthAt = 4; // 16 bits each in the core header
    static constexpr qint64 CoreHeightAt = 6;
    static constexpr qint64 CoreBitsAt = 10;
    static constexpr qint64 WidthAt = 4; // 32 bits each in all the others
    static constexpr qint64 HeightAt = 8;
    static constexpr qint64 BitsAt = 14; // 16 bits
    static constexpr qint64 CompressionAt = 16;
    static constexpr qint64 ColoursAt = 32;           // palette entries in use; 0 for all the depth allows
    static constexpr qint64 MasksAt = 40;             // red, green, blue, then alpha, in headers of 52 bytes and more
    static constexpr qint64 Os2RecordingAt = 44;      // 16 bits: 0 for rows bottom to top
    static constexpr qint64 Os2ColourEncodingAt = 56; // 0 for RGB

    qint64 bytes = 0;
    uchar raw[LongestBytes] = {};

    bool core() const { return bytes == CoreHeaderBytes; }
    bool os2() const { return bytes == Os2HeaderBytes; }
    // How many colour masks the header holds itself.
    int maskCount() const { return bytes >= 56 ? 4 : bytes >= 52 ? 3 : 0; }
    quint32 wordAt(qint64 at) const { return word(raw + at); }
    quint16 halfAt(qint64 at) const { return half(raw + at); }
};

// The file header's one field of use, and the info header with the sizes, depth and compression it gives.
bool readHeaders(HeaderReader& reader, InfoHeader& info, Layout& layout) {
    constexpr qint64 PixelsAt = 10;
    uchar head[FileHeaderBytes + 4]; // the file header and the size of the info header, which starts it
    if (!reader.read(0, sizeof head, head, "file header"))
        return false;
    layout.pixelsAt = word(head + PixelsAt);
    info.bytes = word(head + FileHeaderBytes);
    if (!info.core() && !info.os2() && info.bytes != InfoHeaderBytes && info.bytes != 52 && info.bytes != 56 &&
        info.bytes != 108 && info.bytes != InfoHeader::LongestBytes)
        return reader.refuse(
            QStringLiteral("has an info header of %1 bytes, none of the kinds of bitmap there are").arg(info.bytes));
    if (!reader.read(FileHeaderBytes, info.bytes, info.raw, "info header"))
        return false;
    if (info.core()) {
        layout.width = info.halfAt(InfoHeader::CoreWidthAt);
        layout.height = info.halfAt(InfoHeader::CoreHeightAt);
        layout.bits = info.halfAt(InfoHeader::CoreBitsAt);
    } else {
        layout.width = qint32(info.wordAt(InfoHeader::WidthAt));
        layout.height = qint32(info.wordAt(InfoHeader::HeightAt));
        layout.bits = info.halfAt(InfoHeader::BitsAt);
        layout.compression = info.wordAt(InfoHeader::CompressionAt);
    }
    return true;
}

// What an OS/2 header may hold that this program cannot read.
bool checkOs2(const InfoHeader& info, const Layout& layout, HeaderReader& reader) {
    // OS/2 numbers its compressions differently past the two run-length ones.
    if (layout.compression == 3)
        return reader.refuse(QStringLiteral("is an OS/2 bitmap in Huffman coding, which this program cannot read"));
    if (layout.compression == 4)
        return reader.refuse(QStringLiteral("is an OS/2 bitmap in 24-bit run-length coding, which this program "
                                            "cannot read"));
    if (info.halfAt(InfoHeader::Os2RecordingAt) != 0)
        return reader.refuse(QStringLiteral("is an OS/2 bitmap whose rows are recorded in an order other than "
                                            "bottom to top"));
    if (info.wordAt(InfoHeader::Os2ColourEncodingAt) != 0)
        return reader.refuse(QStringLiteral("is an OS/2 bitmap whose colours are not RGB"));
    return true;
}

bool checkSize(Layout& layout, HeaderReader& reader) {
    if (layout.width <= 0 || layout.height == 0)
        return reader.refuse(QStringLiteral("claims %1 x %2 pixels").arg(layout.width).arg(layout.height));
    layout.topDown = layout.height < 0;
    layout.height = std::abs(layout.height);
    if (layout.width > LongestSide || layout.height > LongestSide)
        return reader.refuse(QStringLiteral("claims %1 x %2 pixels, more than %3 a side")
                                 .arg(layout.width)
                                 .arg(layout.height)
                                 .arg(LongestSide));
    return true;
}

// The colour masks of 16 and 32-bit pixels: those the header or the file after it gives for bit fields, else the
// usual ones, with the alpha mask that image editors put into a V3 to V5 header of plain pixels where it is sound.
// Moves `paletteAt` past masks that follow the header.
bool readMasks(const InfoHeader& info, Layout& layout, HeaderReader& reader, qint64& paletteAt) {
    if (layout.compression == BitFields || layout.compression == AlphaBitFields) {
        if (info.maskCount() > 0) {
            for (int i = 0; i < info.maskCount(); ++i)
                layout.masks[i] = info.wordAt(InfoHeader::MasksAt + 4 * i);
        } else {
            // A 40-byte header is followed by the masks.
            uchar masks[16];
            const int count = layout.compression == AlphaBitFields ? 4 : 3;
            if (!reader.read(paletteAt, 4 * count, masks, "colour masks"))
                return false;
            for (int i = 0; i < count; ++i)
                layout.masks[i] = word(masks + 4 * i);
            paletteAt += 4 * count;
        }
        return checkMasks(layout.masks, layout.bits, reader);
    }
    if (layout.bits == 16 || layout.bits == 32) {
        const bool fiveBits = layout.bits == 16;
        layout.masks[0] = fiveBits ? 0x7C00 : 0xFF0000;
        layout.masks[1] = fiveBits ? 0x03E0 : 0x00FF00;
        layout.masks[2] = fiveBits ? 0x001F : 0x0000FF;
        layout.masks[3] = info.maskCount() == 4 ? info.wordAt(InfoHeader::MasksAt + 12) : 0;
        QString ignored;
        HeaderReader quiet(reader.file(), &ignored);
        if (layout.masks[3] && !checkMasks(layout.masks, layout.bits, quiet))
            layout.masks[3] = 0;
    }
    return true;
}

// The palette of a depth of 8 bits or less, between `paletteAt` and the pixels. A palette shorter than the depth
// allows leaves the other indices black; one longer is cut to it.
bool readPalette(const InfoHeader& info, Layout& layout, HeaderReader& reader, qint64 paletteAt) {
    if (layout.bits > 8)
        return true;
    const int entryBytes = info.core() ? 3 : 4;
    const qint64 colours = info.core() ? 0 : info.wordAt(InfoHeader::ColoursAt);
    const qint64 depthAllows = qint64(1) << layout.bits;
    qint64 count = colours > 0 ? std::min(colours, depthAllows) : depthAllows;
    count = std::min<qint64>(count, (layout.pixelsAt - paletteAt) / entryBytes);
    std::vector<uchar> entries(static_cast<std::size_t>(count * entryBytes));
    if (count > 0 && !reader.read(paletteAt, qint64(entries.size()), entries.data(), "palette"))
        return false;
    for (qint64 i = 0; i < count; ++i)
        std::memcpy(layout.palette.data() + 3 * i, entries.data() + i * entryBytes, 3);
    return true;
}

// The headers and what follows them up to the pixels: sizes, depth, compression, masks and palette.
bool readLayout(PlainFile& file, Layout& layout, QString* error) {
    HeaderReader reader(file, error);
    InfoHeader info;
    if (!readHeaders(reader, info, layout) || (info.os2() && !checkOs2(info, layout, reader)) ||
        !checkSize(layout, reader) || !checkDepth(layout, info.core(), reader))
        return false;
    qint64 paletteAt = FileHeaderBytes + info.bytes;
    if (!readMasks(info, layout, reader, paletteAt))
        return false;
    layout.alpha = layout.masks[3] != 0;
    layout.paletteAt = paletteAt;
    if (layout.pixelsAt < paletteAt)
        return reader.refuse(
            QStringLiteral("says its pixels start at byte %1, inside its headers").arg(layout.pixelsAt));
    if (!readPalette(info, layout, reader, paletteAt))
        return false;
    layout.rowBytes = (layout.width * layout.bits + 31) / 32 * 4;
    return true;
}

// Uncompressed rows, read a block of rows at a time.
class PlainRows final : public PictureRows {
public:
    PlainRows(std::unique_ptr<PlainFile> file, const Layout& layout)
        : PictureRows(file->path(), QSize(int(layout.width), int(layout.height)),
                      layout.topDown ? RowOrder::TopDown : RowOrder::BottomUp),
          file_(std::move(file)), layout_(layout), red_(layout.masks[0]), green_(layout.masks[1]),
          blue_(layout.masks[2]), alpha_(layout.alpha ? layout.masks[3] : 0) {
        rowsPerBlock_ = std::max<qint64>(1, ReadBlockBytes / layout.rowBytes);
        block_.resize(static_cast<std::size_t>(std::min(rowsPerBlock_, layout.height) * layout.rowBytes));
        file_->seek(layout.pixelsAt);
    }

protected:
    bool readNextRow(uchar* bgr, QString* error) override {
        if (next_ == inBlock_ && !readBlock(error))
            return false;
        convert(block_.data() + next_++ * layout_.rowBytes, bgr);
        return true;
    }

private:
    bool readBlock(QString* error) {
        const qint64 rows = std::min(rowsPerBlock_, layout_.height - rowsRead_);
        const qint64 wanted = rows * layout_.rowBytes;
        const qint64 got = file_->read(reinterpret_cast<char*>(block_.data()), wanted);
        // The last row's padding may be missing; the size check at opening made sure its pixels are there.
        if (got < wanted - layout_.rowBytes + (layout_.width * layout_.bits + 7) / 8) {
            return fail(error,
                        QStringLiteral("cannot read the bitmap %1: %2")
                            .arg(file_->path(), got < 0 ? file_->errorString() : QStringLiteral("it ended early")));
        }
        std::fill(block_.begin() + std::max<qint64>(got, 0), block_.begin() + wanted, uchar(0));
        rowsRead_ += rows;
        inBlock_ = rows;
        next_ = 0;
        return true;
    }

    void convert(const uchar* from, uchar* bgr) const {
        const int width = size().width();
        switch (layout_.bits) {
        case 24:
            std::memcpy(bgr, from, std::size_t(width) * 3);
            return;
        case 16:
            for (int x = 0; x < width; ++x, bgr += 3)
                putPixel(half(from + 2 * x), bgr);
            return;
        case 32:
            if (isPlain32()) {
                for (int x = 0; x < width; ++x, from += 4, bgr += 3) {
                    bgr[0] = from[0];
                    bgr[1] = from[1];
                    bgr[2] = from[2];
                }
                return;
            }
            for (int x = 0; x < width; ++x, bgr += 3)
                putPixel(word(from + 4 * x), bgr);
            return;
        default: {
            const int bits = layout_.bits;
            const int perByte = 8 / bits;
            const int mask = (1 << bits) - 1;
            for (int x = 0; x < width; ++x, bgr += 3) {
                const int shift = 8 - bits * (x % perByte + 1);
                const int index = (from[x / perByte] >> shift) & mask;
                std::memcpy(bgr, layout_.palette.data() + 3 * index, 3);
            }
        }
        }
    }

    bool isPlain32() const {
        return !alpha_.present() && layout_.masks[0] == 0xFF0000 && layout_.masks[1] == 0xFF00 &&
               layout_.masks[2] == 0xFF;
    }

    void putPixel(quint32 pixel, uchar* bgr) const {
        bgr[0] = blue_.of(pixel);
        bgr[1] = green_.of(pixel);
        bgr[2] = red_.of(pixel);
        if (alpha_.present()) {
            const uchar alpha = alpha_.of(pixel);
            for (int c = 0; c < 3; ++c)
                bgr[c] = overBlack(bgr[c], alpha);
        }
    }

    std::unique_ptr<PlainFile> file_;
    Layout layout_;
    Channel red_;
    Channel green_;
    Channel blue_;
    Channel alpha_;
    std::vector<uchar> block_;
    qint64 rowsPerBlock_ = 1;
    qint64 rowsRead_ = 0;
    qint64 inBlock_ = 0;
    qint64 next_ = 0;
};

// Run-length rows. The stream runs in the file's row order and its codes only move forward, so each row is decoded
// when it is asked for, straight into the caller's buffer. Pixels the stream skips (end of line, delta, end of
// bitmap, or a file that ends early) show palette entry 0, as the same picture stored uncompressed would and as
// viewers show them; runs past the row are cut at its end, rows past the picture ignored.
class RunLengthRows final : public PictureRows {
public:
    RunLengthRows(std::unique_ptr<PlainFile> file, const Layout& layout)
        : PictureRows(file->path(), QSize(int(layout.width), int(layout.height)),
                      layout.topDown ? RowOrder::TopDown : RowOrder::BottomUp),
          file_(std::move(file)), layout_(layout), stream_(*file_, ReadBlockBytes),
          fourBits_(layout.compression == RunLength4) {
        file_->seek(layout.pixelsAt);
    }

protected:
    bool readNextRow(uchar* bgr, QString* error) override {
        for (qint64 x = 0; x < layout_.width; ++x)
            std::memcpy(bgr + 3 * x, layout_.palette.data(), 3);
        if (row_ == streamRow_)
            decodeRow(bgr);
        ++row_;
        if (stream_.failed())
            return fail(error,
                        QStringLiteral("cannot read the bitmap %1: %2").arg(file_->path(), file_->errorString()));
        return true;
    }

private:
    void put(uchar* bgr, int index) const { std::memcpy(bgr + 3 * x_, layout_.palette.data() + 3 * index, 3); }

    void end() { streamRow_ = layout_.height; }

    // Paints `count` pixels from x_ on, as many as the row holds; x_ ends past them or at the end of the row.
    template <typename Index> void paint(uchar* bgr, qint64 count, const Index& index) {
        const qint64 painted = std::min(count, layout_.width - x_);
        for (qint64 i = 0; i < painted; ++i, ++x_)
            put(bgr, index(i));
    }

    void decodeRow(uchar* bgr) {
        for (;;) {
            const int count = stream_.next();
            const int value = stream_.next();
            if (value < 0)
                return end();
            if (count > 0) {
                paint(bgr, count,
                      [this, value](qint64 i) { return fourBits_ ? (i % 2 ? value & 15 : value >> 4) : value; });
                continue;
            }
            switch (value) {
            case 0: // end of line
                streamRow_ = row_ + 1;
                x_ = 0;
                return;
            case 1: // end of bitmap
                return end();
            case 2: { // delta: right and forward; the pixels between keep palette entry 0
                const int right = stream_.next();
                const int forward = stream_.next();
                if (forward < 0)
                    return end();
                x_ = std::min<qint64>(layout_.width, x_ + right);
                if (forward > 0) {
                    streamRow_ = row_ + forward;
                    return;
                }
                break;
            }
            default: { // a literal run of `value` indices, padded to a whole number of 16-bit words
                const int bytes = fourBits_ ? (value + 1) / 2 : value;
                int pair = 0;
                for (int i = 0; i < value; ++i) {
                    if (!fourBits_ || i % 2 == 0) {
                        pair = stream_.next();
                        if (pair < 0)
                            return end();
                    }
                    const int index = fourBits_ ? (i % 2 ? pair & 15 : pair >> 4) : pair;
                    if (x_ < layout_.width)
                        put(bgr, index);
                    x_ = std::min<qint64>(layout_.width, x_ + 1);
                }
                if (bytes % 2 && stream_.next() < 0)
                    return end();
            }
            }
        }
    }

    std::unique_ptr<PlainFile> file_;
    Layout layout_;
    BlockReader stream_;
    bool fourBits_;
    qint64 row_ = 0;       // the row asked for next, in file order
    qint64 streamRow_ = 0; // the row the stream goes on in
    qint64 x_ = 0;         // where in that row
};

// Whether any pixel has a non-zero alpha: many writers leave the alpha byte 0 in pictures meant to be opaque, and
// viewers show those opaque.
std::optional<bool> anyAlpha(PlainFile& file, const Layout& layout) {
    if (!file.seek(layout.pixelsAt))
        return std::nullopt;
    const int pixelBytes = layout.bits / 8;
    const qint64 usedBytes = layout.width * pixelBytes;
    const qint64 rowsPerBlock = std::max<qint64>(1, ReadBlockBytes / layout.rowBytes);
    std::vector<uchar> block(static_cast<std::size_t>(rowsPerBlock * layout.rowBytes));
    for (qint64 row = 0; row < layout.height; row += rowsPerBlock) {
        const qint64 rows = std::min(rowsPerBlock, layout.height - row);
        const qint64 got = file.read(reinterpret_cast<char*>(block.data()), rows * layout.rowBytes);
        if (got < 0)
            return std::nullopt;
        for (qint64 r = 0; r < rows; ++r) {
            const uchar* at = block.data() + r * layout.rowBytes;
            for (qint64 x = 0; x < usedBytes && r * layout.rowBytes + x + pixelBytes <= got; x += pixelBytes) {
                const quint32 pixel = pixelBytes == 2 ? half(at + x) : word(at + x);
                if (pixel & layout.masks[3])
                    return true;
            }
        }
    }
    return false;
}

} // namespace

// The most bytes the file needs by its headers: the headers and masks, the longest palette its depth allows, and its
// rows, or the longest run-length stream its rows could take (a pixel in two bytes, an end of line for each row).
// Bytes between the palette and the pixels count as a tail too.
qint64 declaredBytes(const Layout& layout) {
    const qint64 palette = layout.bits <= 8 ? (qint64(4) << layout.bits) : 0;
    if (layout.compression == RunLength8 || layout.compression == RunLength4)
        return layout.paletteAt + palette + (2 * layout.width + 2) * layout.height + 2;
    return layout.paletteAt + palette + layout.rowBytes * layout.height;
}

bool openBitmapRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                    QString* error) {
    Layout layout;
    if (!readLayout(*file, layout, error) ||
        !holdsDeclaredSize(*file, layout.width, layout.height, decodeLimitBytes, error))
        return false;
    if (file->size() - declaredBytes(layout) > MostTrailingBytes)
        return fail(error, QStringLiteral("the bitmap %1 holds %2 bytes, over a megabyte more than the %3 its header "
                                          "accounts for")
                               .arg(file->path())
                               .arg(file->size())
                               .arg(declaredBytes(layout)));
    if (layout.compression == RunLength8 || layout.compression == RunLength4) {
        *rows = std::make_unique<RunLengthRows>(std::move(file), layout);
        return true;
    }
    const qint64 pixelBytes = layout.rowBytes * (layout.height - 1) + (layout.width * layout.bits + 7) / 8;
    if (file->size() - layout.pixelsAt < pixelBytes)
        return fail(error, QStringLiteral("the bitmap %1 is cut short: its rows need %2 bytes from byte %3, and the "
                                          "file holds %4 bytes")
                               .arg(file->path())
                               .arg(pixelBytes)
                               .arg(layout.pixelsAt)
                               .arg(file->size()));
    if (layout.alpha) {
        const std::optional<bool> alpha = anyAlpha(*file, layout);
        if (!alpha)
            return fail(error, QStringLiteral("cannot read the bitmap %1: %2").arg(file->path(), file->errorString()));
        layout.alpha = *alpha;
    }
    *rows = std::make_unique<PlainRows>(std::move(file), layout);
    return true;
}
