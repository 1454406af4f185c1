#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package from a user's and a packager's side: cpack builds it from the build folder of the given program,
# lintian finds no error or warning in it, dpkg installs it, its desktop entry, AppStream metadata and manual page
# pass their tools, the installed /usr/bin/quorlen starts on a virtual X server and shows its tray icon, and
# `dpkg -r` takes every installed file away again. The package never stays installed, whatever happens.
#
# It installs into the real system, so it runs only as root with dpkg and cpack at hand, and never when a quorlen
# package or a /usr/bin/quorlen is there already. QUORLEN_SKIP_PACKAGE_TEST=1 turns it off.
set -uo pipefail
# shellcheck source=SCRIPTDIR/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "${1:-}" "${2:-}"

readonly PACKAGE=quorlen
readonly INSTALLED_PROGRAM=/usr/bin/quorlen
readonly APPSTREAM_ID=org.example.quorlen
readonly ICON_SIZES=(16 32 48 64 128)
BUILD_DIR=$(dirname "$E2E_PROGRAM")
PACKAGE_LOG=$E2E_TMP/package.log
WE_INSTALLED=

skip() {
    xs_log "SKIP: $*"
    exit 77
}

package_status() { dpkg-query -W -f='${db:Status-Status}' "$PACKAGE" 2>/dev/null; }

package_known() {
    local status
    status=$(package_status)
    [[ -n $status && $status != not-installed ]]
}

show_package_log() {
    [[ -s $PACKAGE_LOG ]] && sed 's/^/    /' "$PACKAGE_LOG" >&2
    return 0
}

# dpkg refuses at once while another package tool holds its lock; wait for it rather than fail.
dpkg_waiting_for_lock() {
    local tries
    for ((tries = 0; tries < 60; tries++)); do
        if dpkg "$@" >"$PACKAGE_LOG" 2>&1; then
            return 0
        fi
        grep -q 'lock' "$PACKAGE_LOG" || return 1
        sleep 1
    done
    return 1
}

# Runs before lib.sh's own clean-up: the installed program is stopped first, then its package goes.
remove_package_on_exit() {
    [[ -n $E2E_PROGRAM_PID ]] && xs_stop_pid "$E2E_PROGRAM_PID"
    E2E_PROGRAM_PID=
    if [[ -n $WE_INSTALLED ]] && package_known; then
        xs_log "removing the package left installed"
        dpkg_waiting_for_lock --purge "$PACKAGE" || show_package_log
    fi
}

# Test runs from other build folders on this machine would install and remove the same package; one at a time.
take_machine_lock() {
    local folder=/run/lock
    [[ -d $folder && -w $folder ]] || folder=${TMPDIR:-/tmp}
    exec {MACHINE_LOCK_FD}>"$folder/quorlen-package-test.lock" || xs_fail "cannot open the lock file in $folder"
    flock --wait 90 "$MACHINE_LOCK_FD" || skip "another package test kept the lock for 90 s"
}

require_package_tools() {
    [[ -z ${QUORLEN_SKIP_PACKAGE_TEST:-} ]] || skip "QUORLEN_SKIP_PACKAGE_TEST is set"
    ((EUID == 0)) || skip "installing a package needs root"
    e2e_require_tools dpkg dpkg-query dpkg-deb dpkg-shlibdeps file cpack flock lintian desktop-file-validate \
        appstreamcli man
    [[ -f $BUILD_DIR/CPackConfig.cmake ]] || skip "no CPackConfig.cmake in $BUILD_DIR"
    take_machine_lock
    ! package_known || skip "a $PACKAGE package is installed already; not touching it"
    [[ ! -e $INSTALLED_PROGRAM ]] || skip "$INSTALLED_PROGRAM exists already; not touching it"
}

build_package() {
    cpack -G DEB -B "$E2E_TMP/cpack" --config "$BUILD_DIR/CPackConfig.cmake" >"$PACKAGE_LOG" 2>&1 ||
        { show_package_log; xs_fail "cpack did not build the package"; }
    DEB_FILE=$(find "$E2E_TMP/cpack" -maxdepth 1 -name "${PACKAGE}_*.deb" | head -n 1)
    [[ -n $DEB_FILE ]] || xs_fail "cpack made no ${PACKAGE}_*.deb"
    [[ $(dpkg-deb -f "$DEB_FILE" Package) == "$PACKAGE" ]] || xs_fail "the package is not named $PACKAGE"
    xs_step "built $(basename "$DEB_FILE"), Depends: $(dpkg-deb -f "$DEB_FILE" Depends)"
    # Information tags (hardening hints and the like) may stay; errors and warnings may not.
    lintian --pedantic "$DEB_FILE" >"$PACKAGE_LOG" 2>&1
    ! grep -q '^[EW]: ' "$PACKAGE_LOG" || { show_package_log; xs_fail "lintian finds errors or warnings"; }
    xs_step "lintian: no error, no warning"
}

