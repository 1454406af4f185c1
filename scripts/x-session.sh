# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# The shell helpers that the scripts and the test suites share, all named xs_; a suite's own helpers carry a prefix of
# their own (e2e_, dt_), and a script's own functions none. Sourcing this file only defines them; xs_begin starts a
# private X session's bookkeeping: a private folder (XS_DIR) with a runtime folder, and exit traps that stop by PID
# everything started.
#     source scripts/x-session.sh && xs_begin
#     xs_start_x [WxHxD]...   Xvfb with one screen per geometry (default 1024x768x24); exports DISPLAY
#     xs_start_tray           trayer in the top-right corner; its panel window is XS_TRAY_WINDOW
#     xs_start_bus [system]   a private D-Bus session bus (exports DBUS_SESSION_BUS_ADDRESS); with "system", a
#                             stand-in system bus instead (DBUS_SYSTEM_BUS_ADDRESS), for programs that refuse to
#                             run without one
#     xs_track PID            stops PID with the rest, before what was started earlier
#     xs_on_exit COMMAND      runs COMMAND on exit before anything is stopped, the latest first; the exit code
#                             is in XS_EXIT_STATUS, and a hook may change it
#     xs_wait_for SECONDS COMMAND...   polls COMMAND until it succeeds; says so and fails after SECONDS
#     xs_log, xs_step, xs_fail         a line on stderr named after XS_NAME; with the time since xs_begin; and exit 1
# xs_begin also exports XS_TAG, which every process started afterwards inherits, also those that a bus starts on
# demand and those that detach themselves: on exit, any process still carrying it is stopped too, by PID.

