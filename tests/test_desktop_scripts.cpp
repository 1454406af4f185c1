#include "platform/desktop_plasma_linux.h"
#include "platform/desktop_xfce_linux.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

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
    void xfceHandsThePathOverUnquoted_data();
    void xfceHandsThePathOverUnquoted();
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

void TestDesktopScripts::xfceHandsThePathOverUnquoted_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hostile") << kHostilePath << kHostilePath;
    QTest::newRow("shell substitution") << QStringLiteral("/tmp/$(touch pwned).bmp")
                                        << QStringLiteral("/tmp/$(touch pwned).bmp");
    QTest::newRow("unclean") << QStringLiteral("/tmp//a/./b/../c.bmp") << QStringLiteral("/tmp/a/c.bmp");
    QTest::newRow("relative") << QStringLiteral("c.bmp") << QDir::current().absoluteFilePath(QStringLiteral("c.bmp"));
}

void TestDesktopScripts::xfceHandsThePathOverUnquoted() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    // An empty value first, so that xfdesktop sees a change even for the path it shows already.
    QCOMPARE(xfceImageValues(path), (QStringList{QString(), expected}));
}

QTEST_GUILESS_MAIN(TestDesktopScripts)
#include "test_desktop_scripts.moc"
