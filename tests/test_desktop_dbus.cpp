// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_plasma.h"
#include "platform/linux/desktop_xfce.h"
#include "platform/linux/path_spelling.h"
#include "platform/system_services.h"
#include "support/private_bus.h"
#include "support/skip.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusVariant>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <memory>

namespace {

const QString kHostilePath = QStringLiteral("a'b\"c\\d\n$(touch pwned).bmp");
const QString kServiceConnection = QStringLiteral("quorlen-test-services");

// A bus of the test's own: no service files, so nothing real is ever started on it.
const char kBusConfig[] = "<busconfig>\n"
                          "  <type>session</type>\n"
                          "  <listen>unix:path=%1</listen>\n"
                          "  <auth>EXTERNAL</auth>\n"
                          "  <policy context=\"default\">\n"
                          "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                          "    <allow eavesdrop=\"true\"/>\n"
                          "    <allow own=\"*\"/>\n"
                          "  </policy>\n"
                          "</busconfig>\n";

} // namespace

// Calls are answered on the service thread and read on the test's thread.
class CallLog {
public:
    void add(const QString& entry) {
        const QMutexLocker lock(&mutex_);
        entries_.append(entry);
    }
    QStringList take() {
        const QMutexLocker lock(&mutex_);
        return std::exchange(entries_, {});
    }

private:
    QMutex mutex_;
    QStringList entries_;
};

// Answers like xfconfd for the channel xfce4-desktop.
class FakeXfconf final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.xfce.Xfconf")

public:
    CallLog log;
    QMutex mutex;
    QVariantMap properties;   // the channel's content
    QString listingErrorName; // when set, GetAllProperties fails with it

public slots:
    QVariantMap GetAllProperties(const QString& channel, const QString& base) {
        const QMutexLocker lock(&mutex);
        log.add(QStringLiteral("list %1 %2").arg(channel, base));
        if (!listingErrorName.isEmpty()) {
            sendErrorReply(listingErrorName, QStringLiteral("refused by the test"));
            return {};
        }
        return properties;
    }
    void SetProperty(const QString& channel, const QString& property, const QDBusVariant& value) {
        const QMutexLocker lock(&mutex);
        const QVariant inner = value.variant();
        log.add(QStringLiteral("set %1 %2 %3 %4")
                    .arg(channel, property, QString::fromLatin1(inner.typeName()), inner.toString()));
        properties.insert(property, inner);
    }
};

// Answers like plasmashell's scripting interface, keeping the scripts it gets.
class FakePlasmaShell final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    CallLog log;
    QMutex mutex;
    bool refuse = false;

public slots:
    void evaluateScript(const QString& script) {
        const QMutexLocker lock(&mutex);
        log.add(script);
        if (refuse) {
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"),
                           QStringLiteral("Error: no desktop uses the picture wallpaper plugin"));
        }
    }
};

namespace {

// The file URI the script hands to Plasma.
QString imageUriOf(const QString& script) {
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("^var image = (\"[^\"]*\");")).match(script);
    if (!match.hasMatch()) {
        return QString();
    }
    const QJsonDocument document = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(match.captured(1)).toUtf8());
    return document.array().at(0).toString();
}

} // namespace

class TestDesktopDBus final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void xfceWritesEachImagePropertyOnce_data();
    void xfceWritesEachImagePropertyOnce();
    void xfceSamePathAgainIsAChangeAgain();
    void xfceReportsARefusal();
    void plasmaGetsTheScript();
    void plasmaSamePathAgainIsANewUrl();
    void plasmaReportsARefusal();
    void absentServicesFail();
    void plasmaStartingLateGetsThePictureOnShow();

private:
    QString picture(const QString& name);
    bool registerServices();

    QTemporaryDir folder_;
    QProcess bus_;
    QThread serviceThread_;
    FakeXfconf* xfconf_ = nullptr;
    FakePlasmaShell* plasma_ = nullptr;
};

void TestDesktopDBus::initTestCase() {
    QVERIFY(folder_.isValid());
    const QString config = folder_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QString::fromLatin1(kBusConfig).arg(folder_.filePath(QStringLiteral("bus"))).toUtf8());
    file.close();
    QString why;
    if (!startPrivateBus(bus_, {QStringLiteral("--config-file=") + config}, &why)) {
        SKIP_WITHOUT_TOOL(why);
    }
    QVERIFY(QDBusConnection::sessionBus().isConnected());

    xfconf_ = new FakeXfconf;
    plasma_ = new FakePlasmaShell;
    xfconf_->moveToThread(&serviceThread_);
    plasma_->moveToThread(&serviceThread_);
    serviceThread_.start(); // the bindings block while they wait; the fakes answer from here
    QVERIFY(registerServices());
}

