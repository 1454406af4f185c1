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

DesktopKind decideDesktop(const SessionFacts& facts) {
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
