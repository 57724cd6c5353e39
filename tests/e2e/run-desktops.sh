#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Plays the real program under a real window manager (openbox, with or without a
# compositor that draws shadows: picom with its sample settings; or metacity compositing
# by itself), with real key presses
# (play_on_desktop.py). Brings its own X server (which keeps its framebuffer in a file, to
# see what a screen shows), buses and window manager, and takes them all down again.
#
# usage: run-desktops.sh PATH/TO/tirlindo [picom|metacity|mutter|weston|none] [idle-cost SECONDS]
#   weston: a Wayland desktop without XWayland instead (play_on_wayland.py)
#   TIRLINDO_E2E_SHOTS=DIR  where the screenshots go (default: a new directory in /tmp)
set -euo pipefail

program="$(realpath "${1:?usage: $0 PATH/TO/tirlindo [picom]}")"
compositor="${2:-}"
[[ "$compositor" == none ]] && compositor=""
shift $(($# < 2 ? $# : 2))
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

missing=()
for tool in Xvfb xdotool xwininfo xprop convert openbox dbus-daemon dbus-send /usr/libexec/at-spi-bus-launcher ${compositor}; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=("python3-pyatspi")
/usr/bin/python3 -c 'import numpy' 2>/dev/null || missing+=("python3-numpy")
if ((${#missing[@]})); then
    echo "e2e: missing ${missing[*]} (tools/debian-packages.txt lists the packages; ./dev.sh test installs them)" >&2
    exit 1
fi

work="$(mktemp -d /tmp/tirlindo-desktops.XXXXXX)"
mkdir -m 700 "$work/run"
mkdir "$work/data" "$work/config" "$work/cache" "$work/fb"
pids=()

source "$here/session.sh" 190 -fbdir "$work/fb"

if [[ "$compositor" == weston ]]; then
    # A Wayland desktop with no XWayland: weston drawn in a window of the X server above,
    # which gives it a keyboard; the game is started with no X display at all.
    weston --backend=x11-backend.so --use-pixman --socket=tirlindo-wayland --width=1100 \
        --height=800 --idle-time=0 >"$work/weston.log" 2>&1 &
    pids+=("$!")
    for _ in $(seq 200); do
        [[ -S "$XDG_RUNTIME_DIR/tirlindo-wayland" ]] && break
        sleep 0.05
    done
    echo "e2e: weston on $DISPLAY, private buses and data in $work"
    /usr/bin/python3 -B "$here/play_on_wayland.py" "$program" "$work/fb" tirlindo-wayland &
    pids+=("$!")
    wait "$!" || { status=$?; tail -20 "$work/weston.log" >&2; exit "$status"; }
    exit
fi

if [[ "$compositor" == metacity ]]; then
    # A window manager that composites by itself (the compositor is the window manager).
    export TIRLINDO_E2E_WM=metacity
    metacity --sm-disable --composite >"$work/metacity.log" 2>&1 &
elif [[ "$compositor" == mutter ]]; then
    # GNOME's, on X11, drawing with OpenGL in software here.
    export TIRLINDO_E2E_WM=mutter
    mutter --x11 --sm-disable >"$work/mutter.log" 2>&1 &
else
    export TIRLINDO_E2E_WM=openbox
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
fi
pids+=("$!")
export TIRLINDO_COMPOSITOR_PID="$!"
for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
done
if [[ "$compositor" == picom ]]; then
    # The sample settings many users copy: shadows, fading, inactive windows dimmed.
    sed -e 's/^vsync = true;/vsync = false;/' /usr/share/doc/picom/examples/picom.sample.conf >"$work/picom.conf"
    picom --config "$work/picom.conf" >"$work/picom.log" 2>&1 &
    pids+=("$!")
    TIRLINDO_COMPOSITOR_PID="$!"
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1
        xwininfo -root -children 2>/dev/null | grep -q '"picom"' && break
        sleep 0.05
    done
fi

echo "e2e: X on $DISPLAY under $TIRLINDO_E2E_WM${compositor:+ with $compositor}, private buses and data in $work"
# In the background, so that a signal to this script ends the driver and the game at once.
/usr/bin/python3 -B "$here/play_on_desktop.py" "$program" "$work/fb" "$@" &
pids+=("$!")
wait "$!"
