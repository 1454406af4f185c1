#include "app/single_instance.h"

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
    // Named pipes live in one namespace for all users; the user's name keeps ours apart.
    return QStringLiteral("quorlen-") + qEnvironmentVariable("USERNAME");
#else
    return QDir(folder).filePath(QStringLiteral("quorlen.socket"));
#endif
}

} // namespace

QString singleInstanceFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), serverName_(socketName(folder)), lock_(QDir(folder).filePath(QStringLiteral("quorlen.lock"))) {
    // A lock left by a crashed copy is taken over as soon as its process is gone.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(QString* error) {
    if (lock_.tryLock(0))
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
