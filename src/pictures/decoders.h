// SPDX-License-Identifier: MIT
#pragma once

// The parts of openPictureRows that each format supplies, and the checks they share. Not for use outside pictures/.

#include "core/plain_file.h"
#include "pictures/picture_rows.h"

#include <QImage>

#include <memory>
#include <vector>

// Whether a picture of width x height can be decoded: its file must be able to hold that many pixels, and its 32-bit
// pixels must fit within `decodeLimitBytes`. False with a message naming the file otherwise.
bool holdsDeclaredSize(const PlainFile& file, qint64 width, qint64 height, qint64 decodeLimitBytes, QString* error);

// The first part of the check above alone: whether the file could hold that many pixels.
bool fileHoldsPixels(const PlainFile& file, qint64 width, qint64 height, QString* error);

// The decoders, each handed the open file positioned at its start.
bool openJpegRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                  QString* error);
bool openBitmapRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                    QString* error);
bool openGifRows(std::unique_ptr<PlainFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                 QString* error);

// Rows served top-down from a picture held whole: Format_BGR888 as it is, any other format composited over black.
std::unique_ptr<PictureRows> heldRows(const QString& path, QImage picture);

// One colour channel of a pixel with that alpha, composited over black.
inline uchar overBlack(int colour, int alpha) {
    return static_cast<uchar>((colour * alpha + 127) / 255);
}

// A number of bytes as mebibytes with one decimal, as the decoders' messages give sizes.
inline QString mebibytes(qint64 bytes) {
    return QString::number(double(bytes) / (1 << 20), 'f', 1);
}

// Reads a file forward in blocks, a byte at a time.
class BlockReader final {
public:
    BlockReader(PlainFile& file, qint64 blockBytes) : file_(file), block_(static_cast<std::size_t>(blockBytes)) {}

    // The next byte, or -1 at the end of the file.
    int next() {
        if (at_ == filled_ && !refill())
            return -1;
        return block_[at_++];
    }

    bool failed() const { return failed_; }

private:
    bool refill() {
        const qint64 got = file_.read(reinterpret_cast<char*>(block_.data()), qint64(block_.size()));
        failed_ = failed_ || got < 0;
        at_ = 0;
        filled_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        return filled_ > 0;
    }

    PlainFile& file_;
    std::vector<uchar> block_;
    std::size_t at_ = 0;
    std::size_t filled_ = 0;
    bool failed_ = false;
};
