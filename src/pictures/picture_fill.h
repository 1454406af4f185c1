#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

class PictureRows;

// The part of a picture of `pictureSize` that fills a screen of `screenSize` when scaled to it with its proportions
// kept: the whole height and a centred part of the width when the picture is wider than the screen, else the whole
// width and a centred part of the height.
QRect fillSourceRect(QSize pictureSize, QSize screenSize);

// The part of the picture that fills `target` (fillSourceRect), scaled to exactly `target`, as Format_RGB32. A picture
// at least as large as the part needs is shrunk while its rows are read, in either order: each target pixel is the
// area-weighted mean of the source pixels it covers, and only a few rows are held. A smaller one is read whole, it is
// small, and grown by Qt's smooth scaling. Nothing when a row cannot be read, with a message.
std::optional<QImage> fillImage(PictureRows& rows, QSize target, QString* error);
