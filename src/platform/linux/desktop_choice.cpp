// SPDX-License-Identifier: MIT
#include "platform/linux/desktop_choice.h"

#include "core/problem_log.h"
#include "platform/linux/desktop_gsettings.h"
#include "platform/linux/desktop_plasma.h"
#include "platform/linux/desktop_sway.h"
#include "platform/linux/desktop_x11_root.h"
#include "platform/linux/desktop_xfce.h"
#include "platform/system_services.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QStringList>
#include <QTimer>

#include <optional>

namespace {

// The binding one entry of XDG_CURRENT_DESKTOP asks for, if its interface is present.
std::optional<DesktopKind> kindForEntry(const QString& entry, const SessionFacts& facts) {
    const QString name = entry.trimmed().toLower();
    if (name == u"gnome" || name == u"unity" || name == u"budgie" || name == u"pantheon") {
        return facts.gnomeSchemaPresent ? std::optional(DesktopKind::GnomeFamily) : std::nullopt;
    }
    if (name == u"x-cinnamon" || name == u"cinnamon") {
        return facts.cinnamonSchemaPresent ? std::optional(DesktopKind::Cinnamon) : std::nullopt;
    }
    if (name == u"mate") {
        return facts.mateSchemaPresent ? std::optional(DesktopKind::Mate) : std::nullopt;
    }
    if (name == u"kde") {
        return facts.plasmaOnBus ? std::optional(DesktopKind::Plasma) : std::nullopt;
    }
    if (name == u"xfce") {
        return facts.xfconfOnBus ? std::optional(DesktopKind::Xfce) : std::nullopt;
    }
    if (name == u"sway") {
        return facts.swayAnswers ? std::optional(DesktopKind::Sway) : std::nullopt;
    }
    return std::nullopt;
}

// Under a Wayland compositor an X display is only Xwayland, whose root window nobody sees. A compositor started
// from a console login leaves the session type "tty", so only an X11 session type outweighs a Wayland display.
bool isWaylandSession(const SessionFacts& facts) {
    const QString type = facts.sessionType.trimmed().toLower();
    if (type == u"wayland") {
        return true;
    }
    return type != u"x11" && (facts.waylandDisplaySet || facts.platformName == u"wayland");
}

} // namespace

DesktopKind chooseDesktop(const SessionFacts& facts) {
    const QStringList entries = facts.currentDesktop.split(u':', Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        if (const std::optional<DesktopKind> kind = kindForEntry(entry, facts)) {
            return *kind;
        }
    }
    const bool wayland = isWaylandSession(facts);
    if (wayland && facts.swayAnswers) {
        return DesktopKind::Sway;
    }
    const bool onX11 = facts.platformName == u"xcb" || facts.x11DisplaySet;
    if (onX11 && !wayland) {
        return DesktopKind::X11Root;
    }
    return DesktopKind::Unsupported;
}

QString noBindingReason(const SessionFacts& facts) {
    const QString desktop = facts.currentDesktop.isEmpty()
                                ? QStringLiteral("XDG_CURRENT_DESKTOP unset")
                                : QStringLiteral("XDG_CURRENT_DESKTOP \"%1\"").arg(facts.currentDesktop);
    QString session = QStringLiteral("no X display");
    if (isWaylandSession(facts)) {
        session = facts.x11DisplaySet ? QStringLiteral("a Wayland session, whose X display is Xwayland's")
                                      : QStringLiteral("a Wayland session");
    }
    return QStringLiteral("%1, %2; looked for the settings of GNOME, Cinnamon and MATE, plasmashell and xfconfd on the "
                          "session bus, sway's socket ($SWAYSOCK) and the root window of an X11 session")
        .arg(desktop, session);
}

QString desktopKindName(DesktopKind kind) {
    switch (kind) {
    case DesktopKind::GnomeFamily:
        return QStringLiteral("GNOME");
    case DesktopKind::Cinnamon:
        return QStringLiteral("Cinnamon");
    case DesktopKind::Mate:
        return QStringLiteral("MATE");
    case DesktopKind::Plasma:
        return QStringLiteral("KDE Plasma");
    case DesktopKind::Xfce:
        return QStringLiteral("XFCE");
    case DesktopKind::Sway:
        return QStringLiteral("sway");
    case DesktopKind::X11Root:
        return QStringLiteral("X11 root window");
    case DesktopKind::Unsupported:
        break;
    }
    return QStringLiteral("none");
}

QString UnsupportedWallpaper::name() const {
    return QStringLiteral("none");
}

bool UnsupportedWallpaper::setWallpaper(const QString& /*path*/, QString* error) {
    const QString refusal = QStringLiteral("this session offers no known way to set the wallpaper");
    return fail(error, reason_.isEmpty() ? refusal : QStringLiteral("%1 (%2)").arg(refusal, reason_));
}

