// SPDX-License-Identifier: MIT
#include "pictures/picture_rows.h"

#include "core/plain_file.h"
#include "core/problem_log.h"
#include "pictures/decoders.h"

#include <cstring>
#include <string_view>

namespace {

// No format the program reads packs more than about 33000 decoded bytes into one byte of file: a one-colour GIF
// reaches some 6000, a JPEG a few hundred, a run-length bitmap 500. Twice the most leaves every real picture alone.
constexpr qint64 MostDecodedBytesPerFileByte = 65536;
// A picture this small decodes cheaply whatever its file holds.
constexpr qint64 AlwaysAffordableBytes = 16 << 20;

enum class Format { Jpeg, Gif, Bitmap, Other };

using namespace std::string_view_literals; // the signatures hold zero bytes

struct Signature {
    qsizetype at;
    std::string_view bytes;
    const char* name;
};

// Formats a picture folder may hold that this program does not read, so that the refusal can say what the file is.
const Signature OtherFormats[] = {
    {0, "\x89PNG"sv, "PNG"},
    {0, "II*\0"sv, "TIFF"},
    {0, "MM\0*"sv, "TIFF"},
    {8, "WEBP"sv, "WebP"},
    {4, "ftypavif"sv, "AVIF"},
    {4, "ftypheic"sv, "HEIF"},
    {4, "ftypheix"sv, "HEIF"},
    {4, "ftypmif1"sv, "HEIF"},
    {0, "\0\0\0\x0CjP  "sv, "JPEG 2000"},
    {0, "\xFF\x4F\xFF\x51"sv, "JPEG 2000"},
    {0, "\xFF\x0A"sv, "JPEG XL"},
    {0, "\0\0\0\x0CJXL "sv, "JPEG XL"},
    {0, "8BPS"sv, "Photoshop"},
    {0, "\0\0\1\0"sv, "Windows icon"},
    {0, "/* XPM */"sv, "XPM"},
    {0, "<svg"sv, "SVG"},
    {0, "%PDF"sv, "PDF"},
};

bool holdsAt(const QByteArray& head, qsizetype at, std::string_view bytes) {
    return head.size() >= at + qsizetype(bytes.size()) &&
           std::memcmp(head.constData() + at, bytes.data(), bytes.size()) == 0;
}

Format formatOf(const QByteArray& head) {
    if (holdsAt(head, 0, "\xFF\xD8\xFF"sv))
        return Format::Jpeg;
    if (holdsAt(head, 0, "GIF87a"sv) || holdsAt(head, 0, "GIF89a"sv))
        return Format::Gif;
    if (holdsAt(head, 0, "BM"sv))
        return Format::Bitmap;
    return Format::Other;
}

QString otherFormatName(const QByteArray& head) {
    for (const Signature& signature : OtherFormats) {
        if (holdsAt(head, signature.at, signature.bytes))
            return QString::fromLatin1(signature.name);
    }
    // The Netpbm family: P1 to P7 and a blank.
    if (head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' && QChar::isSpace(head[2]))
        return QStringLiteral("Netpbm");
    return QString();
}

// Served from a picture held whole.
class HeldRows final : public PictureRows {
public:
    HeldRows(const QString& path, QImage picture)
        : PictureRows(path, picture.size(), RowOrder::TopDown), picture_(std::move(picture)) {}

protected:
    bool readNextRow(uchar* bgr, QString* /*error*/) override {
        const uchar* from = picture_.constScanLine(next_++);
        const int width = picture_.width();
        if (picture_.format() == QImage::Format_BGR888) {
            std::memcpy(bgr, from, std::size_t(width) * 3);
            return true;
        }
        const auto* pixels = reinterpret_cast<const QRgb*>(from);
        for (int x = 0; x < width; ++x, bgr += 3) {
            const QRgb pixel = pixels[x];
            const int alpha = qAlpha(pixel);
            bgr[0] = overBlack(qBlue(pixel), alpha);
            bgr[1] = overBlack(qGreen(pixel), alpha);
            bgr[2] = overBlack(qRed(pixel), alpha);
        }
        return true;
    }

private:
    QImage picture_;
    int next_ = 0;
};

} // namespace

bool fileHoldsPixels(const PlainFile& file, qint64 width, qint64 height, QString* error) {
    const qint64 decodedBytes = width * height * 4;
    const qint64 fileBytes = file.size();
    if (decodedBytes <= AlwaysAffordableBytes || decodedBytes / MostDecodedBytesPerFileByte <= fileBytes)
        return true;
    return fail(error, QStringLiteral("the picture %1 claims %2 x %3 pixels, more than its %4 bytes can hold")
                           .arg(file.path())
                           .arg(width)
                           .arg(height)
                           .arg(fileBytes));
}

bool holdsDeclaredSize(const PlainFile& file, qint64 width, qint64 height, qint64 decodeLimitBytes, QString* error) {
    if (!fileHoldsPixels(file, width, height, error))
        return false;
    if (width * height * 4 <= decodeLimitBytes)
        return true;
    return fail(error, QStringLiteral("the picture %1 is %2 x %3 pixels, too large to decode within %4 MiB")
                           .arg(file.path())
                           .arg(width)
                           .arg(height)
                           .arg(mebibytes(decodeLimitBytes)));
}

bool PictureRows::readRow(uchar* bgr, QString* error) {
    if (failed_)
        return fail(error, QStringLiteral("the picture %1 could not be read to its end").arg(path_));
    if (rowsRead_ == size_.height())
        return fail(error, QStringLiteral("the picture %1 has no rows past its %2").arg(path_).arg(size_.height()));
    failed_ = !readNextRow(bgr, error);
    ++rowsRead_;
    return !failed_;
}

std::unique_ptr<PictureRows> heldRows(const QString& path, QImage picture) {
    if (picture.format() != QImage::Format_BGR888 && picture.format() != QImage::Format_ARGB32)
        picture = picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    return std::make_unique<HeldRows>(path, std::move(picture));
}

bool openPictureRows(const QString& path, std::unique_ptr<PictureRows>* rows, QString* error, qint64 decodeLimitBytes) {
    // Opening a pipe would block for ever, and a device may never end. The decoders read in blocks of their own, so
    // the file comes unbuffered.
    auto file = std::make_unique<PlainFile>(path);
    if (!openPlainFile(*file, error))
        return false;
    const QByteArray head = file->peek(16);
    if (head.isEmpty())
        return fail(error, QStringLiteral("the picture %1 is empty").arg(path));
    switch (formatOf(head)) {
    case Format::Jpeg:
        return openJpegRows(std::move(file), decodeLimitBytes, rows, error);
    case Format::Gif:
        return openGifRows(std::move(file), decodeLimitBytes, rows, error);
    case Format::Bitmap:
        return openBitmapRows(std::move(file), decodeLimitBytes, rows, error);
    case Format::Other:
        break;
    }
    const QString other = otherFormatName(head);
    if (other.isEmpty())
        return fail(error, QStringLiteral("%1 is not a picture: it is no GIF, JPEG or BMP file").arg(path));
    return fail(error, QStringLiteral("%1 holds a %2 picture, not a GIF, JPEG or BMP one").arg(path, other));
}
