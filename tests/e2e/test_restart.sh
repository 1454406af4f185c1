#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Restart: the settings come back. After Apply and exit, the next start resumes switching at the stored interval;
# after Stop and exit, the next start leaves the wallpaper alone. Exiting writes nothing, starting writes nothing,
# and the seconds field comes back with the stored interval (an Apply right after the start stores it unchanged).
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert sha256sum

pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
for colour in ff0000 00ff00 0000ff ffff00; do
    e2e_draw_picture "$pictures/$colour.jpg" "$colour"
done
e2e_write_settings "Interval=2" "pause=False" "DirName=$pictures" "UpdateRegistry=False"

settings_sum() { sha256sum <"$E2E_SETTINGS_FILE"; }

expect_stored() {
    local key=$1 value=$2
    e2e_setting_is "$key" "$value" || xs_fail "the settings file's $key is '$(e2e_setting "$key")', expected '$value'"
}

expect_new_wallpaper() {
    local before=$1 seconds=$2 why=$3
    xs_wait_for "$seconds" xs_root_pixmap_differs "$before" || xs_fail "$why did not change the wallpaper"
    pixmap=$(xs_root_pixmap)
    xs_step "$why changed the wallpaper: root pixmap $pixmap"
}

# Ends the program through its exit button and checks that this left the settings file as it was.
exit_through_button() {
    local window=$1 before
    before=$(settings_sum)
    e2e_click_control "$window" exitPictureButton
    e2e_wait_program_exit 10 || xs_fail "the exit button did not end the program"
    ((E2E_PROGRAM_STATUS == 0)) || xs_fail "the program ended with exit code $E2E_PROGRAM_STATUS"
    [[ $(settings_sum) == "$before" ]] || xs_fail "exiting changed the settings file"
}

e2e_start_x
e2e_start_tray

xs_step "first run: apply, then exit"
e2e_start_program
window=$(e2e_show_window)
e2e_click_control "$window" applyPictureButton
expect_new_wallpaper "" 5 "Apply"
xs_wait_for 5 e2e_setting_is pause True || xs_fail "Apply did not store switching on"
exit_through_button "$window"
expect_stored Interval 2
expect_stored DirName "$pictures"
expect_stored pause True

xs_step "second run: switching resumes at the stored interval"
stored=$(settings_sum)
e2e_start_program
expect_new_wallpaper "$pixmap" 5 "the start after Apply"
expect_new_wallpaper "$pixmap" 6 "the resumed 2-second timer"
[[ $(settings_sum) == "$stored" ]] || xs_fail "the start changed the settings file"
window=$(e2e_show_window)
e2e_click_control "$window" applyPictureButton
expect_new_wallpaper "$pixmap" 5 "Apply after the restart"
xs_wait_for 5 e2e_setting_is Interval 2 || xs_fail "the seconds field did not come back with the stored 2 seconds"
expect_stored DirName "$pictures"
e2e_click_control "$window" stopPictureButton
xs_wait_for 5 e2e_setting_is pause False || xs_fail "Stop did not store switching off"
exit_through_button "$window"

xs_step "third run: switching stays off"
stored=$(settings_sum)
pixmap=$(xs_root_pixmap)
e2e_start_program
xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
e2e_root_pixmap_stays "$pixmap" 5 || xs_fail "the start after Stop changed the wallpaper"
xs_step "the wallpaper stayed for two intervals"
[[ $(settings_sum) == "$stored" ]] || xs_fail "the start changed the settings file"
window=$(e2e_show_window)
e2e_click_control "$window" applyPictureButton
expect_new_wallpaper "$pixmap" 5 "Apply after the restart following Stop"
xs_wait_for 5 e2e_setting_is pause True || xs_fail "Apply did not store switching on"
expect_stored Interval 2
expect_stored DirName "$pictures"
xs_step "passed"