namespace {

bool serviceRunning(QDBusConnectionInterface* bus, const QString& service) {
    return bus && bus->isServiceRegistered(service).value();
}

// xfconfd is started on demand, so an XFCE session may not have it running yet.
bool serviceReachable(QDBusConnectionInterface* bus, const QString& service) {
    return serviceRunning(bus, service) || (bus && bus->activatableServiceNames().value().contains(service));
}

SessionFacts gatherSessionFacts() {
    SessionFacts facts;
    facts.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    facts.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    facts.platformName = QGuiApplication::platformName();
    facts.x11DisplaySet = !qEnvironmentVariableIsEmpty("DISPLAY");
    facts.waylandDisplaySet = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    facts.plasmaOnBus = serviceRunning(bus, QStringLiteral("org.kde.plasmashell"));
    facts.xfconfOnBus = serviceReachable(bus, QStringLiteral("org.xfce.Xfconf"));
    facts.gnomeSchemaPresent = gsettingsSchemaPresent(gnomeFamilyTarget().schemaId);
    facts.cinnamonSchemaPresent = gsettingsSchemaPresent(cinnamonTarget().schemaId);
    facts.mateSchemaPresent = gsettingsSchemaPresent(mateTarget().schemaId);
    facts.swayAnswers = swayAnswers(qEnvironmentVariable("SWAYSOCK"));
    return facts;
}

std::unique_ptr<DesktopWallpaper> makeBinding(DesktopKind kind, const SessionFacts& facts) {
    switch (kind) {
    case DesktopKind::GnomeFamily:
        return std::make_unique<GSettingsWallpaper>(gnomeFamilyTarget());
    case DesktopKind::Cinnamon:
        return std::make_unique<GSettingsWallpaper>(cinnamonTarget());
    case DesktopKind::Mate:
        return std::make_unique<GSettingsWallpaper>(mateTarget());
    case DesktopKind::Plasma:
        return std::make_unique<PlasmaWallpaper>();
    case DesktopKind::Xfce:
        return std::make_unique<XfceWallpaper>();
    case DesktopKind::Sway:
        return std::make_unique<SwayWallpaper>(qEnvironmentVariable("SWAYSOCK"));
    case DesktopKind::X11Root:
        return std::make_unique<X11RootWallpaper>();
    case DesktopKind::Unsupported:
        break;
    }
    return std::make_unique<UnsupportedWallpaper>(noBindingReason(facts));
}

// Follows the session's desktop services. A desktop whose service starts after the program (as at login, when the
// program starts before the shell) or restarts is used from the next switch on, and the picture on show is handed to
// it at once, again every half second until it takes it: a desktop that has just started may not yet have a
// desktop to put it on.
class FollowingWallpaper final : public DesktopWallpaper {
public:
    FollowingWallpaper() {
        watcher_.setConnection(QDBusConnection::sessionBus());
        watcher_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        for (const QString& service : FollowedServices)
            watcher_.addWatchedService(service);
        QObject::connect(
            &watcher_, &QDBusServiceWatcher::serviceOwnerChanged, &watcher_,
            [this](const QString&, const QString&, const QString& newOwner) { onServiceChanged(newOwner); });
        retry_.setInterval(RetryIntervalMs);
        QObject::connect(&retry_, &QTimer::timeout, &retry_, [this] { retryShown(); });
        choose();
    }

    QString name() const override { return current_->name(); }

    bool setWallpaper(const QString& path, QString* error) override {
        retry_.stop();
        if (stale_)
            choose();
        shown_ = path;
        return current_->setWallpaper(path, error);
    }

    // The binding chosen now draws the picture; what it shows is what a restarted desktop is handed again.
    std::unique_ptr<WallpaperRowSink> rowSink(QSize size, bool topRowFirst) override {
        if (stale_)
            choose();
        std::unique_ptr<WallpaperRowSink> sink = current_->rowSink(size, topRowFirst);
        return sink ? std::make_unique<Shown>(*this, std::move(sink)) : nullptr;
    }

private:
    class Shown final : public WallpaperRowSink {
    public:
        Shown(FollowingWallpaper& owner, std::unique_ptr<WallpaperRowSink> sink)
            : owner_(owner), sink_(std::move(sink)) {}
        void addRow(const uchar* bgr) override { sink_->addRow(bgr); }
        bool show(const QString& path, QString* error) override {
            owner_.retry_.stop();
            owner_.shown_ = path;
            return sink_->show(path, error);
        }

    private:
        FollowingWallpaper& owner_;
        std::unique_ptr<WallpaperRowSink> sink_;
    };

    static constexpr int RetryIntervalMs = 500;
    static constexpr int MostRetries = 120;
    inline static const QStringList FollowedServices{QStringLiteral("org.kde.plasmashell"),
                                                     QStringLiteral("org.xfce.Xfconf")};

    void choose() {
        stale_ = false;
        const SessionFacts facts = gatherSessionFacts();
        const DesktopKind kind = chooseDesktop(facts);
        if (current_ && kind == kind_)
            return;
        kind_ = kind;
        current_ = makeBinding(kind, facts);
        reportProblem(QStringLiteral("wallpaper binding: %1").arg(desktopKindName(kind)));
    }

    void onServiceChanged(const QString& newOwner) {
        stale_ = true;
        if (newOwner.isEmpty() || shown_.isEmpty())
            return;
        retries_ = 0;
        retry_.start();
    }

    void retryShown() {
        if (stale_)
            choose();
        QString error;
        if (current_->setWallpaper(shown_, &error)) {
            retry_.stop();
        } else if (++retries_ >= MostRetries) {
            retry_.stop();
            reportProblem(QStringLiteral("the desktop did not take %1: %2").arg(shown_, error));
        }
    }

    QDBusServiceWatcher watcher_;
    QTimer retry_;
    std::unique_ptr<DesktopWallpaper> current_;
    DesktopKind kind_ = DesktopKind::Unsupported;
    bool stale_ = false;
    QString shown_;
    int retries_ = 0;
};

} // namespace

std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper() {
    return std::make_unique<FollowingWallpaper>();
}
