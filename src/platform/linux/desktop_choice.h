#pragma once

#include <QString>

// The ways this program knows to set the wallpaper on Unix desktops.
enum class DesktopKind { GnomeFamily, Cinnamon, Mate, Plasma, Xfce, Sway, X11Root, Unsupported };

// What the running session offers, gathered once at start-up.
struct SessionFacts {
    QString currentDesktop; // XDG_CURRENT_DESKTOP: a colon-separated list, most specific first
    QString sessionType;    // XDG_SESSION_TYPE ("x11", "wayland", "tty" or empty)
    QString platformName;   // the Qt platform plug-in ("xcb", "wayland", "offscreen", ...)
    bool x11DisplaySet = false;
    bool waylandDisplaySet = false;
    bool plasmaOnBus = false;
    bool xfconfOnBus = false;
    bool gnomeSchemaPresent = false;
    bool cinnamonSchemaPresent = false;
    bool mateSchemaPresent = false;
    bool swayAnswers = false; // sway's IPC socket ($SWAYSOCK) answers
};

// Picks the binding for the session: the first desktop named in XDG_CURRENT_DESKTOP whose interface is really
// there, else sway where its socket answers in a Wayland session, else the X11 root window on an X11 display that
// is not a Wayland session's Xwayland, else none.
DesktopKind decideDesktop(const SessionFacts& facts);

// Why a session got no binding, for the one line that says so: what the program found and what it looked for.
QString noBindingReason(const SessionFacts& facts);

// A short name of the kind for the start-up line and for tests.
QString desktopKindName(DesktopKind kind);
