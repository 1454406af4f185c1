#pragma once

#include <QString>
#include <functional>

class QIODevice;

// Writes a new file beside `target` through `writer` and then renames it over `target`, so that a
// reader sees either the old file or the new one whole, and a crash mid-write leaves the old one.
// A symbolic link at `target` is replaced by the file, never followed.
bool writeFileAtomically(const QString& target, const std::function<bool(QIODevice& out, QString* error)>& writer,
                         QString* error);
