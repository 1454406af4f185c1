// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_plasma.h"
#include "platform/linux/desktop_xfce.h"
#include "platform/linux/path_spelling.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

Q_DECLARE_METATYPE(PictureValueForm)

namespace {

const QString kHostilePath = QStringLiteral("/tmp/a'b\"c\\d\n$(x).bmp");

// Decodes a string literal the way a JavaScript engine would, through JSON's identical rules
// for the escapes the literal may use.
QString decodeLiteral(const QString& literal) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(literal).toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1) {
        return QStringLiteral("<not a single string literal>");
    }
    return document.array().at(0).toString();
}

// The text between "var image = " and the first ";" of the script.
QString imageLiteralOf(const QString& script) {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^var image = ([^;\\n]*);")).match(script);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

class TestDesktopScripts final : public QObject {
    Q_OBJECT

private slots:
    void literalKeepsTextInside_data();
    void literalKeepsTextInside();
    void plasmaUriNamesTheFileWithAFreshQuery_data();
    void plasmaUriNamesTheFileWithAFreshQuery();
    void plasmaScriptCarriesTheUriAsData_data();
    void plasmaScriptCarriesTheUriAsData();
    void plasmaScriptTouchesOnlyImageDesktops();
    void xfceWritesExistingImageProperties_data();
    void xfceWritesExistingImageProperties();
    void spellsThePicture_data();
    void spellsThePicture();
    void alternatesAgainstTheStoredValue_data();
    void alternatesAgainstTheStoredValue();
};

void TestDesktopScripts::literalKeepsTextInside_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("abc123");
    QTest::newRow("empty") << QString();
    QTest::newRow("hostile path") << kHostilePath;
    QTest::newRow("closing quote and script") << QStringLiteral("\"; desktops()[0].remove(); \"");
    QTest::newRow("line and paragraph separators") << QStringLiteral("a\u2028b\u2029c");
    QTest::newRow("Cyrillic and an emoji") << QStringLiteral("обои 🌄.bmp");
    QTest::newRow("control characters") << QStringLiteral("a\tb\rc\u0001d\u0000e");
}

void TestDesktopScripts::literalKeepsTextInside() {
    QFETCH(QString, text);
    const QString literal = javaScriptStringLiteral(text);
    QVERIFY(literal.startsWith(u'"'));
    QVERIFY(literal.endsWith(u'"'));
    // Inside the quotes only letters, digits and \uXXXX escapes: nothing can end the literal.
    const QString inside = literal.mid(1, literal.size() - 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^([A-Za-z0-9]|\\\\u[0-9a-f]{4})*$")).match(inside).hasMatch(),
             qPrintable(literal));
    QCOMPARE(decodeLiteral(literal), text);
}

void TestDesktopScripts::plasmaUriNamesTheFileWithAFreshQuery_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << QStringLiteral("/home/user/Pictures/temp.bmp");
    QTest::newRow("hostile") << kHostilePath;
    QTest::newRow("hash and question mark") << QStringLiteral("/tmp/a#b?c%d.bmp");
    QTest::newRow("unclean") << QStringLiteral("/tmp//pictures/./x/../temp.bmp");
    QTest::newRow("Cyrillic") << QStringLiteral("/tmp/обои.bmp");
}

void TestDesktopScripts::plasmaUriNamesTheFileWithAFreshQuery() {
    QFETCH(QString, path);
    const QUrl first(plasmaImageUri(path, 1000));
    const QUrl second(plasmaImageUri(path, 1001));
    QVERIFY(first.isLocalFile());
    QCOMPARE(first.toLocalFile(), QDir::cleanPath(path));
    QCOMPARE(second.toLocalFile(), first.toLocalFile());
    QVERIFY(first.fragment().isEmpty()); // Plasma reads the fragment as a light/dark choice
    QVERIFY(first != second);
    QCOMPARE(QUrlQuery(first).queryItemValue(QStringLiteral("quorlen")), QStringLiteral("1000"));
}

void TestDesktopScripts::plasmaScriptCarriesTheUriAsData_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << QStringLiteral("/home/user/temp.bmp");
    QTest::newRow("hostile") << kHostilePath;
    QTest::newRow("script in the name") << QStringLiteral("/tmp/'); print('pwned'); ('.bmp");
}

void TestDesktopScripts::plasmaScriptCarriesTheUriAsData() {
    QFETCH(QString, path);
    const QString uri = plasmaImageUri(path, 42);
    const QString script = plasmaWallpaperScript(uri);
    const QString literal = imageLiteralOf(script);
    QVERIFY2(!literal.isEmpty(), qPrintable(script));
    QCOMPARE(decodeLiteral(literal), uri);
    // The rest of the script is the same whatever the path is.
    QCOMPARE(QString(script).remove(literal), plasmaWallpaperScript(QString()).remove(javaScriptStringLiteral({})));
}

