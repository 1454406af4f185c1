#include "platform/desktop_gsettings_linux.h"
#include "platform/desktop_plasma_linux.h"
#include "platform/desktop_sway_linux.h"
#include "platform/desktop_unsupported.h"
#include "platform/desktop_wallpaper.h"
#include "platform/desktop_x11.h"
#include "platform/desktop_xfce_linux.h"
#include "platform/diagnostics.h"
#include "platform/system_services.h"
#include "switching/desktop_choice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>

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
        const DesktopKind kind = decideDesktop(facts);
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
