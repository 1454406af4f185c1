# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Shared by the desktop scripts, which each start one real desktop on a private X server or as a headless Wayland
# compositor, in a private home and session bus, and run the real program against it. A desktop script is run as
#     bash tests/desktops/NAME.sh PROGRAM PIXMON OUTDIR
# and sources this file with those arguments. It exits 0 when every check passed and 1 when any failed; what it saw
# stays in OUTDIR (the pixel log, the program's and the desktop's output, the analysis).

# shellcheck source=SCRIPTDIR/../../scripts/x-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-session.sh"
xs_begin
DT_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DT_NAME=$(basename "$0" .sh)
XS_NAME=desktop-$DT_NAME
DT_PROGRAM=$(realpath "${1:?usage: $0 PROGRAM PIXMON OUTDIR}")
DT_PIXMON=$(realpath "${2:?usage: $0 PROGRAM PIXMON OUTDIR}")
DT_OUT=${3:?usage: $0 PROGRAM PIXMON OUTDIR}
# Emptied rather than made anew: a script run as another user may own the folder but not its parent.
mkdir -p "$DT_OUT" && DT_OUT=$(realpath "$DT_OUT") && find "$DT_OUT" -mindepth 1 -delete
DT_FAILED=0
DT_PROGRAM_PID=
# Every picture one plain colour, so that a screen point's colour names the picture; two JPEGs, so that switches
# come where only the content of temp.bmp changes.
DT_PICTURES=(a.jpg=d02020 b.gif=20b020 c.bmp=2040d0 d.jpg=e0c020)
# The colour a desktop is set to before the program starts, to know when it has drawn its background.
DT_READY=7f3fbf
# Points the screen is watched at: clear of the program's window (shown where there is no tray), of GNOME's
# notification banners and of the desktops' panels and icons.
DT_POINTS=("880,300" "900,450" "512,600" "200,650" "850,680")
# How the screen is read: empty on an X server (pixmon), else waymon.py's source for the Wayland compositor.
DT_SCREEN=
# The screen's size where no X server tells it.
DT_SIZE=1024x768
# Debian's Python, for which python3-gi installs the GLib bindings that waymon.py needs; a python3 met earlier in
# PATH may lack them.
DT_PYTHON=/usr/bin/python3

dt_log() { printf '%s [%s] %s\n' "$(date +%T.%3N)" "$DT_NAME" "$*" >&2; }

# A check that failed: said at once, and the script exits 1 at the end.
dt_fail() {
    dt_log "FAIL: $*"
    DT_FAILED=1
}

# A step without which nothing else can be checked.
dt_abort() {
    dt_log "FAIL: $*"
    exit 1
}

dt_finish() {
    ((DT_FAILED == 0)) || exit 1
    dt_log "passed"
}

# dt_session WxH: Xvfb, a private home with its XDG folders, and a private session bus, all exported.
dt_session() {
    xs_start_x "${1}x24" || dt_abort "Xvfb did not start"
    export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb
    dt_private_home
}

# dt_wayland_session SESSION_TYPE SOURCE: a private home and session bus for a headless Wayland compositor that the
# script starts, whose screen waymon.py reads from SOURCE. The program picks Qt's platform itself.
dt_wayland_session() {
    export XDG_SESSION_TYPE=$1
    DT_SCREEN=$2
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    dt_private_home
}

dt_private_home() {
    export HOME=$XS_DIR/home NO_AT_BRIDGE=1
    export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
    unset XDG_SESSION_DESKTOP DESKTOP_SESSION SESSION_MANAGER XDG_SESSION_ID XDG_CURRENT_DESKTOP GSETTINGS_BACKEND \
        SWAYSOCK
    DT_FOLDER=$HOME/Pictures/quorlen
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$DT_FOLDER"
    xs_start_bus session || dt_abort "no session bus"
    xs_on_exit dt_keep_logs
}

