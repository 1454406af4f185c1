// SPDX-License-Identifier: MIT
#include "switching/picture_list.h"

#include "core/ports/folder_lister.h"
#include "core/random_source.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr qsizetype EndingLength = 4;

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The rule as written: the whole name lower-cased, the last four characters upper-cased, full Unicode case
// mapping. Needed only for names with characters beyond ASCII, some of which map onto ASCII letters.
bool isPictureNameByMapping(const QString& name) {
    if (name.toLower() == ConvertedPictureName)
        return false;
    const QString ending = name.right(EndingLength).toUpper();
    return ending == QLatin1String(".GIF") || ending == QLatin1String(".BMP") || ending == QLatin1String(".JPG") ||
           ending == QLatin1String("JPEG");
}

// The same rule for an ASCII ending, where upper-casing is plain arithmetic: packs the four characters
// upper-cased into one number to compare with the four endings.
quint32 upperAsciiEnding(QStringView ending) {
    quint32 packed = 0;
    for (const QChar c : ending) {
        const char16_t unit = c.unicode();
        packed = packed << 8 | (unit >= u'a' && unit <= u'z' ? unit - (u'a' - u'A') : unit);
    }
    return packed;
}

constexpr quint32 packed(const char (&ending)[EndingLength + 1]) {
    quint32 value = 0;
    for (qsizetype i = 0; i < EndingLength; ++i)
        value = value << 8 | static_cast<unsigned char>(ending[i]);
    return value;
}

} // namespace

bool isPictureName(const QString& name) {
    // A scan tests every name of the folder, so the common case makes no new strings: the answer rests on
    // the last four characters and, for a name of eight, on the whole name. No character beyond ASCII
    // lower-cases to a letter of "temp.bmp", so only such characters in those places need the full mapping.
    const QStringView ending = QStringView(name).right(EndingLength);
    const bool mayBeConverted = name.size() == ConvertedPictureName.size();
    if (!isAscii(mayBeConverted ? QStringView(name) : ending))
        return isPictureNameByMapping(name);
    if (name.size() < EndingLength)
        return false;
    if (mayBeConverted && name.compare(ConvertedPictureName, Qt::CaseInsensitive) == 0)
        return false;
    const quint32 upper = upperAsciiEnding(ending);
    return upper == packed(".GIF") || upper == packed(".BMP") || upper == packed(".JPG") || upper == packed("JPEG");
}

bool scanFolder(PictureList& pictures, const QString& folder, const FolderLister& lister, RandomSource& random,
                QString* error) {
    pictures.scanned = true;
    pictures.names.clear();
    const bool listed = lister.list(
        folder, isPictureName,
        [&pictures](const QString& name) {
            pictures.names.append(name);
            return true;
        },
        error);
    shuffleOrder(pictures, random);
    return listed;
}

void shuffleOrder(PictureList& pictures, RandomSource& random) {
    const qsizetype count = pictures.names.size();
    pictures.order.resize(static_cast<std::size_t>(count));
    std::iota(pictures.order.begin(), pictures.order.end(), 0);
    for (qsizetype j = 0; j + 1 < count; ++j) {
        const double r = random.draw();
        // Entries j..count-1 are still unplaced. With r below 1 the pick lands among them; the clamp only guards
        // against a faulty source. Formed in double, the pick is the same as counting positions from one.
        const double remaining = double(count - j);
        const auto pick = std::min(count - 1, static_cast<qsizetype>(std::floor(remaining * r + double(j))));
        std::swap(pictures.order[static_cast<std::size_t>(j)], pictures.order[static_cast<std::size_t>(pick)]);
    }
    pictures.next = 0;
}
