// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/desktop_wallpaper.h"

#include <QString>

#include <utility>

// Which of the desktop bindings of this folder a Linux session gets (chooseDesktopWallpaper()), from the facts of
// the session that chooseDesktop() weighs.

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
DesktopKind chooseDesktop(const SessionFacts& facts);

// Why a session got no binding, for the one line that says so: what the program found and what it looked for.
QString noBindingReason(const SessionFacts& facts);

// A short name of the kind for the start-up line and for tests.
QString desktopKindName(DesktopKind kind);

// Stands in when the session offers no interface this program knows: every call fails with a
// message, which gives the reason when there is one, and switching goes on regardless.
class UnsupportedWallpaper final : public DesktopWallpaper {
public:
    explicit UnsupportedWallpaper(QString reason = QString()) : reason_(std::move(reason)) {}
    QString name() const override;
    bool setWallpaper(const QString& path, QString* error) override;

private:
    QString reason_;
};
