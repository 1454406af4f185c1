#include "platform/desktop_gsettings_linux.h"
#include "platform/desktop_plasma_linux.h"
#include "platform/desktop_unsupported.h"
#include "platform/desktop_wallpaper.h"
#include "platform/desktop_x11.h"
#include "platform/desktop_xfce_linux.h"
#include "platform/diagnostics.h"
#include "platform/system_services.h"
#include "switching/desktop_choice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>

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
    return facts;
}

std::unique_ptr<DesktopWallpaper> makeBinding(DesktopKind kind) {
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
    case DesktopKind::X11Root:
        return std::make_unique<X11RootWallpaper>();
    case DesktopKind::Unsupported:
        break;
    }
    return std::make_unique<UnsupportedWallpaper>();
}

} // namespace

std::unique_ptr<DesktopWallpaper> chooseDesktopWallpaper() {
    const DesktopKind kind = decideDesktop(gatherSessionFacts());
    reportProblem(QStringLiteral("wallpaper binding: %1").arg(desktopKindName(kind)));
    return makeBinding(kind);
}
