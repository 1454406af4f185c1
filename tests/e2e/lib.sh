# shellcheck shell=bash
# Helpers for the end-to-end scenarios. A scenario sources this file with the program's path as $1:
#     source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "$1"
# Everything started here runs on a private Xvfb display with a trayer tray host, and is stopped by PID when the
# scenario exits. Exit codes: 0 passed, 1 failed, 77 skipped (a tool is missing).

E2E_PROGRAM=${1:-}
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorlen-e2e.XXXXXX") || exit 1
E2E_HOME=$E2E_TMP/home
E2E_CONFIG_HOME=$E2E_HOME/.config
E2E_SETTINGS_FILE=$E2E_CONFIG_HOME/Tivelo/Tivelo.conf
E2E_PROGRAM_LOG=$E2E_TMP/program.stderr
E2E_XVFB_PID=
E2E_TRAYER_PID=
E2E_TRAY_WINDOW=
E2E_PROGRAM_PID=
E2E_PROGRAM_STATUS=
# The title of the window that the program shows when its tray icon is double-clicked, as an xdotool pattern.
E2E_WINDOW_PATTERN='^Quorlen\(Win manager\)$'
# Longer than any double-click interval, so two clicks this far apart never count as one double click.
# shellcheck disable=SC2034  # read by the scenarios
E2E_DOUBLE_CLICK_GAP=0.6

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }

e2e_fail() {
    e2e_log "FAIL: $*"
    exit 1
}

e2e_now_ms() {
    local micros=${EPOCHREALTIME/[.,]/}
    printf '%s\n' "$((micros / 1000))"
}

# Milliseconds since the scenario started, for the step timings in the log.
E2E_STARTED_MS=$(e2e_now_ms)
e2e_step() { e2e_log "[$(($(e2e_now_ms) - E2E_STARTED_MS)) ms] $*"; }

