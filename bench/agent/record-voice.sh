#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Records what the real game says from its start: the introduction and the first dictation,
# played into a private PulseAudio null sink on a private X server, and measures it
# (voice_measure.py: pitch, pitch range, energy above 7 kHz, peak, pauses between the words).
#   bench/agent/record-voice.sh PATH/TO/tirlindo [OUT.raw] [SECONDS]
# SECONDS (default 40) is how long to record from the name box's answer.
set -euo pipefail
program=$(realpath "${1:?usage: $0 PATH/TO/tirlindo [OUT.raw] [SECONDS]}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
seconds=${3:-40}

work=$(mktemp -d /tmp/tirlindo-voice.XXXXXX)
out=${2:-$work/voice.raw}
mkdir -m 700 "$work/run" "$work/data"
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody holds; Xvfb says itself when it is ready.
display=""
for ((n = 190; n < 290; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    : >"$work/displayfd"
    Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x1024x24 -displayfd 3 3>"$work/displayfd" \
        >"$work/xvfb.log" 2>&1 &
    xpid=$!
    for _ in $(seq 200); do [[ -s "$work/displayfd" ]] && break; kill -0 $xpid 2>/dev/null || break; sleep 0.05; done
    if [[ -s "$work/displayfd" ]] && kill -0 $xpid 2>/dev/null; then pids+=($xpid); display=":$n"; break; fi
    kill $xpid 2>/dev/null || true; wait $xpid 2>/dev/null || true
done
[[ -n "$display" ]] || { echo "no free X display" >&2; exit 1; }

export DISPLAY=$display XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data
export PULSE_RUNTIME_PATH=$work/run/pulse LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
unset PULSE_SERVER WAYLAND_DISPLAY
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    -L "module-null-sink sink_name=rec rate=22050 channels=1" \
    -L module-native-protocol-unix 2>"$work/pulse.log" &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rec

"$program" >"$work/game.log" 2>&1 &
game=$!
pids+=($game)
box=$(xdotool search --sync --onlyvisible --name '^Tirlindo$' | head -1)
xdotool windowfocus --sync "$box" type --delay 40 "Luca"
parec -d rec.monitor --rate=22050 --channels=1 --format=s16le >"$out" &
pids+=($!)
xdotool key Return
# The greeting box: OK with Enter, and the introduction starts.
for _ in $(seq 50); do
    greeting=$(xdotool search --onlyvisible --name '^Tirlindo$' | grep -vx "$box" | tail -1) && break
    sleep 0.1
done
sleep 0.3
xdotool windowfocus --sync "$greeting" key Return
sleep "$seconds"
"$(command -v /usr/bin/python3 || command -v python3)" -B "$here/voice_measure.py" "$out"
