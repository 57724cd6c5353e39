#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Plays the real program on a private X server with real key presses, reading it over the
# accessibility bus as a screen reader does (play_game.py). CI has no display, no session
# bus and no window manager: this brings its own and takes them all down again, whatever
# happens.
#
# usage: run-e2e.sh PATH/TO/tirlindo [DRIVER.py [ARG...]]
#   DRIVER.py  the driver to run (default play_game.py, next to this script)
#   TIRLINDO_E2E_SHOTS=DIR  where the screenshots go (default: a new directory in /tmp)
set -euo pipefail

program="$(realpath "${1:?usage: $0 PATH/TO/tirlindo [DRIVER.py]}")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
driver="${2:-play_game.py}"
[[ "$driver" == /* ]] || driver="$here/$driver"

missing=()
for tool in Xvfb xdotool xwininfo import dbus-daemon dbus-send /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=("python3-pyatspi")
if ((${#missing[@]})); then
    echo "e2e: missing ${missing[*]} (tools/debian-packages.txt lists the packages; ./dev.sh test installs them)" >&2
    exit 1
fi

work="$(mktemp -d /tmp/tirlindo-e2e.XXXXXX)"
mkdir -m 700 "$work/run"
mkdir "$work/data" "$work/config" "$work/cache"
pids=()

source "$here/session.sh" 90

export TIRLINDO_E2E_WORK="$work"
echo "e2e: X on $DISPLAY, private buses and data in $work"
# In the background, so that a signal to this script ends the driver and the game at once.
/usr/bin/python3 -B "$driver" "$program" "${@:3}" &
pids+=("$!")
wait "$!"
