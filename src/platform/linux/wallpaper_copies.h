// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Copies of the pictures handed to a desktop that caches loaded pictures per file and trusts that cache (GNOME
// Shell): each copy is named after its content, so a name never comes back with other content, and the same picture
// keeps its name. The copies live in the user's data folder, which survives a logout, so the stored wallpaper still
// shows at the next login; only the newest two are kept.
class WallpaperCopies final {
public:
    // The folder of the copies: $XDG_DATA_HOME/quorlen.
    static QString folder();
    // A copy of `path` named after its content: a hard link where the file system allows it and the file is the
    // user's own, else a copy, which takes its name only once it is whole and on the disk.
    static std::optional<QString> place(const QString& path, QString* error);
    // Removes every copy but `current` and `previous` (either may name a file outside the folder, or nothing).
    static void keepOnly(const QString& current, const QString& previous);
};
