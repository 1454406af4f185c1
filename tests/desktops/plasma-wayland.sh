#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# KDE Plasma 5.27 on Wayland: kwin_wayland headless on a virtual output, then kded5 and plasmashell, which draws the
# desktop and its wallpaper, cross-fading between pictures, and hosts the tray. The program runs on Qt's Wayland
# plug-in and starts a second before plasmashell, as at a login: from the first switch after plasmashell is up, the
# screen must show the program's pictures. kwin_wayland carries a file capability that a container cannot grant, so
# a plain copy of it runs.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_wayland_session wayland kwin
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE DESKTOP_SESSION=plasmawayland KDE_FULL_SESSION=true
export KDE_SESSION_VERSION=5
DT_BINDING="KDE Plasma"

cp /usr/bin/kwin_wayland "$XS_DIR/kwin_wayland"
export WAYLAND_DISPLAY=wayland-quorlen
dt_spawn kwin_wayland env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 "$XS_DIR/kwin_wayland" --virtual --xwayland \
    --width "${DT_SIZE%x*}" --height "${DT_SIZE#*x}" --socket "$WAYLAND_DISPLAY" --no-lockscreen
xs_wait_for 60 dt_bus_has org.kde.KWin || dt_abort "kwin_wayland did not come up"
# What the bus starts on demand (kded5's modules, plasmashell's helpers) must find the compositor too.
gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.UpdateActivationEnvironment \
    "{'QT_QPA_PLATFORM': 'wayland', 'WAYLAND_DISPLAY': '$WAYLAND_DISPLAY', 'XDG_SESSION_TYPE': 'wayland'}" >/dev/null
dt_spawn kded5 env QT_QPA_PLATFORM=wayland kded5

# Up once it runs scripts that see its desktops and has drawn a wallpaper over the black it first shows.
has_desktops() {
    dbus-send --session --print-reply --dest=org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell.evaluateScript \
        "string:if (desktops().length === 0) throw new Error('no desktops yet');"
}
drawn() { ! dt_screen_is 000000 "${DT_POINTS[@]}"; }

dt_switches_begin 5
dt_event down
sleep 1
dt_spawn plasmashell env QT_QPA_PLATFORM=wayland plasmashell --no-respawn
xs_wait_for 120 has_desktops || dt_abort "plasmashell did not come up"
xs_wait_for 60 drawn || dt_abort "plasmashell drew no wallpaper"
dt_event up
dt_log "plasmashell is up"
xs_wait_for 20 dt_sni_icon_registered || dt_fail "the program's icon did not reach plasmashell's tray"
dt_switches_end 8 --fades --bare 000000 --min-switches 6
dt_finish
