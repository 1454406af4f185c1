// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_x11_root.h"
#include "support/skip.h"
#include "switching/wallpaper_changer.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Xlib comes last: its macros would break Qt's headers.
#include <X11/Xlib.h>

namespace {

// Runs a tool with DISPLAY set to `display`; its standard output, or nothing on failure.
std::optional<QByteArray> runOnDisplay(const QString& display, const QString& tool, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(QStandardPaths::findExecutable(tool), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

QImage screenshot(const QString& display) {
    const std::optional<QByteArray> png =
        runOnDisplay(display, QStringLiteral("import"),
                     {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    return png ? QImage::fromData(*png, "PNG") : QImage();
}

// The pixmap id a root property names, or empty when it is not set.
QString rootPixmapProperty(const QString& display, const QString& property) {
    const std::optional<QByteArray> printed =
        runOnDisplay(display, QStringLiteral("xprop"), {QStringLiteral("-root"), property});
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("\\(PIXMAP\\): pixmap id # (0x[0-9a-f]+)"))
                                              .match(QString::fromLatin1(printed.value_or(QByteArray())));
    return match.hasMatch() ? match.captured(1) : QString();
}

bool isColour(QRgb pixel, QColor expected) {
    return qAbs(qRed(pixel) - expected.red()) < 24 && qAbs(qGreen(pixel) - expected.green()) < 24 &&
           qAbs(qBlue(pixel) - expected.blue()) < 24;
}

// Whether every sampled point of the screenshot, corners included, has the colour.
bool wholeScreenIs(const QImage& shot, QColor expected) {
    if (shot.isNull()) {
        return false;
    }
    const int right = shot.width() - 1;
    const int bottom = shot.height() - 1;
    const QList<QPoint> points{{0, 0},
                               {right, 0},
                               {0, bottom},
                               {right, bottom},
                               {right / 2, bottom / 2},
                               {right / 4, bottom / 2},
                               {3 * right / 4, bottom / 2}};
    for (const QPoint& point : points) {
        if (!isColour(shot.pixel(point), expected)) {
            return false;
        }
    }
    return true;
}

// A 640x240 picture, green with a red band from x = 80 to 560. Filling a 4:3 screen keeps
// x = 160..480 of it, a 2:1 screen x = 80..560: only red may show on either. A picture
// scaled to fit instead would show green.
QImage redMiddleBetweenGreen() {
    QImage picture(640, 240, QImage::Format_RGB32);
    picture.fill(Qt::green);
    QPainter(&picture).fillRect(80, 0, 480, 240, Qt::red);
    return picture;
}

QImage solid(QSize size, QColor colour) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

} // namespace

class TestDesktopX11 final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void showsTheFileOnEveryScreen();
    void showsNewContentUnderTheSamePath();
    void refusesUnreadablePictures_data();
    void refusesUnreadablePictures();
    void fillsEachMonitorWithTheWholePicture();
    void showsAConvertedPictureOnceItsBitmapIsInPlace();
    void drawsOnlyOnTrueColourScreens();
    void failsWithoutADisplay();

private:
    bool setAndReport(const QString& path);

    QString display_;
    QTemporaryDir folder_;
    QString path_;
    X11RootWallpaper binding_;
};

void TestDesktopX11::initTestCase() {
    for (const QString& tool : {QStringLiteral("xprop"), QStringLiteral("import")}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            SKIP_WITHOUT_TOOL(QStringLiteral("%1 is not installed").arg(tool));
        }
    }
    QVERIFY(folder_.isValid());
    // A name a shell would act on, to show that it is only ever a name.
    path_ = folder_.filePath(QStringLiteral("a'b\"c\\d\n$(touch pwned).bmp"));
    // The test runs in an X session of its own (scripts/with-x-session, see tests/CMakeLists.txt).
    display_ = qEnvironmentVariable("DISPLAY");
    QVERIFY2(!display_.isEmpty(), "no DISPLAY: run the test through scripts/with-x-session");
}

bool TestDesktopX11::setAndReport(const QString& path) {
    QString error;
    const bool done = binding_.setWallpaper(path, &error);
    if (!done) {
        qWarning().noquote() << "setWallpaper:" << error;
    }
    return done;
}

void TestDesktopX11::showsTheFileOnEveryScreen() {
    QVERIFY(redMiddleBetweenGreen().save(path_, "BMP"));
    QVERIFY(setAndReport(path_));

    const QString firstScreen = display_ + QStringLiteral(".0");
    const QString secondScreen = display_ + QStringLiteral(".1");
    for (const QString& screen : {firstScreen, secondScreen}) {
        const QString rootPixmap = rootPixmapProperty(screen, QStringLiteral("_XROOTPMAP_ID"));
        QVERIFY2(!rootPixmap.isEmpty(), qPrintable(screen));
        QCOMPARE(rootPixmapProperty(screen, QStringLiteral("ESETROOT_PMAP_ID")), rootPixmap);
        const QImage shot = screenshot(screen);
        QVERIFY2(wholeScreenIs(shot, Qt::red), qPrintable(screen));
    }
    QCOMPARE(screenshot(secondScreen).size(), QSize(200, 100));
    QVERIFY(!QFile::exists(folder_.filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("pwned"))));
}

void TestDesktopX11::showsNewContentUnderTheSamePath() {
    QVERIFY(solid(QSize(64, 48), Qt::red).save(path_, "BMP"));
    QVERIFY(setAndReport(path_));
    QVERIFY(wholeScreenIs(screenshot(display_), Qt::red));
    const QString redPixmap = rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID"));

    QVERIFY(solid(QSize(64, 48), Qt::blue).save(path_, "BMP"));
    QVERIFY(setAndReport(path_));
    QVERIFY(wholeScreenIs(screenshot(display_), Qt::blue));
    const QString bluePixmap = rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID"));
    QVERIFY(!bluePixmap.isEmpty());
    QVERIFY(bluePixmap != redPixmap);
}

