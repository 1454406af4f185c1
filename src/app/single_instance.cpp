#include "app/single_instance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

const QByteArray ShowRequest = QByteArrayLiteral("show\n");
constexpr int ConnectTimeoutMs = 1000;
constexpr int ConnectAttempts = 5;

QString socketName(const QString& folder) {
#ifdef Q_OS_WIN
    // Named pipes live in one namespace for the whole machine. The lock folder is the user's own, so a name made
    // from its path keeps users apart, and copies guarded by different folders as well.
    const QByteArray key = QDir::cleanPath(QDir(folder).absolutePath()).toLower().toUtf8();
    return QStringLiteral("quorlen-") +
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
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
#endif
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), serverName_(socketName(folder)), lock_(QDir(folder).filePath(QStringLiteral("quorlen.lock"))) {
    // A lock left by a crashed copy is taken over as soon as its process is gone.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(QString* error) {
    if (lock_.tryLock(0) || takeOverOwnLock())
        return listen(error);
    if (lock_.error() != QLockFile::LockFailedError) {
        // Without a usable lock folder, running unguarded beats not running at all.
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
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName_) && error)
        *error = QStringLiteral("cannot listen for later starts: %1").arg(server_->errorString());
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
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(ConnectTimeoutMs)) {
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
