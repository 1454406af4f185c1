// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

// Lists the plain files of one folder: no subfolders, no hidden files, no devices, pipes or sockets.
class FolderLister {
public:
    virtual ~FolderLister() = default;
    // Calls `onName` with each name (without folder) that `wanted` takes, in the order the file system gives them,
    // until it returns false. Only the names `wanted` takes are looked at more closely: a name the system cannot
    // spell back to the same file, and in a folder others can write a file that is not to be read there (see
    // core/plain_file.h), is left out with a line on the problem log. A folder that cannot be opened (missing, no
    // folder, unreadable) or read to its end is a failure: false with a message.
    virtual bool list(const QString& folder, const std::function<bool(const QString& name)>& wanted,
                      const std::function<bool(const QString& name)>& onName, QString* error) const = 0;
};
