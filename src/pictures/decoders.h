#pragma once

// The parts of openPictureRows that each format supplies, and the checks they share. Not for use outside pictures/.

#include "pictures/picture_rows.h"

#include <QFile>
#include <QImage>

#include <memory>

// Whether a picture of width x height can be decoded: its file must be able to hold that many pixels, and its 32-bit
// pixels must fit within `decodeLimitBytes`. False with a message naming the file otherwise.
bool holdsDeclaredSize(const QFile& file, qint64 width, qint64 height, qint64 decodeLimitBytes, QString* error);

// The first part of the check above alone: whether the file could hold that many pixels.
bool fileHoldsPixels(const QFile& file, qint64 width, qint64 height, QString* error);

// The decoders, each handed the open file positioned at its start.
bool openJpegRows(std::unique_ptr<QFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                  QString* error);
bool openBitmapRows(std::unique_ptr<QFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                    QString* error);
bool openGifRows(std::unique_ptr<QFile> file, qint64 decodeLimitBytes, std::unique_ptr<PictureRows>* rows,
                 QString* error);

// Rows served top-down from a picture held whole: Format_BGR888 as it is, any other format composited over black.
std::unique_ptr<PictureRows> heldRows(const QString& path, QImage picture);
