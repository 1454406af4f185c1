#pragma once

#include <QString>

// Decodes `source` by its content and writes it whole, at its own size, as a Windows bitmap at `target`,
// replacing the file atomically. False with a message when the picture cannot be read or the bitmap written.
bool writeBitmapCopy(const QString& source, const QString& target, QString* error);
