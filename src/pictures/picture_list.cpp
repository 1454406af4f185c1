#include "pictures/picture_list.h"

#include "platform/folder_lister.h"
#include "platform/random_source.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// The rule as written: the whole name lower-cased, the last four characters upper-cased, full Unicode case
// mapping. Needed only for names with characters beyond ASCII, some of which map onto ASCII letters.
bool isPictureNameByMapping(const QString& name) {
    if (name.toLower() == ConvertedPictureName)
        return false;
    const QString ending = name.right(4).toUpper();
    return ending == QLatin1String(".GIF") || ending == QLatin1String(".BMP") || ending == QLatin1String(".JPG") ||
           ending == QLatin1String("JPEG");
}

} // namespace

bool isPictureName(const QString& name) {
    // A scan tests every name of the folder; for ASCII names, case-blind comparisons give the same answer as
    // the mapping without making three new strings per name.
    if (!isAscii(name))
        return isPictureNameByMapping(name);
    if (name.compare(ConvertedPictureName, Qt::CaseInsensitive) == 0)
        return false;
    const QStringView ending = QStringView(name).right(4);
    const auto is = [ending](QLatin1StringView candidate) {
        return ending.compare(candidate, Qt::CaseInsensitive) == 0;
    };
    return is(QLatin1StringView(".GIF")) || is(QLatin1StringView(".BMP")) || is(QLatin1StringView(".JPG")) ||
           is(QLatin1StringView("JPEG"));
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
