#include "platform/diagnostics.h"
#include "platform/folder_lister.h"
#include "platform/system_services.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

// QDir::Files without QDir::Hidden and QDir::System skips hidden and system files, as Explorer does.
class WindowsFolderLister final : public FolderLister {
public:
    bool list(const QString& folder, const std::function<bool(const QString&)>& onName, QString* error) const override {
        const QFileInfo info(folder);
        if (!info.exists() || !info.isDir())
            return fail(error, QStringLiteral("cannot open the folder %1: it does not exist").arg(folder));
        if (!info.isReadable())
            return fail(error, QStringLiteral("cannot open the folder %1: access denied").arg(folder));
        QDirIterator entries(folder, QDir::Files | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            entries.next();
            if (!onName(entries.fileName()))
                break;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<FolderLister> makeFolderLister() {
    return std::make_unique<WindowsFolderLister>();
}
