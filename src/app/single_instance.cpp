// SPDX-License-Identifier: MIT
#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>

#include <sddl.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray ShowRequest = QByteArrayLiteral("show\n");
constexpr int ConnectTimeoutMs = 1000;
constexpr int ConnectAttempts = 5;

#ifdef Q_OS_WIN

// The account's security identifier as text ("S-1-5-21-..."), or an empty text when the system does not tell it.
QString userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    QByteArray buffer(qsizetype(bytes), '\0');
    wchar_t* text = nullptr;
    QString sid;
    if (bytes > 0 && GetTokenInformation(token, TokenUser, buffer.data(), bytes, &bytes) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        sid = QString::fromWCharArray(text);
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

QString pipePath(const QString& name) {
    return QStringLiteral("\\\\.\\pipe\\") + name;
}

// Takes the pipe's name before anyone else can: creating its first instance fails when the name exists already, as
// another account may have made it to hear our requests or to pose as our running copy. The instance is let go once
// the server has instances of its own.
HANDLE claimPipeName(const QString& name) {
    return CreateNamedPipeW(reinterpret_cast<const wchar_t*>(pipePath(name).utf16()),
                            PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                            PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr);
}

// Connects as QLocalSocket does, but lets the server only identify us, never act as us: a server under another
// account behind the name gains nothing from the connection.
bool connectToPipe(QLocalSocket& socket, const QString& name) {
    HANDLE pipe =
        CreateFileW(reinterpret_cast<const wchar_t*>(pipePath(name).utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return false;
    if (socket.setSocketDescriptor(reinterpret_cast<qintptr>(pipe)))
        return true;
    CloseHandle(pipe);
    return false;
}

#else

QString ownTempFolder() {
    return QDir::tempPath() + QStringLiteral("/quorlen-%1").arg(geteuid());
}

// A folder only the user can enter and write: the user's own, no link, mode 0700.
bool isPrivateFolder(const QString& folder) {
    struct stat status {};
    return lstat(QFile::encodeName(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 0777) == 0700;
}

#endif

QString socketName(const QString& folder) {
#ifdef Q_OS_WIN
    // Named pipes live in one namespace for the whole machine. The account's identifier keeps users apart, and a
    // name made from the lock folder's path keeps apart copies guarded by different folders.
    const QByteArray key = QDir::cleanPath(QDir(folder).absolutePath()).toLower().toUtf8();
    return QStringLiteral("quorlen-%1-").arg(userSid()) +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
#else
    return QDir(folder).filePath(QStringLiteral("quorlen.socket"));
#endif
}

} // namespace

QString singleInstanceFolder() {
#ifdef Q_OS_WIN
    // Windows has no runtime folder (Qt names the profile folder itself): the program's own local data folder keeps
    // the lock out of the user's sight.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (runtime.isEmpty() || !QDir().mkpath(runtime))
        return QDir::tempPath();
    return runtime;
#else
    // The runtime folder, when it is the user's own and private as it should be. Else a private folder of the user's
    // in the temp folder, which is local to this machine as the lock and the socket must be (a home shared by several
    // machines is not, and QLockFile cannot tell another machine's dead copy from a live one), and emptied at boot
    // like the runtime folder. Another user may have made that folder first: then there is no private folder.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    const QString own = ownTempFolder();
    mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
#endif
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), guarded_(!folder.isEmpty()), serverName_(socketName(folder)),
      lock_(QDir(folder).filePath(QStringLiteral("quorlen.lock"))) {
    // A lock left by a crashed copy is taken over as soon as its process is gone.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(QString* error) {
    // Without a usable lock folder, running unguarded beats not running at all.
#ifndef Q_OS_WIN
    if (!guarded_) {
        if (error)
            *error = QStringLiteral("cannot check for a running copy: no private folder to hold its lock (the runtime "
                                    "folder is unset or not private, and %1 is not this user's own)")
                         .arg(ownTempFolder());
        return true;
    }
#endif
    if (lock_.tryLock(0) || takeOverOwnLock())
        return listen(error);
    if (lock_.error() != QLockFile::LockFailedError) {
        if (error)
            *error = QStringLiteral("cannot check for a running copy (lock file %1)").arg(lock_.error());
        return true;
    }
    askRunningCopyToShow(error);
    return false;
}

// Process numbers start again after a reboot (and when Wine's server restarts), and on Windows the lock folder
// outlives both, so the lock of a copy that never ended cleanly may name this very process, which QLockFile then
// takes for a running copy. No running copy can have our number.
bool SingleInstance::takeOverOwnLock() {
    qint64 owner = 0;
    QString host;
    QString application;
    if (lock_.error() != QLockFile::LockFailedError || !lock_.getLockInfo(&owner, &host, &application) ||
        owner != QCoreApplication::applicationPid())
        return false;
    return lock_.removeStaleLockFile() && lock_.tryLock(0);
}

bool SingleInstance::listen(QString* error) {
    // The lock is ours, so a socket left over is a dead copy's.
    QLocalServer::removeServer(serverName_);
#ifdef Q_OS_WIN
    const HANDLE claimed = claimPipeName(serverName_);
    if (claimed == INVALID_HANDLE_VALUE) {
        if (error)
            *error = QStringLiteral("cannot listen for later starts: the name %1 is taken (error %2)")
                         .arg(serverName_)
                         .arg(GetLastError());
        return true;
    }
#endif
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_) && error)
        *error = QStringLiteral("cannot listen for later starts: %1").arg(server_->errorString());
#ifdef Q_OS_WIN
    CloseHandle(claimed);
#endif
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::readRequests);
    return true;
}

void SingleInstance::readRequests() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        const auto readRequest = [this, peer] {
            if (peer->bytesAvailable() > 0 && peer->readAll().contains(ShowRequest))
                emit showRequested();
        };
        connect(peer, &QLocalSocket::readyRead, this, readRequest);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        readRequest();
    }
}

bool SingleInstance::askRunningCopyToShow(QString* error) {
    // The running copy may still be starting up and not yet listening.
    for (int attempt = 0; attempt < ConnectAttempts; ++attempt) {
        QLocalSocket socket;
#ifdef Q_OS_WIN
        if (connectToPipe(socket, serverName_)) {
#else
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(ConnectTimeoutMs)) {
#endif
            socket.write(ShowRequest);
            socket.waitForBytesWritten(ConnectTimeoutMs);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(200);
    }
    if (error)
        *error = QStringLiteral("another copy is running but does not answer");
    return false;
}
