// SPDX-License-Identifier: MIT
// The wallpaper change over arbitrary file content, under each of the names the scan takes, with a fake desktop.
// Properties: a picture named like a bitmap goes to the desktop as it is; any other either fails with a message
// and leaves "temp.bmp" alone, or writes a "temp.bmp" that decodes as a bitmap of the picture's own upright size,
// and only then goes to the desktop.

#include "fuzz_support.h"
#include "support/fakes.h"
#include "switching/wallpaper_changer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>

namespace {

const char* const Names[] = {"picture.jpg", "picture.gif", "picture.jpeg", "picture.bmp"};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSize decodedSize(const QString& path, QByteArray* format) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    *format = reader.format();
    return reader.read().size();
}

// Qt's own upright decode of the picture gives the size the converted bitmap must have. Where Qt refuses a picture
// that the program's decoders show (a JPEG damaged only after its last row, a bitmap header Qt does not know), the
// size its header declares, upright, at full size or at one of the scales a JPEG over the decode limit is read at.
bool hasSourceSize(const QString& source, QSize written) {
    QImageReader reader(source);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    QSize declared = reader.size();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        declared.transpose();
    const QImage decoded = reader.read();
    if (!decoded.isNull())
        return written == decoded.size();
    for (const int scale : {1, 2, 4, 8}) {
        if (written == QSize((declared.width() + scale - 1) / scale, (declared.height() + scale - 1) / scale))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    silenceMessages();
    new QCoreApplication(*argc, *argv); // for the image plugins
    return workspace().isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QString name = QString::fromLatin1(Names[data[0] % std::size(Names)]);
    const QString path = workspace().filePath(name);
    const QString converted = workspace().filePath(QStringLiteral("temp.bmp"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytesOf(data + 1, size - 1)) == qint64(size - 1));
    }
    const QByteArray before = contentOf(converted);
    FakeDesktop desktop;
    QString error;
    WallpaperChanger changer(desktop);
    const bool applied = changer.apply(name, path, workspace().path(), &error);
    FUZZ_CHECK(applied == error.isEmpty());
    if (name.endsWith(QLatin1String(".bmp"))) {
        FUZZ_CHECK(!applied || desktop.paths == QStringList{path});
    } else if (!applied) {
        FUZZ_CHECK(desktop.paths.isEmpty());
        FUZZ_CHECK(contentOf(converted) == before);
    } else {
        FUZZ_CHECK(desktop.paths == QStringList{converted});
        QByteArray writtenFormat;
        FUZZ_CHECK(hasSourceSize(path, decodedSize(converted, &writtenFormat)));
        FUZZ_CHECK(writtenFormat == "bmp");
    }
    const QStringList leftovers = QDir(workspace().path()).entryList({QStringLiteral(".temp.bmp*")}, QDir::Hidden);
    FUZZ_CHECK(leftovers.isEmpty());
    return 0;
}
