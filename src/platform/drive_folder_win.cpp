#include "platform/drive_folder.h"

#include <QDir>
#include <QRegularExpression>

#include <string>
#include <vector>

#include <windows.h>

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
