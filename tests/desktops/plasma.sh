#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# KDE Plasma 5.27: plasmashell draws the desktop and its wallpaper, cross-fading between pictures. It starts a second
# after the program, as at a login where the program starts first, and is restarted half-way: from the first switch
# after plasmashell is up, each time, the screen must show the program's pictures.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE DESKTOP_SESSION=plasma KDE_FULL_SESSION=true
export KDE_SESSION_VERSION=5
DT_BINDING="KDE Plasma"

# Up once it runs scripts that see its desktops (on a first start a few seconds after its bus name comes) and has
# drawn a wallpaper over the black it first shows.
has_desktops() {
    dbus-send --session --print-reply --dest=org.kde.plasmashell /PlasmaShell org.kde.PlasmaShell.evaluateScript \
        "string:if (desktops().length === 0) throw new Error('no desktops yet');"
}
drawn() { ! dt_screen_is 000000 "${DT_POINTS[@]}"; }
start_plasma() {
    dt_spawn plasmashell plasmashell --no-respawn
    plasma_pid=$DT_PID
    xs_wait_for 120 has_desktops || dt_abort "plasmashell did not come up"
    xs_wait_for 60 drawn || dt_abort "plasmashell drew no wallpaper"
    dt_event up
    dt_log "plasmashell is up"
}

dt_switches_begin 5
dt_event down
sleep 1
start_plasma
dt_sleep_until 35
dt_log "restarting plasmashell"
dt_event down
xs_stop_pid "$plasma_pid"
start_plasma
dt_switches_end 14 --fades --bare 000000 --min-switches 10
dt_finish
