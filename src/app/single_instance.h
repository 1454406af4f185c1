// SPDX-License-Identifier: MIT
#pragma once

#include <QLockFile>
#include <QObject>
#include <memory>

class QLocalServer;

// Keeps one running copy per user: the first start holds a lock and listens; a later start asks
// that copy to show its window and then ends, so two timers never fight over the wallpaper.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // `folder` holds the lock and, on Unix, the socket; it should be private to the user. Without one (an empty
    // text) every start runs.
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running copy. False when another one runs: it has been
    // asked to show itself (or could not be reached, which *error then says).
    bool claim(QString* error);

signals:
    void showRequested();

private:
    bool takeOverOwnLock();
    bool listen(QString* error);
    bool askRunningCopyToShow(QString* error);
    void readRequests();

    bool guarded_;
    QString serverName_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};

// The folder for the lock and socket: on Windows the program's local data folder, else the temp folder. On Unix the
// user's runtime folder when it is private, else the user's own private folder in the temp folder, else none (an
// empty text): a folder that others can enter or write would let them keep the program from starting.
QString singleInstanceFolder();
