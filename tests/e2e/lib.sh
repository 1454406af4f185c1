# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Helpers for the end-to-end scenarios, on top of the shared ones of scripts/x-session.sh (xs_log, xs_step, xs_fail,
# xs_wait_for, the tray and the root pixmap). A scenario sources this file with the program's path as $1 and the
# window_layout tool's path as $2 (ctest passes both):
#     source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"
# Everything started here runs on a private Xvfb display with a trayer tray host, and is stopped by PID when the
# scenario exits. Exit codes: 0 passed, 1 failed, 77 skipped (a tool is missing).
# When QUORLEN_NO_SKIPS is set (scripts/test sets it), a missing tool fails the scenario instead.

# shellcheck source=SCRIPTDIR/../../scripts/x-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-session.sh"
xs_begin
XS_NAME=e2e
E2E_PROGRAM=${1:-}
E2E_LAYOUT_TOOL=${2:-}
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorlen-e2e.XXXXXX") || exit 1
E2E_HOME=$E2E_TMP/home
E2E_CONFIG_HOME=$E2E_HOME/.config
E2E_SETTINGS_FILE=$E2E_CONFIG_HOME/Tivelo/Tivelo.conf
E2E_PROGRAM_LOG=$E2E_TMP/program.stderr
E2E_PROGRAM_PID=
E2E_PROGRAM_STATUS=
# Further programs a scenario started (a second copy, say), stopped by PID on exit like the first.
E2E_OTHER_PIDS=()
# Longer than any double-click interval, so two clicks this far apart never count as one double click.
# shellcheck disable=SC2034  # read by the scenarios
E2E_DOUBLE_CLICK_GAP=0.6

# Runs on exit before the X session is stopped (a scenario's own xs_on_exit hooks run before this one).
e2e_cleanup() {
    if ((XS_EXIT_STATUS != 0 && XS_EXIT_STATUS != 77)) && [[ -s $E2E_PROGRAM_LOG ]]; then
        xs_log "program stderr:"
        sed 's/^/    /' "$E2E_PROGRAM_LOG" >&2
    fi
    local pid
    for pid in "$E2E_PROGRAM_PID" "${E2E_OTHER_PIDS[@]}"; do
        [[ -n $pid ]] && xs_stop_pid "$pid"
    done
    rm -rf "$E2E_TMP"
}
xs_on_exit e2e_cleanup

if [[ ! -x $E2E_PROGRAM || -d $E2E_PROGRAM ]]; then
    xs_fail "no program to test at '${E2E_PROGRAM}' (usage: bash $0 /path/to/quorlen)"
