#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# First run from an empty store: the program waits in the tray and switches nothing, since its default folder (the
# root) holds no pictures. Once the window is shown and a folder of pictures is opened in the folder list with the
# keyboard, the wallpaper switches at once and the settings file records the folder with switching on.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert

work=$E2E_TMP/work
pictures=$work/pictures
mkdir -p "$pictures"
if [[ $pictures == */.* ]]; then
    xs_log "SKIP: the folder list hides folders whose names start with a dot, and $pictures has one"
    exit 77
fi
# An empty store means the root folder; were it to hold pictures, the first start would switch among them.
root_pictures=$(find / -maxdepth 1 -type f \( -iname '*.gif' -o -iname '*.bmp' -o -iname '*.jpg' -o -iname '*jpeg' \) \
    ! -iname temp.bmp 2>/dev/null | wc -l)
if ((root_pictures >= 2)); then
    xs_log "SKIP: the root folder holds $root_pictures pictures, so a first run switches among them at once"
    exit 77
fi
declare -A colours=([rose.jpg]=ff0000 [meadow.gif]=00ff00 [sea.bmp]=0000ff)
for name in "${!colours[@]}"; do
    e2e_draw_picture "$pictures/$name" "${colours[$name]}"
done

# Succeeds when the middle of the screen shows one of the pictures.
screen_shows_a_picture() {
    local pixel name
    pixel=$(e2e_screen_pixel 512 384) || return 1
    for name in "${!colours[@]}"; do
        e2e_colour_near "$pixel" "${colours[$name]}" && return 0
    done
    return 1
}

[[ ! -e $E2E_SETTINGS_FILE ]] || xs_fail "the settings file exists before the first run"
E2E_PROGRAM_CWD=$work
e2e_start_x
e2e_start_tray
e2e_start_program

xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
xs_program_window_gone || xs_fail "the window is shown at start-up"
xs_root_pixmap >/dev/null && xs_fail "the wallpaper was set before any folder was chosen: $(xs_root_pixmap)"
xs_step "the program waits in the tray and has set no wallpaper"

window=$(e2e_show_window)
xs_step "the window $window is shown"
xs_root_pixmap >/dev/null && xs_fail "the wallpaper was set before any folder was chosen: $(xs_root_pixmap)"

e2e_open_folder_by_keyboard "$window" "$pictures"
xs_wait_for 5 xs_root_pixmap_differs "" || xs_fail "opening the picture folder set no wallpaper"
xs_wait_for 5 screen_shows_a_picture || xs_fail "the screen does not show one of the pictures"
xs_step "the wallpaper switched at once, root pixmap $(xs_root_pixmap)"

e2e_setting_is DirName "$pictures" || xs_fail "the settings file's DirName is '$(e2e_setting DirName)'"
e2e_setting_is pause True || xs_fail "the settings file's pause is '$(e2e_setting pause)', expected True"
e2e_setting_is Interval 300 || xs_fail "the settings file's Interval is '$(e2e_setting Interval)', expected 300"
xs_step "the settings file holds the folder with switching on; passed"
