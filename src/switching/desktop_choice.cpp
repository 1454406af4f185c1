#include "switching/desktop_choice.h"

#include <QStringList>

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
    return std::nullopt;
}

// Under a Wayland compositor an X display is only Xwayland, whose root window nobody sees.
bool isWaylandSession(const SessionFacts& facts) {
    const QString type = facts.sessionType.trimmed().toLower();
    if (!type.isEmpty()) {
        return type == u"wayland";
    }
    return facts.waylandDisplaySet || facts.platformName == u"wayland";
}

} // namespace

DesktopKind decideDesktop(const SessionFacts& facts) {
    const QStringList entries = facts.currentDesktop.split(u':', Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        if (const std::optional<DesktopKind> kind = kindForEntry(entry, facts)) {
            return *kind;
        }
    }
    const bool onX11 = facts.platformName == u"xcb" || facts.x11DisplaySet;
    if (onX11 && !isWaylandSession(facts)) {
        return DesktopKind::X11Root;
    }
    return DesktopKind::Unsupported;
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
    case DesktopKind::X11Root:
        return QStringLiteral("X11 root window");
    case DesktopKind::Unsupported:
        break;
    }
    return QStringLiteral("none");
}
