#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# sway started from a console login: XDG_SESSION_TYPE=tty, and Xwayland's DISPLAY beside WAYLAND_DISPLAY (see
# sway.sh, which tells the two apart by this script's name).
# shellcheck source=SCRIPTDIR/sway.sh
source "$(dirname "${BASH_SOURCE[0]}")/sway.sh"
