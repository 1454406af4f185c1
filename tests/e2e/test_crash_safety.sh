#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Crash safety: the program is killed with SIGKILL at random moments while it converts large pictures every second,
# QUORLEN_CRASH_KILLS times (100 by default). After every kill "temp.bmp" is either absent (nothing was converted
# yet) or a whole bitmap of the pictures' size, and the settings file still holds its four values. The kill delays
# are spread over start-up, the first conversion and the next one, as timed by one undisturbed start. QUORLEN_CRASH_SEED repeats a run's delays.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert od stat

kills=${QUORLEN_CRASH_KILLS:-100}
seed=${QUORLEN_CRASH_SEED:-$$}
RANDOM=$seed
width=2400
height=1600

pictures=$E2E_TMP/pictures
mkdir -p "$pictures"
# Noise makes JPEGs of a few megabytes that take a while to decode; all share one size, so any whole bitmap
# written from them has a size known in advance.
for colour in red green blue; do
    convert -size "${width}x${height}" "xc:$colour" +noise Random -fill "$colour" -colorize 40% -quality 90 \
        "$pictures/$colour.jpg" || xs_fail "could not draw the $colour picture"
done
xs_step "pictures: $(du -sh "$pictures" | cut -f1) in 3 JPEGs of ${width}x${height}"
settings=("Interval=1" "pause=True" "DirName=$pictures" "UpdateRegistry=False")
e2e_write_settings "${settings[@]}"
converted=$pictures/temp.bmp

# Prints a little-endian number of the given width in bytes, read at a byte offset of a file.
number_at() {
    od -An -t "u$3" -j "$2" -N "$3" --endian=little "$1" | tr -d ' '
}

# Succeeds when the file is a whole bitmap of the pictures' size: the header's own file size, width and height
# match, and the pixel rows it declares fit exactly into the bytes that follow the header.
whole_bitmap() {
    local file=$1 size bits offset row_bytes
    size=$(stat -c %s "$file") || return 1
    ((size >= 54)) || { xs_log "$file: only $size bytes" && return 1; }
    [[ $(head -c 2 "$file") == BM ]] || { xs_log "$file: no bitmap signature" && return 1; }
    [[ $(number_at "$file" 2 4) == "$size" ]] || { xs_log "$file: header says $(number_at "$file" 2 4) bytes, file has $size" && return 1; }
    [[ $(number_at "$file" 18 4) == "$width" && $(number_at "$file" 22 4) == "$height" ]] ||
        { xs_log "$file: not ${width}x${height}" && return 1; }
    bits=$(number_at "$file" 28 2)
    offset=$(number_at "$file" 10 4)
    # shellcheck disable=SC2017  # rows are padded to whole 4-byte words: the division must round down first
    row_bytes=$(((width * bits + 31) / 32 * 4))
    ((offset + row_bytes * height == size)) || { xs_log "$file: $bits-bit rows do not fill $size bytes" && return 1; }
}

# Succeeds when the settings file has its section and each of the four values as written.
settings_intact() {
    local line
    [[ $(head -n 1 "$E2E_SETTINGS_FILE") == "[Tivelo]" ]] || return 1
    for line in "${settings[@]}"; do
        grep -qxF -- "$line" "$E2E_SETTINGS_FILE" || { xs_log "settings lost '$line'" && return 1; }
    done
}

e2e_start_x
e2e_start_tray

# One undisturbed start first, to tell where in the kill window the conversions fall.
inode_of() { stat -c %i "$1" 2>/dev/null; }
inode_differs() { [[ $(inode_of "$converted") != "$1" ]]; }
calibration_start=$(xs_now_ms)
e2e_start_program 2>/dev/null
xs_wait_for 10 test -s "$converted" || xs_fail "the program never converted a picture"
first_done=$(($(xs_now_ms) - calibration_start))
xs_wait_for 10 inode_differs "$(inode_of "$converted")" || xs_fail "the program never converted a second picture"
second_done=$(($(xs_now_ms) - calibration_start))
xs_stop_pid "$E2E_PROGRAM_PID"
E2E_PROGRAM_PID=
# Two kills in three fall on the start-up (settings saved, first picture converted), one on the next conversion.
first_window=(20 $((first_done + 150)))
second_window=($((second_done - 400 > first_window[1] ? second_done - 400 : first_window[1])) $((second_done + 150)))
xs_step "undisturbed: the first bitmap was whole ${first_done} ms after the start, the second ${second_done} ms;" \
    "kills fall in ${first_window[0]}-${first_window[1]} ms and ${second_window[0]}-${second_window[1]} ms"
rm -f "$converted"

random_in() { echo $(($1 + RANDOM % ($2 - $1 + 1))); }

previous_inode=
new_bitmaps=0
absent=0
unchanged=0
for ((kill = 1; kill <= kills; kill++)); do
    if ((kill % 3 == 0)); then
        delay_ms=$(random_in "${second_window[@]}")
    else
        delay_ms=$(random_in "${first_window[@]}")
    fi
    e2e_start_program 2>/dev/null
    sleep "$((delay_ms / 1000)).$(printf '%03d' $((delay_ms % 1000)))"
    kill -KILL "$E2E_PROGRAM_PID" 2>/dev/null
    wait "$E2E_PROGRAM_PID" 2>/dev/null
    E2E_PROGRAM_PID=
    if [[ -e $converted ]]; then
        whole_bitmap "$converted" || xs_fail "kill $kill after $delay_ms ms (seed $seed) left a broken temp.bmp"
        inode=$(stat -c %i "$converted")
        if [[ $inode != "$previous_inode" ]]; then
            new_bitmaps=$((new_bitmaps + 1))
        else
            unchanged=$((unchanged + 1))
        fi
        previous_inode=$inode
    else
        absent=$((absent + 1))
    fi
    settings_intact || xs_fail "kill $kill after $delay_ms ms (seed $seed) damaged the settings file"
done

mapfile -t leftovers < <(find "$pictures" "$(dirname "$E2E_SETTINGS_FILE")" -mindepth 1 -name '.*')
xs_step "$kills kills (seed $seed): temp.bmp absent $absent times, newly written $new_bitmaps, left as before $unchanged;" \
    "settings intact every time; ${#leftovers[@]} half-written files left behind"
if ((${#leftovers[@]} > 0)); then
    xs_log "left behind: ${leftovers[*]}"
fi
((new_bitmaps > 0 && unchanged > 0)) || xs_fail "the kills did not fall both before and after conversions"
xs_step "passed"