# The title of the program's window, and the same as an xdotool pattern.
XS_WINDOW_TITLE='Quorlen(Win manager)'
XS_WINDOW_PATTERN=${XS_WINDOW_TITLE//(/\\(}
XS_WINDOW_PATTERN="^${XS_WINDOW_PATTERN//)/\\)}\$"

xs_begin() {
    XS_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quorlen-x.XXXXXX") || exit 1
    mkdir -m 700 "$XS_DIR/runtime"
    export XDG_RUNTIME_DIR=$XS_DIR/runtime
    export XS_TAG=${XS_DIR##*/}
    XS_PIDS=()
    XS_HOOKS=()
    XS_EXIT_STATUS=0
    XS_TRAY_WINDOW=
    XS_XVFB_PID=
    XS_TRAYER_PID=
    XS_STARTED_MS=$(xs_now_ms)
    trap xs_exit EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

xs_now_ms() {
    local micros=${EPOCHREALTIME/[.,]/}
    printf '%s\n' "$((micros / 1000))"
}

# A number of seconds as "42s" or "2m 31s".
xs_duration() {
    if (($1 >= 60)); then printf '%dm %ds' $(($1 / 60)) $(($1 % 60)); else printf '%ds' "$1"; fi
}

xs_log() { printf '%s: %s\n' "${XS_NAME:-${0##*/}}" "$*" >&2; }

# A step of a scenario, with the milliseconds since xs_begin.
xs_step() { xs_log "[$(($(xs_now_ms) - XS_STARTED_MS)) ms] $*"; }

xs_fail() {
    xs_log "FAIL: $*"
    exit 1
}

xs_track() { XS_PIDS+=("$1"); }

# Takes a PID off the list once it has been reaped, so that a later process with the same PID is left alone.
xs_forget() {
    local kept=() pid
    for pid in "${XS_PIDS[@]}"; do
        [[ $pid == "$1" ]] || kept+=("$pid")
    done
    XS_PIDS=("${kept[@]}")
}

# Stops one process: TERM, up to 3 s to end, then KILL; reaps it and forgets it. No PID, nothing to stop.
xs_stop_pid() {
    local pid=$1 tries
    [[ -n $pid ]] || return 0
    xs_forget "$pid"
    kill -TERM "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    for ((tries = 0; tries < 30; tries++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

xs_on_exit() { XS_HOOKS+=("$1"); }

# The processes other than this shell whose environment carries XS_TAG, one PID a line.
xs_tagged_pids() {
    local file pid
    while read -r file; do
        pid=${file#/proc/}
        pid=${pid%/environ}
        [[ $pid == "$$" || $pid == "$BASHPID" ]] || printf '%s\n' "$pid"
    done < <(grep -lzxF "XS_TAG=$XS_TAG" /proc/[0-9]*/environ 2>/dev/null)
}

# Stops what is left of the tagged processes: TERM, up to 2 s to end, then KILL.
xs_stop_tagged() {
    local pids tries
    for ((tries = 0; tries < 20; tries++)); do
        mapfile -t pids < <(xs_tagged_pids)
        ((${#pids[@]} > 0)) || return 0
        ((tries > 0)) || kill -TERM "${pids[@]}" 2>/dev/null || true
        sleep 0.1
    done
    kill -KILL "${pids[@]}" 2>/dev/null || true
}

xs_exit() {
    XS_EXIT_STATUS=$?
    trap - EXIT
    local i
    for ((i = ${#XS_HOOKS[@]} - 1; i >= 0; i--)); do
        eval "${XS_HOOKS[i]}" || true
    done
    for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
        xs_stop_pid "${XS_PIDS[i]}"
    done
    xs_stop_tagged
    rm -rf "$XS_DIR"
    exit "$XS_EXIT_STATUS"
}
# Polls a command every 0.1 s until it succeeds; after the given whole seconds it says so and returns 1.
xs_wait_for() {
    local seconds=$1
    shift
    local deadline=$(($(xs_now_ms) + ${seconds%.*} * 1000))
    until "$@" >/dev/null 2>&1; do
        if (($(xs_now_ms) >= deadline)); then
            xs_log "gave up after ${seconds} s waiting for: $*"
            return 1
        fi
        sleep 0.1
    done
}

# Succeeds once a process has ended: it is gone or only a zombie waiting to be reaped.
xs_pid_gone() {
    local stat
    { stat=$(<"/proc/$1/stat"); } 2>/dev/null || return 0
    stat=${stat##*) }
    [[ $stat == Z* ]]
}

xs_file_has_line() { [[ $(wc -l <"$1") -ge 1 ]]; }

xs_start_bus() {
    local kind=${1:-session}
    local socket=$XS_DIR/bus-$kind address
    : >"$socket.address"
    dbus-daemon --session --nofork --nopidfile --address="unix:path=$socket" --print-address=3 \
        3>"$socket.address" >"$socket.log" 2>&1 &
    xs_track $!
    if ! xs_wait_for 10 xs_file_has_line "$socket.address"; then
        cat "$socket.log" >&2
        xs_log "the private $kind bus did not start"
        return 1
    fi
    address=$(head -n 1 "$socket.address")
    if [[ $kind == system ]]; then
        export DBUS_SYSTEM_BUS_ADDRESS=$address
    else
        export DBUS_SESSION_BUS_ADDRESS=$address
    fi
}

xs_start_x() {
    local screens=() geometry number=0
    for geometry in "${@:-1024x768x24}"; do
        screens+=(-screen $((number++)) "$geometry")
    done
    : >"$XS_DIR/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp "${screens[@]}" 3>"$XS_DIR/display" 2>"$XS_DIR/xvfb.log" &
    XS_XVFB_PID=$!
    xs_track "$XS_XVFB_PID"
    if ! xs_wait_for 10 xs_file_has_line "$XS_DIR/display"; then
        cat "$XS_DIR/xvfb.log" >&2
        xs_log "Xvfb did not start"
        return 1
    fi
    DISPLAY=":$(head -n 1 "$XS_DIR/display")"
    export DISPLAY
    unset WAYLAND_DISPLAY
}

xs_find_tray_window() {
    XS_TRAY_WINDOW=$(xdotool search --onlyvisible --pid "$XS_TRAYER_PID" --name '^panel$' | head -n 1)
    [[ -n $XS_TRAY_WINDOW ]]
}

xs_start_tray() {
    trayer --edge top --align right --widthtype request --height 32 --transparent false >"$XS_DIR/trayer.log" 2>&1 &
    XS_TRAYER_PID=$!
    xs_track "$XS_TRAYER_PID"
    if ! xs_wait_for 10 xs_find_tray_window; then
        cat "$XS_DIR/trayer.log" >&2
        xs_log "trayer did not show its panel"
        return 1
    fi
}

xs_children() { xwininfo -children -id "$1" 2>/dev/null | awk '$1 ~ /^0x/ { print $1 }'; }

xs_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# Prints the icon windows embedded into the tray, one a line: trayer puts one socket window per icon into its
# panel, and a client's icon window is the child of that socket. Fails when there is none.
xs_tray_icons() {
    local socket icon found=1
    [[ -n $XS_TRAY_WINDOW ]] || return 1
    for socket in $(xs_children "$XS_TRAY_WINDOW"); do
        for icon in $(xs_children "$socket"); do
            xs_viewable "$icon" && printf '%s\n' "$icon" && found=0
        done
    done
    return "$found"
}

# Prints the first icon window in the tray; fails when there is none.
xs_tray_icon() {
    local icons
    icons=$(xs_tray_icons) || return 1
    printf '%s\n' "${icons%%$'\n'*}"
}

xs_tray_empty() { ! xs_tray_icons >/dev/null; }

# Prints the first viewable window whose name matches the pattern; fails when there is none.
xs_visible_window() {
    local found
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [[ -n $found ]] && printf '%s\n' "$found"
}

# Prints the program's window while it is on screen; fails when it is not.
xs_program_window() { xs_visible_window "$XS_WINDOW_PATTERN"; }

xs_program_window_gone() { ! xs_program_window >/dev/null; }

# Prints the pixmap that the wallpaper setter left in the root window's _XROOTPMAP_ID property.
xs_root_pixmap() {
    local line
    line=$(xprop -root _XROOTPMAP_ID 2>/dev/null) || return 1
    [[ $line =~ (0x[0-9a-fA-F]+) ]] || return 1
    printf '%s\n' "${BASH_REMATCH[1]}"
}

# Succeeds while the root window has a wallpaper pixmap other than the given one ("" for none).
xs_root_pixmap_differs() {
    local now
    now=$(xs_root_pixmap) || return 1
    [[ $now != "$1" ]]
}

# xs_require_tools SET TOOL...: exits 77 (a skip) when a tool is missing, naming the install-deps set that brings
# it; with QUORLEN_NO_SKIPS set, a missing tool fails instead.
xs_require_tools() {
    local set=$1 tool missing=()
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    ((${#missing[@]} == 0)) && return 0
    if [[ -n ${QUORLEN_NO_SKIPS+set} ]]; then
        xs_log "FAIL: missing ${missing[*]}, and QUORLEN_NO_SKIPS forbids a skip"
        exit 1
    fi
    xs_log "SKIP: missing ${missing[*]} (scripts/install-deps $set installs them)"
    exit 77
}

# Sets XS_ENV to the command prefix that runs a program with the given private home and no desktop session, so
# that Quorlen binds to the X11 root window and the XEmbed tray of this session, also when the caller runs in a
# Wayland session.
xs_program_env() {
    local home=$1
    mkdir -p "$home/.config" "$home/.cache" "$home/.local/share"
    # shellcheck disable=SC2034  # read by the callers
    XS_ENV=(env -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP -u DESKTOP_SESSION -u DBUS_SESSION_BUS_ADDRESS
        -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u SWAYSOCK HOME="$home" XDG_CONFIG_HOME="$home/.config"
        XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
        QT_QPA_PLATFORM=xcb)
}