void TestDesktopX11::refusesUnreadablePictures_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("not a picture") << QByteArrayLiteral("just some text") << true;
    QTest::newRow("empty file") << QByteArray() << true;
}

void TestDesktopX11::refusesUnreadablePictures() {
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QVERIFY(solid(QSize(8, 8), Qt::blue).save(path_, "BMP"));
    QVERIFY(setAndReport(path_));
    const QString shown = rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID"));

    const QString bad = folder_.filePath(QStringLiteral("bad.bmp"));
    QFile::remove(bad);
    if (exists) {
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString error;
    QVERIFY(!binding_.setWallpaper(bad, &error));
    QVERIFY2(error.contains(bad), qPrintable(error));
    // The wallpaper stays as it was.
    QCOMPARE(rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID")), shown);
    QVERIFY(wholeScreenIs(screenshot(display_), Qt::blue));
}

// A screen split into two monitors shows the whole picture, filled, on each: a picture blue on its left half and yellow
// on its right shows both colours on each monitor, where one fill over the whole screen would show blue on the left
// monitor only.
void TestDesktopX11::fillsEachMonitorWithTheWholePicture() {
    const QString screen = display_ + QStringLiteral(".0");
    const auto xrandr = [&screen](const QStringList& arguments) {
        return runOnDisplay(screen, QStringLiteral("xrandr"), arguments).has_value();
    };
    QVERIFY(xrandr({"--setmonitor", "left", "160/40x240/60+0+0", "screen"}));
    QVERIFY(xrandr({"--setmonitor", "right", "160/40x240/60+160+0", "none"}));
    QImage picture(240, 240, QImage::Format_RGB32);
    picture.fill(Qt::yellow);
    QPainter(&picture).fillRect(0, 0, 120, 240, Qt::blue);
    QVERIFY(picture.save(path_, "BMP"));
    const bool set = setAndReport(path_);
    const QImage shot = screenshot(screen);
    QVERIFY(xrandr({"--delmonitor", "left"}) && xrandr({"--delmonitor", "right"}));
    QVERIFY(set);
    for (const int left : {0, 160}) {
        QVERIFY2(isColour(shot.pixel(left + 40, 120), Qt::blue), qPrintable(QString::number(left)));
        QVERIFY2(isColour(shot.pixel(left + 120, 120), Qt::yellow), qPrintable(QString::number(left)));
    }
}

// A converted picture is drawn from its rows while its bitmap is written, on every screen, and shown only once the
// bitmap is in place: one that cannot replace temp.bmp leaves the picture on show.
void TestDesktopX11::showsAConvertedPictureOnceItsBitmapIsInPlace() {
    QTemporaryDir pictures;
    WallpaperChanger changer(binding_);
    QVERIFY(solid(QSize(64, 48), Qt::blue).save(pictures.filePath(QStringLiteral("blue.jpg")), "JPEG"));
    QVERIFY(solid(QSize(64, 48), Qt::red).save(pictures.filePath(QStringLiteral("red.jpg")), "JPEG"));
    QString error;
    QVERIFY2(changer.apply(QStringLiteral("blue.jpg"), pictures.filePath(QStringLiteral("blue.jpg")), pictures.path(),
                           &error),
             qPrintable(error));
    for (const QString& screen : {display_ + QStringLiteral(".0"), display_ + QStringLiteral(".1")})
        QVERIFY2(wholeScreenIs(screenshot(screen), Qt::blue), qPrintable(screen));
    const QString shown = rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID"));

    // A folder in the way of temp.bmp cannot be replaced, even by root.
    QVERIFY(QFile::remove(pictures.filePath(QStringLiteral("temp.bmp"))));
    QVERIFY(QDir(pictures.path()).mkpath(QStringLiteral("temp.bmp/inside")));
    QVERIFY(!changer.apply(QStringLiteral("red.jpg"), pictures.filePath(QStringLiteral("red.jpg")), pictures.path(),
                           &error));
    QCOMPARE(rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID")), shown);
    QVERIFY(wholeScreenIs(screenshot(display_), Qt::blue));
}

// The test runs on true-colour screens and once more on a 16-bit one, which the binding refuses (tests/CMakeLists.txt).
void TestDesktopX11::drawsOnlyOnTrueColourScreens() {
    Display* display = XOpenDisplay(nullptr);
    QVERIFY(display);
    const int depth = DefaultDepth(display, DefaultScreen(display));
    XCloseDisplay(display);
    QVERIFY(solid(QSize(8, 8), Qt::red).save(path_, "BMP"));
    QString error;
    const bool done = binding_.setWallpaper(path_, &error);
    QCOMPARE(done, depth >= 24);
    if (!done) {
        QVERIFY2(error.contains(QStringLiteral("%1-bit").arg(depth)), qPrintable(error));
        QVERIFY(rootPixmapProperty(display_, QStringLiteral("_XROOTPMAP_ID")).isEmpty());
    }
}

void TestDesktopX11::failsWithoutADisplay() {
    qunsetenv("DISPLAY");
    QString error;
    const bool done = binding_.setWallpaper(path_, &error);
    qputenv("DISPLAY", display_.toLocal8Bit());
    QVERIFY(!done);
    QVERIFY2(error.contains(QStringLiteral("cannot open the X display")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestDesktopX11)
#include "test_desktop_x11.moc"
