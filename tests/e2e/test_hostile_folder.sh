#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A hostile picture folder: names with spaces, quotes, command substitutions, a newline, bytes that are no UTF-8
# and leading dashes; a truncated JPEG, a GIF that is really text, an empty bitmap; and a "temp.bmp" that is a
# symbolic link to a file outside the folder. The program keeps switching among the good pictures, names every
# bad file on stderr, never writes through the link, never runs anything hidden in a name, and does not crash.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert sha256sum stat find

pictures=$E2E_TMP/pictures
outside=$E2E_TMP/outside
mkdir -p "$pictures" "$outside"

# Good pictures, one plain colour each. Each is drawn under a plain name and then renamed, so that no tool
# used here reads its hostile name as an option or an expression.
# shellcheck disable=SC2016  # the command substitutions stay unexpanded on purpose
declare -A good=(
    ['with  two spaces .jpg']=ff0000
    [$'quote\'s "double".gif']=00ff00
    ['$(touch pwned).jpg']=0000ff
    ['`touch pwned`;touch pwned;.gif']=ffff00
    [$'new\nline.jpeg']=ff00ff
    ['-dash.bmp']=ff8000
    ['--help.jpg']=8000ff
)
# A name that is no UTF-8: whether the program can open it depends on the platform's file name encoding, so it
# may be shown or reported, but it must not stop the rest.
odd_bytes_name=$'odd-\xff\xfe-bytes.jpg'
good[$odd_bytes_name]=00ffff
for name in "${!good[@]}"; do
    extension=${name##*.}
    e2e_draw_picture "$E2E_TMP/drawing.$extension" "${good[$name]}"
    mv -- "$E2E_TMP/drawing.$extension" "$pictures/$name" || xs_fail "could not name a picture '$name'"
done

# Bad pictures, which the program must report and skip.
bad_names=(truncated.jpg text.gif empty.bmp)
e2e_draw_picture "$E2E_TMP/whole.jpg" 808080
head -c 150 "$E2E_TMP/whole.jpg" >"$pictures/truncated.jpg"
printf 'GIF89a? no, just text\n' >"$pictures/text.gif"
: >"$pictures/empty.bmp"

# The converted picture's name, pointing at a file that the program must never write.
e2e_draw_picture "$outside/precious.bmp" 123456
ln -s "$outside/precious.bmp" "$pictures/temp.bmp"
precious_sum=$(sha256sum <"$outside/precious.bmp")
precious_mtime=$(stat -c %.9Y "$outside/precious.bmp")

# Places where a command smuggled in a name would leave its "pwned" file.
pwned_places=("$E2E_TMP" "$PWD" "${TMPDIR:-/tmp}")
pwned_files() { find "${pwned_places[@]}" -maxdepth 3 -name pwned -newer "$outside/precious.bmp" 2>/dev/null; }

e2e_write_settings "Interval=1" "pause=True" "DirName=$pictures" "UpdateRegistry=False"

declare -A seen=()
# Notes which good picture the middle of the screen shows; succeeds once four different ones were seen and every
# bad file was named on stderr.
observe() {
    local pixel name bad
    pixel=$(e2e_screen_pixel 512 384) || return 1
    for name in "${!good[@]}"; do
        if e2e_colour_near "$pixel" "${good[$name]}" && [[ -z ${seen[$name]:-} ]]; then
            seen[$name]=1
        fi
    done
    ((${#seen[@]} >= 4)) || return 1
    for bad in "${bad_names[@]}"; do
        grep -q -F -- "$bad" "$E2E_PROGRAM_LOG" || return 1
    done
}

e2e_start_x
e2e_start_tray
e2e_start_program

xs_wait_for 40 observe ||
    xs_fail "saw ${#seen[@]} different pictures; stderr named: $(grep -o -F -e truncated.jpg -e text.gif -e empty.bmp \
        "$E2E_PROGRAM_LOG" | sort -u | tr '\n' ' ')"
shown=()
for name in "${!seen[@]}"; do shown+=("${name@Q}"); done
xs_step "shown: ${shown[*]}; every bad file was named"

e2e_program_gone && xs_fail "the program ended while switching through the hostile folder"
xs_tray_icon >/dev/null || xs_fail "the tray icon is gone"

# Every report names one bad file (or the odd-bytes name) and carries the program's prefix.
while IFS= read -r line; do
    [[ $line == quorlen:* ]] || continue
    for name in "${!good[@]}"; do
        [[ $name == "$odd_bytes_name" ]] && continue
        [[ $line == *"${name%%$'\n'*}"* || $line == *"${name##*$'\n'}"* ]] &&
            xs_fail "a good picture was reported as bad: $line"
    done
done <"$E2E_PROGRAM_LOG"
# Lines from the libraries the program uses (say, an image decoder's warning) are tolerated but shown.
grep -v '^quorlen: ' "$E2E_PROGRAM_LOG" | sed 's/^/e2e: note: stderr line without the program prefix: /' >&2
for bad in "${bad_names[@]}"; do
    grep -F -- "$bad" "$E2E_PROGRAM_LOG" | grep -q -v '^quorlen: ' && xs_fail "a report on $bad lacks the 'quorlen: ' prefix"
    xs_step "$bad was reported $(grep -c -F -- "$bad" "$E2E_PROGRAM_LOG") time(s)"
done

[[ $(sha256sum <"$outside/precious.bmp") == "$precious_sum" ]] || xs_fail "the program changed the link's target"
[[ $(stat -c %.9Y "$outside/precious.bmp") == "$precious_mtime" ]] || xs_fail "the program touched the link's target"
[[ $(find "$outside" -mindepth 1 | wc -l) == 1 ]] || xs_fail "the program wrote into the link's folder: $(ls -A "$outside")"
[[ -z $(pwned_files) ]] || xs_fail "a command hidden in a file name ran: $(pwned_files)"
xs_step "the link's target is untouched and no name was run as a command; passed"
