// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_choice.h"

#include <QTest>

Q_DECLARE_METATYPE(DesktopKind)

namespace {

enum Interface : int {
    NoInterface = 0,
    Plasma = 1,
    Xfconf = 2,
    GnomeSchema = 4,
    CinnamonSchema = 8,
    MateSchema = 16,
    SwaySocket = 32,
    AllInterfaces = Plasma | Xfconf | GnomeSchema | CinnamonSchema | MateSchema | SwaySocket,
};

SessionFacts makeFacts(const QString& desktop, const QString& sessionType, const QString& platform, bool display,
                       bool waylandDisplay, int interfaces) {
    SessionFacts facts;
    facts.currentDesktop = desktop;
    facts.sessionType = sessionType;
    facts.platformName = platform;
    facts.x11DisplaySet = display;
    facts.waylandDisplaySet = waylandDisplay;
    facts.plasmaOnBus = (interfaces & Plasma) != 0;
    facts.xfconfOnBus = (interfaces & Xfconf) != 0;
    facts.gnomeSchemaPresent = (interfaces & GnomeSchema) != 0;
    facts.cinnamonSchemaPresent = (interfaces & CinnamonSchema) != 0;
    facts.mateSchemaPresent = (interfaces & MateSchema) != 0;
    facts.swayAnswers = (interfaces & SwaySocket) != 0;
    return facts;
}

} // namespace

class TestDesktopChoice final : public QObject {
    Q_OBJECT

private slots:
    void decidesFromTheSession_data();
    void decidesFromTheSession();
    void namesEveryKind_data();
    void namesEveryKind();
    void unsupportedSessionRefusesWithAMessage();
};

void TestDesktopChoice::decidesFromTheSession_data() {
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("sessionType");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("waylandDisplay");
    QTest::addColumn<int>("interfaces");
    QTest::addColumn<DesktopKind>("expected");

    const auto gnome = DesktopKind::GnomeFamily;
    const auto x11 = DesktopKind::X11Root;
    const auto none = DesktopKind::Unsupported;
    QTest::newRow("GNOME on X11") << "GNOME"
                                  << "x11"
                                  << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("GNOME on Wayland") << "GNOME"
                                      << "wayland"
                                      << "wayland" << true << true << int(GnomeSchema) << gnome;
    QTest::newRow("Ubuntu's GNOME list") << "ubuntu:GNOME"
                                         << "wayland"
                                         << "wayland" << false << true << int(GnomeSchema) << gnome;
    QTest::newRow("Unity") << "Unity"
                           << "x11"
                           << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("Budgie list") << "Budgie:GNOME"
                                 << "x11"
                                 << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("Pantheon") << "Pantheon"
                              << "x11"
                              << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("lower-case gnome") << "gnome"
                                      << "x11"
                                      << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("GNOME without its schema on X11") << "GNOME"
                                                     << "x11"
                                                     << "xcb" << true << false << int(NoInterface) << x11;
    QTest::newRow("X-Cinnamon") << "X-Cinnamon"
                                << "x11"
                                << "xcb" << true << false << int(AllInterfaces) << DesktopKind::Cinnamon;
    QTest::newRow("Cinnamon") << "CINNAMON"
                              << "x11"
                              << "xcb" << true << false << int(CinnamonSchema) << DesktopKind::Cinnamon;
    QTest::newRow("MATE") << "MATE"
                          << "x11"
                          << "xcb" << true << false << int(MateSchema) << DesktopKind::Mate;
    QTest::newRow("MATE without its schema") << "MATE"
                                             << "x11"
                                             << "xcb" << true << false << int(GnomeSchema) << x11;
    QTest::newRow("KDE with plasmashell running") << "KDE"
                                                  << "wayland"
                                                  << "wayland" << true << true << int(Plasma) << DesktopKind::Plasma;
    QTest::newRow("KDE before plasmashell is up on X11") << "KDE"
                                                         << "x11"
                                                         << "xcb" << true << false << int(NoInterface) << x11;
    QTest::newRow("KDE before plasmashell is up on Wayland") << "KDE"
                                                             << "wayland"
                                                             << "wayland" << true << true << int(NoInterface) << none;
    QTest::newRow("XFCE with xfconf") << "XFCE"
                                      << "x11"
                                      << "xcb" << true << false << int(Xfconf) << DesktopKind::Xfce;
    QTest::newRow("XFCE without xfconf") << "XFCE"
                                         << "x11"
                                         << "xcb" << true << false << int(NoInterface) << x11;
    QTest::newRow("first usable entry wins")
        << "KDE:XFCE:GNOME"
        << "x11"
        << "xcb" << true << false << int(Xfconf | GnomeSchema) << DesktopKind::Xfce;
    QTest::newRow("blanks and empty entries") << " :: GNOME ::"
                                              << "x11"
                                              << "xcb" << true << false << int(GnomeSchema) << gnome;
    QTest::newRow("i3 on X11") << "i3"
                               << "x11"
                               << "xcb" << true << false << int(AllInterfaces) << x11;
    QTest::newRow("no desktop named, xcb platform") << ""
                                                    << ""
                                                    << "xcb" << false << false << int(NoInterface) << x11;
    QTest::newRow("startx from a console") << ""
                                           << "tty"
                                           << "offscreen" << true << false << int(NoInterface) << x11;
    QTest::newRow("Xvfb with the offscreen platform") << ""
                                                      << ""
                                                      << "offscreen" << true << false << int(NoInterface) << x11;
    QTest::newRow("sway from a display manager") << "sway"
                                                 << "wayland"
                                                 << "wayland" << true << true << int(SwaySocket) << DesktopKind::Sway;
    QTest::newRow("sway from a console, on Xwayland") << ""
                                                      << "tty"
                                                      << "xcb" << true << true << int(SwaySocket) << DesktopKind::Sway;
    QTest::newRow("sway whose socket is silent: Xwayland's root is never seen")
        << "sway"
        << "wayland"
        << "wayland" << true << true << int(AllInterfaces & ~SwaySocket) << none;
    QTest::newRow("a compositor from a console: Xwayland's root is never seen")
        << ""
        << "tty"
        << "xcb" << true << true << int(NoInterface) << none;
    QTest::newRow("Wayland without a session type") << "Hyprland"
                                                    << ""
                                                    << "wayland" << true << true << int(NoInterface) << none;
    QTest::newRow("xcb forced under a Wayland session") << "sway"
                                                        << "wayland"
                                                        << "xcb" << true << true << int(NoInterface) << none;
    QTest::newRow("an X11 session with a Wayland display about") << ""
                                                                 << "x11"
                                                                 << "xcb" << true << true << int(SwaySocket) << x11;
    QTest::newRow("no display at all") << ""
                                       << ""
                                       << "offscreen" << false << false << int(AllInterfaces) << none;
}

