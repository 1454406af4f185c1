// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>

#include <memory>

// The order in which a picture's rows come: whichever its source yields cheapest.
enum class RowOrder { TopDown, BottomUp };

// A decoded picture served one row at a time, upright (any EXIF orientation already applied), as 24-bit pixels in
// blue-green-red byte order, the layout of a Windows bitmap. Transparent pixels come composited over black, so that
// nothing hidden behind transparency ever shows.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    PictureRows(const PictureRows&) = delete;
    PictureRows& operator=(const PictureRows&) = delete;

    const QString& path() const { return path_; }
    QSize size() const { return size_; }
    RowOrder order() const { return order_; }

    // Fills width * 3 bytes at `bgr` with the next row in order(). False with a message naming the file when the
    // picture turns out damaged or unreadable part way, and for every row asked for after that or after the last.
    bool readRow(uchar* bgr, QString* error);

protected:
    PictureRows(const QString& path, QSize size, RowOrder order) : path_(path), size_(size), order_(order) {}

    // The next row, for a decoder that has one left and has not failed.
    virtual bool readNextRow(uchar* bgr, QString* error) = 0;

private:
    QString path_;
    QSize size_;
    RowOrder order_;
    int rowsRead_ = 0;
    bool failed_ = false;
};

// Today's 1 GiB of 32-bit pixels: a 16384 x 16384 picture, far beyond any screen. A JPEG beyond it is decoded at a
// smaller scale; anything else beyond it is refused.
constexpr qint64 DefaultDecodeLimitBytes = qint64(1) << 30;

// Opens the picture at `path`, a GIF, JPEG or BMP judged by its content whatever its name, and reads its header.
// Only a plain file is opened, so that a pipe or a device behind a picture's name never blocks or floods the reader.
// A header claiming more pixels than its file can hold is refused before anything is allocated for it, and so is a
// picture whose 32-bit pixels would take more than `decodeLimitBytes` (a JPEG is first tried at 1/2, 1/4 and 1/8 of
// its size). False with a message naming the file and the reason otherwise.
bool openPictureRows(const QString& path, std::unique_ptr<PictureRows>* rows, QString* error,
                     qint64 decodeLimitBytes = DefaultDecodeLimitBytes);
