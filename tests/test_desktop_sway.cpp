// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_sway.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wordexp.h>

namespace {

constexpr int FakeWaitMs = 5000;

QByteArray header(quint32 length, quint32 type = 0) {
    QByteArray bytes = QByteArrayLiteral("i3-ipc");
    bytes.append(reinterpret_cast<const char*>(&length), sizeof length);
    bytes.append(reinterpret_cast<const char*>(&type), sizeof type);
    return bytes;
}

QByteArray reply(const QByteArray& json) {
    return header(static_cast<quint32>(json.size())) + json;
}

bool readBytes(int fd, qsizetype size, QByteArray* out) {
    out->clear();
    char buffer[4096];
    while (out->size() < size) {
        pollfd ready{fd, POLLIN, 0};
        const ssize_t got = poll(&ready, 1, FakeWaitMs) == 1
                                ? read(fd, buffer, std::min<size_t>(sizeof buffer, size - out->size()))
                                : -1;
        if (got <= 0)
            return false;
        out->append(buffer, got);
    }
    return true;
}

// Answers one connection as a sway would: reads the request, sends the given bytes, and keeps the connection open
// until the program closes it.
class FakeSway final {
public:
    FakeSway(const QString& path, const QByteArray& answer) : listener_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
        listening_ =
            bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener_, 1) == 0;
        thread_ = std::thread([this, answer] { serve(answer); });
    }
    ~FakeSway() {
        if (thread_.joinable())
            thread_.join();
        close(listener_);
    }
    bool listening() const { return listening_; }
    QByteArray takeRequest() {
        thread_.join();
        return request_;
    }

private:
    void serve(const QByteArray& answer) {
        pollfd incoming{listener_, POLLIN, 0};
        if (!listening_ || poll(&incoming, 1, FakeWaitMs) != 1)
            return;
        const int client = accept(listener_, nullptr, nullptr);
        QByteArray head;
        QByteArray payload;
        quint32 length = 0;
        if (readBytes(client, 14, &head)) {
            std::memcpy(&length, head.constData() + 6, sizeof length);
            if (readBytes(client, length, &payload))
                request_ = head + payload;
        }
        if (send(client, answer.constData(), answer.size(), MSG_NOSIGNAL) == answer.size())
            readBytes(client, 1, &payload); // until the program closes the connection
        close(client);
    }

    int listener_;
    bool listening_ = false;
    QByteArray request_;
    std::thread thread_;
};

// The path that `output * bg "WORD" fill` names after sway's parser has taken the double quotes off and its
// background command has expanded the word as a shell word, without running commands.
QString pathSwaySees(const QByteArray& request) {
    const QByteArray command = request.mid(14);
    const QByteArray prefix = "output * bg \"";
    const QByteArray suffix = "\" fill";
    if (!command.startsWith(prefix) || !command.endsWith(suffix))
        return QString();
    wordexp_t words{};
    const QByteArray word = command.mid(prefix.size(), command.size() - prefix.size() - suffix.size());
    const bool expanded = wordexp(word.constData(), &words, WRDE_NOCMD | WRDE_UNDEF) == 0 && words.we_wordc == 1;
    const QString path = expanded ? QFile::decodeName(words.we_wordv[0]) : QString();
    wordfree(&words);
    return path;
}

} // namespace

class TestDesktopSway final : public QObject {
    Q_OBJECT

private slots:
    void answersDecideTheSwitch_data();
    void answersDecideTheSwitch();
};

void TestDesktopSway::answersDecideTheSwitch_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("taken");
    QTest::newRow("sway takes the command") << reply(R"([{"success":true}])") << true;
    QTest::newRow("sway refuses the command")
        << reply(R"([{"success":false,"parse_error":true,"error":"Invalid syntax"}])") << false;
    QTest::newRow("a reply cut short") << header(100) + "[{\"succ" << false;
    QTest::newRow("a huge length") << header(0xfffffff0U) + "[" << false;
    QTest::newRow("a reply to another request") << header(2, 7) + "{}" << false;
    QTest::newRow("garbage") << QByteArray("HTTP/1.0 400 Bad Request\r\n\r\n") << false;
    QTest::newRow("no answer at all") << QByteArray() << false;
}

// Whatever the socket answers, the switch ends in time with a verdict: taken only on sway's word.
void TestDesktopSway::answersDecideTheSwitch() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, taken);
    QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("a'b\"c\\d  $(touch pwned) `id` $HOME ~ *;,[x].bmp"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("BM stand-in") > 0);
    file.close();
    const QString socketPath = folder.filePath(QStringLiteral("sway.sock"));
    FakeSway sway(socketPath, answer);
    QVERIFY(sway.listening());

    SwayWallpaper binding(socketPath);
    QString error;
    QCOMPARE(binding.setWallpaper(picture, &error), taken);
    QCOMPARE(error.isEmpty(), taken);
    QCOMPARE(pathSwaySees(sway.takeRequest()), picture);
}

QTEST_GUILESS_MAIN(TestDesktopSway)
#include "test_desktop_sway.moc"
