// SPDX-License-Identifier: MIT
#include "pictures/exif_orientation.h"

#include <QtEndian>

#include <cstring>

// Only the one tag is wanted, in the first directory of the TIFF structure inside the block, so it is read here with
// a bounds check on every access rather than through a full EXIF parser and its dependency.

namespace {

constexpr char ExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr quint16 OrientationTag = 0x0112;
constexpr quint16 ShortType = 3;
constexpr quint16 LongType = 4;
constexpr quint16 SignedLongType = 9;
constexpr int EntryBytes = 12;

class TiffView final {
public:
    TiffView(const uchar* data, qsizetype size, bool bigEndian) : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool holds(qint64 at, qint64 bytes) const { return at >= 0 && bytes >= 0 && at <= size_ && bytes <= size_ - at; }

    quint16 half(qint64 at) const {
        return bigEndian_ ? qFromBigEndian<quint16>(data_ + at) : qFromLittleEndian<quint16>(data_ + at);
    }
    quint32 word(qint64 at) const {
        return bigEndian_ ? qFromBigEndian<quint32>(data_ + at) : qFromLittleEndian<quint32>(data_ + at);
    }

private:
    const uchar* data_;
    qsizetype size_;
    bool bigEndian_;
};

} // namespace

Orientation exifOrientation(const uchar* body, qsizetype size) {
    if (size < qsizetype(sizeof ExifSignature) + 8 || std::memcmp(body, ExifSignature, sizeof ExifSignature) != 0)
        return Orientation::Upright;
    const uchar* tiff = body + sizeof ExifSignature;
    const qsizetype tiffSize = size - qsizetype(sizeof ExifSignature);
    bool bigEndian = false;
    if (std::memcmp(tiff, "MM\0*", 4) == 0)
        bigEndian = true;
    else if (std::memcmp(tiff, "II*\0", 4) != 0)
        return Orientation::Upright;
    const TiffView view(tiff, tiffSize, bigEndian);
    const qint64 directory = view.word(4);
    if (!view.holds(directory, 2))
        return Orientation::Upright;
    const int entries = view.half(directory);
    for (int i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + qint64(i) * EntryBytes;
        if (!view.holds(entry, EntryBytes))
            break;
        if (view.half(entry) != OrientationTag)
            continue;
        // A single value sits in the entry's value field: a SHORT in its first two bytes, and as some cameras
        // write it, a LONG or SLONG in all four.
        const quint16 type = view.half(entry + 2);
        if (view.word(entry + 4) != 1)
            return Orientation::Upright;
        qint64 value = 0;
        if (type == ShortType)
            value = view.half(entry + 8);
        else if (type == LongType)
            value = view.word(entry + 8);
        else if (type == SignedLongType)
            value = static_cast<qint32>(view.word(entry + 8));
        return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Upright;
    }
    return Orientation::Upright;
}
