#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# GNOME Shell 43 as a headless Wayland compositor, with software GL, the dconf settings backend and a stand-in
# system bus; the program runs on Qt's Wayland plug-in. Stock GNOME Shell has no tray, so the program's window must
# stay on screen. Run as gnome-wayland-tray.sh, the AppIndicator extension gives it one: the program's
# StatusNotifierItem must be registered and, started afresh after the switches, activating it must show the window.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_wayland_session wayland gnome
xs_start_bus system || dt_abort "no stand-in system bus"
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome DESKTOP_SESSION=gnome
export LIBGL_ALWAYS_SOFTWARE=1 GSETTINGS_BACKEND=dconf
DT_BINDING=GNOME
tray=false
[[ $DT_NAME == gnome-wayland-tray ]] && tray=true

dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
gsettings set org.gnome.desktop.background picture-uri "file://$XS_DIR/ready.bmp"
gsettings set org.gnome.desktop.background picture-uri-dark "file://$XS_DIR/ready.bmp"
! $tray || gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
export WAYLAND_DISPLAY=wayland-quorlen
dt_spawn gnome-shell gnome-shell --wayland --headless --virtual-monitor "$DT_SIZE" --wayland-display="$WAYLAND_DISPLAY"
shell_property() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method "org.freedesktop.DBus.Properties.$1" org.gnome.Shell OverviewActive "${@:2}"
}
overview_closed() {
    shell_property Get | grep -q false && return 0
    shell_property Set '<false>' >/dev/null
    sleep 1
    shell_property Get | grep -q false
}
xs_wait_for 90 dt_bus_has org.gnome.Shell || dt_abort "gnome-shell did not come up"
# It starts in the overview, which it leaves only once the start-up animation into it has ended.
xs_wait_for 60 eval 'shell_property Get | grep -q true' || dt_abort "the overview never opened"
xs_wait_for 60 overview_closed || dt_abort "the overview did not close"
dt_wait_drawn 60 gnome-shell

# The client kind (wayland or x11) of the program's window that GNOME Shell shows; fails while none is shown.
window_client() {
    "$DT_PYTHON" "$DT_HERE/waymon.py" --source gnome --windows |
        awk -v title="$XS_WINDOW_TITLE " 'index($0, title) == 1 { print substr($0, length(title) + 1) }' | grep .
}
# check_window_shown FAILURE: the window must come on screen, through Qt's Wayland plug-in.
check_window_shown() {
    xs_wait_for 20 window_client || {
        dt_fail "$1"
        return 0
    }
    dt_log "the window is on screen, a $(window_client) client"
    [[ $(window_client) == wayland ]] || dt_fail "the program did not use Qt's Wayland plug-in"
}

dt_switches_begin 2
if $tray; then
    xs_wait_for 20 dt_sni_icon_registered || dt_fail "the program's icon did not register with the extension"
    ! window_client >/dev/null || dt_fail "the window did not hide into the tray"
else
    check_window_shown "the window did not stay on screen without a tray"
fi
dt_switches_end 6

if $tray; then
    dt_start_program
    xs_wait_for 20 dt_sni_icon_registered || dt_abort "the program's icon did not register with the extension"
    # The extension lists an item as SERVICE@PATH.
    item=$(dt_sni_watcher RegisteredStatusNotifierItems | sed -n 's/.*string "\([^"]*\)".*/\1/p' | head -n 1)
    gdbus call --session --dest "${item%%@*}" --object-path "${item#*@}" \
        --method org.kde.StatusNotifierItem.Activate 0 0 >/dev/null || dt_fail "the icon's Activate failed"
    check_window_shown "activating the icon did not show the window"
    dt_stop_program
fi
dt_finish
