// SPDX-License-Identifier: MIT
#include "core/problem_log.h"
#include "pictures/decoders.h"

#include <QImageReader>
#include <QtEndian>

#include <array>
#include <optional>

// GIF goes through Qt's reader, which gives the first frame drawn onto the file's logical screen; its transparent
// pixels are then composited over black by the held rows. Qt's reader makes up pixels for image data it cannot
// decode, so the first image's data is walked here first, to refuse what the common decoders refuse.

namespace {

constexpr qint64 WalkBlockBytes = 64 * 1024;
constexpr int LongestCodeBits = 12;
constexpr int DictionarySize = 1 << LongestCodeBits;

// Reads `count` bytes into `out`, or past them when `out` is null; false where the file ends first.
bool readBytes(BlockReader& in, uchar* out, int count) {
    for (int i = 0; i < count; ++i) {
        const int byte = in.next();
        if (byte < 0)
            return false;
        if (out)
            out[i] = static_cast<uchar>(byte);
    }
    return true;
}

int colourTableBytes(uchar flags) {
    return flags & 0x80 ? 3 << ((flags & 7) + 1) : 0;
}

// Moves past the header and the extensions to the first image's data; the image's size, or nothing when the file
// ends or holds something else first (Qt's reader has its own words for that).
std::optional<QSize> findFirstImage(BlockReader& in) {
    uchar screen[13];
    if (!readBytes(in, screen, sizeof screen) || !readBytes(in, nullptr, colourTableBytes(screen[10])))
        return std::nullopt;
    for (int kind = in.next(); kind != 0x2C; kind = in.next()) {
        if (kind != 0x21 || in.next() < 0)
            return std::nullopt;
        for (int size = in.next(); size != 0; size = in.next()) {
            if (size < 0 || !readBytes(in, nullptr, size))
                return std::nullopt;
        }
    }
    uchar image[9];
    if (!readBytes(in, image, sizeof image) || !readBytes(in, nullptr, colourTableBytes(image[8])))
        return std::nullopt;
    return QSize(qFromLittleEndian<quint16>(image + 4), qFromLittleEndian<quint16>(image + 6));
}

// The variable-width codes of one image's data, taken from its sub-blocks least significant bit first.
class CodeReader final {
public:
    explicit CodeReader(BlockReader& in) : in_(in) {}

    // The next code of `width` bits, or -1 where the data ends.
    int next(int width) {
        while (bitCount_ < width) {
            const int byte = nextByte();
            if (byte < 0)
                return -1;
            bits_ |= quint32(byte) << bitCount_;
            bitCount_ += 8;
        }
        const int code = static_cast<int>(bits_ & ((1u << width) - 1));
        bits_ >>= width;
        bitCount_ -= width;
        return code;
    }

private:
    int nextByte() {
        if (left_ == 0) {
            left_ = ended_ ? 0 : in_.next();
            if (left_ <= 0) {
                ended_ = true;
                left_ = 0;
                return -1;
            }
        }
        --left_;
        return in_.next();
    }

    BlockReader& in_;
    int left_ = 0; // bytes left in the current sub-block
    bool ended_ = false;
    quint32 bits_ = 0;
    int bitCount_ = 0;
};

// Decodes the codes of an image as the common decoders do, up to its last pixel, counting the pixels rather than
// keeping them. A code must name a string the dictionary holds, or the one it is about to add; a decoder refuses
// any other, and it refuses data that ends before the first row is whole.
std::optional<QString> imageDataFault(BlockReader& in, QSize size) {
    const qint64 firstRow = size.width();
    const qint64 allPixels = firstRow * size.height();
    const int minimum = in.next();
    if (minimum >= LongestCodeBits)
        return QStringLiteral("its LZW code size %1 is out of range").arg(minimum);
    // Smaller code sizes than the format allows are left to Qt's reader.
    if (minimum < 2)
        return minimum < 0 && firstRow > 0 ? std::optional(QStringLiteral("its image data ends before the first row"))
                                           : std::nullopt;
    const int clear = 1 << minimum;
    std::array<quint16, DictionarySize> lengths{};
    std::fill(lengths.begin(), lengths.begin() + clear, quint16(1));
    CodeReader codes(in);
    int width = minimum + 1;
    int added = clear + 2; // the code the next string gets
    int previous = -1;
    qint64 pixels = 0;
    while (pixels < allPixels) {
        const int code = codes.next(width);
        if (code < 0 || code == clear + 1)
            break;
        if (code == clear) {
            width = minimum + 1;
            added = clear + 2;
            previous = -1;
            continue;
        }
        if (code > added || (previous < 0 && code >= clear))
            return QStringLiteral("its image data holds an LZW code out of range");
        const int length = code == added ? lengths[previous] + 1 : lengths[code];
        if (previous >= 0 && added < DictionarySize) {
            lengths[added] = static_cast<quint16>(lengths[previous] + 1);
            if (++added >= 1 << width && width < LongestCodeBits)
                ++width;
        }
        pixels += length;
        previous = code;
    }
    if (pixels < firstRow)
        return QStringLiteral("its image data ends before the first row");
    return std::nullopt;
}

// Why the common decoders would refuse the file's first image, if they would; the file is then back at its start.
std::optional<QString> firstImageFault(PlainFile& file) {
    std::optional<QString> fault;
    {
        BlockReader in(file, WalkBlockBytes);
        if (const std::optional<QSize> size = findFirstImage(in))
            fault = imageDataFault(in, *size);
        if (in.failed())
            fault.reset(); // a read error is Qt's reader's to report
    }
    file.seek(0);
    return fault;
}

} // namespace

bool openGifRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                 QString* error) {
    const QString path = file->path();
    uchar head[10];
    if (file->peek(reinterpret_cast<char*>(head), sizeof head) != sizeof head)
        return fail(error, QStringLiteral("the GIF %1 is cut short inside its header").arg(path));
    if (const std::optional<QString> fault = firstImageFault(*file))
        return fail(error, QStringLiteral("the GIF %1 is damaged: %2").arg(path, *fault));
    const QSize screen(qFromLittleEndian<quint16>(head + 6), qFromLittleEndian<quint16>(head + 8));
    QImageReader reader(file.get(), "gif");
    const QSize size = reader.size().expandedTo(screen);
    if (!holdsDeclaredSize(*file, size.width(), size.height(), decodeLimitBytes, error))
        return false;
    // Qt's own limit, far lower by default, stays behind the one checked above; it is one setting for the process.
    const int limitMegabytes = static_cast<int>(std::min<qint64>((decodeLimitBytes >> 20) + 1, INT_MAX));
    if (QImageReader::allocationLimit() < limitMegabytes)
        QImageReader::setAllocationLimit(limitMegabytes);
    QImage picture;
    if (!reader.read(&picture))
        return fail(error, QStringLiteral("the GIF %1 cannot be read: %2").arg(path, reader.errorString()));
    *rows = heldRows(path, std::move(picture));
    return true;
}
