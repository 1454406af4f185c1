// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QFileDevice;
class QIODevice;

// Writes a new file beside `target` through `writer` and then renames it over `target`, so that a reader sees either
// the old file or the new one whole, also after a crash of the whole machine: the new file is on its disk before it
// takes the name, and the name is on the disk when this returns. A crash mid-write leaves the old one. The new file
// gets the permissions the user's umask leaves, as any other file the user makes. A symbolic link at `target` is
// replaced by the file, never followed. False with a message when any write, the flush or the sync fails; nothing is
// left behind then.
bool writeFileAtomically(const QString& target, const std::function<bool(QIODevice& out, QString* error)>& writer,
                         QString* error);

// Waits until what was written to `file` is on its disk. False when the system says it could not be.
bool syncFile(QFileDevice& file);

// Makes the names just added to, replaced in or removed from `folder` last through a crash of the whole machine.
// A hint only: nothing where the system has no such call.
void syncFolder(const QString& folder);
