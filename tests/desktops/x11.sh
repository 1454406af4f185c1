#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Plain X11, no desktop: the program paints the root window (a tray host takes its window away). One 2048x768
# screen, split into RandR monitors with xrandr --setmonitor as a two-monitor session has it: the picture must be
# filled and cropped into each monitor, and a single monitor must still get the fill-crop of the whole screen. Then
# the program switches over the usual pictures on two monitors.
set -euo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
dt_session 2048x768
xs_start_tray || dt_abort "no tray host"
DT_BINDING="X11 root window"

# A 1024x768 picture of four coloured quadrants: red, blue above green, yellow.
convert -size 512x384 xc:#d02020 xc:#2040d0 +append \( -size 512x384 xc:#20b020 xc:#e0c020 +append \) -append \
    "BMP3:$DT_FOLDER/q1.bmp"
cp "$DT_FOLDER/q1.bmp" "$DT_FOLDER/q2.bmp"
dt_settings 600

# The quadrant that a fill-crop of the picture into a WxH monitor shows at the monitor's point X,Y.
quadrant_at() {
    awk -v w="$1" -v h="$2" -v x="$3" -v y="$4" 'BEGIN {
        scale = (w / 1024 > h / 768) ? w / 1024 : h / 768
        px = (x + 0.5 - w / 2) / scale + 512; py = (y + 0.5 - h / 2) / scale + 384
        print py < 384 ? (px < 512 ? "d02020" : "2040d0") : (px < 512 ? "20b020" : "e0c020") }'
}

# check_monitors WHAT: the program, started afresh, must fill each RandR monitor with the whole picture.
check_monitors() {
    local points=() wanted=() got name geometry w h x y fx fy i bad=0
    xprop -root -remove _XROOTPMAP_ID
    dt_start_program
    xs_wait_for 20 eval 'xprop -root _XROOTPMAP_ID | grep -q "pixmap id"' || dt_abort "$1: no root picture"
    sleep 1
    while read -r _ _ geometry name; do
        # W/MMxH/MM+X+Y
        w=${geometry%%/*} h=${geometry#*x} x=${geometry#*+}
        h=${h%%/*} y=${x#*+} x=${x%%+*}
        for fx in 0.1 0.3 0.45 0.55 0.7 0.9; do
            for fy in 0.1 0.45 0.55 0.9; do
                i=$(awk -v w="$w" -v h="$h" -v fx="$fx" -v fy="$fy" 'BEGIN { print int(fx * w), int(fy * h) }')
                points+=("$((x + ${i% *})),$((y + ${i#* }))")
                wanted+=("$(quadrant_at "$w" "$h" "${i% *}" "${i#* }")")
            done
        done
    done < <(xrandr --listmonitors | tail -n +2)
    read -r -a got < <(dt_pixels "${points[@]}")
    for i in "${!points[@]}"; do
        dt_near "${got[i]}" "${wanted[i]}" 40 && continue
        bad=$((bad + 1))
        dt_log "  at ${points[i]}: wanted ${wanted[i]}, the screen shows ${got[i]}"
    done
    if ((bad > 0)); then
        dt_fail "$1: $bad of ${#points[@]} points differ from each monitor's fill-crop"
        import -window root "$DT_OUT/monitors-${1// /-}.png"
    else
        dt_log "$1: all ${#points[@]} points show each monitor's fill-crop"
    fi
    dt_stop_program
}

# Millimetres as at 96 dpi: W/MMxH/MM+X+Y.
set_monitors() {
    local output index=0 geometry w h
    output=$(xrandr --query | awk '$2 == "connected" && !name { name = $1 } END { print name }')
    while read -r name _; do
        [[ $name == DT-* ]] && xrandr --delmonitor "$name"
    done < <(xrandr --listmonitors | awk 'NR > 1 { print $2 }' | tr -d '+*')
    for geometry in "$@"; do
        w=${geometry%%x*} h=${geometry#*x}
        h=${h%%+*}
        xrandr --setmonitor "DT-$index" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+${geometry#*+}" \
            "$([[ $index == 0 ]] && echo "$output" || echo none)" >/dev/null
        index=$((index + 1))
    done
    dt_log "monitors: $(xrandr --listmonitors | awk 'NR > 1 { print $3 }' | paste -sd ' ')"
}

check_monitors "one monitor"
set_monitors 1024x768+0+0 1024x768+1024+0
check_monitors "two equal monitors"
set_monitors 1280x768+0+0 768x768+1280+0
check_monitors "monitors of 1280 and 768"

rm "$DT_FOLDER"/q?.bmp
DT_POINTS=("300,400" "900,600" "1300,300" "1800,650")
dt_switches_begin 1
dt_switches_end 10
dt_finish
