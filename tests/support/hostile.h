// SPDX-License-Identifier: MIT
#pragma once

// Helpers shared by the hostile-input tests: catching the program's stderr lines and giving up root.

#include <QStringList>
#include <QtGlobal>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <unistd.h>
#endif

// Collects the lines that reportProblem() writes while it is alive; other messages pass on unchanged.
class ProblemLines final {
public:
    ProblemLines() : previous_(qInstallMessageHandler(&ProblemLines::handle)) { current() = this; }
    ~ProblemLines() {
        qInstallMessageHandler(previous_);
        current() = nullptr;
    }
    ProblemLines(const ProblemLines&) = delete;
    ProblemLines& operator=(const ProblemLines&) = delete;

    QStringList lines;

    // The lines that name `text` somewhere.
    QStringList naming(const QString& text) const {
        QStringList found;
        for (const QString& line : lines) {
            if (line.contains(text))
                found.append(line);
        }
        return found;
    }

private:
    static ProblemLines*& current() {
        static ProblemLines* active = nullptr;
        return active;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        static const QString prefix = QStringLiteral("quorlen: ");
        ProblemLines* self = current();
        if (self && message.startsWith(prefix)) {
            self->lines.append(message.mid(prefix.size()));
            return;
        }
        if (self && self->previous_)
            self->previous_(type, context, message);
        else
            std::fputs(qPrintable(qFormatLogMessage(type, context, message) + QLatin1Char('\n')), stderr);
    }

    QtMessageHandler previous_;
};

// Permission bits do not stop the superuser, so a test of them run as root first becomes "nobody" for the rest
// of its process. Returns whether permissions now bind; false (with the reason) leaves the process as it was.
inline bool permissionsBind(QString* why) {
#ifdef Q_OS_UNIX
    if (geteuid() != 0)
        return true;
    constexpr uid_t Nobody = 65534;
    constexpr gid_t NoGroup = 65534;
    if (setgroups(0, nullptr) == 0 && setgid(NoGroup) == 0 && setuid(Nobody) == 0)
        return true;
    *why = QStringLiteral("running as root and cannot become nobody");
    return false;
#else
    *why = QStringLiteral("no Unix permissions on this platform");
    return false;
#endif
}
