#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# GNOME Shell on Wayland with the AppIndicator extension, which gives it a tray (see gnome-wayland.sh, which tells
# the two apart by this script's name).
# shellcheck source=SCRIPTDIR/gnome-wayland.sh
source "$(dirname "${BASH_SOURCE[0]}")/gnome-wayland.sh"
