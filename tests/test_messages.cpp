#include "fakes/fakes.h"
#include "messages/messages.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString gap = QString(18, QLatin1Char(' '));

QStringList aboutLines(const QString& text) {
    return text.split(crlf);
}

// Splits the contact line of an About text into its web address and e-mail address.
QStringList contacts(const QString& text) {
    return aboutLines(text).value(2).split(gap);
}

QList<int> spaceRuns(const QString& text) {
    QList<int> runs;
    static const QRegularExpression blanks(QStringLiteral(" +"));
    for (auto it = blanks.globalMatch(text); it.hasNext();)
        runs.append(int(it.next().capturedLength()));
    return runs;
}

// The length of the run of spaces that ends just before `at` (or starts at `at` going forwards).
int spacesBefore(const QString& text, int at) {
    int count = 0;
    while (at - count - 1 >= 0 && text.at(at - count - 1) == QLatin1Char(' '))
        ++count;
    return count;
}

int spacesFrom(const QString& text, int at) {
    int count = 0;
    while (at + count < text.size() && text.at(at + count) == QLatin1Char(' '))
        ++count;
    return count;
}

struct BoxSeen {
    bool found = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QWidget* parent = nullptr;
};

// Closes the first message box that opens, noting what it showed.
void closeNextMessageBox(BoxSeen& seen) {
    QTimer::singleShot(0, [&seen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            seen = {true,        box->windowTitle(),         box->text(),
                    box->icon(), int(box->buttons().size()), box->parentWidget()};
            box->accept();
            return;
        }
        closeNextMessageBox(seen);
    });
}

} // namespace

using ShowFunction = std::function<void(MessageBoxService&)>;
Q_DECLARE_METATYPE(ShowFunction)
Q_DECLARE_METATYPE(MessageStyle)

class MessagesTest final : public QObject {
    Q_OBJECT

private slots:
    void aboutTextShape_data();
    void aboutTextShape();
    void aboutVersionsDiffer();
    void tipIsOneParagraphOfTheRightLength();
    void tipQuotesConfigurationLines_data();
    void tipQuotesConfigurationLines();
    void tipKeepsThePointsInOrder();
    void tipSpacing_data();
    void tipSpacing();
    void showFunctionsShowOnce_data();
    void showFunctionsShowOnce();
    void qtMessageBox_data();
    void qtMessageBox();
};

void MessagesTest::aboutTextShape_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("version");
    QTest::newRow("version 1.0") << aboutTextV1() << "Quorlen v1.0";
    QTest::newRow("version 2.0") << aboutTextV2() << "Quorlen v2.0";
}

void MessagesTest::aboutTextShape() {
    QFETCH(QString, text);
    QFETCH(QString, version);

    const QStringList lines = aboutLines(text);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].isEmpty());
    QVERIFY(!text.endsWith(crlf));
    QVERIFY(!lines[2].contains(QLatin1Char('\n')) && !lines[2].contains(QLatin1Char('\r')));

    QVERIFY(lines[0].startsWith(version + QLatin1Char(' ')));
    QCOMPARE(lines[0].count(QLatin1Char(' ')), 4);
    QCOMPARE(spaceRuns(lines[0]), QList<int>({1, 1, 1, 1}));

    QCOMPARE(spaceRuns(lines[2]), QList<int>({18}));
    const QStringList parts = contacts(text);
    QCOMPARE(parts.size(), 2);
    QVERIFY(parts[0].startsWith(QLatin1String("http://")));
    QVERIFY(parts[1].contains(QLatin1Char('@')));
}

void MessagesTest::aboutVersionsDiffer() {
    const QStringList one = contacts(aboutTextV1());
    const QStringList two = contacts(aboutTextV2());
    QCOMPARE(one.size(), 2);
    QCOMPARE(two.size(), 2);
    QVERIFY(one[0] != two[0]);
    QVERIFY(one[1] != two[1]);
    QVERIFY(aboutLines(aboutTextV1())[0].contains(QLatin1String("v1.0")));
    QVERIFY(aboutLines(aboutTextV2())[0].contains(QLatin1String("v2.0")));
    QVERIFY(!aboutTextV1().contains(QLatin1String("v2.0")));
    QVERIFY(!aboutTextV2().contains(QLatin1String("v1.0")));
}

void MessagesTest::tipIsOneParagraphOfTheRightLength() {
    const QString tip = startupFilesTip();
    QVERIFY(!tip.contains(QLatin1Char('\n')));
    QVERIFY(!tip.contains(QLatin1Char('\r')));
    QVERIFY2(tip.size() >= 900 && tip.size() <= 970, qPrintable(QString::number(tip.size())));
    QVERIFY(tip.startsWith(QStringLiteral("Посмотрим config.sys .")));

    QList<int> wideRuns;
    for (int run : spaceRuns(tip)) {
        if (run > 1)
            wideRuns.append(run);
    }
    QCOMPARE(wideRuns, QList<int>({8, 2, 6, 2}));
}

