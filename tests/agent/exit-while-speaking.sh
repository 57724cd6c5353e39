#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Takes the X server away while the wizard speaks, RUNS times, and counts how the game ended:
# it must end with status 1 (an error it cannot show), never by a signal.
#   tests/agent/exit-while-speaking.sh PATH/TO/tirlindo [RUNS]
# Sound goes to a private PulseAudio null sink, so the sound library is really playing.
set -euo pipefail
for tool in Xvfb xdotool pulseaudio pactl; do
    command -v $tool >/dev/null || { echo "missing $tool (tools/debian-packages.txt lists the packages)" >&2; exit 1; }
done
program=$(realpath "${1:?usage: $0 PATH/TO/tirlindo [RUNS]}")
runs=${2:-30}

work=$(mktemp -d /tmp/tirlindo-xgone.XXXXXX)
mkdir -m 700 "$work/run" "$work/data"
pids=()
xserver=""
game=""
cleanup() {
    local i
    [[ -n "$game" ]] && kill -KILL "$game" 2>/dev/null
    [[ -n "$xserver" ]] && kill "$xserver" 2>/dev/null
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data PULSE_RUNTIME_PATH=$work/run/pulse
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset PULSE_SERVER WAYLAND_DISPLAY
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    -L "module-null-sink sink_name=rec rate=22050 channels=1" \
    -L module-native-protocol-unix 2>"$work/pulse.log" &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rec

start_x() {
    local n xpid
    for ((n = 290; n < 390; n++)); do
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        : >"$work/displayfd"
        Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$work/displayfd" \
            >"$work/xvfb.log" 2>&1 &
        xpid=$!
        for _ in $(seq 200); do [[ -s "$work/displayfd" ]] && break; kill -0 $xpid 2>/dev/null || break; sleep 0.05; done
        if [[ -s "$work/displayfd" ]] && kill -0 $xpid 2>/dev/null; then
            display=":$n"
            xserver=$xpid
            return 0
        fi
        kill $xpid 2>/dev/null || true
        wait $xpid 2>/dev/null || true
    done
    return 1
}

declare -A outcomes=()
for ((run = 1; run <= runs; run++)); do
    start_x || { echo "no free X display" >&2; exit 1; }
    export DISPLAY=$display
    "$program" >"$work/game.log" 2>&1 &
    game=$!
    box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tirlindo$' | head -1)
    xdotool windowfocus --sync "$box" type --delay 20 "Luca"
    xdotool key Return
    for _ in $(seq 50); do
        greeting=$(xdotool search --onlyvisible --name '^Tirlindo$' 2>/dev/null | grep -vx "$box" | tail -1) && break
        sleep 0.1
    done
    sleep 0.2
    xdotool windowfocus --sync "$greeting" key Return
    # Somewhere in the introduction: the wizard appears, then speaks for about twenty seconds.
    sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 2.5 + r % 400 / 100 }')"
    kill "$xserver"
    wait "$xserver" 2>/dev/null || true
    status=0
    timeout 15 tail --pid=$game -f /dev/null || status=hung
    if [[ $status != hung ]]; then
        wait $game && status=0 || status=$?
    else
        kill -KILL $game
        wait $game 2>/dev/null || true
    fi
    if [[ $status == hung ]]; then outcome="still running after 15 s"
    elif ((status > 128)); then outcome="killed by signal $((status - 128))"
    else outcome="status $status"; fi
    outcomes[$outcome]=$((${outcomes[$outcome]:-0} + 1))
    echo "run $run: $outcome"
    xserver=""
    game=""
done
echo "after $runs runs:"
for k in "${!outcomes[@]}"; do echo "  ${outcomes[$k]} x $k"; done
[[ ${outcomes["status 1"]:-0} -eq $runs ]]
