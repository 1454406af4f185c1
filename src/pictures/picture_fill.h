// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

#include "pictures/picture_rows.h"

// The part of a picture of `pictureSize` that fills a screen of `screenSize` when scaled to it with its proportions
// kept: the whole height and a centred part of the width when the picture is wider than the screen, else the whole
// width and a centred part of the height.
QRect fillSourceRect(QSize pictureSize, QSize screenSize);

// The part of a picture that fills `target` (fillSourceRect), scaled to exactly `target`, made while the picture's rows
// are handed in, in the order the picture gives them. A picture at least as large as the part needs is shrunk as the
// rows pass: each target pixel is the area-weighted mean of the source pixels it covers, and only a few rows are held.
// A smaller one is kept whole, it is small, and grown by Qt's smooth scaling at the end.
class PictureFill final {
public:
    PictureFill(QSize pictureSize, RowOrder order, QSize target);
    ~PictureFill();
    PictureFill(const PictureFill&) = delete;
    PictureFill& operator=(const PictureFill&) = delete;

    // The picture's next row, width * 3 bytes of blue, green and red.
    void addRow(const uchar* bgr);
    // The filled picture as Format_RGB32, once every row has been added. Nothing, with a message, when the target is
    // empty or memory ran short.
    std::optional<QImage> finish(QString* error);

private:
    struct Shrink;
    QSize target_;
    QRect crop_;
    int height_;
    bool topDown_;
    int added_ = 0;
    std::unique_ptr<Shrink> shrink_; // when the picture shrinks
    QImage kept_;                    // when it grows: the part, held whole
};

// The above over every row of `rows`. Nothing when a row cannot be read, with a message.
std::optional<QImage> fillImage(PictureRows& rows, QSize target, QString* error);
