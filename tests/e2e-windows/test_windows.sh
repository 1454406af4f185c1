#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program under Wine, from its ZIP unpacked into a fresh folder, in a fresh Wine prefix on a private
# Xvfb with the trayer tray host (scripts/x-session.sh; Wine's tray docks into trayer over XEmbed). The ZIP carries
# its README, licence and third-party notices, which name every DLL, and the licence texts they point to. Settings
# that another program wrote into the old registry key are read; the program starts hidden with its icon in the tray,
# and a double click shows the window; Apply over a folder of a JPEG, a BMP and a damaged JPEG stores the four values in
# that key as REG_SZ with the Linux settings file's texts; the desktop's Wallpaper value names the converted
# "temp.bmp" and the BMP in turn, and temp.bmp holds the photograph; the problem log names the damaged picture; a
# second start shows the running copy's window; the exit button removes the icon and saves nothing; the end of the
# Windows session ends the program by itself.
#   test_windows.sh ZIP WINDOW_LAYOUT_EXE
# The window's controls are clicked where the Windows build of the window_layout tool puts them, run under Wine on
# the same display with the ZIP's DLLs. Exit codes: 0 passed, 1 failed, 77 skipped (a tool is missing; with
# QUORLEN_NO_SKIPS set, that fails instead).
set -uo pipefail

# shellcheck source=SCRIPTDIR/../../scripts/x-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-session.sh"
xs_begin
XS_NAME=e2e-windows
zip=${1:-}
layout_tool=${2:-}

[[ -f $zip && -f $layout_tool ]] || xs_fail "usage: bash $0 ZIP WINDOW_LAYOUT_EXE (got '$zip' and '$layout_tool')"
xs_require_tools windows Xvfb trayer xdotool xwininfo convert identify wine wineserver cmake

# ---- Wine: a fresh prefix; only what this scenario names reaches the program ----
unset WINEPATH WINEQT_QPA_PLATFORM WINEQT_PLUGIN_PATH
export WINEPREFIX=$XS_DIR/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
program_pid=
problem_log=
# Runs before the X session ends: the program's problem log on failure, then every process of this prefix (the
# program, and Wine's explorer.exe holding the tray, and its services) ends.
finish() {
    if ((XS_EXIT_STATUS != 0 && XS_EXIT_STATUS != 77)); then
        [[ -s $problem_log ]] && xs_log "the program's problem log:" && sed 's/^/    /' "$problem_log" >&2
        [[ -s $XS_DIR/program.log ]] && xs_log "Wine's output:" && tail -n 20 "$XS_DIR/program.log" | sed 's/^/    /' >&2
    fi
    [[ -n $program_pid ]] && xs_stop_pid "$program_pid"
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
}
xs_on_exit finish

xs_start_x 1024x768x24 || xs_fail "Xvfb did not start"
xs_start_tray || xs_fail "trayer did not show its panel"
xs_step "Xvfb on $DISPLAY, trayer panel $XS_TRAY_WINDOW"
wine wineboot --init >/dev/null 2>&1 || xs_fail "wine could not make its prefix"
xs_step "the Wine prefix is made"

# ---- The program, unpacked from the ZIP into a fresh folder ----
mkdir "$XS_DIR/unpacked"
(cd "$XS_DIR/unpacked" && cmake -E tar xf "$(realpath "$zip")") || xs_fail "cannot unpack $zip"
program=$(find "$XS_DIR/unpacked" -name quorlen.exe -print -quit)
[[ -n $program ]] || xs_fail "the ZIP holds no quorlen.exe"
xs_step "unpacked $(basename "$zip"): $(find "$XS_DIR/unpacked" -type f | wc -l) files"

# The notices travel with the program: every DLL of the ZIP is named in them, and each licence text they point to
# is there.
folder=$(dirname "$program")
for file in README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    [[ -s $folder/$file ]] || xs_fail "the ZIP holds no $file beside quorlen.exe"
done
while read -r dll; do
    grep -qF "$dll" "$folder/THIRD-PARTY-NOTICES.txt" || xs_fail "THIRD-PARTY-NOTICES.txt does not name $dll"
done < <(cd "$folder" && find . -name '*.dll' | sed 's|^\./||')
texts=$(grep -o 'licenses/[A-Za-z0-9.-]*\.txt' "$folder/THIRD-PARTY-NOTICES.txt" | sort -u)
[[ -n $texts ]] || xs_fail "THIRD-PARTY-NOTICES.txt points to no licence text"
for file in $texts; do
    [[ -s $folder/$file ]] || xs_fail "the ZIP lacks $file, which THIRD-PARTY-NOTICES.txt points to"