bool TestDesktopDBus::registerServices() {
    QDBusConnection services =
        QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), kServiceConnection);
    return services.isConnected() &&
           services.registerObject(QStringLiteral("/org/xfce/Xfconf"), xfconf_, QDBusConnection::ExportAllSlots) &&
           services.registerObject(QStringLiteral("/PlasmaShell"), plasma_, QDBusConnection::ExportAllSlots) &&
           services.registerService(QStringLiteral("org.xfce.Xfconf")) &&
           services.registerService(QStringLiteral("org.kde.plasmashell"));
}

void TestDesktopDBus::cleanupTestCase() {
    QDBusConnection::disconnectFromBus(kServiceConnection);
    serviceThread_.quit();
    serviceThread_.wait();
    delete xfconf_;
    delete plasma_;
    if (bus_.state() != QProcess::NotRunning) {
        bus_.terminate();
        bus_.waitForFinished();
    }
}

void TestDesktopDBus::init() {
    if (!xfconf_) {
        return;
    }
    const QMutexLocker xfconfLock(&xfconf_->mutex);
    xfconf_->properties.clear();
    xfconf_->listingErrorName.clear();
    xfconf_->log.take();
    const QMutexLocker plasmaLock(&plasma_->mutex);
    plasma_->refuse = false;
    plasma_->log.take();
}