# dt_unprivileged: for a desktop that refuses to run as root (sway). Run as root, the script runs itself again as
# the user quorlen-desktops (made if missing), from a copy of the program and the suite that the user can read and
# with its results in a folder of the copy, which are copied to OUTDIR at the end; then it exits with that run's
# status. Run as anyone else, it returns at once.
dt_unprivileged() {
    ((EUID == 0)) || return 0
    local user=quorlen-desktops copy child status
    id -u "$user" >/dev/null 2>&1 ||
        useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
        dt_abort "cannot make the user $user"
    copy=$XS_DIR/as-$user
    mkdir -p "$copy/tests/desktops" "$copy/scripts" "$copy/results"
    cp "$DT_HERE"/*.sh "$DT_HERE"/*.py "$copy/tests/desktops/"
    cp "$DT_HERE/../../scripts/x-session.sh" "$copy/scripts/"
    cp "$DT_PROGRAM" "$copy/quorlen" && cp "$DT_PIXMON" "$copy/pixmon"
    chown -R "$user:" "$copy" && chmod 711 "$XS_DIR"
    dt_log "running as $user"
    setpriv --reuid="$user" --regid="$user" --init-groups \
        bash "$copy/tests/desktops/$DT_NAME.sh" "$copy/quorlen" "$copy/pixmon" "$copy/results" &
    child=$!
    trap 'kill -TERM "$child" 2>/dev/null' INT TERM
    while :; do
        status=0
        wait "$child" || status=$?
        kill -0 "$child" 2>/dev/null || break
    done
    cp -R "$copy/results/." "$DT_OUT/"
    exit "$status"
}

# dt_spawn NAME COMMAND...: starts a desktop process in the background, its output in OUTDIR/NAME.log.
dt_spawn() {
    local name=$1
    shift
    "$@" >>"$DT_OUT/$name.log" 2>&1 &
    DT_PID=$!
    xs_track "$DT_PID"
}

dt_keep_logs() {
    [[ -d $XS_DIR ]] && find "$XS_DIR" -maxdepth 1 -name '*.log' -exec cp {} "$DT_OUT/" \; 2>/dev/null
    return 0
}

dt_pixels() {
    if [[ -n $DT_SCREEN ]]; then
        "$DT_PYTHON" "$DT_HERE/waymon.py" --source "$DT_SCREEN" -1 "$@"
    else
        "$DT_PIXMON" -1 "$@"
    fi
}

# dt_near RRGGBB RRGGBB [TOLERANCE]: the colours differ by less than TOLERANCE (default 24) in every channel.
dt_near() {
    local a=$1 b=$2 tolerance=${3:-24} c difference
    for c in 0 2 4; do
        difference=$((16#${a:c:2} - 16#${b:c:2}))
        ((difference > -tolerance && difference < tolerance)) || return 1
    done
}

# dt_screen_is RRGGBB X,Y...: every point shows (nearly) the colour.
dt_screen_is() {
    local want=$1 got colours
    shift
    colours=$(dt_pixels "$@") && [[ -n $colours ]] || return 1
    for got in $colours; do
        dt_near "$got" "$want" || return 1
    done
}

# dt_wait_drawn SECONDS WHAT [X,Y...]: waits until the screen shows the ready colour, or aborts.
dt_wait_drawn() {
    local seconds=$1 what=$2
    shift 2
    (($# > 0)) || set -- 300,150 800,150 200,650 900,650
    xs_wait_for "$seconds" dt_screen_is "$DT_READY" "$@" ||
        dt_abort "$what did not draw its background in $seconds s; the screen shows $(dt_pixels "$@")"
    dt_log "$what drew its background"
}

dt_bus_has() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# A property of the status-notifier watcher, where a tray host that shows program icons registers.
dt_sni_watcher() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher "string:$1" 2>/dev/null
}
dt_sni_host_up() { dt_sni_watcher IsStatusNotifierHostRegistered | grep -q 'boolean true'; }
dt_sni_icon_registered() { dt_sni_watcher RegisteredStatusNotifierItems | grep -q 'string "'; }

# Whether a window manager has announced itself on the root window.
dt_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# dt_write_picture FILE RRGGBB [WxH]: a plain-coloured picture in the format its name ends in.
dt_write_picture() {
    local format
    case ${1##*.} in
    bmp) format=BMP3 ;;
    gif) format=GIF ;;
    *) format=JPEG ;;
    esac
    convert -size "${3:-1024x768}" "xc:#$2" "$format:$1"
}

# dt_settings SECONDS: the program's settings, switching every SECONDS over the picture folder.
dt_settings() {
    # Quoted as the INI file quotes it, so that any folder name is read back as it is.
    local folder=${DT_FOLDER//\\/\\\\}
    folder=${folder//\"/\\\"}
    mkdir -p "$XDG_CONFIG_HOME/Tivelo"
    printf '[Tivelo]\nInterval=%s\npause=True\nDirName="%s"\nUpdateRegistry=False\n' "$1" "$folder" \
        >"$XDG_CONFIG_HOME/Tivelo/Tivelo.conf"
}

dt_start_program() {
    "$DT_PROGRAM" >>"$DT_OUT/program.stdout" 2>>"$DT_OUT/program.stderr" &
    DT_PROGRAM_PID=$!
    xs_track "$DT_PROGRAM_PID"
}

dt_stop_program() {
    [[ -n $DT_PROGRAM_PID ]] && xs_stop_pid "$DT_PROGRAM_PID"
    DT_PROGRAM_PID=
}

# Appends "TIME WORD" to OUTDIR/events; the analysis leaves out switches while the desktop is "down".
dt_event() { printf '%s %s\n' "$(xs_now_ms)" "$1" >>"$DT_OUT/events"; }

# dt_switches_begin SECONDS: writes the pictures and the settings, starts the pixel monitor and the program.
dt_switches_begin() {
    local picture size
    DT_INTERVAL=$1
    size=$DT_SIZE
    [[ -n $DT_SCREEN ]] || size=$(xdpyinfo | awk '/dimensions:/ && !size { size = $2 } END { print size }')
    for picture in "${DT_PICTURES[@]}"; do
        dt_write_picture "$DT_FOLDER/${picture%=*}" "${picture#*=}" "$size"
    done
    dt_settings "$DT_INTERVAL"
    # Both write whole lines to the one log, pixmon the files opened and, on Wayland, waymon.py the screen.
    local points=("${DT_POINTS[@]}")
    [[ -z $DT_SCREEN ]] || points=()
    "$DT_PIXMON" -w "$DT_FOLDER" "${points[@]}" >>"$DT_OUT/pixmon.log" 2>>"$DT_OUT/pixmon.stderr" &
    DT_PIXMON_PID=$!
    xs_track "$DT_PIXMON_PID"
    DT_WAYMON_PID=
    if [[ -n $DT_SCREEN ]]; then
        "$DT_PYTHON" "$DT_HERE/waymon.py" --source "$DT_SCREEN" "${DT_POINTS[@]}" >>"$DT_OUT/pixmon.log" \
            2>>"$DT_OUT/pixmon.stderr" &
        DT_WAYMON_PID=$!
        xs_track "$DT_WAYMON_PID"
        xs_wait_for 10 xs_file_has_line "$DT_OUT/pixmon.log" || dt_abort "waymon.py saw no screen"
    fi
    sleep 0.3
    DT_BEGAN_MS=$(xs_now_ms)
    dt_start_program
    dt_log "the program switches every $DT_INTERVAL s"
}

# dt_sleep_until SECONDS: sleeps until that long after the program started.
dt_sleep_until() {
    local left=$((DT_BEGAN_MS + ${1%.*} * 1000 - $(xs_now_ms)))
    ((left <= 0)) || sleep "$((left / 1000)).$(printf '%03d' $((left % 1000)))"
}

# dt_switches_end SWITCHES [ANALYSIS OPTION...]: lets the program switch a little more than that often, then stops it
# and checks the screen at every switch, the binding it chose and the files it left. The options go to analyze.py.
dt_switches_end() {
    local switches=$1
    shift
    dt_sleep_until "$((switches * DT_INTERVAL + 2))"
    dt_stop_program
    xs_stop_pid "$DT_PIXMON_PID"
    [[ -z $DT_WAYMON_PID ]] || xs_stop_pid "$DT_WAYMON_PID"
    local pictures
    pictures=$(IFS=, && echo "${DT_PICTURES[*]}")
    python3 "$DT_HERE/analyze.py" "$DT_OUT/pixmon.log" --pictures "$pictures" --interval "$DT_INTERVAL" \
        --min-switches "$switches" --events "$DT_OUT/events" "$@" >"$DT_OUT/analysis.txt" ||
        dt_fail "the screen did not follow the program"
    grep -E 'STALE|FLASH|^switches=|^FAIL' "$DT_OUT/analysis.txt" | sed 's/^/    /' >&2 || true
    dt_check_binding
    dt_check_files
}

# The binding the program named on stderr must be DT_BINDING; in a Wayland session it must never have been the X11
# root window, which only Xwayland would show.
dt_check_binding() {
    local said
    said=$(sed -n 's/^quorlen: wallpaper binding: //p' "$DT_OUT/program.stderr" | paste -sd ',')
    dt_log "the program's binding: ${said:-none said}"
    [[ ,$said, == *",$DT_BINDING,"* ]] || dt_fail "the program did not choose the $DT_BINDING binding"
    [[ -z $DT_SCREEN || ,$said, != *",X11 root window,"* ]] ||
        dt_fail "the program chose the X11 root window in a Wayland session"
}

# Afterwards the picture folder holds only the pictures and temp.bmp, and the program's data folder at most two
# files.
dt_check_files() {
    local name stray=() files=0
    while read -r name; do
        [[ $name == temp.bmp || " ${DT_PICTURES[*]} " == *" $name="* ]] || stray+=("$name")
    done < <(find "$DT_FOLDER" -mindepth 1 -maxdepth 1 -printf '%f\n')
    ((${#stray[@]} == 0)) || dt_fail "the picture folder holds more than the pictures and temp.bmp: ${stray[*]}"
    [[ -d $XDG_DATA_HOME/quorlen ]] && files=$(find "$XDG_DATA_HOME/quorlen" -mindepth 1 | wc -l)
    ((files <= 2)) || dt_fail "$XDG_DATA_HOME/quorlen holds $files files, more than two"
    dt_log "left behind: the pictures, temp.bmp, and $files files in \$XDG_DATA_HOME/quorlen"
}
