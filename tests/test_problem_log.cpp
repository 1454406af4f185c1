// SPDX-License-Identifier: MIT
#include "core/problem_log.h"

#include <QTest>

class TestProblemLog final : public QObject {
    Q_OBJECT
private slots:
    void visibleLine_data();
    void visibleLine();
    void reportIsOneLine();
};

void TestProblemLog::visibleLine_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain name") << "cannot read /p/a b.jpg"
                                << "cannot read /p/a b.jpg";
    QTest::newRow("newline in a name") << "/p/two\nlines.jpg"
                                       << "/p/two\\nlines.jpg";
    QTest::newRow("terminal escape") << "/p/\x1b[31mred.jpg"
                                     << "/p/\\x1b[31mred.jpg";
    QTest::newRow("tab") << "a\tb"
                         << "a\\x09b";
    QTest::newRow("Cyrillic kept") << QStringLiteral("/p/картинка.jpg") << QStringLiteral("/p/картинка.jpg");
}

void TestProblemLog::visibleLine() {
    QFETCH(QString, raw);
    QFETCH(QString, shown);
    QCOMPARE(::visibleLine(raw), shown);
}

void TestProblemLog::reportIsOneLine() {
    QTest::ignoreMessage(QtWarningMsg, "quorlen: cannot read /p/two\\nlines.jpg");
    reportProblem(QStringLiteral("cannot read /p/two\nlines.jpg"));
}

QTEST_GUILESS_MAIN(TestProblemLog)
#include "test_problem_log.moc"
