#include "platform/problem_log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <windows.h>

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

} // namespace

QString problemLogPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("quorlen.log"));
}

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
