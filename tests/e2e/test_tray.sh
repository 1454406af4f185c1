#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The tray life of a first run: the program starts hidden with only a tray icon, a single click leaves it hidden,
# a double click shows the window in place of the icon, and the window's exit button ends the program with no icon
# left behind.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

# shellcheck disable=SC2119  # this scenario needs no tools beyond the common ones
e2e_require_tools
e2e_start_x
e2e_start_tray
e2e_start_program

xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
icon=$(xs_tray_icon)
xs_step "tray icon is window $icon"
xs_program_window_gone || xs_fail "the window is shown at start-up; it should stay hidden until the icon is double-clicked"

e2e_click "$icon" 8 8
sleep "$E2E_DOUBLE_CLICK_GAP"
xs_program_window_gone || xs_fail "a single click on the tray icon showed the window"
xs_step "a single click left the window hidden"

e2e_double_click "$icon" 8 8
xs_wait_for 5 xs_program_window || xs_fail "a double click on the tray icon did not show the window"
window=$(xs_program_window)
xs_step "a double click showed the window $window"
xs_wait_for 5 xs_tray_empty || xs_fail "the tray icon stayed in the tray while the window is shown"

e2e_click_control "$window" exitPictureButton
e2e_wait_program_exit 10 || xs_fail "the exit button did not end the program"
((E2E_PROGRAM_STATUS == 0)) || xs_fail "the program ended with exit code $E2E_PROGRAM_STATUS, expected 0"
xs_wait_for 5 xs_tray_empty || xs_fail "the tray still holds an icon after the program ended"
xs_step "passed"
