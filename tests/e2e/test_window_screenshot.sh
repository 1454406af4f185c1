#!/usr/bin/env bash
# The window as a person sees it: shown through the tray after a switch, it has a black background, red label
# texts (the Cyrillic one included), the picture's name in green, and the six button pictures in their colours.
# The screenshot is kept beside the program as window-screenshot.png for a person to look at.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}"

e2e_require_tools convert
artefact=$(dirname "$E2E_PROGRAM")/window-screenshot.png

pictures=$E2E_HOME/Pictures/Wallpapers
mkdir -p "$pictures"
e2e_draw_picture "$pictures/Sunset over the lake.jpg" ff8000
e2e_draw_picture "$pictures/Morning in the hills.jpg" 40a040
# The default five minutes keep the first picture's name in the label while the window is looked at.
e2e_write_settings "Interval=300" "pause=True" "DirName=$pictures" "UpdateRegistry=False"

shot=$E2E_TMP/window.png
# Boxes of the client area at 96 dpi, as "x y width height".
seconds_label="8 8 153 17"
folder_label="224 0 153 17"
file_label="8 96 245 13"
# Spots where nothing is drawn, so only the background shows.
blank_spots=("84 28 32 10" "228 50 30 40" "412 0 12 14" "170 92 80 3")

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
    # shellcheck disable=SC2086  # the boxes are split into their four numbers on purpose
    e2e_box_has "$shot" $seconds_label red 40 && e2e_box_has "$shot" $folder_label red 40 &&
        e2e_box_has "$shot" $file_label green 20
}

# Checks one box of the screenshot for a colour: what it is, box, class, least number of pixels.
expect_colour() {
    local what=$1 x y width height count
    read -r x y width height <<<"$2"
    count=$(e2e_box_count "$shot" "$x" "$y" "$width" "$height" "$3") || e2e_fail "could not read $shot"
    ((count >= $4)) || e2e_fail "$what: $count $3 pixels in the box $2, expected at least $4 (see $artefact)"
    e2e_step "$what: $count $3 pixels"
}

e2e_start_x
e2e_start_tray
e2e_start_program

e2e_wait_for 10 e2e_root_pixmap_differs "" || e2e_fail "switching on at start-up set no wallpaper"
window=$(e2e_show_window)
e2e_step "the window $window is shown"
[[ $(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }') == 457x115 ]] ||
    e2e_fail "the window's client area is not 457x115 pixels: $(xwininfo -id "$window" | grep -E 'Width|Height')"

if ! e2e_wait_for 10 window_painted; then
    cp "$shot" "$artefact" 2>/dev/null
    e2e_fail "the window never showed a black background with red labels and a green file name (see $artefact)"
fi
cp "$shot" "$artefact" || e2e_fail "could not keep the screenshot at $artefact"
e2e_step "the window screenshot is kept at $artefact"

expect_colour "the Seconds label" "$seconds_label" red 100
expect_colour "the Cyrillic folder label" "$folder_label" red 100
expect_colour "the file name" "$file_label" green 60
expect_colour "the apply button's check mark" "120 40 48 48" green 200
expect_colour "the exit button's cross" "48 24 32 32" red 200
expect_colour "the exit button's cross" "48 24 32 32" white 30
expect_colour "the to-tray button's arrow" "16 24 32 32" cyan 100
expect_colour "the stop button's octagon" "192 40 32 32" red 300
expect_colour "the next button's double arrow" "248 16 16 16" yellow 40
expect_colour "the help button's question mark" "424 16 16 16" blue 60
# Each picture stands on the black background, not on a box of its own.
expect_colour "the corner of the apply button" "120 40 6 6" black 36
expect_colour "the labels' surroundings" "8 28 4 60" black 240
e2e_step "passed"
