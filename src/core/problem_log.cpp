// SPDX-License-Identifier: MIT
#include "core/problem_log.h"

#include <QDebug>

#ifdef Q_OS_WIN
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <windows.h>
#endif

QString visibleLine(const QString& line) {
    QString shown;
    shown.reserve(line.size());
    for (const QChar c : line) {
        if (c == QLatin1Char('\n'))
            shown += QLatin1String("\\n");
        else if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void reportProblem(const QString& line) {
    qWarning().noquote() << "quorlen:" << visibleLine(line);
}

#ifdef Q_OS_WIN
namespace {

// A log past this size is started afresh at the next start; the one before is kept beside it.
constexpr qint64 LogLimitBytes = 256 * 1024;

QMutex logMutex;
QString logPath;

// Every message goes to the debugger output. The log file gets the program's own reports and what ends it, not
// Qt's remarks about the system (icons, screens), which Wine adds many of.
void writeMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QString line = qFormatLogMessage(type, context, message) + QLatin1Char('\n');
    OutputDebugStringW(reinterpret_cast<const wchar_t*>(line.utf16()));
    if (type != QtFatalMsg && !message.startsWith(QLatin1String("quorlen: ")))
        return;
    const QMutexLocker lock(&logMutex);
    QFile log(logPath);
    if (!logPath.isEmpty() && log.open(QIODevice::WriteOnly | QIODevice::Append))
        log.write(QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + ' ' + line.toUtf8());
}

QString problemLogPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("quorlen.log"));
}

} // namespace

void installProblemLog() {
    const QString path = problemLogPath();
    if (!path.isEmpty() && QDir().mkpath(QFileInfo(path).absolutePath()) && QFileInfo(path).size() > LogLimitBytes) {
        const QString previous = path + QStringLiteral(".old");
        QFile::remove(previous);
        QFile::rename(path, previous);
    }
    {
        const QMutexLocker lock(&logMutex);
        logPath = path;
    }
    qInstallMessageHandler(writeMessage);
}
#else
void installProblemLog() {}
#endif