void MessagesTest::tipQuotesConfigurationLines_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("DOS high") << "DOS=HIGH,UMB,NOAUTO";
    QTest::newRow("memory manager") << "HIMEM.SYS";
    QTest::newRow("file system helper") << "IFSHLP.SYS";
    QTest::newRow("version table") << "SETVER.EXE";
    QTest::newRow("first driver line") << "DEVICE=C:\\WINDOWS\\HIMEM.SYS TESTMEM:OFF";
    QTest::newRow("second driver line") << "DEVICEHIGH=C:\\WINDOWS\\IFSHLP.SYS";
    QTest::newRow("country line") << "Country=";
    QTest::newRow("TEMP variable") << "SET TEMP=C:\\WINDOWS\\TEMP";
    QTest::newRow("TMP variable") << "SET TMP=C:\\WINDOWS\\TEMP";
}

void MessagesTest::tipQuotesConfigurationLines() {
    QFETCH(QString, line);
    QVERIFY2(startupFilesTip().contains(line), qPrintable(line));
}

void MessagesTest::tipKeepsThePointsInOrder() {
    const QString tip = startupFilesTip();
    const QStringList keys = {QStringLiteral("DOS=HIGH,UMB,NOAUTO"),
                              QStringLiteral("SETVER.EXE"),
                              QStringLiteral("DEVICE=C:\\WINDOWS\\HIMEM.SYS TESTMEM:OFF"),
                              QStringLiteral("DEVICEHIGH=C:\\WINDOWS\\IFSHLP.SYS"),
                              QStringLiteral("Country="),
                              QStringLiteral("autoexec.bat"),
                              QStringLiteral("PATH"),
                              QStringLiteral("SET TEMP=C:\\WINDOWS\\TEMP"),
                              QStringLiteral("SET TMP=C:\\WINDOWS\\TEMP")};
    int previous = -1;
    for (const QString& key : keys) {
        const int at = tip.indexOf(key);
        QVERIFY2(at > previous, qPrintable(key));
        previous = at;
    }
}

void MessagesTest::tipSpacing_data() {
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("first configuration line") << "DOS=HIGH,UMB,NOAUTO" << 8 << 2;
    QTest::newRow("second driver line") << "DEVICEHIGH=C:\\WINDOWS\\IFSHLP.SYS" << 6 << 1;
    QTest::newRow("country line") << "Country=" << 1 << 2;
}

void MessagesTest::tipSpacing() {
    QFETCH(QString, anchor);
    QFETCH(int, before);
    QFETCH(int, after);

    const QString tip = startupFilesTip();
    const int at = tip.indexOf(anchor);
    QVERIFY(at >= 0);
    QCOMPARE(spacesBefore(tip, at), before);
    QCOMPARE(spacesFrom(tip, at + int(anchor.size())), after);
}

void MessagesTest::showFunctionsShowOnce_data() {
    QTest::addColumn<ShowFunction>("showIt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageStyle>("style");
    QTest::newRow("About 1.0 with the information icon")
        << ShowFunction(showAboutV1) << aboutTextV1() << MessageStyle::Information;
    QTest::newRow("About 2.0 with the information icon")
        << ShowFunction(showAboutV2) << aboutTextV2() << MessageStyle::Information;
    QTest::newRow("start-up files tip without an icon")
        << ShowFunction(showStartupFilesTip) << startupFilesTip() << MessageStyle::Plain;
}

void MessagesTest::showFunctionsShowOnce() {
    QFETCH(ShowFunction, showIt);
    QFETCH(QString, text);
    QFETCH(MessageStyle, style);

    FakeMessageBox box;
    showIt(box);
    QCOMPARE(box.shown.size(), 1);
    QCOMPARE(box.shown[0].text, text);
    QVERIFY(box.shown[0].style == style);
}

void MessagesTest::qtMessageBox_data() {
    QTest::addColumn<MessageStyle>("style");
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << MessageStyle::Information << int(QMessageBox::Information);
    QTest::newRow("plain") << MessageStyle::Plain << int(QMessageBox::NoIcon);
}

void MessagesTest::qtMessageBox() {
    QFETCH(MessageStyle, style);
    QFETCH(int, icon);

    QWidget owner;
    QtMessageBox messages(&owner);
    BoxSeen seen;
    closeNextMessageBox(seen);
    messages.show(aboutTextV1(), style);

    QVERIFY(seen.found);
    QCOMPARE(seen.title, QStringLiteral("Quorlen"));
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.buttons, 1);
    QCOMPARE(seen.parent, &owner);
    QCOMPARE(seen.text.split(QLatin1Char('\n')), aboutLines(aboutTextV1()));
}

QTEST_MAIN(MessagesTest)
#include "test_messages.moc"
