#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The window as a person sees it: shown through the tray after a switch, it has a black background, red label
# texts (the Cyrillic one included), the picture's name in green, and the six button pictures in their colours.
# The screenshot is kept beside the program as window-screenshot.png for a person to look at.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert
artefact=$(dirname "$E2E_PROGRAM")/window-screenshot.png

pictures=$E2E_HOME/Pictures/Wallpapers
mkdir -p "$pictures"
e2e_draw_picture "$pictures/Sunset over the lake.jpg" ff8000
e2e_draw_picture "$pictures/Morning in the hills.jpg" 40a040
# The default five minutes keep the first picture's name in the label while the window is looked at.
e2e_write_settings "Interval=300" "pause=True" "DirName=$pictures" "UpdateRegistry=False"

shot=$E2E_TMP/window.png

# Prints the free space between two controls of the layout, side by side or one above the other, 2 pixels in
# from each, as "left top width height"; fails when the space is empty or another control lies in it.
space_between() {
    local l1 t1 w1 h1 l2 t2 w2 h2 x y w h name l t wo ho
    read -r l1 t1 w1 h1 < <(e2e_box "$1") || return 1
    read -r l2 t2 w2 h2 < <(e2e_box "$2") || return 1
    if ((l1 + w1 <= l2)); then
        x=$((l1 + w1)) w=$((l2 - l1 - w1)) y=$((t1 > t2 ? t1 : t2))
        h=$((t1 + h1 < t2 + h2 ? t1 + h1 - y : t2 + h2 - y))
    else
        y=$((t1 + h1)) h=$((t2 - t1 - h1)) x=$((l1 > l2 ? l1 : l2))
        w=$((l1 + w1 < l2 + w2 ? l1 + w1 - x : l2 + w2 - x))
    fi
    x=$((x + 2)) y=$((y + 2)) w=$((w - 4)) h=$((h - 4))
    ((w > 0 && h > 0)) || return 1
    for name in "${!E2E_BOX[@]}"; do
        read -r l t wo ho <<<"${E2E_BOX[$name]}"
        ((l >= x + w || l + wo <= x || t >= y + h || t + ho <= y)) || return 1
    done
    printf '%s %s %s %s\n' "$x" "$y" "$w" "$h"
}

# Succeeds when every blank spot of the screenshot is black.
background_is_black() {
    local spot x y width height
    for spot in "${blank_spots[@]}"; do
        read -r x y width height <<<"$spot"
        e2e_box_has "$shot" "$x" "$y" "$width" "$height" black $((width * height)) || return 1
    done
}

# Takes a screenshot of the window and succeeds once it shows the painted window: black background, red labels
# and the picture's name in green.
window_painted() {
    e2e_window_screenshot "$window" "$shot" || return 1
    background_is_black || return 1
    # shellcheck disable=SC2046  # the boxes are split into their four numbers on purpose
    e2e_box_has "$shot" $(e2e_box secondsCaption) red 40 && e2e_box_has "$shot" $(e2e_box folderCaption) red 40 &&
        e2e_box_has "$shot" $(e2e_box pictureNameLabel) green 20
}

# Checks one box of the screenshot for a colour: what it is, box, class, least number of pixels.
expect_colour() {
    local what=$1 box x y width height count
    box=${E2E_BOX[$2]:-$2}
    read -r x y width height <<<"$box"
    count=$(e2e_box_count "$shot" "$x" "$y" "$width" "$height" "$3") || xs_fail "could not read $shot"
    ((count >= $4)) || xs_fail "$what: $count $3 pixels in the box $box, expected at least $4 (see $artefact)"
    xs_step "$what: $count $3 pixels"
}

e2e_start_x
# Spots where nothing is drawn, so only the background shows.
blank_spots=()
for pair in "exitPictureButton applyPictureButton" "stopPictureButton folderList" \
    "applyPictureButton pictureNameLabel" "driveList aboutPictureButton"; do
    # shellcheck disable=SC2086  # the pair is split into its two names on purpose
    spot=$(space_between $pair) || xs_fail "the layout has no free space between $pair"
    blank_spots+=("$spot")
done
xs_step "blank spots: $(printf '(%s) ' "${blank_spots[@]}")"
e2e_start_tray
e2e_start_program

xs_wait_for 10 xs_root_pixmap_differs "" || xs_fail "switching on at start-up set no wallpaper"
window=$(e2e_show_window)
xs_step "the window $window is shown"
read -r client_width client_height < <(xwininfo -id "$window" |
    awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
for name in "${!E2E_BOX[@]}"; do
    read -r left top width height <<<"${E2E_BOX[$name]}"
    ((left + width <= client_width && top + height <= client_height)) ||
        xs_fail "$name ($left $top $width $height) lies outside the ${client_width}x${client_height} client area"
done

if ! xs_wait_for 10 window_painted; then
    cp "$shot" "$artefact" 2>/dev/null
    xs_fail "the window never showed a black background with red labels and a green file name (see $artefact)"
fi
cp "$shot" "$artefact" || xs_fail "could not keep the screenshot at $artefact"
xs_step "the window screenshot is kept at $artefact"

expect_colour "the Seconds label" secondsCaption red 100
expect_colour "the Cyrillic folder label" folderCaption red 100
expect_colour "the file name" pictureNameLabel green 60
expect_colour "the apply button's check mark" applyPictureButton green 200
expect_colour "the exit button's cross" exitPictureButton red 200
expect_colour "the exit button's cross" exitPictureButton white 30
expect_colour "the to-tray button's arrow" hidePictureButton cyan 100
expect_colour "the stop button's octagon" stopPictureButton red 300
expect_colour "the next button's double arrow" nextPictureButton yellow 40
expect_colour "the help button's question mark" aboutPictureButton blue 60
# Each picture stands on the black background, not on a box of its own, and so do the labels' texts.
read -r left top _ <<<"${E2E_BOX[applyPictureButton]}"
expect_colour "the corner of the apply button" "$left $top 6 6" black 36
for label in secondsCaption folderCaption pictureNameLabel; do
    read -r _ _ width height <<<"${E2E_BOX[$label]}"
    expect_colour "the background of $label" "$label" black $((width * height / 2))
done
xs_step "passed"
