#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A hostile environment around the real program: a settings file that is a symbolic link, a folder, a named pipe,
# garbage or unreadable; a read-only config folder; a stored picture folder missing at start (kept, and switched
# once it is back); a picture folder that is deleted, renamed or made unreadable while pictures switch, or that
# sits on a mount which goes away. Each time the program starts, does not crash
# or hang, says what is wrong in a line on stderr, and keeps what it can. Permission cases run as "nobody", since
# root reads through any permission; the mount case is left out where a tmpfs cannot be mounted.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert setpriv cmp

# "nobody" must reach its home and the pictures inside the scenario's private folder.
chmod 755 "$E2E_TMP"
pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
if ! convert -size 160x120 xc:red "BMP3:$pictures/red.bmp" ||
    ! convert -size 160x120 xc:blue "BMP3:$pictures/blue.bmp" ||
    ! convert -size 160x120 xc:lime -quality 90 "$pictures/lime.jpg"; then
    xs_fail "could not draw the pictures"
fi
chmod -R a+rX "$pictures"
chown nobody "$pictures" # so that a conversion run as "nobody" can write temp.bmp

can_drop_root=false
if ((EUID == 0)) && setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null; then
    can_drop_root=true
fi

# A fresh home for the next case; with "nobody" as its owner when asked.
fresh_home() {
    rm -rf "$E2E_HOME"
    mkdir -p "$(dirname "$E2E_SETTINGS_FILE")" "$E2E_HOME/.cache" "$E2E_HOME/.local/share" "$E2E_TMP/runtime"
    chmod 700 "$E2E_TMP/runtime"
    if [[ ${1:-} == nobody ]]; then
        chown -R nobody:nogroup "$E2E_HOME" "$E2E_TMP/runtime"
    else
        chown -R root:root "$E2E_TMP/runtime"
    fi
}

settings_lines() { printf '[Tivelo]\nInterval=1\npause=True\nDirName=%s\nUpdateRegistry=False\n' "$1"; }

# Starts the program as "nobody", with the same private home and session as e2e_start_program.
start_as_nobody() {
    (
        cd "$E2E_HOME" || exit 1
        xs_program_env "$E2E_HOME"
        exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
            "${XS_ENV[@]}" XDG_RUNTIME_DIR="$E2E_TMP/runtime" "$E2E_PROGRAM"
    ) 2>>"$E2E_PROGRAM_LOG" &
    E2E_PROGRAM_PID=$!
}

# Each case reads only its own program's lines.
start() {
    : >"$E2E_PROGRAM_LOG"
    if [[ ${1:-} == nobody ]]; then start_as_nobody; else e2e_start_program 2>/dev/null; fi
}

stop() {
    xs_stop_pid "$E2E_PROGRAM_PID"
    E2E_PROGRAM_PID=
}

# Waits for the wallpaper to change twice: the program is up and switching.
expect_switching() {
    local first
    xs_wait_for 10 xs_root_pixmap_differs "$(xs_root_pixmap || echo none)" || xs_fail "$case: no switch"
    first=$(xs_root_pixmap)
    xs_wait_for 10 xs_root_pixmap_differs "$first" || xs_fail "$case: switching stopped after one picture"
}

expect_line() {
    xs_wait_for 10 grep -q -- "$1" "$E2E_PROGRAM_LOG" || xs_fail "$case: no stderr line like '$1'"
}

# The program is still there a moment later: nothing made it crash.
expect_alive() {
    sleep "$1"
    e2e_program_gone && xs_fail "$case: the program ended"
    return 0
}

passed() {
    xs_step "$case: passed; stderr:"
    sed 's/^/    /' "$E2E_PROGRAM_LOG" >&2
    cases_run=$((cases_run + 1))
}

cases_run=0
e2e_start_x
e2e_start_tray

case="settings file is a symbolic link"
fresh_home
mkdir -p "$E2E_TMP/dotfiles"
settings_lines "$pictures" >"$E2E_TMP/dotfiles/Tivelo.conf"
ln -s "$E2E_TMP/dotfiles/Tivelo.conf" "$E2E_SETTINGS_FILE"
start
expect_switching
stop
[[ -L $E2E_SETTINGS_FILE ]] || xs_fail "$case: the save replaced the link"
grep -qxF "DirName=$pictures" "$E2E_TMP/dotfiles/Tivelo.conf" || xs_fail "$case: the linked file lost DirName"
grep -q settings "$E2E_PROGRAM_LOG" && xs_fail "$case: a complaint about good settings"
passed

case="settings file is a folder"
fresh_home
mkdir -p "$E2E_SETTINGS_FILE/inside"
start
expect_line "settings $E2E_SETTINGS_FILE: it is a folder"
expect_line "cannot store"
expect_alive 1
stop
[[ -d $E2E_SETTINGS_FILE/inside ]] || xs_fail "$case: the folder was touched"
passed

