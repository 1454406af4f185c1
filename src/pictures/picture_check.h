#pragma once

#include <QString>

// Whether the picture at `path` can hold the size its header declares. A header may claim any size; believing a
// lie would let a file of a few hundred bytes cost a gigabyte of memory and as much disk for the converted
// bitmap. A file whose size cannot be read passes: the decoder judges it. False with a message otherwise.
bool holdsDeclaredSize(const QString& path, QString* error);

// Whether the file at `path` holds a GIF, JPEG or BMP picture by its content, of a size its bytes can hold. The
// other formats Qt can decode are refused unread, so that no decoder the program does not need ever sees a file.
// False with a message otherwise.
bool isAcceptedPicture(const QString& path, QString* error);
