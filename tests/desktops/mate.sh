#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# MATE 1.26: caja draws the desktop and its background from org.mate.background (dconf), cross-fading between
# pictures. No window manager.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
export XDG_CURRENT_DESKTOP=MATE XDG_SESSION_DESKTOP=mate DESKTOP_SESSION=mate GSETTINGS_BACKEND=dconf
DT_BINDING=MATE

dt_write_picture "$XS_DIR/ready.bmp" "$DT_READY" 320x240
gsettings set org.mate.background picture-filename "$XS_DIR/ready.bmp"
gsettings set org.mate.background picture-options zoom
# One bare colour rather than the stock gradient, so that it can be told from a cross-fade.
gsettings set org.mate.background color-shading-type solid
dt_spawn caja caja --no-default-window --force-desktop
dt_wait_drawn 60 caja

dt_switches_begin 2
dt_switches_end 10 --fades --bare "$(gsettings get org.mate.background primary-color | tr -d "'#")"
dt_finish