QString TestDesktopDBus::picture(const QString& name) {
    const QString path = folder_.filePath(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("BM stand-in") > 0 ? path : QString();
}

void TestDesktopDBus::xfceWritesEachImagePropertyOnce_data() {
    QTest::addColumn<QVariantMap>("channel");
    QTest::addColumn<QString>("listingError");
    QTest::addColumn<QStringList>("expectedProperties");

    const QString hdmi = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace%1/last-image");
    QVariantMap twoWorkspaces{{hdmi.arg(0), QStringLiteral("/old.png")},
                              {hdmi.arg(1), QStringLiteral("/old.png")},
                              {QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0/image-style"), 5}};
    QTest::newRow("existing properties") << twoWorkspaces << QString() << QStringList{hdmi.arg(0), hdmi.arg(1)};
    const QStringList fresh{QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image")};
    QTest::newRow("fresh profile: no property")
        << QVariantMap() << QStringLiteral("org.xfce.Xfconf.Error.PropertyNotFound") << fresh;
    QTest::newRow("fresh profile: no channel")
        << QVariantMap() << QStringLiteral("org.xfce.Xfconf.Error.ChannelNotFound") << fresh;
}

void TestDesktopDBus::xfceWritesEachImagePropertyOnce() {
    QFETCH(QVariantMap, channel);
    QFETCH(QString, listingError);
    QFETCH(QStringList, expectedProperties);
    {
        const QMutexLocker lock(&xfconf_->mutex);
        xfconf_->properties = channel;
        xfconf_->listingErrorName = listingError;
    }
    const QString path = picture(kHostilePath);
    XfceWallpaper binding;
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));

    QStringList expected{QStringLiteral("list xfce4-desktop /backdrop")};
    for (const QString& property : expectedProperties)
        expected << QStringLiteral("set xfce4-desktop %1 QString %2").arg(property, path);
    QCOMPARE(xfconf_->log.take(), expected);
}

void TestDesktopDBus::xfceSamePathAgainIsAChangeAgain() {
    const QString property = QStringLiteral("/backdrop/screen0/monitorDP-1/workspace0/last-image");
    {
        const QMutexLocker lock(&xfconf_->mutex);
        xfconf_->properties.insert(property, QStringLiteral("/old.png"));
    }
    const QString path = picture(QStringLiteral("temp.bmp"));
    XfceWallpaper binding;
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    // Straight from one spelling of the path to the other: no empty value, whose bare colour xfdesktop would show.
    const QString show = QStringLiteral("set xfce4-desktop %1 QString %2").arg(property, path);
    const QString showAgain = QStringLiteral("set xfce4-desktop %1 QString %2")
                                  .arg(property, pictureValue(path, PictureValueForm::PlainPath, true));
    const QString list = QStringLiteral("list xfce4-desktop /backdrop");
    QCOMPARE(xfconf_->log.take(), (QStringList{list, show, list, showAgain}));
}

void TestDesktopDBus::xfceReportsARefusal() {
    {
        const QMutexLocker lock(&xfconf_->mutex);
        xfconf_->listingErrorName = QStringLiteral("org.xfce.Xfconf.Error.ReadFailure");
    }
    XfceWallpaper binding;
    QString error;
    QVERIFY(!binding.setWallpaper(picture(QStringLiteral("temp.bmp")), &error));
    QVERIFY2(error.contains(QStringLiteral("refused by the test")), qPrintable(error));
    QCOMPARE(xfconf_->log.take(), QStringList{QStringLiteral("list xfce4-desktop /backdrop")});
}

void TestDesktopDBus::plasmaGetsTheScript() {
    const QString path = picture(kHostilePath);
    PlasmaWallpaper binding;
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QStringList scripts = plasma_->log.take();
    QCOMPARE(scripts.size(), 1);
    const QUrl image(imageUriOf(scripts.first()));
    QVERIFY(image.isLocalFile());
    QCOMPARE(image.toLocalFile(), path);
    QVERIFY(!QFile::exists(folder_.filePath(QStringLiteral("pwned"))));
}

void TestDesktopDBus::plasmaSamePathAgainIsANewUrl() {
    const QString path = picture(QStringLiteral("temp.bmp"));
    PlasmaWallpaper binding;
    QString error;
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    QVERIFY2(binding.setWallpaper(path, &error), qPrintable(error));
    const QStringList scripts = plasma_->log.take();
    QCOMPARE(scripts.size(), 3);
    QStringList uris;
    for (const QString& script : scripts) {
        const QString uri = imageUriOf(script);
        QCOMPARE(QUrl(uri).toLocalFile(), path);
        QVERIFY2(!uris.contains(uri), qPrintable(uri)); // Plasma ignores a URL it already shows
        uris.append(uri);
    }
}

void TestDesktopDBus::plasmaReportsARefusal() {
    {
        const QMutexLocker lock(&plasma_->mutex);
        plasma_->refuse = true;
    }
    PlasmaWallpaper binding;
    QString error;
    QVERIFY(!binding.setWallpaper(picture(QStringLiteral("temp.bmp")), &error));
    QVERIFY2(error.contains(QStringLiteral("no desktop uses the picture wallpaper plugin")), qPrintable(error));
}

void TestDesktopDBus::absentServicesFail() {
    QDBusConnection services(kServiceConnection);
    QVERIFY(services.unregisterService(QStringLiteral("org.xfce.Xfconf")));
    QVERIFY(services.unregisterService(QStringLiteral("org.kde.plasmashell")));
    const QString path = picture(QStringLiteral("temp.bmp"));
    QString xfceError;
    QString plasmaError;
    const bool xfceDone = XfceWallpaper().setWallpaper(path, &xfceError);
    const bool plasmaDone = PlasmaWallpaper().setWallpaper(path, &plasmaError);
    QVERIFY(services.registerService(QStringLiteral("org.xfce.Xfconf")));
    QVERIFY(services.registerService(QStringLiteral("org.kde.plasmashell")));
    QVERIFY(!xfceDone);
    QVERIFY(!plasmaDone);
    QVERIFY(!xfceError.isEmpty());
    QVERIFY(!plasmaError.isEmpty());
}

// A Plasma that starts after the program, as at login, is used once it is there: the picture on show goes to it at
// once, without waiting for the next switch.
void TestDesktopDBus::plasmaStartingLateGetsThePictureOnShow() {
    QDBusConnection services(kServiceConnection);
    QVERIFY(services.unregisterService(QStringLiteral("org.kde.plasmashell")));
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    qunsetenv("DISPLAY");
    qunsetenv("SWAYSOCK");
    const std::unique_ptr<DesktopWallpaper> desktop = chooseDesktopWallpaper();
    const QString path = picture(QStringLiteral("temp.bmp"));
    QString error;
    const bool takenWithoutPlasma = desktop->setWallpaper(path, &error);
    QVERIFY(services.registerService(QStringLiteral("org.kde.plasmashell")));
    QVERIFY(!takenWithoutPlasma);
    QStringList scripts;
    QTRY_VERIFY_WITH_TIMEOUT(!(scripts += plasma_->log.take()).isEmpty(), 5000);
    QCOMPARE(QUrl(imageUriOf(scripts.constFirst())).toLocalFile(), path);
    QCOMPARE(desktop->name(), QStringLiteral("KDE Plasma"));
}

QTEST_GUILESS_MAIN(TestDesktopDBus)
#include "test_desktop_dbus.moc"
