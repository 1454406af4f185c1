#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One copy per user: a second start while the first waits in the tray shows the first copy's window, as a double
# click on its icon would, and ends with exit code 0; the tray never holds a second icon. A second start while the
# window is shown changes nothing, and a copy killed outright leaves no lock that stops the next start.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

# shellcheck disable=SC2119  # this scenario needs no tools beyond the common ones
e2e_require_tools

expect_one_icon() {
    local count
    count=$(e2e_tray_icon_count) || xs_fail "the tray panel is gone"
    ((count == 1)) || xs_fail "the tray holds $count icons, expected 1 ($1)"
}

expect_other_copy_ends() {
    e2e_run_other_copy 10 || xs_fail "the second start did not end within 10 s ($1)"
    ((E2E_OTHER_STATUS == 0)) || xs_fail "the second start ended with exit code $E2E_OTHER_STATUS ($1)"
    e2e_program_gone && xs_fail "the first copy ended after a second start ($1)"
}

window_count() { xdotool search --onlyvisible --name "$XS_WINDOW_PATTERN" 2>/dev/null | wc -l; }

e2e_start_x
e2e_start_tray
e2e_start_program
xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
expect_one_icon "the first copy in the tray"
xs_program_window_gone || xs_fail "the window is shown at start-up"

expect_other_copy_ends "first copy in the tray"
xs_wait_for 5 xs_program_window || xs_fail "the second start did not show the first copy's window"
xs_wait_for 5 xs_tray_empty || xs_fail "the icon stayed in the tray while the window is shown"
window=$(xs_program_window)
xs_step "the first copy shows its window $window and its icon left the tray"

expect_other_copy_ends "first copy's window shown"
(($(window_count) == 1)) || xs_fail "$(window_count) windows are shown after a second start, expected 1"
xs_tray_empty || xs_fail "a second start while the window is shown put an icon into the tray"
xs_step "a second start while the window is shown changed nothing"

e2e_click_control "$window" hidePictureButton
xs_wait_for 5 xs_program_window_gone || xs_fail "the to-tray button did not hide the window"
xs_wait_for 5 xs_tray_icon || xs_fail "the to-tray button did not put the icon into the tray"
expect_one_icon "after the to-tray button"
expect_other_copy_ends "first copy back in the tray"
xs_wait_for 5 xs_program_window || xs_fail "a second start after the to-tray button did not show the window"
xs_step "a second start shows the window again after it went back to the tray"

# A copy that dies without cleaning up must not keep the next start out.
kill -KILL "$E2E_PROGRAM_PID"
e2e_wait_program_exit 5 || xs_fail "the first copy survived SIGKILL"
xs_wait_for 5 xs_program_window_gone || xs_fail "the killed copy's window stayed on screen"
e2e_start_program
xs_wait_for 10 xs_tray_icon || xs_fail "after a crash of the first copy, a new start put no icon into the tray"
expect_one_icon "a new start after a crash"
e2e_program_gone && xs_fail "a new start after a crash ended at once, kept out by the dead copy's lock"
xs_step "a new start after a crash runs in the tray; passed"
