#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# XFCE 4.18: xfdesktop draws the backdrop from xfconf (xfconfd, started by the bus on demand); xfwm4, because
# xfdesktop sizes its window through the window manager. The backdrop's bare colour must never show between two
# pictures: 30 switches, every frame checked.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
export XDG_CURRENT_DESKTOP=XFCE XDG_SESSION_DESKTOP=xfce DESKTOP_SESSION=xfce
DT_BINDING=XFCE

# xfdesktop names the monitor after the RandR output; the known picture is set before it starts.
dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
monitor=$(xrandr --query | awk '$2 == "connected" && !name { name = $1 } END { print name }')
backdrop=/backdrop/screen0/monitor$monitor/workspace0
xfconf-query -c xfce4-desktop -p "$backdrop/last-image" -n -t string -s "$XS_DIR/ready.bmp"
xfconf-query -c xfce4-desktop -p "$backdrop/image-style" -n -t int -s 5
dt_spawn xfwm4 xfwm4 --replace
xs_wait_for 30 dt_wm_running || dt_abort "xfwm4 did not start"
dt_spawn xfdesktop xfdesktop
dt_wait_drawn 60 xfdesktop

dt_switches_begin 1
dt_switches_end 30
dt_finish