done
xs_step "the ZIP's notices name each of its DLLs; licence texts: $(paste -sd ' ' <<<"$texts")"

# The layout tool runs beside the program, with the ZIP's DLLs and plug-ins, and is gone before the program starts.
declare -A box=()
cp "$layout_tool" "$(dirname "$program")/window_layout.exe"
table=$(wine "$(dirname "$program")/window_layout.exe" 2>"$XS_DIR/layout.log" | tr -d '\r') ||
    xs_fail "the window_layout tool failed: $(tail -n 5 "$XS_DIR/layout.log")"
rm "$(dirname "$program")/window_layout.exe"
while read -r name left top width height; do
    [[ $left$top$width$height =~ ^[0-9]+$ ]] || xs_fail "not a box in the window layout: '$name $left $top $width $height'"
    box[$name]="$left $top $width $height"
done <<<"$table"
xs_step "window layout: ${#box[@]} controls"

# Clicks the middle of a control of the window, named as in the layout. Wine maps the window's client area as
# its X window.
click_control() {
    local left top width height
    [[ -n ${box[$2]:-} ]] || xs_fail "no control '$2' in the window layout"
    read -r left top width height <<<"${box[$2]}"
    xdotool mousemove --window "$1" $((left + width / 2)) $((top + height / 2)) click 1
    xs_step "clicked $2"
}

# Wine shows the Unix root as drive Z:.
windows_path() { printf 'Z:%s\n' "${1//\//\\}"; }

pictures=$XS_DIR/pictures
mkdir "$pictures"
convert -size 160x120 'xc:#2040c0' "$pictures/photo.jpg"
convert -size 96x64 'xc:#c02020' BMP3:"$pictures/plain.bmp"
printf 'not a picture\n' >"$pictures/damaged.jpg"
pictures_windows=$(windows_path "$pictures")

key='HKCU\Software\VB and VBA Program Settings\Tivelo\Tivelo'
desktop_key='HKCU\Control Panel\Desktop'
# Values another program left, as the original wrote them: text, with switching off so that the start switches
# nothing.
registry_set() { wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1 || xs_fail "wine reg add $1 $2 failed"; }
registry_set "$key" Interval 2
registry_set "$key" pause False
registry_set "$key" DirName "$pictures_windows"
registry_set "$key" UpdateRegistry False
registry_set "$desktop_key" Wallpaper ""
user_folder=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -print -quit)
problem_log=$user_folder/AppData/Local/Quorlen/quorlen.log
xs_step "settings written into $key"

# Prints "TYPE DATA" of one registry value; fails when it is absent.
registry_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 \{4\}\(REG_[A-Z_]*\) \{4\}\(.*\)\$/\1 \2/p; s/^ *$2 \{4\}\(REG_[A-Z_]*\) *\$/\1 /p" | grep .
}
# Every value of the settings key, "NAME TYPE DATA" a line, sorted.
settings_dump() {
    wine reg query "$key" 2>/dev/null | tr -d '\r' |
        sed -n 's/^ \{4\}\([^ ].*\) \{4\}\(REG_[A-Z_]*\) \{4\}\(.*\)$/\1 \2 \3/p' | sort
}

start_program() {
    (cd "$XS_DIR" && exec wine "$program") >>"$XS_DIR/program.log" 2>&1 &
    program_pid=$!
    xs_step "program started, PID $program_pid"
}

# Waits for the program to end by itself with code 0.
expect_program_end() {
    xs_wait_for "$1" xs_pid_gone "$program_pid" || xs_fail "$2 did not end the program"
    local status=0
    wait "$program_pid" || status=$?
    program_pid=
    ((status == 0)) || xs_fail "the program ended with code $status after $2"
    xs_wait_for 5 xs_tray_empty || xs_fail "an icon is left in the tray after $2"
}

# ---- Start: hidden, the icon in the tray; a double click shows the window ----
start_program
xs_wait_for 30 xs_tray_icon || xs_fail "no tray icon was embedded into the tray"
xs_program_window_gone || xs_fail "the window is shown at start-up"
[[ $(registry_value "$desktop_key" Wallpaper) == "REG_SZ " ]] || xs_fail "the start switched although pause is False"
xdotool mousemove --window "$(xs_tray_icon)" 8 8 click --repeat 2 --delay 80 1
xs_wait_for 10 xs_program_window || xs_fail "a double click on the tray icon did not show the window"
window=$(xs_program_window)
xs_wait_for 5 xs_tray_empty || xs_fail "the tray icon stayed while the window is shown"
xs_step "a double click on the tray icon showed the window $window"