void TestDesktopChoice::decidesFromTheSession() {
    QFETCH(QString, desktop);
    QFETCH(QString, sessionType);
    QFETCH(QString, platform);
    QFETCH(bool, display);
    QFETCH(bool, waylandDisplay);
    QFETCH(int, interfaces);
    QFETCH(DesktopKind, expected);

    const SessionFacts facts = makeFacts(desktop, sessionType, platform, display, waylandDisplay, interfaces);
    QCOMPARE(desktopKindName(chooseDesktop(facts)), desktopKindName(expected));
}

void TestDesktopChoice::namesEveryKind_data() {
    QTest::addColumn<DesktopKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::newRow("GNOME family") << DesktopKind::GnomeFamily << "GNOME";
    QTest::newRow("Cinnamon") << DesktopKind::Cinnamon << "Cinnamon";
    QTest::newRow("MATE") << DesktopKind::Mate << "MATE";
    QTest::newRow("Plasma") << DesktopKind::Plasma << "KDE Plasma";
    QTest::newRow("XFCE") << DesktopKind::Xfce << "XFCE";
    QTest::newRow("sway") << DesktopKind::Sway << "sway";
    QTest::newRow("X11 root") << DesktopKind::X11Root << "X11 root window";
    QTest::newRow("unsupported") << DesktopKind::Unsupported << "none";
}

void TestDesktopChoice::namesEveryKind() {
    QFETCH(DesktopKind, kind);
    QFETCH(QString, name);
    QCOMPARE(desktopKindName(kind), name);
}

void TestDesktopChoice::unsupportedSessionRefusesWithAMessage() {
    UnsupportedWallpaper binding;
    QString error;
    QVERIFY(!binding.setWallpaper(QStringLiteral("/tmp/picture.bmp"), &error));
    QCOMPARE(error, QStringLiteral("this session offers no known way to set the wallpaper"));
    QVERIFY(!binding.setWallpaper(QStringLiteral("/tmp/picture.bmp"), nullptr));

    // In a session with no binding, the one line names the session and what was looked for.
    const SessionFacts weston =
        makeFacts(QStringLiteral("weston"), QStringLiteral("tty"), QStringLiteral("xcb"), true, true, NoInterface);
    QVERIFY(!UnsupportedWallpaper(noBindingReason(weston)).setWallpaper(QStringLiteral("/tmp/picture.bmp"), &error));
    for (const QString& named : {QStringLiteral("\"weston\""), QStringLiteral("Wayland"), QStringLiteral("sway")})
        QVERIFY2(error.contains(named), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestDesktopChoice)
#include "test_desktop_choice.moc"
