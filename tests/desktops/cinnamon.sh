#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cinnamon 5.6 in its software-rendering session: cinnamon-session --session cinnamon2d starts cinnamon2d and the
# settings daemons, among them csd-background, which draws org.cinnamon.desktop.background (dconf) into the root
# window, cross-fading between pictures; it draws nothing without the session manager. A stand-in system bus.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
xs_start_bus system || dt_abort "no stand-in system bus"
export XDG_CURRENT_DESKTOP=X-Cinnamon XDG_SESSION_DESKTOP=cinnamon2d DESKTOP_SESSION=cinnamon2d
export GSETTINGS_BACKEND=dconf
DT_BINDING=Cinnamon

dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
gsettings set org.cinnamon.desktop.background picture-uri "file://$XS_DIR/ready.bmp"
dt_spawn cinnamon-session cinnamon-session --session cinnamon2d
dt_wait_drawn 90 cinnamon

dt_switches_begin 2
dt_switches_end 20 --fades --bare 000000
dt_finish
