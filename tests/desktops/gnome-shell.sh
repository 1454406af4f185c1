#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# GNOME Shell 43 as the X11 window manager and desktop, with software GL and the dconf settings backend. It exits
# without a system bus when /run/systemd/seats exists, so it gets a stand-in one. It starts in the overview, which
# Escape leaves. GNOME Shell keeps loaded pictures per file, so the program must never leave an old picture on
# screen: 24 switches, with bitmaps between converted pictures.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
xs_start_bus system || dt_abort "no stand-in system bus"
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome DESKTOP_SESSION=gnome
export LIBGL_ALWAYS_SOFTWARE=1 GSETTINGS_BACKEND=dconf
DT_BINDING=GNOME

dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
gsettings set org.gnome.desktop.background picture-uri "file://$XS_DIR/ready.bmp"
gsettings set org.gnome.desktop.background picture-uri-dark "file://$XS_DIR/ready.bmp"
dt_spawn gnome-shell gnome-shell --x11 --replace
overview_active() {
    gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
        --method org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive | grep -q true
}
overview_left() {
    overview_active || return 0
    xdotool key Escape
    sleep 1
    ! overview_active
}
xs_wait_for 90 dt_bus_has org.gnome.Shell || dt_abort "gnome-shell did not come up"
# Escape is taken only once the start-up animation into the overview has ended.
xs_wait_for 60 overview_active || dt_abort "the overview never opened"
xs_wait_for 60 overview_left || dt_abort "the overview did not close"
dt_wait_drawn 60 gnome-shell

dt_switches_begin 2
dt_switches_end 24
dt_finish
