#pragma once

#include <QFile>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// The part of a picture of `pictureSize` that, scaled, fills `screenSize` exactly: the largest centered rectangle
// with the screen's proportions; the overflow is cropped.
QRect fillSourceRect(QSize pictureSize, QSize screenSize);

// Where the rows of an uncompressed 24-bit Windows bitmap lie in its file. Such a file, which is what
// the conversion writes, is scaled while it is read, a few rows at a time, instead of being decoded whole.
struct PlainBitmap {
    qint64 pixelsAt = 0;
    qint64 rowBytes = 0;
    QSize size;
    bool bottomUp = true;
};

// A picture file to be shown filling a screen. An uncompressed 24-bit bitmap, which is what the conversion
// writes, is shrunk while it is read, a few rows at a time; anything else, and a bitmap smaller than the screen,
// is decoded whole.
class ScreenFill final {
public:
    explicit ScreenFill(const QString& path);
    ~ScreenFill();

    // Checks that the picture can be read at all, before a display is touched.
    bool open(QString* error);
    QSize size() const;
    // The part that fills `screenSize`, scaled to it, as Format_RGB32.
    std::optional<QImage> cover(QSize screenSize, QString* error);

private:
    const QImage* decoded(QString* error);

    QString path_;
    QFile file_;
    std::optional<PlainBitmap> plain_;
    QImage decoded_;
};
