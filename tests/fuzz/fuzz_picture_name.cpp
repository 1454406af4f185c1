// SPDX-License-Identifier: MIT
// The scan's picture-name test over arbitrary names. Properties: for a name of plain ASCII it agrees with a
// reference written from the rule (the last four characters upper-cased are .GIF, .BMP, .JPG or JPEG, and the
// name lower-cased is not temp.bmp); for any name, only its last four characters can make it a picture.

#include "fuzz_support.h"
#include "switching/picture_list.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

bool referenceIsPictureName(std::string name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "temp.bmp")
        return false;
    std::string ending = name.size() < 4 ? name : name.substr(name.size() - 4);
    std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::toupper(c); });
    return ending == ".GIF" || ending == ".BMP" || ending == ".JPG" || ending == "JPEG";
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = bytesOf(data, size);
    const QString name = QString::fromUtf8(bytes);
    const bool picture = isPictureName(name);
    if (isAscii(bytes) && !bytes.contains('\0'))
        FUZZ_CHECK(picture == referenceIsPictureName(bytes.toStdString()));
    if (picture)
        FUZZ_CHECK(name.size() >= 4);
    // A longer name with the same ending is a picture too, unless it has become the converted file's name.
    const QString longer = QStringLiteral("x") + name;
    if (picture && longer.toLower() != ConvertedPictureName)
        FUZZ_CHECK(isPictureName(longer));
    return 0;
}