case="settings file is a named pipe"
fresh_home
mkfifo "$E2E_SETTINGS_FILE"
start
expect_line "settings $E2E_SETTINGS_FILE: it is not a plain file"
xs_wait_for 10 xs_tray_icon || xs_fail "$case: the program hung before its tray icon"
stop
[[ -p $E2E_SETTINGS_FILE ]] || xs_fail "$case: the pipe was replaced"
passed

case="settings file full of garbage"
fresh_home
head -c 4096 /dev/urandom >"$E2E_SETTINGS_FILE"
start
expect_line "hold no \[Tivelo\] section"
xs_wait_for 10 grep -q '^pause=' "$E2E_SETTINGS_FILE" || xs_fail "$case: the resume did not save over the garbage"
expect_alive 1
stop
for key in Interval pause DirName UpdateRegistry; do
    grep -q "^$key=" "$E2E_SETTINGS_FILE" || xs_fail "$case: $key missing after the save"
done
passed

if $can_drop_root; then
    case="settings file without read permission"
    fresh_home nobody
    settings_lines "$pictures" >"$E2E_SETTINGS_FILE"
    cp "$E2E_SETTINGS_FILE" "$E2E_TMP/settings.before"
    chown nobody "$E2E_SETTINGS_FILE"
    chmod 000 "$E2E_SETTINGS_FILE"
    start nobody
    expect_line "cannot read the settings $E2E_SETTINGS_FILE: access denied"
    expect_line "cannot store .*access denied"
    expect_alive 1
    stop
    cmp -s "$E2E_SETTINGS_FILE" "$E2E_TMP/settings.before" || xs_fail "$case: the settings changed"
    passed

    case="read-only config folder"
    fresh_home nobody
    settings_lines "$pictures" >"$E2E_SETTINGS_FILE"
    cp "$E2E_SETTINGS_FILE" "$E2E_TMP/settings.before"
    chown nobody "$E2E_SETTINGS_FILE"
    chmod 555 "$(dirname "$E2E_SETTINGS_FILE")"
    start nobody
    expect_switching
    expect_line "cannot store .*access denied"
    stop
    cmp -s "$E2E_SETTINGS_FILE" "$E2E_TMP/settings.before" || xs_fail "$case: the settings changed"
    chmod 755 "$(dirname "$E2E_SETTINGS_FILE")"
    passed
else
    xs_log "the permission cases are left out: not root, or cannot become nobody"
fi

case="stored picture folder unplugged at start, then back"
fresh_home
stick=$E2E_TMP/stick/pictures
settings_lines "$stick" >"$E2E_SETTINGS_FILE"
start
expect_line "cannot open the folder $stick"
expect_alive 3
stop
(($(grep -c "cannot open the folder" "$E2E_PROGRAM_LOG") == 1)) || xs_fail "$case: not said exactly once"
grep -qxF "DirName=$stick" "$E2E_SETTINGS_FILE" || xs_fail "$case: the stored folder was replaced"
mkdir -p "$stick"
cp "$pictures"/*.bmp "$pictures"/*.jpg "$stick/"
start
expect_switching
stop
passed

# Runs the program over a copy of the pictures, then does something to that folder while it switches.
folder_case() {
    local user=$1 folder=$2
    fresh_home "$user"
    mkdir -p "$folder"
    cp "$pictures"/*.bmp "$pictures"/*.jpg "$folder/"
    [[ $user == nobody ]] && chown -R nobody "$folder"
    settings_lines "$folder" >"$E2E_SETTINGS_FILE"
    [[ $user == nobody ]] && chown nobody "$E2E_SETTINGS_FILE"
    start "$user"
    expect_switching
}

case="picture folder deleted while switching"
folder_case root "$E2E_TMP/doomed"
rm -rf "$E2E_TMP/doomed"
expect_line "cannot open the picture"
expect_alive 2
stop
passed

case="picture folder renamed while switching"
folder_case root "$E2E_TMP/before"
mv "$E2E_TMP/before" "$E2E_TMP/after"
expect_line "cannot open the picture"
expect_alive 2
stop
passed

if $can_drop_root; then
    case="picture folder made unreadable while switching"
    folder_case nobody "$E2E_TMP/locked"
    chmod 000 "$E2E_TMP/locked"
    expect_line "cannot open the picture"
    expect_alive 2
    stop
    chmod 755 "$E2E_TMP/locked"
    passed
fi

mount_point=$E2E_TMP/removable
mkdir -p "$mount_point"
if mount -t tmpfs -o size=4m quorlen-removable "$mount_point" 2>/dev/null; then
    case="picture folder on a mount that goes away"
    folder_case root "$mount_point/pictures"
    umount "$mount_point" 2>/dev/null || umount -l "$mount_point"
    expect_line "cannot open the picture"
    expect_alive 2
    stop
    passed
else
    xs_log "the mount case is left out: cannot mount a tmpfs here"
fi

xs_step "$cases_run cases passed"
