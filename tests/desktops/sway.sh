#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# sway 1.7, headless with the pixman renderer, its bar and the bar's status-notifier tray, as a display manager
# starts it (XDG_SESSION_TYPE=wayland); run as sway-tty.sh, as a console login starts it (XDG_SESSION_TYPE=tty and
# Xwayland's DISPLAY), where the program must still tell sway and never draw on Xwayland's root window. sway refuses
# to run as root, so the script runs as a user of its own. The picture folder's name holds what sway's command
# parser and its shell-word expansion of the path would take for syntax: every switch must still show the picture,
# and nothing in the name may run.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_unprivileged
session_type=wayland
[[ $DT_NAME == sway-tty ]] && session_type="tty"
dt_wayland_session "$session_type" grim
DT_BINDING=sway
# shellcheck disable=SC2016  # the dollar signs and backquotes are the point
DT_FOLDER=$HOME/'Pictures/my "walls" \ $(touch pwned) `touch pwned` $mod  ~ *;,[x]'
mkdir -p "$DT_FOLDER"
# Where sway would run what the name holds.
cd "$XS_DIR"

cat >sway.conf <<EOF
set \$mod Mod4
output * resolution $DT_SIZE bg #$DT_READY solid_color
bar {
    position top
}
exec printenv DISPLAY >"$XS_DIR/xwayland-display"
EOF
dt_spawn sway env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
    sway -c "$XS_DIR/sway.conf"
export SWAYSOCK=$XDG_RUNTIME_DIR/sway-ipc.$EUID.$DT_PID.sock
xs_wait_for 30 swaymsg -t get_version || dt_abort "sway did not come up"
WAYLAND_DISPLAY=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' | head -n 1)
export WAYLAND_DISPLAY
dt_log "sway $(swaymsg -t get_version -r | sed -n 's/.*"human_readable": "\([^"]*\)".*/\1/p') is up on $WAYLAND_DISPLAY"
if [[ $session_type == tty ]]; then
    xs_wait_for 30 test -s "$XS_DIR/xwayland-display" || dt_abort "sway started no Xwayland"
    DISPLAY=$(cat "$XS_DIR/xwayland-display")
    export DISPLAY
    dt_log "Xwayland is on $DISPLAY"
fi
dt_wait_drawn 30 sway
xs_wait_for 30 dt_sni_host_up || dt_abort "swaybar's tray did not come up"

dt_switches_begin 1
xs_wait_for 20 dt_sni_icon_registered || dt_fail "the program's icon did not reach swaybar's tray"
# Between two pictures sway shows its bare grey for a frame while its background helper starts again.
dt_switches_end 8 --gap 3f3f3f --gap-ms 250
[[ -z $(find "$XS_DIR" -name pwned) ]] || dt_fail "sway ran a command from the picture folder's name"
dt_finish
