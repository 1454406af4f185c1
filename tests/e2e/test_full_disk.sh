#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A full disk: the program's home, with its settings and its picture folder, lies on a small tmpfs that is then
# filled to the last byte. Writing "temp.bmp" and the settings fails cleanly, with a line on stderr; the old
# "temp.bmp" and settings survive byte for byte, no half-written file is left, and the bitmaps of the folder keep
# switching. Once space is freed, conversions work again. Skipped (77) where a tmpfs cannot be mounted.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

e2e_require_tools convert sha256sum mount umount dd

disk=$E2E_HOME
mkdir -p "$disk"
if ! mount -t tmpfs -o size=6m,mode=0755 quorlen-full-disk "$disk" 2>/dev/null; then
    xs_log "SKIP: cannot mount a tmpfs here (needs root and mount permission)"
    exit 77
fi
# The program runs with its working folder on the disk, so it must end before the disk can go.
unmount_disk() {
    [[ -n $E2E_PROGRAM_PID ]] && xs_stop_pid "$E2E_PROGRAM_PID"
    E2E_PROGRAM_PID=
    umount "$disk" 2>/dev/null || umount -l "$disk"
}
xs_on_exit unmount_disk

pictures=$disk/pictures
mkdir -p "$pictures"
if ! convert -size 160x120 xc:red "BMP3:$pictures/red.bmp" ||
    ! convert -size 160x120 xc:blue "BMP3:$pictures/blue.bmp" ||
    ! convert -size 800x600 xc:lime -quality 90 "$pictures/lime.jpg"; then
    xs_fail "could not draw the pictures"
fi
e2e_write_settings "Interval=1" "pause=True" "DirName=$pictures" "UpdateRegistry=False"
converted=$pictures/temp.bmp

screen_colour() {
    local pixel
    pixel=$(e2e_screen_pixel 512 384) || return 1
    case ${pixel:0:2}${pixel:2:2}${pixel:4:2} in
    [Ff][0-9A-Fa-f]0[0-9A-Fa-f]0[0-9A-Fa-f]) echo red ;;
    0[0-9A-Fa-f]0[0-9A-Fa-f][Ff][0-9A-Fa-f]) echo blue ;;
    0[0-9A-Fa-f][Ff][0-9A-Fa-f]0[0-9A-Fa-f]) echo lime ;;
    *) echo "other:$pixel" ;;
    esac
}

seen=
# Succeeds once the screen has shown both bitmaps since `seen` was last cleared.
both_bitmaps_seen() {
    local colour
    colour=$(screen_colour) || return 1
    [[ $seen == *"$colour"* ]] || seen+=" $colour"
    [[ $seen == *red* && $seen == *blue* ]]
}

inode_differs() { [[ $(stat -c %i "$converted") != "$1" ]]; }

fingerprint() { sha256sum "$converted" "$E2E_SETTINGS_FILE" | cut -d ' ' -f 1 | tr '\n' ' '; }

e2e_start_x
e2e_start_tray

e2e_start_program
xs_wait_for 15 test -s "$converted" || xs_fail "the JPEG was never converted while there was space"
xs_stop_pid "$E2E_PROGRAM_PID"
E2E_PROGRAM_PID=
before=$(fingerprint)
xs_step "with space: temp.bmp written ($(stat -c %s "$converted") bytes)"

dd if=/dev/zero of="$disk/filler" bs=64k status=none 2>/dev/null
dd if=/dev/zero of="$disk/filler-tail" bs=1k status=none 2>/dev/null
xs_step "disk filled: $(df --output=avail -B1 "$disk" | tail -n 1 | tr -d ' ') bytes free"

: >"$E2E_PROGRAM_LOG"
e2e_start_program
xs_wait_for 20 grep -q "cannot.*temp.bmp\|temp.bmp.*cannot\|cannot write" "$E2E_PROGRAM_LOG" ||
    xs_fail "no line on stderr about the conversion that the full disk refused"
xs_wait_for 20 both_bitmaps_seen || xs_fail "the bitmaps stopped switching on the full disk (seen:$seen)"
e2e_program_gone && xs_fail "the program ended on the full disk"
xs_step "full disk: bitmaps shown:$seen; stderr:"
sed "s/^/    /" "$E2E_PROGRAM_LOG" >&2
grep -q "cannot store" "$E2E_PROGRAM_LOG" || xs_fail "the refused settings save was not reported"
[[ $(fingerprint) == "$before" ]] || xs_fail "temp.bmp or the settings changed on the full disk"
mapfile -t leftovers < <(find "$disk" -name '.*' ! -name '.config' ! -name '.cache' ! -name '.local' \
    -newer "$E2E_PROGRAM_LOG" -o -name '*.conf.*' -o -name '.temp.bmp*')
((${#leftovers[@]} == 0)) || xs_fail "half-written files left: ${leftovers[*]}"
xs_step "temp.bmp and the settings survived byte for byte; nothing half-written left"

inode=$(stat -c %i "$converted")
rm -f "$disk/filler" "$disk/filler-tail"
xs_wait_for 20 inode_differs "$inode" ||
    xs_fail "conversions did not resume once space was freed"
xs_step "space freed: a new temp.bmp was written; passed"
