#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The stock XFCE 4.18 panel (/etc/xdg/xfce4/panel/default.xml: its systray is the status-notifier host, a pager
# sits left of it) with xfwm4 and its four workspaces. A double click on the program's icon must show the window,
# not minimised, on the workspace the user was on; five times, each with a fresh program.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 1024x768
export XDG_CURRENT_DESKTOP=XFCE XDG_SESSION_DESKTOP=xfce DESKTOP_SESSION=xfce

# A channel file in place is what the panel's first-start question "Use default config" would write.
channels=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
mkdir -p "$channels"
cp /etc/xdg/xfce4/panel/default.xml "$channels/xfce4-panel.xml"
dt_spawn xfwm4 xfwm4 --replace
xs_wait_for 30 dt_wm_running || dt_abort "xfwm4 did not start"
dt_spawn xfce4-panel xfce4-panel
xs_wait_for 60 dt_sni_host_up || dt_abort "the panel's status-notifier host did not come up"
panel=$(xdotool search --onlyvisible --class '^Xfce4-panel$' | head -n 1)
read -r panel_width panel_height < <(xwininfo -id "$panel" |
    awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
row=$((panel_height / 2))
dt_log "the panel is up, ${panel_width}x$panel_height"

dt_write_picture "$DT_FOLDER/a.bmp" 3060a0 320x240
dt_write_picture "$DT_FOLDER/b.bmp" a06030 320x240
dt_settings 600

# The icon is the right-most run of panel columns that changed when it came; the pager left of it moved as a whole.
icon_x() {
    convert "$1" "$2" -compose difference -composite -crop "${panel_width}x1+0+$row" +repage -depth 8 txt:- |
        awk -F'[,:]' '/^[0-9]/ && !/#000000/ { print $1 }' |
        awk '{ x[NR] = $1 } END {
            if (NR == 0) exit 1
            start = x[NR]
            for (i = NR - 1; i >= 1 && x[i] >= start - 4; i--) start = x[i]
            print int((start + x[NR]) / 2) }'
}

for try in 1 2 3 4 5; do
    delay=$((try == 5 ? 300 : 80))
    # The panel clock shows minutes: both pictures must come from the same minute.
    (($(date +%-S) < 50)) || sleep $((61 - $(date +%-S)))
    xdotool set_desktop 0
    import -window root "$DT_OUT/$try-before.png"
    dt_start_program
    xs_wait_for 20 dt_sni_icon_registered || dt_abort "the program's icon did not register"
    sleep 1.5
    import -window root "$DT_OUT/$try-icon.png"
    x=$(icon_x "$DT_OUT/$try-before.png" "$DT_OUT/$try-icon.png") || dt_abort "no icon seen on the panel"
    xdotool mousemove "$x" "$row" click --repeat 2 --delay "$delay" 1
    sleep 2
    workspace=$(xprop -root _NET_CURRENT_DESKTOP | awk '{ print $3 }')
    window=$(xdotool search --name "$XS_WINDOW_PATTERN" | head -n 1 || true)
    state=none window_workspace=none viewable=no
    if [[ -n $window ]]; then
        state=$(xprop -id "$window" _NET_WM_STATE | sed 's/.*= //')
        window_workspace=$(xprop -id "$window" _NET_WM_DESKTOP | awk '{ print $3 }')
        xwininfo -id "$window" | grep -q IsViewable && viewable=yes
    fi
    result="workspace $workspace, window on workspace $window_workspace, viewable $viewable, state $state"
    if [[ $workspace == 0 && $window_workspace == 0 && $viewable == yes && $state != *HIDDEN* ]]; then
        dt_log "double click $try (${delay} ms apart) at x=$x: $result"
    else
        dt_fail "double click $try (${delay} ms apart) at x=$x: $result"
        import -window root "$DT_OUT/$try-after.png"
    fi
    dt_stop_program
    xs_wait_for 10 eval '! dt_sni_icon_registered' || dt_abort "the icon stayed registered after the program ended"
    sleep 0.5
done
dt_finish