# dpkg leaves the package unconfigured when a dependency is missing; apt may complete it from what it holds
# already, but this test never downloads anything.
install_package() {
    WE_INSTALLED=1
    if ! dpkg_waiting_for_lock --install "$DEB_FILE"; then
        show_package_log
        apt-get install --fix-broken --no-download --yes -o DPkg::Lock::Timeout=60 >"$PACKAGE_LOG" 2>&1 ||
            { show_package_log; xs_fail "dpkg could not install the package and its dependencies"; }
    fi
    [[ $(package_status) == installed ]] || xs_fail "the package is '$(package_status)' after dpkg -i"
    dpkg-query -L "$PACKAGE" >"$E2E_TMP/package-files"
    xs_step "installed $(wc -l <"$E2E_TMP/package-files") paths"
}

check_installed_files() {
    [[ -x $INSTALLED_PROGRAM ]] || xs_fail "$INSTALLED_PROGRAM is not an executable"
    local entry=/usr/share/applications/$APPSTREAM_ID.desktop size
    [[ -f $entry ]] || xs_fail "no desktop entry at $entry"
    grep -qx 'Exec=quorlen' "$entry" || xs_fail "the desktop entry does not start quorlen"
    desktop-file-validate "$entry" >"$PACKAGE_LOG" 2>&1 || { show_package_log; xs_fail "invalid $entry"; }
    appstreamcli validate --no-net "/usr/share/metainfo/$APPSTREAM_ID.metainfo.xml" >"$PACKAGE_LOG" 2>&1 ||
        { show_package_log; xs_fail "appstreamcli rejects the AppStream metadata"; }
    man -l "/usr/share/man/man1/$PACKAGE.1.gz" >"$E2E_TMP/manual.txt" 2>"$PACKAGE_LOG" || show_package_log
    grep -q "^ *$PACKAGE - " "$E2E_TMP/manual.txt" || xs_fail "man shows no NAME line for $PACKAGE"
    for size in "${ICON_SIZES[@]}"; do
        [[ -f /usr/share/icons/hicolor/${size}x${size}/apps/$PACKAGE.png ]] || xs_fail "no ${size}x${size} icon"
    done
    if grep -qi autostart "$E2E_TMP/package-files"; then
        xs_fail "the package starts the program on login by itself"
    fi
    xs_step "program, desktop entry, AppStream metadata, manual page and icons are in place"
}

run_installed_program() {
    E2E_PROGRAM=$INSTALLED_PROGRAM
    e2e_start_x
    e2e_start_tray
    e2e_start_program
    xs_wait_for 10 xs_tray_icon || xs_fail "the installed program showed no tray icon"
    xs_step "the installed program's icon is in the tray"
    xs_stop_pid "$E2E_PROGRAM_PID"
    E2E_PROGRAM_PID=
    [[ ! -e $E2E_CONFIG_HOME/autostart ]] || xs_fail "the program wrote into the autostart folder"
}

remove_package() {
    dpkg_waiting_for_lock --remove "$PACKAGE" || { show_package_log; xs_fail "dpkg -r $PACKAGE failed"; }
    local path left=()
    while IFS= read -r path; do
        [[ -e $path && ! -d $path ]] && left+=("$path")
    done <"$E2E_TMP/package-files"
    ((${#left[@]} == 0)) || xs_fail "dpkg -r left ${left[*]}"
    dpkg_waiting_for_lock --purge "$PACKAGE" || { show_package_log; xs_fail "dpkg --purge $PACKAGE failed"; }
    WE_INSTALLED=
    xs_step "dpkg -r removed every installed file"
}

require_package_tools
xs_on_exit remove_package_on_exit
build_package
install_package
check_installed_files
run_installed_program
remove_package
xs_step "passed"
