// SPDX-License-Identifier: MIT
#include "platform/qt/qt_message_box.h"
#include "switching/messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QList<int> spaceRuns(const QString& text) {
    QList<int> runs;
    static const QRegularExpression blanks(QStringLiteral(" +"));
    for (auto it = blanks.globalMatch(text); it.hasNext();)
        runs.append(int(it.next().capturedLength()));
    return runs;
}

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QWidget* parent = nullptr;
};

// Closes the first message box that opens, noting what it showed.
void closeNextMessageBox(std::optional<BoxSeen>& seen) {
    QTimer::singleShot(0, [&seen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                seen = BoxSeen{box->windowTitle(), box->text(), box->icon(), int(box->buttons().size()),
                               box->parentWidget()};
                box->accept();
                return;
            }
        }
        closeNextMessageBox(seen);
    });
}

using ShowFunction = std::function<void(MessageBoxService&)>;

} // namespace

Q_DECLARE_METATYPE(ShowFunction)

class TestMessages final : public QObject {
    Q_OBJECT
private slots:
    void aboutTexts_data();
    void aboutTexts();
    void tipIsOneParagraphWithItsLinesInOrder();
    void boxesShowTheTextAsWritten_data();
    void boxesShowTheTextAsWritten();
};

void TestMessages::aboutTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("other");
    QTest::newRow("version 1.0") << aboutVersion1Text() << aboutVersion2Text();
    QTest::newRow("version 2.0") << aboutVersion2Text() << aboutVersion1Text();
}

// A title line, an empty line and the contact line, whose two addresses stand 18 spaces apart.
void TestMessages::aboutTexts() {
    QFETCH(QString, text);
    QFETCH(QString, other);
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].isEmpty());
    QCOMPARE(spaceRuns(lines[2]), QList<int>{18});
    QVERIFY(!other.contains(lines[2].split(QLatin1Char(' ')).constFirst()));
}

void TestMessages::tipIsOneParagraphWithItsLinesInOrder() {
    const QString tip = startupTipText();
    QVERIFY(!tip.contains(QLatin1Char('\n')) && !tip.contains(QLatin1Char('\r')));
    QVERIFY(tip.startsWith(QStringLiteral("Посмотрим config.sys .")));
    qsizetype previous = -1;
    for (const char* line : {"DOS=HIGH,UMB,NOAUTO", "SETVER.EXE", "DEVICE=C:\\WINDOWS\\HIMEM.SYS TESTMEM:OFF",
                             "DEVICEHIGH=C:\\WINDOWS\\IFSHLP.SYS", "Country=", "autoexec.bat",
                             "SET TEMP=C:\\WINDOWS\\TEMP", "SET TMP=C:\\WINDOWS\\TEMP"}) {
        const qsizetype at = tip.indexOf(QLatin1String(line));
        QVERIFY2(at > previous, line);
        previous = at;
    }
}

void TestMessages::boxesShowTheTextAsWritten_data() {
    QTest::addColumn<ShowFunction>("showIt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::newRow("About 1.0 with the information icon")
        << ShowFunction(showAboutVersion1) << aboutVersion1Text() << int(QMessageBox::Information);
    QTest::newRow("About 2.0 with the information icon")
        << ShowFunction(showAboutVersion2) << aboutVersion2Text() << int(QMessageBox::Information);
    QTest::newRow("start-up files tip without an icon")
        << ShowFunction(showStartupTip) << startupTipText() << int(QMessageBox::NoIcon);
}

// Runs of spaces stay as they are and the line breaks show as breaks, in a box titled with the program's name.
void TestMessages::boxesShowTheTextAsWritten() {
    QFETCH(ShowFunction, showIt);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QWidget owner;
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QtMessageBox messages;
    std::optional<BoxSeen> seen;
    closeNextMessageBox(seen);
    showIt(messages);
    QVERIFY(seen);
    QCOMPARE(seen->title, QStringLiteral("Quorlen"));
    QCOMPARE(int(seen->icon), icon);
    QCOMPARE(seen->buttons, 1);
    QCOMPARE(seen->parent, &owner);
    QCOMPARE(seen->text.split(QLatin1Char('\n')), text.split(QStringLiteral("\r\n")));
}

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
