// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_sway.h"
#include "core/problem_log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <cstring>

namespace {

// The whole exchange, from connecting to the last byte of the reply: sway answers in milliseconds, and a compositor
// that does not must not hold up the program.
constexpr int ExchangeTimeoutMs = 1000;
constexpr quint32 RunCommand = 0;
constexpr quint32 GetVersion = 7;
const QByteArray Magic = QByteArrayLiteral("i3-ipc");
constexpr qint64 HeaderSize = 14; // the magic, then the length and the type, each 32 bits in native byte order
// A reply to one command is a few dozen bytes, an error that quotes the path a few kilobytes at most; anything
// longer is no reply to this program.
constexpr quint32 LargestReply = 64 * 1024;

QByteArray framed(quint32 type, const QByteArray& payload) {
    const auto length = static_cast<quint32>(payload.size());
    QByteArray message = Magic;
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    return message + payload;
}

bool readExactly(QLocalSocket& socket, qint64 size, const QDeadlineTimer& deadline, QByteArray* out) {
    while (socket.bytesAvailable() < size) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    *out = socket.read(size);
    return true;
}

// One request and its reply, both within the time limit.
bool exchange(const QString& socketPath, quint32 type, const QByteArray& payload, QByteArray* reply, QString* error) {
    const QDeadlineTimer deadline(ExchangeTimeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return fail(error,
                    QStringLiteral("sway's socket %1 does not answer: %2").arg(socketPath, socket.errorString()));
    socket.write(framed(type, payload));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            return fail(error, QStringLiteral("sway did not take the request in time"));
    }
    QByteArray header;
    if (!readExactly(socket, HeaderSize, deadline, &header))
        return fail(error, QStringLiteral("sway did not answer in time"));
    quint32 length = 0;
    quint32 replyType = 0;
    std::memcpy(&length, header.constData() + Magic.size(), sizeof length);
    std::memcpy(&replyType, header.constData() + Magic.size() + sizeof length, sizeof replyType);
    if (!header.startsWith(Magic) || replyType != type || length > LargestReply)
        return fail(error, QStringLiteral("sway's answer is not a reply to the request"));
    if (!readExactly(socket, length, deadline, reply))
        return fail(error, QStringLiteral("sway's reply was cut short"));
    return true;
}

bool isPlainByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
           c == '.' || c == '_' || c == '-';
}

// sway reads the path twice: its command parser takes the double-quoted argument as it is, backslashes included,
// and replaces the names of its variables ($name) even there; the background command then expands the argument as
// a shell word (spaces, quotes, $VAR, $(command), globs). So each special byte is escaped for the shell word with a
// backslash, and a dollar sign is put in single quotes, where the parser does not see a variable name after it.
QByteArray quotedForSway(const QByteArray& path) {
    QByteArray quoted = "\"";
    for (const char c : path) {
        if (c == '$') {
            quoted += "'$'";
        } else {
            if (!isPlainByte(c))
                quoted += '\\';
            quoted += c;
        }
    }
    return quoted + '"';
}

} // namespace

QString SwayWallpaper::name() const {
    return QStringLiteral("sway");
}

bool SwayWallpaper::setWallpaper(const QString& path, QString* error) {
    // sway takes a path it cannot open without complaint, and shows nothing new.
    if (!QFileInfo(path).isFile())
        return fail(error, QStringLiteral("the picture %1 does not exist").arg(path));
    const QByteArray file = QFile::encodeName(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    // sway's socket turns each line break into the end of a command.
    if (file.contains('\n'))
        return fail(error, QStringLiteral("sway cannot be given a path that holds a line break"));
    QByteArray reply;
    if (!exchange(socketPath_, RunCommand, "output * bg " + quotedForSway(file) + " fill", &reply, error))
        return false;
    const QJsonDocument results = QJsonDocument::fromJson(reply);
    if (!results.isArray() || results.array().isEmpty())
        return fail(error, QStringLiteral("sway's reply to the command is not a list of results"));
    for (const QJsonValue& result : results.array()) {
        if (!result.toObject().value(QLatin1String("success")).toBool()) {
            const QString said = result.toObject().value(QLatin1String("error")).toString();
            return fail(error, QStringLiteral("sway refused the background: %1").arg(said));
        }
    }
    return true;
}

bool swayAnswers(const QString& socketPath) {
    QByteArray reply;
    return !socketPath.isEmpty() && exchange(socketPath, GetVersion, QByteArray(), &reply, nullptr) &&
           QJsonDocument::fromJson(reply).isObject();
}
