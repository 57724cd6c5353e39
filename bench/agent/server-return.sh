#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# How soon the wizard's voice comes back with the sound server: he says the introduction and
# a dictation through a private PulseAudio that is killed KILL seconds into the introduction
# and started again GONE seconds later. Prints, for each run, when the server came back, the
# first request that started after it, and when the new server first heard sound.
#   bench/agent/server-return.sh PATH/TO/tirlindo-agent-demo [RUNS] [KILL] [GONE]
set -euo pipefail
demo=$(realpath "${1:?usage: $0 PATH/TO/tirlindo-agent-demo [RUNS] [KILL] [GONE]}")
runs=${2:-5}
kill_at=${3:-5}
gone=${4:-3}
intro="Allora attenzione, iniziamo la nostra avventura con la tabellina del 9. Io detto e tu scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda successiva"

one_run() {
    local work pulse="" recorder="" pids=()
    work=$(mktemp -d /tmp/tirlindo-return.XXXXXX)
    mkdir -m 700 "$work/run"
    export XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse QT_QPA_PLATFORM=offscreen
    unset PULSE_SERVER
    start_server() {
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
            -L "module-null-sink sink_name=rec rate=22050 channels=1" \
            -L module-native-protocol-unix 2>>"$work/pulse.log" &
        pulse=$!
        for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
        pactl set-default-sink rec
        parec -d rec.monitor --rate=22050 --channels=1 --format=s16le >"$work/heard-$1.raw" &
        recorder=$!
    }
    start_server 1
    local t0 back
    t0=$(date +%s.%N)
    (
        sleep "$kill_at"
        kill -9 "$pulse" "$recorder"
        sleep "$gone"
        rm -f "$work/run/pulse/native"
        date +%s.%N >"$work/back"
        start_server 2
        wait
    ) &
    local bringer=$!
    "$demo" --quit "$intro" 9 per tre "Esatto. Sei forte!!!" 2>"$work/demo.err" | while IFS= read -r line; do
        echo "$(date +%s.%N) $line" >>"$work/events"
    done
    sleep 0.5
    pkill -P "$bringer" 2>/dev/null || true
    kill "$bringer" 2>/dev/null || true
    pkill -f "$work/run" 2>/dev/null || true
    back=$(cat "$work/back")
    python3 - "$work/heard-2.raw" "$back" "$work/events" <<'EOF'
import array, math, sys
raw, back, events = sys.argv[1], float(sys.argv[2]), sys.argv[3]
data = open(raw, "rb").read()
x = array.array("h", data[: len(data) // 2 * 2])
# The first 10 ms step loud enough to be speech.
first = next((i / 100 for i in range(len(x) // 220)
              if math.sqrt(sum(v * v for v in x[i * 220:(i + 1) * 220]) / 220) > 100), None)
starts = [(float(l.split()[0]) - back, l.split(" ", 1)[1].strip()) for l in open(events) if " start Speak(" in l]
after = [s for s in starts if s[0] > 0]
nxt = after[0] if after else None
print((f"server back; next request {nxt[1][:30]!r} at +{nxt[0]:.2f} s; " if nxt else "server back; no request after; ")
      + (f"first sound at +{first:.2f} s" if first is not None else "no sound heard"))
EOF
    rm -rf "$work"
}
for ((i = 1; i <= runs; i++)); do one_run; done
