// SPDX-License-Identifier: MIT
#include "core/text_forms.h"

#include <QTest>

class TestTextForms final : public QObject {
    Q_OBJECT
private slots:
    void wholeNumber32_data();
    void wholeNumber32();
    void wholeNumber16_data();
    void wholeNumber16();
    void decimalCommaLocale();
    void boolean_data();
    void boolean();
    void formatting();
};

void TestTextForms::wholeNumber32_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("value");
    QTest::newRow("plain") << "300" << true << 300;
    QTest::newRow("blanks around") << " 45 " << true << 45;
    QTest::newRow("half goes down to even") << "12.5" << true << 12;
    QTest::newRow("half goes up to even") << "13.5" << true << 14;
    QTest::newRow("fraction rounds") << "12.6" << true << 13;
    QTest::newRow("negative") << "-5" << true << -5;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("above range") << "2147483648" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("only blanks") << "   " << false << 0;
    QTest::newRow("trailing junk") << "12abc" << false << 0;
    QTest::newRow("infinity") << "inf" << false << 0;
}

void TestTextForms::wholeNumber32() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(qint32, value);
    const std::optional<qint32> parsed = parseWholeNumber32(text, QLocale::c());
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

void TestTextForms::wholeNumber16_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("largest taken") << "32767" << true << 32767;
    QTest::newRow("one above refused") << "32768" << false << 0;
    QTest::newRow("far above refused") << "40000" << false << 0;
    QTest::newRow("smallest taken") << "-32768" << true << -32768;
    QTest::newRow("rounds into range") << "32766.5" << true << 32766;
    QTest::newRow("rounds out of range") << "32767.5" << false << 0;
}

void TestTextForms::wholeNumber16() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<qint16> parsed = parseWholeNumber16(text, QLocale::c());
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(int(*parsed), value);
}

void TestTextForms::decimalCommaLocale() {
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QCOMPARE(parseWholeNumber32(QStringLiteral("12,6"), russian), std::optional<qint32>(13));
    QCOMPARE(parseWholeNumber32(QStringLiteral("12,5"), russian), std::optional<qint32>(12));
}

void TestTextForms::boolean_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("value");
    QTest::newRow("True") << "True" << true << true;
    QTest::newRow("upper TRUE") << "TRUE" << true << true;
    QTest::newRow("lower false") << "false" << true << false;
    QTest::newRow("mixed fAlSe") << "fAlSe" << true << false;
    QTest::newRow("zero") << "0" << true << false;
    QTest::newRow("one") << "1" << true << true;
    QTest::newRow("minus one") << "-1" << true << true;
    QTest::newRow("word") << "yes" << false << false;
    QTest::newRow("empty") << "" << false << false;
}

void TestTextForms::boolean() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(bool, value);
    const std::optional<bool> parsed = parseBoolean(text, QLocale::c());
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

void TestTextForms::formatting() {
    QCOMPARE(formatWholeNumber(300), QStringLiteral("300"));
    QCOMPARE(formatWholeNumber(-5), QStringLiteral("-5"));
    QCOMPARE(formatWholeNumber(2147483647), QStringLiteral("2147483647"));
    QCOMPARE(formatBoolean(true), QStringLiteral("True"));
    QCOMPARE(formatBoolean(false), QStringLiteral("False"));
}

QTEST_GUILESS_MAIN(TestTextForms)
#include "test_text_forms.moc"
