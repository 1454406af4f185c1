// SPDX-License-Identifier: MIT
#include "support/sample_pictures.h"

#include "pictures/picture_rows.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

QByteArray jpegOf(const QImage& picture, JpegKind kind, const QByteArray& app1) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    const bool cmyk = kind == JpegKind::Cmyk || kind == JpegKind::CmykWithoutAdobe;
    info.input_components = kind == JpegKind::Greyscale ? 1 : cmyk ? 4 : 3;
    info.in_color_space = kind == JpegKind::Greyscale ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (kind == JpegKind::CmykWithoutAdobe)
        info.write_Adobe_marker = FALSE;
    jpeg_set_quality(&info, 90, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&info);
    info.arith_code = kind == JpegKind::Arithmetic;
    jpeg_start_compress(&info, TRUE);
    if (!app1.isEmpty())
        jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(app1.constData()),
                          static_cast<unsigned>(app1.size()));
    std::vector<JSAMPLE> row(std::size_t(picture.width()) * 4);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = pixels[x];
            if (kind == JpegKind::Greyscale) {
                row[std::size_t(x)] = JSAMPLE(qGray(pixel));
            } else if (cmyk) {
                const JSAMPLE cmyk[] = {JSAMPLE(qRed(pixel)), JSAMPLE(qGreen(pixel)), JSAMPLE(qBlue(pixel)),
                                        JSAMPLE(qRed(pixel) ^ qBlue(pixel))};
                std::copy(cmyk, cmyk + 4, row.begin() + 4 * x);
            } else {
                const JSAMPLE rgb[] = {JSAMPLE(qRed(pixel)), JSAMPLE(qGreen(pixel)), JSAMPLE(qBlue(pixel))};
                std::copy(rgb, rgb + 3, row.begin() + 3 * x);
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

namespace {

QByteArray segment(quint8 marker, const QByteArray& body) {
    QByteArray out("\xFF", 1);
    out.append(char(marker)).append(char((body.size() + 2) >> 8)).append(char((body.size() + 2) & 0xFF));
    return out + body;
}

// Entropy-coded bits, most significant first, with the zero byte JPEG stuffs after every 0xFF.
class BitWriter final {
public:
    void put(quint32 value, int width) {
        for (int bit = width - 1; bit >= 0; --bit) {
            byte_ = (byte_ << 1) | ((value >> bit) & 1);
            if (++filled_ == 8) {
                bytes_.append(char(byte_));
                if (byte_ == 0xFF)
                    bytes_.append('\0');
                byte_ = 0;
                filled_ = 0;
            }
        }
    }
    QByteArray finish() {
        if (filled_ > 0)
            put(0xFF, 8 - filled_); // padded with ones
        return bytes_;
    }

private:
    QByteArray bytes_;
    quint32 byte_ = 0;
    int filled_ = 0;
};

} // namespace

QByteArray emptyScansJpeg(int width, int height, int scans) {
    QByteArray out = QByteArray("\xFF\xD8", 2) + segment(0xFE, QByteArray(65000, ' '));
    out += segment(0xDB, QByteArray(1, '\0') + QByteArray(64, '\1'));
    const char frame[] = {8, char(height >> 8), char(height & 0xFF), char(width >> 8), char(width & 0xFF), 1, 1, 0x11,
                          0};
    out += segment(0xC2, QByteArray(frame, sizeof frame));
    // AC table 0: the runs of end-of-band EOB0 to EOB14, each coded in four bits as its number.
    QByteArray table = QByteArray::fromHex("10000000"
                                           "0F000000"
                                           "00000000"
                                           "00000000"
                                           "00");
    for (int r = 0; r < 15; ++r)
        table.append(char(r << 4));
    out += segment(0xC4, table);
    BitWriter bits;
    for (qint64 left = qint64((width + 7) / 8) * ((height + 7) / 8); left > 0;) {
        const qint64 run = std::min<qint64>(left, 32767);
        const int r = std::bit_width(quint64(run)) - 1;
        bits.put(quint32(r), 4);
        bits.put(quint32(run - (qint64(1) << r)), r);
        left -= run;
    }
    // One component, coefficients 1 to 63, no successive approximation.
    const QByteArray scan = segment(0xDA, QByteArray("\x01\x01\x00\x01\x3F\x00", 6)) + bits.finish();
    for (int i = 0; i < scans; ++i)
        out += scan;
    return out + QByteArray("\xFF\xD9", 2);
}

QByteArray exifWithOrientation(int orientation, bool bigEndian, quint16 type) {
    QByteArray tiff(bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4));
    const auto add = [&tiff, bigEndian](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            tiff.append(char(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    };
    add(8, 4);      // the first directory
    add(1, 2);      // one entry
    add(0x0112, 2); // orientation
    add(type, 2);
    add(1, 4); // one value
    if (type == 3) {
        add(quint32(orientation), 2); // a SHORT fills the first half of the value field
        add(0, 2);
    } else {
        add(quint32(orientation), 4);
    }
    add(0, 4); // no next directory
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray words(std::initializer_list<quint32> values) {
    QByteArray bytes;
    for (const quint32 value : values) {
        char word[4];
        qToLittleEndian(value, word);
        bytes.append(word, 4);
    }
    return bytes;
}

QByteArray bitmapOf(qint32 width, qint32 height, quint16 bits, quint32 compression, const QByteArray& pixels,
                    const QByteArray& afterInfo, quint32 infoBytes, const QByteArray& extraInfo) {
    QByteArray info = words({infoBytes, quint32(width), quint32(height)});
    info += words({1u | quint32(bits) << 16, compression, quint32(pixels.size()), 2835, 2835, 0, 0});
    info += extraInfo;
    info = info.leftJustified(infoBytes, '\0', true);
    const quint32 pixelsAt = 14 + infoBytes + quint32(afterInfo.size());
    QByteArray file("BM");
    file += words({pixelsAt + quint32(pixels.size())});
    file += words({0, pixelsAt});
    return file + info + afterInfo + pixels;
}

QImage noise(int width, int height, quint32 seed) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<quint32*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = (seed = seed * 1664525u + 1013904223u) >> 8 | 0xFF000000u;
    }
    return picture;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QImage readWhole(PictureRows& rows, QString* error) {
    QImage picture(rows.size(), QImage::Format_RGB32);
    std::vector<uchar> row(std::size_t(rows.size().width()) * 3);
    for (int k = 0; k < rows.size().height(); ++k) {
        if (!rows.readRow(row.data(), error))
            return QImage();
        const int y = rows.order() == RowOrder::TopDown ? k : rows.size().height() - 1 - k;
        auto* to = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < rows.size().width(); ++x)
            to[x] = qRgb(row[3 * std::size_t(x) + 2], row[3 * std::size_t(x) + 1], row[3 * std::size_t(x)]);
    }
    return picture;
}
