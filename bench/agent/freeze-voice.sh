#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# How long a frozen sound server holds the wizard: he says the introduction and a dictation
# through a private PulseAudio that is stopped (SIGSTOP) from the start, or in the middle of
# the introduction, and let go FREEZE seconds later; or the wizard's own process is held that
# long in the middle of the introduction, as a suspend holds it (MODE hold). Prints when each
# request started and what the null sink heard; compare with MODE none.
#   bench/agent/freeze-voice.sh PATH/TO/tirlindo-agent-demo none|start|mid|hold [FREEZE]
set -euo pipefail
demo=$(realpath "${1:?usage: $0 PATH/TO/tirlindo-agent-demo none|start|mid|hold [FREEZE]}")
mode=${2:?mode}
freeze=${3:-40}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
intro="Allora attenzione, iniziamo la nostra avventura con la tabellina del 9. Io detto e tu scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda successiva"

work=$(mktemp -d /tmp/tirlindo-freeze.XXXXXX)
mkdir -m 700 "$work/run"
pids=()
pulse=""
cleanup() {
    [[ -n "$pulse" ]] && kill -CONT "$pulse" 2>/dev/null
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse QT_QPA_PLATFORM=offscreen
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
    -L "module-null-sink sink_name=rec rate=22050 channels=1" \
    -L module-native-protocol-unix 2>"$work/pulse.log" &
pulse=$!
pids+=($pulse)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink rec
parec -d rec.monitor --rate=22050 --channels=1 --format=s16le >"$work/heard.raw" &
pids+=($!)
sleep 0.3

thaw() { sleep "$freeze"; kill -CONT "$pulse" 2>/dev/null; echo "$(date +%s.%N) server let go" >>"$work/events"; }
t0=$(date +%s.%N)
if [[ $mode == start ]]; then
    kill -STOP "$pulse"
    echo "$t0 server frozen" >>"$work/events"
    thaw &
    pids+=($!)
fi
"$demo" --quit "$intro" 9 per tre 2>"$work/demo.err" | while IFS= read -r line; do
    echo "$(date +%s.%N) $line" >>"$work/events"
    if [[ $mode == mid && $line == "start Speak(Allora"* ]]; then
        (sleep 3; kill -STOP "$pulse"; echo "$(date +%s.%N) server frozen" >>"$work/events"; thaw) &
    fi
    if [[ $mode == hold && $line == "start Speak(Allora"* ]]; then
        (sleep 3; pkill -STOP -f "^$demo"; echo "$(date +%s.%N) wizard held" >>"$work/events"
         sleep "$freeze"; echo "$(date +%s.%N) wizard let go" >>"$work/events"; pkill -CONT -f "^$demo") &
    fi
done
status=${PIPESTATUS[0]}
echo "$(date +%s.%N) ended with status $status" >>"$work/events"
kill -CONT "$pulse"
sleep 0.5
awk -v t0="$t0" '{ t = $1; $1 = ""; printf "%7.2f s %s\n", t - t0, substr($0, 2, 60) }' "$work/events" | sort -n
# What the null sink heard, as phrases (silences over a second apart).
"$(command -v /usr/bin/python3 || command -v python3)" -B - "$work/heard.raw" <<'EOF'
import sys
import numpy as np
x = np.fromfile(sys.argv[1], dtype="<i2").astype(float)
rms = np.sqrt(np.mean(x[: len(x) // 220 * 220].reshape(-1, 220) ** 2, axis=1))
loud = rms > 100
runs, start = [], None
for i, v in enumerate(np.append(loud, False)):
    if v and start is None:
        start = i
    if not v and start is not None:
        if runs and start - runs[-1][1] < 100:
            runs[-1] = (runs[-1][0], i)
        else:
            runs.append((start, i))
        start = None
print("heard: " + (", ".join(f"{b - a} cs of sound from {a / 100:.2f} s" for a, b in runs) if runs else "nothing"))
EOF