# ---- Apply stores the four values, read from the key, and switches between the JPEG (converted) and the BMP ----
click_control "$window" applyPictureButton
expected=$(printf '%s\n' "DirName REG_SZ $pictures_windows" "Interval REG_SZ 2" "UpdateRegistry REG_SZ False" \
    "pause REG_SZ True" | sort)
settings_stored() { [[ $(settings_dump) == "$expected" ]]; }
xs_wait_for 10 settings_stored ||
    xs_fail "the settings key holds '$(settings_dump | paste -sd ';')', not '$(paste -sd ';' <<<"$expected")'"
xs_step "the key holds the four values as REG_SZ: $(settings_dump | paste -sd ';')"

converted="$pictures_windows\\temp.bmp"
bitmap="$pictures_windows\\plain.bmp"
seen_converted=0
seen_bitmap=0
deadline=$(($(xs_now_ms) + 30000))
while ((seen_converted == 0 || seen_bitmap == 0)) && (($(xs_now_ms) < deadline)); do
    wallpaper=$(registry_value "$desktop_key" Wallpaper) || wallpaper=
    case ${wallpaper#REG_SZ } in
    "$converted") seen_converted=1 ;;
    "$bitmap") seen_bitmap=1 ;;
    esac
    sleep 0.3
done
((seen_converted == 1)) || xs_fail "the Wallpaper value never named $converted"
((seen_bitmap == 1)) || xs_fail "the Wallpaper value never named $bitmap"
xs_step "the Wallpaper value named $converted and $bitmap"

[[ $(identify -format '%m %w %h' "$pictures/temp.bmp") == BMP*" 160 120" ]] ||
    xs_fail "temp.bmp is not a 160x120 bitmap: $(identify "$pictures/temp.bmp" 2>&1)"
pixel=$(convert "$pictures/temp.bmp" -format '%[hex:p{80,60}]' info:)
for channel in 0:20 2:40 4:c0; do
    got=$((16#${pixel:${channel%%:*}:2})) want=$((16#${channel##*:}))
    ((got - want < 48 && want - got < 48)) || xs_fail "the middle of temp.bmp is #$pixel, not the photograph's #2040c0"
done
xs_step "temp.bmp holds the photograph (middle pixel #$pixel)"

# ---- The problem log: the binding at start-up and the damaged picture, nothing about the good ones ----
log_names_damaged() { grep -q 'quorlen: .*damaged\.jpg' "$problem_log"; }
xs_wait_for 20 log_names_damaged || xs_fail "the problem log $problem_log does not name damaged.jpg"
grep -q 'quorlen: wallpaper binding: Windows' "$problem_log" || xs_fail "the problem log lacks the start-up line"
! grep -e 'photo\.jpg' -e 'plain\.bmp' -e 'temp\.bmp' "$problem_log" || xs_fail "the problem log reports the good pictures"
xs_step "problem log: $(wc -l <"$problem_log") lines, damaged.jpg named, nothing about the good pictures"

# ---- Back to the tray; a second start shows the running copy's window and ends ----
click_control "$window" hidePictureButton
xs_wait_for 10 xs_tray_icon || xs_fail "the hide button left no icon in the tray"
xs_wait_for 5 xs_program_window_gone || xs_fail "the hide button left the window shown"
(cd "$XS_DIR" && exec wine "$program") >>"$XS_DIR/program.log" 2>&1 &
second_pid=$!
xs_wait_for 20 xs_pid_gone "$second_pid" || xs_fail "the second start did not end"
second_status=0
wait "$second_pid" || second_status=$?
((second_status == 0)) || xs_fail "the second start ended with code $second_status"
xs_wait_for 10 xs_program_window || xs_fail "the second start did not show the running copy's window"
window=$(xs_program_window)
xs_step "a second start showed the running copy's window and ended"

# ---- The exit button: an edited but not applied interval is not saved, and the icon goes ----
before=$(settings_dump)
read -r left top width height <<<"${box[secondsField]}"
xdotool mousemove --window "$window" $((left + width / 2)) $((top + height / 2)) click --repeat 3 1 type --delay 20 77
click_control "$window" exitPictureButton
expect_program_end 15 "the exit button"
[[ $(settings_dump) == "$before" ]] || xs_fail "the exit changed the settings: $(settings_dump | paste -sd ';')"
xs_step "the exit button ended the program, saved nothing and left no icon"

# ---- The end of the Windows session ends the program by itself ----
start_program
xs_wait_for 30 xs_tray_icon || xs_fail "no tray icon after the restart"
wine wineboot --end-session >"$XS_DIR/wineboot.log" 2>&1 || true
# Wine ends what still runs after the session's end with another code: 0 means the program left by itself.
expect_program_end 15 "the end of the session"
xs_step "the end of the session ended the program"
xs_step "passed"
