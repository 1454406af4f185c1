# shellcheck shell=bash
# Shared by the desktop scripts, which each start one real desktop on a private X server, in a private home and
# session bus, and run the real program against it. A desktop script is run as
#     bash tests/desktops/NAME.sh PROGRAM PIXMON OUTDIR
# and sources this file with those arguments. It exits 0 when every check passed and 1 when any failed; what it saw
# stays in OUTDIR (the pixel log, the program's and the desktop's output, the analysis).

# shellcheck source=SCRIPTDIR/../../scripts/x-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/x-session.sh"
DT_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DT_NAME=$(basename "$0" .sh)
XS_NAME=desktop-$DT_NAME
DT_PROGRAM=$(realpath "${1:?usage: $0 PROGRAM PIXMON OUTDIR}")
DT_PIXMON=$(realpath "${2:?usage: $0 PROGRAM PIXMON OUTDIR}")
DT_OUT=${3:?usage: $0 PROGRAM PIXMON OUTDIR}
rm -rf "$DT_OUT" && mkdir -p "$DT_OUT" && DT_OUT=$(realpath "$DT_OUT")
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

dt_log() { printf '%s [%s] %s\n' "$(date +%T.%3N)" "$DT_NAME" "$*" >&2; }

dt_now_ms() {
    local micros=${EPOCHREALTIME/[.,]/}
    printf '%s\n' "$((micros / 1000))"
}

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
    export HOME=$XS_DIR/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
    export XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1
    unset XDG_SESSION_DESKTOP DESKTOP_SESSION SESSION_MANAGER XDG_SESSION_ID XDG_CURRENT_DESKTOP GSETTINGS_BACKEND
    DT_FOLDER=$HOME/Pictures/quorlen
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$DT_FOLDER"
    xs_start_bus session || dt_abort "no session bus"
    xs_on_exit dt_keep_logs
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

dt_pixels() { "$DT_PIXMON" -1 "$@"; }

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
    local want=$1 got
    shift
    for got in $(dt_pixels "$@"); do
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
    mkdir -p "$XDG_CONFIG_HOME/Tivelo"
    printf '[Tivelo]\nInterval=%s\npause=True\nDirName=%s\nUpdateRegistry=False\n' "$1" "$DT_FOLDER" \
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
dt_event() { printf '%s %s\n' "$(dt_now_ms)" "$1" >>"$DT_OUT/events"; }

# dt_switches_begin SECONDS: writes the pictures and the settings, starts the pixel monitor and the program.
dt_switches_begin() {
    local picture size
    DT_INTERVAL=$1
    size=$(xdpyinfo | awk '/dimensions:/ && !size { size = $2 } END { print size }')
    for picture in "${DT_PICTURES[@]}"; do
        dt_write_picture "$DT_FOLDER/${picture%=*}" "${picture#*=}" "$size"
    done
    dt_settings "$DT_INTERVAL"
    "$DT_PIXMON" -w "$DT_FOLDER" "${DT_POINTS[@]}" >"$DT_OUT/pixmon.log" 2>"$DT_OUT/pixmon.stderr" &
    DT_PIXMON_PID=$!
    xs_track "$DT_PIXMON_PID"
    sleep 0.3
    DT_BEGAN_MS=$(dt_now_ms)
    dt_start_program
    dt_log "the program switches every $DT_INTERVAL s"
}

# dt_sleep_until SECONDS: sleeps until that long after the program started.
dt_sleep_until() {
    local left=$((DT_BEGAN_MS + ${1%.*} * 1000 - $(dt_now_ms)))
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
    local pictures
    pictures=$(IFS=, && echo "${DT_PICTURES[*]}")
    python3 "$DT_HERE/analyze.py" "$DT_OUT/pixmon.log" --pictures "$pictures" --interval "$DT_INTERVAL" \
        --min-switches "$switches" --events "$DT_OUT/events" "$@" >"$DT_OUT/analysis.txt" ||
        dt_fail "the screen did not follow the program"
    grep -E 'STALE|FLASH|^switches=|^FAIL' "$DT_OUT/analysis.txt" | sed 's/^/    /' >&2 || true
    dt_check_binding
    dt_check_files
}

# The binding the program named on stderr must be DT_BINDING.
dt_check_binding() {
    local said
    said=$(sed -n 's/^quorlen: wallpaper binding: //p' "$DT_OUT/program.stderr" | paste -sd ',')
    dt_log "the program's binding: ${said:-none said}"
    [[ ,$said, == *",$DT_BINDING,"* ]] || dt_fail "the program did not choose the $DT_BINDING binding"
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
