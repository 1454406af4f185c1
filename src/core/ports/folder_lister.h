#pragma once

#include <QString>
#include <functional>

// Lists the plain files of one folder: no subfolders, no hidden files, no devices, pipes or sockets.
class FolderLister {
public:
    virtual ~FolderLister() = default;
    // Calls `onName` with each name (without folder) in the order the file system gives them,
    // until it returns false. A folder that cannot be opened (missing, no folder, unreadable) or read
    // to its end is a failure: false with a message.
    virtual bool list(const QString& folder, const std::function<bool(const QString& name)>& onName,
                      QString* error) const = 0;
};
