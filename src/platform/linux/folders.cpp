// SPDX-License-Identifier: MIT
#include "core/paths.h"
#include "core/plain_file.h"
#include "core/ports/folder_lister.h"
#include "core/problem_log.h"
#include "platform/system_services.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

class PosixFolderLister final : public FolderLister {
public:
    bool list(const QString& folder, const std::function<bool(const QString&)>& wanted,
              const std::function<bool(const QString&)>& onName, QString* error) const override;
};

// The entry's own type usually answers without a stat; links and unknown types are looked up.
bool isPlainFile(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    return fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

bool isHidden(const char* name) {
    return name[0] == '.';
}

// Said once per scan. A name that does not spell back to the same bytes could never be opened by the name that
// Qt decoded from them.
bool mayBeRead(const QString& folder, const QString& name, const char* spelled, bool othersWrite) {
    QString why;
    if (QFile::encodeName(name) != spelled)
        why = QStringLiteral("its name is not valid UTF-8, so it cannot be opened");
    else if (othersWrite)
        why = untrustedEntry(folder, name);
    if (why.isEmpty())
        return true;
    reportProblem(QStringLiteral("skipping %1: %2").arg(joinPath(folder, name), why));
    return false;
}

bool listingFailed(QString* error, const QString& what, const QString& folder, int code) {
    return fail(error, what.arg(folder, QString::fromLocal8Bit(std::strerror(code))));
}

bool PosixFolderLister::list(const QString& folder, const std::function<bool(const QString&)>& wanted,
                             const std::function<bool(const QString&)>& onName, QString* error) const {
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return listingFailed(error, QStringLiteral("cannot open the folder %1: %2"), folder, errno);
    const bool othersWrite = othersCanWrite(folder);
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) {
            if (errno != 0)
                ok = listingFailed(error, QStringLiteral("cannot list %1: %2"), folder, errno);
            break;
        }
        if (isHidden(entry->d_name))
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        if (!wanted(name) || !isPlainFile(dir, entry) || !mayBeRead(folder, name, entry->d_name, othersWrite))
            continue;
        if (!onName(name))
            break;
    }
    closedir(dir);
    return ok;
}

} // namespace

std::unique_ptr<FolderLister> makeFolderLister() {
    return std::make_unique<PosixFolderLister>();
}

QString currentFolderOnDrive(const QString& root) {
    return root;
}
