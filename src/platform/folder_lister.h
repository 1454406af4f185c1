#pragma once

#include <QString>
#include <functional>

// Lists the plain files of one folder: no subfolders, no hidden files, no devices, pipes or sockets.
class FolderLister {
public:
    virtual ~FolderLister() = default;
    // Calls `onName` with each name (without folder) in the order the file system gives them,
    // until it returns false. A folder that does not exist lists nothing and is no failure;
    // a folder that cannot be read is: false with a message.
    virtual bool list(const QString& folder, const std::function<bool(const QString& name)>& onName,
                      QString* error) const = 0;
};
