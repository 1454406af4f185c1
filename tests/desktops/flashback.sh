#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# GNOME Flashback 3.46 with metacity, as in its "GNOME Flashback (Metacity)" session: gnome-flashback draws the
# background from org.gnome.desktop.background (dconf), cross-fading between pictures.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
export XDG_CURRENT_DESKTOP=GNOME-Flashback:GNOME XDG_SESSION_DESKTOP=gnome-flashback-metacity
export DESKTOP_SESSION=gnome-flashback-metacity GSETTINGS_BACKEND=dconf
DT_BINDING=GNOME

dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
gsettings set org.gnome.desktop.background picture-uri "file://$XS_DIR/ready.bmp"
gsettings set org.gnome.desktop.background picture-uri-dark "file://$XS_DIR/ready.bmp"
dt_spawn metacity metacity --replace
xs_wait_for 30 dt_wm_running || dt_abort "metacity did not start"
dt_spawn gnome-flashback gnome-flashback
dt_wait_drawn 60 gnome-flashback

dt_switches_begin 2
dt_switches_end 10 --fades --bare 023c88
dt_finish
