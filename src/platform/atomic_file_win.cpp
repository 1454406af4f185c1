#include "platform/atomic_file.h"

#include <windows.h>

bool replaceFile(const QString& from, const QString& to, QString* error) {
    if (MoveFileExW(reinterpret_cast<const wchar_t*>(from.utf16()), reinterpret_cast<const wchar_t*>(to.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error)
        *error = QStringLiteral("cannot replace %1 (error %2)").arg(to).arg(GetLastError());
    return false;
}
