// SPDX-License-Identifier: MIT
#include "platform/linux/path_spelling.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString cleanAbsolutePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString withDotSegment(const QString& cleanPath) {
    const qsizetype slash = cleanPath.lastIndexOf(u'/');
    return cleanPath.left(slash) + QStringLiteral("/./") + cleanPath.mid(slash + 1);
}

} // namespace

QString fileNamedBy(const QString& value, PictureValueForm form) {
    const QString path = form == PictureValueForm::FileUri ? QUrl(value).toLocalFile() : value;
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

QString pictureValue(const QString& path, PictureValueForm form, bool alternateSpelling) {
    const QString clean = cleanAbsolutePath(path);
    const QString spelled = alternateSpelling ? withDotSegment(clean) : clean;
    if (form == PictureValueForm::PlainPath) {
        return spelled;
    }
    return QString::fromLatin1(QUrl::fromLocalFile(spelled).toEncoded());
}

QString nextPictureValue(const QString& path, PictureValueForm form, const QString& storedValue) {
    const QString canonical = pictureValue(path, form, false);
    return storedValue == canonical ? pictureValue(path, form, true) : canonical;
}
