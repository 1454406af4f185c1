#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What `cmake --install` puts on a machine, checked in a staging folder without root: exactly the program, its
# desktop entry, AppStream metadata, manual page and theme icons, nothing that starts the program on login; the entry
# passes desktop-file-validate, the metadata and the entry it names pass `appstreamcli validate-tree`, each icon is a
# PNG of its folder's size, and the committed icons are what packaging/make_icons.py makes of the window icon.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
readonly ICON_SIZES=(16 32 48 64 128)
BUILD_DIR=$(dirname "$E2E_PROGRAM")
STAGE=$E2E_TMP/stage
readonly APPSTREAM_ID=org.example.quorlen
ENTRY=$STAGE/usr/share/applications/$APPSTREAM_ID.desktop

if ! command -v cmake >/dev/null || [[ ! -f $BUILD_DIR/cmake_install.cmake ]]; then
    xs_log "SKIP: no cmake or no cmake_install.cmake in $BUILD_DIR"
    exit 77
fi

expected_files() {
    local size
    printf '%s\n' usr/bin/quorlen "usr/share/applications/$APPSTREAM_ID.desktop" \
        "usr/share/metainfo/$APPSTREAM_ID.metainfo.xml" usr/share/man/man1/quorlen.1.gz
    for size in "${ICON_SIZES[@]}"; do
        printf 'usr/share/icons/hicolor/%sx%s/apps/quorlen.png\n' "$size" "$size"
    done
}

# Width and height from a PNG's IHDR chunk, which follows the 8-byte signature and the chunk's length and type.
png_size() {
    local bytes
    read -ra bytes < <(od -An -tu1 -j16 -N8 "$1")
    ((${#bytes[@]} == 8)) || return 1
    printf '%sx%s\n' "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))" \
        "$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}

check_installed_tree() {
    DESTDIR=$STAGE cmake --install "$BUILD_DIR" --prefix /usr >"$E2E_TMP/install.log" 2>&1 ||
        { cat "$E2E_TMP/install.log" >&2; xs_fail "cmake --install failed"; }
    local unexpected
    unexpected=$(diff <(expected_files | sort) <(cd "$STAGE" && find . -type f -o -type l | sed 's|^\./||' | sort))
    [[ -z $unexpected ]] || xs_fail "the installed files differ from the expected ones:"$'\n'"$unexpected"
    xs_step "cmake --install put exactly the program, entry, metadata, manual and ${#ICON_SIZES[@]} icons"
}

check_desktop_entry() {
    local line
    for line in 'Type=Application' 'Name=Quorlen' 'Name[ru]=Quorlen — переключатель обоев' 'Exec=quorlen' \
        'Icon=quorlen' 'Terminal=false' 'Categories=Utility;DesktopSettings;Qt;'; do
        grep -qxF "$line" "$ENTRY" || xs_fail "the desktop entry lacks the line '$line'"
    done
    for line in 'GenericName' 'GenericName\[ru\]' 'Comment' 'Comment\[ru\]'; do
        grep -q "^$line=." "$ENTRY" || xs_fail "the desktop entry has no ${line//\\/} value"
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$ENTRY" >"$E2E_TMP/validate.log" 2>&1 ||
            { cat "$E2E_TMP/validate.log" >&2; xs_fail "desktop-file-validate rejects the entry"; }
        xs_step "desktop-file-validate accepts the entry"
    else
        xs_log "desktop-file-validate is not installed (package desktop-file-utils); the entry's syntax is unchecked"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate-tree --no-net "$STAGE" >"$E2E_TMP/validate.log" 2>&1 ||
            { cat "$E2E_TMP/validate.log" >&2; xs_fail "appstreamcli rejects the AppStream metadata or its entry"; }
        xs_step "appstreamcli validate-tree accepts the metadata and the entry it names"
    fi
}

check_icons() {
    local size actual
    for size in "${ICON_SIZES[@]}"; do
        actual=$(png_size "$STAGE/usr/share/icons/hicolor/${size}x${size}/apps/quorlen.png")
        [[ $actual == "${size}x${size}" ]] || xs_fail "the ${size}x${size} icon is ${actual:-not a PNG}"
    done
    if command -v python3 >/dev/null; then
        python3 "$SOURCE_DIR/packaging/make_icons.py" --check || xs_fail "the committed icons are out of date"
        xs_step "the committed icons match the window icon"
    fi
}

check_installed_tree
check_desktop_entry
check_icons
xs_step "passed"