e2e_stop_pid() {
    local pid=$1 tries
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null
    for ((tries = 0; tries < 30; tries++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    local status=$?
    trap - EXIT
    if ((status != 0 && status != 77)) && [[ -s $E2E_PROGRAM_LOG ]]; then
        e2e_log "program stderr:"
        sed 's/^/    /' "$E2E_PROGRAM_LOG" >&2
    fi
    local pid
    for pid in "$E2E_PROGRAM_PID" "$E2E_TRAYER_PID" "$E2E_XVFB_PID"; do
        [[ -n $pid ]] && e2e_stop_pid "$pid"
    done
    rm -rf "$E2E_TMP"
    exit "$status"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [[ ! -x $E2E_PROGRAM || -d $E2E_PROGRAM ]]; then
    e2e_fail "no program to test at '${E2E_PROGRAM}' (usage: bash $0 /path/to/quorlen)"
fi
# The program starts in its private home, so a relative path must be made absolute first.
[[ $E2E_PROGRAM == /* ]] || E2E_PROGRAM=$PWD/$E2E_PROGRAM

# Skips the scenario (exit 77) when a tool it needs is not installed. Extra tool names may be given.
e2e_require_tools() {
    local tool missing=()
    for tool in Xvfb trayer xdotool xprop xwininfo import "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
    done
    if ((${#missing[@]} > 0)); then
        e2e_log "SKIP: missing ${missing[*]} (scripts/install-deps test installs them)"
        exit 77
    fi
}

# Polls a command every 0.1 s until it succeeds; after the given seconds it reports and returns 1.
e2e_wait_for() {
    local seconds=$1
    shift
    local deadline=$(($(e2e_now_ms) + ${seconds%.*} * 1000))
    until "$@" >/dev/null 2>&1; do
        if (($(e2e_now_ms) >= deadline)); then
            e2e_log "gave up after ${seconds} s waiting for: $*"
            return 1
        fi
        sleep 0.1
    done
}

e2e_has_display_number() { [[ $(wc -l <"$1") -ge 1 ]]; }

# Starts Xvfb on the first free display, which it reports through a file descriptor, and exports DISPLAY.
e2e_start_x() {
    local number_file=$E2E_TMP/display-number
    : >"$number_file"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$number_file" 2>"$E2E_TMP/xvfb.log" &
    E2E_XVFB_PID=$!
    if ! e2e_wait_for 10 e2e_has_display_number "$number_file"; then
        cat "$E2E_TMP/xvfb.log" >&2
        e2e_fail "Xvfb did not start"
    fi
    DISPLAY=":$(head -n 1 "$number_file")"
    export DISPLAY
    unset WAYLAND_DISPLAY
    e2e_step "Xvfb runs on display $DISPLAY"
}

e2e_find_tray_window() {
    E2E_TRAY_WINDOW=$(xdotool search --onlyvisible --pid "$E2E_TRAYER_PID" --name '^panel$' | head -n 1)
    [[ -n $E2E_TRAY_WINDOW ]]
}

# Starts the trayer tray host in the top-right corner and waits until its panel is on screen.
e2e_start_tray() {
    trayer --edge top --align right --widthtype request --height 32 --transparent false \
        >"$E2E_TMP/trayer.log" 2>&1 &
    E2E_TRAYER_PID=$!
    if ! e2e_wait_for 10 e2e_find_tray_window; then
        cat "$E2E_TMP/trayer.log" >&2
        e2e_fail "trayer did not show its panel"
    fi
    e2e_step "trayer panel is window $E2E_TRAY_WINDOW"
}

# Writes the program's settings file; each argument is one "Key=Value" line of the [Tivelo] group.
e2e_write_settings() {
    mkdir -p "$(dirname "$E2E_SETTINGS_FILE")"
    {
        printf '[Tivelo]\n'
        printf '%s\n' "$@"
    } >"$E2E_SETTINGS_FILE"
}

# Starts the program with a private home and no desktop session, so it binds to the X11 root window and the
# XEmbed tray. Its stderr goes to a log that is shown when the scenario fails.
e2e_start_program() {
    mkdir -p "$E2E_CONFIG_HOME" "$E2E_HOME/.cache" "$E2E_HOME/.local/share" "$E2E_TMP/runtime"
    chmod 700 "$E2E_TMP/runtime"
    (
        cd "$E2E_HOME" || exit 1
        exec env -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP -u DESKTOP_SESSION -u DBUS_SESSION_BUS_ADDRESS \
            -u WAYLAND_DISPLAY HOME="$E2E_HOME" XDG_CONFIG_HOME="$E2E_CONFIG_HOME" \
            XDG_CACHE_HOME="$E2E_HOME/.cache" XDG_DATA_HOME="$E2E_HOME/.local/share" \
            XDG_RUNTIME_DIR="$E2E_TMP/runtime" QT_QPA_PLATFORM=xcb "$E2E_PROGRAM"
    ) 2>"$E2E_PROGRAM_LOG" &
    E2E_PROGRAM_PID=$!
    e2e_step "program started, PID $E2E_PROGRAM_PID"
}

e2e_is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

e2e_child_windows() { xwininfo -children -id "$1" 2>/dev/null | awk '$1 ~ /^0x/ { print $1 }'; }

# Prints the window that a tray client embedded into trayer: trayer puts one socket window per icon into its
# panel, and the client's icon window is the child of that socket. Fails when no icon is embedded.
e2e_tray_icon_window() {
    local socket icon
    [[ -n $E2E_TRAY_WINDOW ]] || return 1
    for socket in $(e2e_child_windows "$E2E_TRAY_WINDOW"); do
        for icon in $(e2e_child_windows "$socket"); do
            if e2e_is_viewable "$icon"; then
                printf '%s\n' "$icon"
                return 0
            fi
        done
    done
    return 1
}

e2e_tray_is_empty() { ! e2e_tray_icon_window >/dev/null; }

# Prints the program's main window when it is mapped and viewable.
e2e_window_mapped() {
    local found
    found=$(xdotool search --onlyvisible --name "$E2E_WINDOW_PATTERN" 2>/dev/null | head -n 1)
    [[ -n $found ]] && printf '%s\n' "$found"
}

e2e_window_unmapped() { ! e2e_window_mapped >/dev/null; }

# Prints the pixmap id that the wallpaper setter left in the root window's _XROOTPMAP_ID property.
e2e_root_pixmap() {
    local line
    line=$(xprop -root _XROOTPMAP_ID 2>/dev/null) || return 1
    [[ $line =~ (0x[0-9a-fA-F]+) ]] || return 1
    printf '%s\n' "${BASH_REMATCH[1]}"
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

# Succeeds once the program has ended: its process is gone or only a zombie waiting to be reaped.
e2e_program_gone() {
    local stat
    { stat=$(<"/proc/$E2E_PROGRAM_PID/stat"); } 2>/dev/null || return 0
    stat=${stat##*) }
    [[ $stat == Z* ]]
}

# Waits for the program to end by itself and keeps its exit code in E2E_PROGRAM_STATUS.
e2e_wait_program_exit() {
    e2e_wait_for "$1" e2e_program_gone || return 1
    E2E_PROGRAM_STATUS=0
    wait "$E2E_PROGRAM_PID" || E2E_PROGRAM_STATUS=$?
    E2E_PROGRAM_PID=
    e2e_step "program exited with code $E2E_PROGRAM_STATUS"
}