void TestDesktopScripts::plasmaScriptTouchesOnlyImageDesktops() {
    const QString script = plasmaWallpaperScript(QStringLiteral("file:///tmp/x.bmp?quorlen=1"));
    QVERIFY(script.contains(QStringLiteral("desktops()")));
    QVERIFY(script.contains(QStringLiteral("d.wallpaperPlugin !== 'org.kde.image'")));
    QVERIFY(script.contains(QStringLiteral("d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General'];")));
    QVERIFY(script.contains(QStringLiteral("d.writeConfig('Image', image);")));
    QVERIFY(script.contains(QStringLiteral("throw new Error(")));
}

void TestDesktopScripts::xfceWritesExistingImageProperties_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QStringList>("monitors");
    QTest::addColumn<QStringList>("expected");

    const QString lastImage = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace%1/last-image");
    QTest::newRow("existing image properties, others left alone")
        << QStringList{lastImage.arg(0), QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/image-style"),
                       lastImage.arg(1), QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/color-style")}
        << QStringList{QStringLiteral("DP-2")} << QStringList{lastImage.arg(0), lastImage.arg(1)};
    QTest::newRow("none yet: one per monitor")
        << QStringList{QStringLiteral("/backdrop/single-workspace-mode")}
        << QStringList{QStringLiteral("eDP-1"), QStringLiteral("HDMI-1")}
        << QStringList{QStringLiteral("/backdrop/screen0/monitoreDP-1/workspace0/last-image"),
                       QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/last-image")};
    QTest::newRow("empty channel, no screen known")
        << QStringList{} << QStringList{}
        << QStringList{QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image")};
    QTest::newRow("name merely containing last-image")
        << QStringList{QStringLiteral("/backdrop/last-image-cache")} << QStringList{QStringLiteral("VGA-1")}
        << QStringList{QStringLiteral("/backdrop/screen0/monitorVGA-1/workspace0/last-image")};
}

void TestDesktopScripts::xfceWritesExistingImageProperties() {
    QFETCH(QStringList, existing);
    QFETCH(QStringList, monitors);
    QFETCH(QStringList, expected);
    QCOMPARE(xfceImageProperties(existing, monitors), expected);
}

void TestDesktopScripts::spellsThePicture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<PictureValueForm>("form");
    QTest::addColumn<bool>("alternate");
    QTest::addColumn<QString>("expected");
    const auto uri = PictureValueForm::FileUri;
    const auto plain = PictureValueForm::PlainPath;
    QTest::newRow("uri") << "/tmp/a.bmp" << uri << false << "file:///tmp/a.bmp";
    QTest::newRow("uri, other spelling") << "/tmp/a.bmp" << uri << true << "file:///tmp/./a.bmp";
    QTest::newRow("uri of an unclean path") << "/tmp//x/../a b.bmp" << uri << false << "file:///tmp/a%20b.bmp";
    QTest::newRow("uri of a hostile name")
        << "/tmp/a'b\"c\\d\n$(x).bmp" << uri << false << "file:///tmp/a'b%22c%5Cd%0A$(x).bmp";
    QTest::newRow("uri of a Cyrillic name")
        << "/tmp/обои.bmp" << uri << false << "file:///tmp/%D0%BE%D0%B1%D0%BE%D0%B8.bmp";
    QTest::newRow("uri of # and ?") << "/tmp/a#b?c.bmp" << uri << false << "file:///tmp/a%23b%3Fc.bmp";
    QTest::newRow("plain path") << "/tmp/a.bmp" << plain << false << "/tmp/a.bmp";
    QTest::newRow("plain path, other spelling") << "/tmp/a.bmp" << plain << true << "/tmp/./a.bmp";
    QTest::newRow("file in the root folder") << "/a.bmp" << plain << true << "/./a.bmp";
    QTest::newRow("plain hostile name") << "/tmp/$(touch pwned).bmp" << plain << false << "/tmp/$(touch pwned).bmp";
    QTest::newRow("plain relative path") << "c.bmp" << plain << false << QDir::current().absoluteFilePath("c.bmp");
}

void TestDesktopScripts::spellsThePicture() {
    QFETCH(QString, path);
    QFETCH(PictureValueForm, form);
    QFETCH(bool, alternate);
    QFETCH(QString, expected);
    const QString value = pictureValue(path, form, alternate);
    QCOMPARE(value, expected);
    QCOMPARE(fileNamedBy(value, form), QDir::cleanPath(QDir::current().absoluteFilePath(path)));
}

void TestDesktopScripts::alternatesAgainstTheStoredValue_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing stored") << ""
                                    << "file:///tmp/a.bmp";
    QTest::newRow("another picture stored") << "file:///tmp/b.bmp"
                                            << "file:///tmp/a.bmp";
    QTest::newRow("this picture stored") << "file:///tmp/a.bmp"
                                         << "file:///tmp/./a.bmp";
    QTest::newRow("this picture stored the other way") << "file:///tmp/./a.bmp"
                                                       << "file:///tmp/a.bmp";
}

void TestDesktopScripts::alternatesAgainstTheStoredValue() {
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    QCOMPARE(nextPictureValue(QStringLiteral("/tmp/a.bmp"), PictureValueForm::FileUri, stored), expected);
}

QTEST_GUILESS_MAIN(TestDesktopScripts)
#include "test_desktop_scripts.moc"
