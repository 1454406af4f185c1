// SPDX-License-Identifier: MIT
#include "core/ports/folder_lister.h"
#include "core/problem_log.h"
#include "platform/system_services.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <string>
#include <vector>

#include <windows.h>

namespace {

// QDir::Files without QDir::Hidden and QDir::System skips hidden and system files, as Explorer does.
class WindowsFolderLister final : public FolderLister {
public:
    bool list(const QString& folder, const std::function<bool(const QString&)>& wanted,
              const std::function<bool(const QString&)>& onName, QString* error) const override {
        const QFileInfo info(folder);
        if (!info.exists() || !info.isDir())
            return fail(error, QStringLiteral("cannot open the folder %1: it does not exist").arg(folder));
        if (!info.isReadable())
            return fail(error, QStringLiteral("cannot open the folder %1: access denied").arg(folder));
        QDirIterator entries(folder, QDir::Files | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            entries.next();
            if (wanted(entries.fileName()) && !onName(entries.fileName()))
                break;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<FolderLister> makeFolderLister() {
    return std::make_unique<WindowsFolderLister>();
}

QString currentFolderOnDrive(const QString& root) {
    static const QRegularExpression driveRoot(QStringLiteral("^([A-Za-z]:)[\\\\/]?$"));
    const QRegularExpressionMatch match = driveRoot.match(root);
    if (!match.hasMatch())
        return root;
    // A bare "D:" is a relative path: Windows completes it with the drive's current folder.
    const std::wstring drive = match.captured(1).toStdWString();
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(drive.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0)
            return root;
        if (length < buffer.size())
            return QDir::toNativeSeparators(
                QDir::cleanPath(QString::fromWCharArray(buffer.data(), static_cast<qsizetype>(length))));
        buffer.resize(length);
    }
}
