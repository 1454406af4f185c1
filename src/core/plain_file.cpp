// SPDX-License-Identifier: MIT
#include "core/plain_file.h"

#include "core/paths.h"
#include "core/problem_log.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>
#endif

namespace {

const QString NotPlain = QStringLiteral("%1 is not a plain file");

#ifndef Q_OS_WIN

const QString LinksOut = QStringLiteral("it links out of its folder, which others can write");
const QString Foreign = QStringLiteral("it belongs to another user, and others can write its folder");

// Root owns the system's own pictures, and can read every file anyway: nothing leaks through a file of root's.
bool trustedOwner(uid_t owner) {
    return owner == geteuid() || owner == 0;
}

// The user's own group, as systems that give each user a group of their own make it: the user's primary group,
// named after the user, with nobody else listed in it.
bool isPrivateGroup(gid_t gid) {
    constexpr std::size_t Half = 16384;
    std::vector<char> buffer(2 * Half);
    passwd user{};
    passwd* userFound = nullptr;
    group members{};
    group* groupFound = nullptr;
    if (getpwuid_r(geteuid(), &user, buffer.data(), Half, &userFound) != 0 || !userFound ||
        getgrgid_r(gid, &members, buffer.data() + Half, Half, &groupFound) != 0 || !groupFound)
        return false;
    if (gid != user.pw_gid || std::strcmp(members.gr_name, user.pw_name) != 0)
        return false;
    for (char** member = members.gr_mem; *member; ++member) {
        if (std::strcmp(*member, user.pw_name) != 0)
            return false;
    }
    return true;
}

QString errorText(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QByteArray realPath(const QByteArray& path) {
    char* resolved = realpath(path.constData(), nullptr);
    const QByteArray found(resolved);
    std::free(resolved);
    return found;
}

// The file that `path`, an entry of `folder`, names after every link, when that file lies in `folder` itself; else
// an empty text, and `why` says why not.
QByteArray resolvedInside(const QString& folder, const QByteArray& path, QString* why) {
    const QByteArray resolved = realPath(path);
    if (resolved.isEmpty()) {
        *why = errorText(errno);
        return {};
    }
    const qsizetype slash = resolved.lastIndexOf('/');
    const QByteArray parent = slash > 0 ? resolved.left(slash) : QByteArrayLiteral("/");
    if (parent == realPath(QFile::encodeName(folder)))
        return resolved;
    *why = LinksOut;
    return {};
}

#endif

} // namespace

#ifdef Q_OS_WIN

bool othersCanWrite(const QString& /*folder*/) {
    return false;
}

QString untrustedEntry(const QString& /*folder*/, const QString& /*name*/) {
    return {};
}

bool openPlainFile(PlainFile& file, QString* error) {
    const QFileInfo info(file.path());
    if (info.exists() && !info.isFile())
        return fail(error, NotPlain.arg(file.path()));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(error, QStringLiteral("cannot open the picture %1: %2").arg(file.path(), file.errorString()));
    return true;
}

#else

bool othersCanWrite(const QString& folder) {
    struct stat status {};
    if (stat(QFile::encodeName(folder).constData(), &status) != 0)
        return false;
    if (!trustedOwner(status.st_uid) || (status.st_mode & S_IWOTH))
        return true;
    return (status.st_mode & S_IWGRP) && !isPrivateGroup(status.st_gid);
}

QString untrustedEntry(const QString& folder, const QString& name) {
    QString why;
    const QByteArray resolved = resolvedInside(folder, QFile::encodeName(joinPath(folder, name)), &why);
    if (resolved.isEmpty())
        return why;
    struct stat status {};
    if (stat(resolved.constData(), &status) == 0 && !trustedOwner(status.st_uid))
        return Foreign;
    return {};
}

bool openPlainFile(PlainFile& file, QString* error) {
    const QString& path = file.path();
    const auto cannotOpen = [&path](const QString& why) {
        return QStringLiteral("cannot open the picture %1: %2").arg(path, why);
    };
    QByteArray name = QFile::encodeName(path);
    int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // A link is followed here, once, to a file of the same folder, which is then opened without following any link:
    // a link swapped in after this check fails the open.
    const QString folder = QFileInfo(path).path();
    const bool shared = othersCanWrite(folder);
    if (shared) {
        QString why;
        name = resolvedInside(folder, name, &why);
        if (name.isEmpty())
            return fail(error, cannotOpen(why));
        flags |= O_NOFOLLOW;
    }
    // A device is not even opened when it is there from the start; one swapped in later is opened without blocking,
    // as is a named pipe, and let go at once.
    struct stat status {};
    if (stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode))
        return fail(error, NotPlain.arg(path));
    const int handle = open(name.constData(), flags);
    if (handle < 0)
        return fail(error, cannotOpen(errorText(errno)));
    QString refusal;
    if (fstat(handle, &status) != 0)
        refusal = cannotOpen(errorText(errno));
    else if (!S_ISREG(status.st_mode))
        refusal = NotPlain.arg(path);
    else if (shared && !trustedOwner(status.st_uid))
        refusal = cannotOpen(Foreign);
    else if (fcntl(handle, F_SETFL, fcntl(handle, F_GETFL) & ~O_NONBLOCK) != 0 ||
             !file.open(handle, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        refusal = cannotOpen(file.errorString());
    if (refusal.isEmpty())
        return true;
    if (!file.isOpen())
        close(handle);
    return fail(error, refusal);
}

#endif
