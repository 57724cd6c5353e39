#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Records what the wizard says into a private PulseAudio null sink and measures it with sox.
#   bench/agent/record-voice.sh BUILD_DIR OUT.raw [PHRASE...]
# Default phrases: the dictation of 9 x 3 and the praise that follows.
set -euo pipefail
build=${1:?build directory}
out=${2:?output .raw file}
shift 2
phrases=("$@")
[ ${#phrases[@]} -gt 0 ] || phrases=(9 per tre Esatto)

run=$(mktemp -d)
export XDG_RUNTIME_DIR=$run
export PULSE_RUNTIME_PATH=$run/pulse
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
  -L "module-null-sink sink_name=rec rate=22050 channels=1" \
  -L module-native-protocol-unix 2> "$run/pulse.log" &
pulse=$!
trap 'kill $parec $pulse 2>/dev/null; wait 2>/dev/null; rm -rf "$run"' EXIT
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rec
pactl unload-module module-suspend-on-idle 2>/dev/null || true

parec -d rec.monitor --rate=22050 --channels=1 --format=s16le > "$out" &
parec=$!
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/agent/tirlindo-agent-demo" --quit "${phrases[@]}"
sleep 0.5
kill $parec
wait $parec 2>/dev/null || true
sox -t raw -r 22050 -e signed -b 16 -c 1 "$out" -n stat
