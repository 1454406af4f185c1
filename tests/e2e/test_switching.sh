#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Switching on at start-up: with a stored folder of pictures, switching on and an interval of 2 seconds, the program
# makes one of the pictures the root window's wallpaper at once, moves on to another picture after the interval,
# and still shows its window on a double click on the tray icon.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert

# One plain colour per picture, so the middle of the screen tells which picture is the wallpaper.
declare -A picture_colours=([a.jpg]=red [b.gif]=lime [c.bmp]=blue [d.jpeg]=yellow)
declare -A colour_values=([red]=FF0000 [lime]=00FF00 [blue]=0000FF [yellow]=FFFF00)
pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
for name in "${!picture_colours[@]}"; do
    format=
    [[ $name == *.bmp ]] && format=BMP3:
    convert -size 200x150 "xc:${picture_colours[$name]}" "${format}${pictures}/${name}" ||
        xs_fail "could not draw $name"
done
e2e_write_settings "Interval=2" "pause=True" "DirName=$pictures" "UpdateRegistry=False"

# Names the picture colour that a pixel shows; JPEG may shift a channel by a few steps.
colour_name() {
    local pixel=$1 name value channel difference
    for name in "${!colour_values[@]}"; do
        value=${colour_values[$name]}
        for channel in 0 2 4; do
            difference=$((16#${pixel:channel:2} - 16#${value:channel:2}))
            ((difference > -48 && difference < 48)) || continue 2
        done
        printf '%s\n' "$name"
        return 0
    done
    return 1
}

wallpaper=
# Succeeds when a root pixmap is set and the middle of the screen shows a picture other than the one given.
wallpaper_shows_picture_other_than() {
    local pixel
    xs_root_pixmap >/dev/null || return 1
    pixel=$(e2e_screen_pixel 512 384) || return 1
    wallpaper=$(colour_name "$pixel") || return 1
    [[ $wallpaper != "$1" ]]
}

e2e_start_x
e2e_start_tray
e2e_start_program

xs_wait_for 10 wallpaper_shows_picture_other_than none ||
    xs_fail "no picture became the wallpaper (_XROOTPMAP_ID: $(xs_root_pixmap || echo unset))"
first=$wallpaper
xs_step "the wallpaper shows the $first picture, root pixmap $(xs_root_pixmap)"

xs_wait_for 10 wallpaper_shows_picture_other_than "$first" ||
    xs_fail "the wallpaper stayed at the $first picture; the 2-second interval did not switch it"
xs_step "the wallpaper switched to the $wallpaper picture"

xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
e2e_double_click "$(xs_tray_icon)" 8 8
xs_wait_for 5 xs_program_window || xs_fail "a double click on the tray icon did not show the window"
xs_step "a double click showed the window; passed"
