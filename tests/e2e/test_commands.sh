#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Apply, Next and Stop through the window's image buttons, clicked where a person sees them: Apply and Next each
# set a new wallpaper at once, Enter in the seconds field applies a new interval, Stop keeps the wallpaper for two
# intervals and stores switching off, and Next after Stop switches again and restarts the timer.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert

pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
colours=(ff0000 00ff00 0000ff ffff00 ff00ff 00ffff ff8000 8000ff)
for index in "${!colours[@]}"; do
    extension=jpg
    ((index % 2)) && extension=gif
    e2e_draw_picture "$pictures/picture-$index.$extension" "${colours[index]}"
done
# Switching off, and an interval long enough that no tick interferes with the clicks of the first steps.
e2e_write_settings "Interval=60" "pause=False" "DirName=$pictures" "UpdateRegistry=False"

# Succeeds when the middle of the screen shows one of the pictures.
screen_shows_a_picture() {
    local pixel colour
    pixel=$(e2e_screen_pixel 512 384) || return 1
    for colour in "${colours[@]}"; do
        e2e_colour_near "$pixel" "$colour" && return 0
    done
    return 1
}

# Waits for a new root pixmap after the given action; the action's words are the log's.
expect_new_wallpaper() {
    local before=$1 seconds=$2 why=$3
    xs_wait_for "$seconds" xs_root_pixmap_differs "$before" || xs_fail "$why did not change the wallpaper"
    pixmap=$(xs_root_pixmap)
    xs_step "$why changed the wallpaper: root pixmap $pixmap"
}

e2e_start_x
e2e_start_tray
e2e_start_program

xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
xs_root_pixmap >/dev/null && xs_fail "with switching stored off, start-up set a wallpaper"
window=$(e2e_show_window)
xs_step "the window $window is shown, no wallpaper set"

e2e_click_control "$window" applyPictureButton
expect_new_wallpaper "" 5 "Apply"
xs_wait_for 5 screen_shows_a_picture || xs_fail "the screen does not show one of the pictures after Apply"
xs_wait_for 5 e2e_setting_is pause True || xs_fail "Apply did not store switching on (pause: $(e2e_setting pause))"

e2e_click_control "$window" nextPictureButton
expect_new_wallpaper "$pixmap" 5 "Next"

e2e_click_control "$window" applyPictureButton
expect_new_wallpaper "$pixmap" 5 "Apply again"

# A two-second interval typed into the seconds field and applied with Enter.
e2e_click_control "$window" secondsField
xdotool key ctrl+a
xdotool type -- 2
xdotool key Return
expect_new_wallpaper "$pixmap" 5 "Enter in the seconds field"
xs_wait_for 5 e2e_setting_is Interval 2 || xs_fail "Enter did not store the interval (Interval: $(e2e_setting Interval))"
expect_new_wallpaper "$pixmap" 6 "the 2-second timer"

e2e_click_control "$window" stopPictureButton
xs_wait_for 5 e2e_setting_is pause False || xs_fail "Stop did not store switching off (pause: $(e2e_setting pause))"
pixmap=$(xs_root_pixmap)
e2e_root_pixmap_stays "$pixmap" 5 || xs_fail "the wallpaper changed within two intervals after Stop"
xs_step "the wallpaper stayed for two intervals after Stop"

e2e_click_control "$window" nextPictureButton
expect_new_wallpaper "$pixmap" 5 "Next after Stop"
expect_new_wallpaper "$pixmap" 6 "the timer restarted by Next"
e2e_setting_is pause True || xs_fail "Next turned switching on but stored pause '$(e2e_setting pause)'"
xs_step "passed"