fi
# The program starts in its private home, so a relative path must be made absolute first.
[[ $E2E_PROGRAM == /* ]] || E2E_PROGRAM=$PWD/$E2E_PROGRAM
[[ -z $E2E_LAYOUT_TOOL || $E2E_LAYOUT_TOOL == /* ]] || E2E_LAYOUT_TOOL=$PWD/$E2E_LAYOUT_TOOL

# Skips the scenario (exit 77) when a tool it needs is not installed, or fails it when QUORLEN_NO_SKIPS is set.
# Extra tool names may be given.
e2e_require_tools() { xs_require_tools test Xvfb trayer xdotool xprop xwininfo import "$@"; }

# Starts Xvfb on the first free display and exports DISPLAY, then reads the window's layout table.
e2e_start_x() {
    xs_start_x 1024x768x24 || xs_fail "Xvfb did not start"
    xs_step "Xvfb runs on display $DISPLAY"
    e2e_load_layout
}

# Starts the trayer tray host in the top-right corner and waits until its panel is on screen.
e2e_start_tray() {
    xs_start_tray || xs_fail "trayer did not show its panel"
    xs_step "trayer panel is window $XS_TRAY_WINDOW"
}

# Writes the program's settings file; each argument is one "Key=Value" line of the [Tivelo] group.
e2e_write_settings() {
    mkdir -p "$(dirname "$E2E_SETTINGS_FILE")"
    {
        printf '[Tivelo]\n'
        printf '%s\n' "$@"
    } >"$E2E_SETTINGS_FILE"
}

# The folder the program is started in; its folder list opens there. A scenario may change it before a start.
E2E_PROGRAM_CWD=$E2E_HOME

# Prepares the program's private folders, then replaces the calling (sub)shell with the program, run with a
# private home and no desktop session so that it binds to the X11 root window and the XEmbed tray. Its stderr is
# appended to the log that is shown when the scenario fails. Call it only in a subshell or in the background.
e2e_exec_program() {
    xs_program_env "$E2E_HOME"
    cd "$E2E_PROGRAM_CWD" || exit 1
    exec "${XS_ENV[@]}" "$E2E_PROGRAM" 2>>"$E2E_PROGRAM_LOG"
}

# Starts the program in the background; E2E_PROGRAM_PID is the program's own PID (the background subshell
# becomes the program), for e2e_wait_program_exit and the clean-up.
e2e_start_program() {
    e2e_exec_program &
    E2E_PROGRAM_PID=$!
    xs_step "program started, PID $E2E_PROGRAM_PID"
}

e2e_screenshot() { import -window root "$1"; }

# Prints the colour of one pixel of the whole screen as RRGGBB.
e2e_screen_pixel() {
    local shot=$E2E_TMP/screen-pixel.png
    e2e_screenshot "$shot" || return 1
    convert "$shot" -format "%[hex:p{$1,$2}]" info:
}

# Clicks with the left button at a position relative to a window's top-left corner.
e2e_click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

e2e_double_click() { xdotool mousemove --window "$1" "$2" "$3" click --repeat 2 --delay 80 1; }

# Succeeds once the program has ended.
e2e_program_gone() { xs_pid_gone "$E2E_PROGRAM_PID"; }

# Waits for the program to end by itself and keeps its exit code in E2E_PROGRAM_STATUS.
e2e_wait_program_exit() {
    xs_wait_for "$1" e2e_program_gone || return 1
    E2E_PROGRAM_STATUS=0
    wait "$E2E_PROGRAM_PID" || E2E_PROGRAM_STATUS=$?
    E2E_PROGRAM_PID=
    xs_step "program exited with code $E2E_PROGRAM_STATUS"
}

# ---- Helpers for the scenarios that drive the window ----

# The window's controls by object name, as "left top width height" in pixels of its client area, read once from
# the window_layout tool (the scenario's second argument) on the scenario's display.
declare -A E2E_BOX=()
e2e_load_layout() {
    [[ -n $E2E_LAYOUT_TOOL ]] || return 0
    local table name left top width height
    xs_program_env "$E2E_TMP/layout-home"
    table=$("${XS_ENV[@]}" "$E2E_LAYOUT_TOOL" 2>"$E2E_TMP/layout.stderr") ||
        { cat "$E2E_TMP/layout.stderr" >&2; xs_fail "$E2E_LAYOUT_TOOL failed"; }
    while read -r name left top width height; do
        [[ $left$top$width$height =~ ^[0-9]+$ ]] ||
            xs_fail "not a box in the window layout: '$name $left $top $width $height'"
        E2E_BOX[$name]="$left $top $width $height"
    done <<<"$table"
    xs_step "window layout: ${#E2E_BOX[@]} controls"
}

# Prints a control's box as "left top width height"; fails when the layout has no such control.
e2e_box() {
    if [[ -z ${E2E_BOX[$1]:-} ]]; then
        xs_log "no control '$1' in the window layout (${E2E_LAYOUT_TOOL:-no window_layout tool given})"
        return 1
    fi
    printf '%s\n' "${E2E_BOX[$1]}"
}

# Prints the middle of a control's box as "x y".
e2e_centre() {
    local left top width height
    read -r left top width height < <(e2e_box "$1") || return 1
    printf '%s %s\n' $((left + width / 2)) $((top + height / 2))
}

# Double-clicks the tray icon, waits for the window and prints its id.
e2e_show_window() {
    xs_wait_for 10 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
    e2e_double_click "$(xs_tray_icon)" 8 8
    xs_wait_for 5 xs_program_window || xs_fail "a double click on the tray icon did not show the window"
    xs_program_window
}

# Clicks the middle of a control of the given window, named as in the window layout.
e2e_click_control() {
    local x y
    read -r x y < <(e2e_centre "$2") || xs_fail "cannot click $2"
    e2e_click "$1" "$x" "$y"
    xs_step "clicked $2"
}

# Prints the value of one key of the settings file ([Tivelo] is its only group); fails when it is absent.
e2e_setting() {
    local line
    [[ -r $E2E_SETTINGS_FILE ]] || return 1
    while IFS= read -r line; do
        if [[ $line == "$1="* ]]; then
            printf '%s\n' "${line#*=}"
            return 0
        fi
    done <"$E2E_SETTINGS_FILE"
    return 1
}

e2e_setting_is() { [[ $(e2e_setting "$1") == "$2" ]]; }

# Draws a plain-coloured picture; the format follows the name's ending (a .bmp is written as a Windows bitmap).
e2e_draw_picture() {
    local path=$1 colour=$2 format=
    [[ ${path,,} == *.bmp ]] && format=BMP3:
    convert -size 160x120 "xc:#${colour}" "${format}${path}" || xs_fail "could not draw $path"
}

# Succeeds when two RRGGBB colours differ by less than 48 steps in every channel (JPEG shifts them a little).
e2e_colour_near() {
    local channel difference
    for channel in 0 2 4; do
        difference=$((16#${1:channel:2} - 16#${2:channel:2}))
        ((difference > -48 && difference < 48)) || return 1
    done
}

# Fails as soon as the root pixmap differs from the given one within the given seconds.
e2e_root_pixmap_stays() {
    local expected=$1 seconds=$2 now
    local deadline=$(($(xs_now_ms) + seconds * 1000))
    while (($(xs_now_ms) < deadline)); do
        now=$(xs_root_pixmap) || now=
        if [[ $now != "$expected" ]]; then
            xs_log "the root pixmap changed from '${expected}' to '${now}'"
            return 1
        fi
        sleep 0.2
    done
}

# Saves a picture of one window as PNG.
e2e_window_screenshot() { import -window "$1" "$2"; }

# Counts the pixels of a colour class inside a box of a PNG: file x y width height class, where class is one
# of black, red, green, yellow, cyan, blue, white. Thresholds leave room for anti-aliased edges and gradients.
e2e_box_count() {
    local file=$1 x=$2 y=$3 width=$4 height=$5 class=$6
    convert "$file" -crop "${width}x${height}+${x}+${y}" +repage -depth 8 txt:- |
        awk -v class="$class" '
            /^#/ { next }
            {
                hex = ""
                for (i = 2; i <= NF; i++) if (substr($i, 1, 1) == "#" && length($i) >= 7) { hex = substr($i, 2, 6); break }
                if (hex == "") next
                r = hexval(substr(hex, 1, 2)); g = hexval(substr(hex, 3, 2)); b = hexval(substr(hex, 5, 2))
                if (class == "black") hit = r <= 16 && g <= 16 && b <= 16
                else if (class == "red") hit = r >= 180 && g <= 90 && b <= 90
                else if (class == "green") hit = g >= 150 && g - r >= 60 && g - b >= 60
                else if (class == "yellow") hit = r >= 200 && g >= 170 && b <= 140
                else if (class == "cyan") hit = g >= 170 && b >= 170 && r <= 140
                else if (class == "blue") hit = b >= 180 && b - r >= 100 && b - g >= 40
                else if (class == "white") hit = r >= 230 && g >= 230 && b >= 230
                else hit = 0
                count += hit
            }
            END { print count + 0 }
            function hexval(h,    digits, v, k) {
                digits = "0123456789abcdef"; h = tolower(h); v = 0
                for (k = 1; k <= length(h); k++) v = v * 16 + index(digits, substr(h, k, 1)) - 1
                return v
            }'
}

# Succeeds when a box of a PNG holds at least the given number of pixels of a colour class (default 1).
e2e_box_has() {
    local count
    count=$(e2e_box_count "$1" "$2" "$3" "$4" "$5" "$6") || return 1
    ((count >= ${7:-1}))
}

# Longer than Qt's type-ahead interval, so the next name typed into a list starts a new search.
E2E_TYPE_AHEAD_GAP=0.6

# Opens a folder in the window's folder list with the keyboard, the way a person would: a click on the list's
# top row gives it the focus, then for each part of the absolute path, from the root down, the part's name is
# typed (type-ahead moves to the row) and Enter opens it. Every opened folder is applied at once, so the settings
# file's DirName tells when each step has landed. The list must be showing the root folder when this starts.
e2e_open_folder_by_keyboard() {
    local window=$1 folder=$2 part opened='' parts
    IFS=/ read -r -a parts <<<"${folder#/}"
    local left top width
    read -r left top width _ < <(e2e_box folderList) || xs_fail "cannot find the folder list"
    e2e_click "$window" $((left + width / 2)) $((top + 8))
    for part in "${parts[@]}"; do
        [[ -n $part ]] || continue
        opened=$opened/$part
        sleep "$E2E_TYPE_AHEAD_GAP"
        xdotool type --delay 20 -- "$part"
        xdotool key Return
        xs_wait_for 5 e2e_setting_is DirName "$opened" ||
            xs_fail "typing '$part' and Enter in the folder list did not open $opened (DirName: $(e2e_setting DirName))"
        xs_step "the folder list opened $opened"
    done
}

# Prints the number of icons embedded into the tray.
e2e_tray_icon_count() {
    [[ -n $XS_TRAY_WINDOW ]] || return 1
    { xs_tray_icons || true; } | wc -l
}

# Starts another copy of the program while the first runs, waits up to the given seconds for it to end by itself
# and keeps its exit code in E2E_OTHER_STATUS.
E2E_OTHER_STATUS=
e2e_run_other_copy() {
    local pid
    e2e_exec_program &
    pid=$!
    E2E_OTHER_PIDS+=("$pid")
    xs_step "another copy started, PID $pid"
    xs_wait_for "$1" xs_pid_gone "$pid" || return 1
    E2E_OTHER_STATUS=0
    wait "$pid" || E2E_OTHER_STATUS=$?
    # Reaped: its PID may be reused by anything now, so the clean-up must not stop it.
    local kept=() other
    for other in "${E2E_OTHER_PIDS[@]}"; do
        [[ $other == "$pid" ]] || kept+=("$other")
    done
    E2E_OTHER_PIDS=("${kept[@]}")
    xs_step "the other copy exited with code $E2E_OTHER_STATUS"
}
