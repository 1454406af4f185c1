#include "pictures/picture_list.h"

#include "platform/folder_lister.h"
#include "platform/random_source.h"

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

bool ReadFiles(PictureList& pictures, const QString& dirName, const FolderLister& lister, RandomSource& random,
               QString* error) {
    pictures.Scanned = true;
    pictures.PictureFiles.clear();
    const bool listed = lister.list(
        dirName,
        [&pictures](const QString& name) {
            if (isPictureName(name))
                pictures.PictureFiles.append(name);
            return true;
        },
        error);
    pictures.FileCount = static_cast<qint32>(pictures.PictureFiles.size());
    ShuffleOrder(pictures, random);
    return listed;
}

void ShuffleOrder(PictureList& pictures, RandomSource& random) {
    const qint32 count = pictures.FileCount;
    pictures.ShowOrder.resize(static_cast<std::size_t>(count));
    std::iota(pictures.ShowOrder.begin(), pictures.ShowOrder.end(), 1);
    for (qint32 j = 1; j <= count - 1; ++j) {
        const double r = random.draw();
        const qint32 n = count - j + 1;
        // A draw below 1 always lands in j..count; the clamp only guards against a faulty source.
        const auto pick = std::min(count, static_cast<qint32>(std::floor(n * r + j)));
        std::swap(pictures.ShowOrder[static_cast<std::size_t>(j - 1)],
                  pictures.ShowOrder[static_cast<std::size_t>(pick - 1)]);
    }
    pictures.OrderPos = 1;
}
