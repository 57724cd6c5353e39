# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Sourced by run-e2e.sh and run-desktops.sh, after they have made $work (with run/, data/,
# config/, cache/) and an empty pids array:
#   source session.sh FIRST_DISPLAY [XVFB_ARG...]
# Brings up a private X server, session bus and accessibility bus, exports what the game and
# the drivers need to find them, and takes everything down again (pids newest first) on exit.

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    # Newest first: the accessibility bus before the session bus it hangs on, X last.
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    # What the buses started on their own (the accessibility registry) carries our private
    # bus address in its environment: end exactly those, never anything by name.
    local p
    if [[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
        for p in /proc/[0-9]*; do
            [[ "${p#/proc/}" == "$$" ]] && continue
            if grep -qszxF "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS" "$p/environ"; then
                kill "${p#/proc/}" 2>/dev/null || true
            fi
        done
    fi
    wait 2>/dev/null || true
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A display number nobody holds, from $1 up (run-e2e.sh takes 90 to 189, run-desktops.sh 190 to
# 289). Xvfb itself says when it is ready (-displayfd), so a server that lost the number to a
# concurrent one is never mistaken for ours. Further arguments go to Xvfb.
first_display=$1
shift
display=""
for ((n = first_display; n < first_display + 100; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    : >"$work/displayfd"
    Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x1024x24 "$@" -displayfd 3 \
        3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
    xpid=$!
    for _ in $(seq 200); do
        [[ -s "$work/displayfd" ]] && break
        kill -0 "$xpid" 2>/dev/null || break
        sleep 0.05
    done
    if [[ -s "$work/displayfd" ]] && kill -0 "$xpid" 2>/dev/null; then
        pids+=("$xpid")
        display=":$n"
        break
    fi
    kill "$xpid" 2>/dev/null || true
    wait "$xpid" 2>/dev/null || true
done
if [[ -z "$display" ]]; then
    echo "e2e: could not start Xvfb on any display from :$first_display to :$((first_display + 99))" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

export DISPLAY="$display"
export XDG_RUNTIME_DIR="$work/run"
export XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
# xdotool reads the typed name in the locale's encoding: it must be UTF-8.
export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Whatever sound server the caller has, the game stays silent and undisturbed here.
unset PULSE_SERVER WAYLAND_DISPLAY SESSION_MANAGER

dbus-daemon --session --nofork --nopidfile --address="$DBUS_SESSION_BUS_ADDRESS" \
    >"$work/dbus.log" 2>&1 &
pids+=("$!")
for _ in $(seq 200); do
    dbus-send --session --dest=org.freedesktop.DBus --print-reply /org/freedesktop/DBus \
        org.freedesktop.DBus.GetId >/dev/null 2>&1 && break
    sleep 0.05
done

# Started by hand rather than by bus activation, so that it is ours to end.
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/at-spi.log" 2>&1 &
pids+=("$!")
a11y_ready=""
for _ in $(seq 200); do
    if dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null 2>&1; then
        a11y_ready=1
        break
    fi
    sleep 0.05
done
if [[ -z "$a11y_ready" ]]; then
    echo "e2e: the accessibility bus did not come up" >&2
    cat "$work/dbus.log" "$work/at-spi.log" >&2
    exit 1
fi

