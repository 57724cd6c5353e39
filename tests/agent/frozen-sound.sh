#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# A frozen sound server (SIGSTOP), from the start or in the middle of a phrase, must not hold
# the wizard: he finishes his phrases in silence, at their pace, long before the server
# answers again (here after 30 s).
#   tests/agent/frozen-sound.sh PATH/TO/tirlindo-agent-demo
set -euo pipefail
for tool in pulseaudio pactl; do
    command -v $tool >/dev/null || { echo "missing $tool (tools/debian-packages.txt lists the packages)" >&2; exit 1; }
done
demo=$(realpath "${1:?usage: $0 PATH/TO/tirlindo-agent-demo}")
long="Hai lavorato bene mio leale campione: sei invincibile"

work=$(mktemp -d /tmp/tirlindo-frozen.XXXXXX)
mkdir -m 700 "$work/run"
pulse=""
cleanup() {
    if [[ -n "$pulse" ]]; then kill -CONT "$pulse" 2>/dev/null; kill "$pulse" 2>/dev/null; fi
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse QT_QPA_PLATFORM=offscreen
unset PULSE_SERVER

start_pulse() {
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
        -L "module-null-sink sink_name=rec rate=22050 channels=1" \
        -L module-native-protocol-unix 2>>"$work/pulse.log" &
    pulse=$!
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink rec
}
stop_pulse() {
    kill -CONT "$pulse" 2>/dev/null || true
    kill "$pulse" 2>/dev/null || true
    wait "$pulse" 2>/dev/null || true
    pulse=""
}

# Runs the demo; prints the seconds from the first Speak to the end and the exit status.
# With "mid", the server stops one second into the first phrase.
speak() {
    local mode=$1 t0 first="" line stopper=""
    shift
    t0=$(date +%s%N)
    while IFS= read -r line; do
        if [[ -z $first && $line == "start Speak("* ]]; then
            first=$(date +%s%N)
            if [[ $mode == mid ]]; then
                (sleep 1; kill -STOP "$pulse") &
                stopper=$!
            fi
        fi
    done < <(timeout 40 "$demo" --quit "$@" 2>/dev/null; echo "status $?" >"$work/status")
    [[ -n $stopper ]] && wait "$stopper"
    echo "$(( ($(date +%s%N) - ${first:-$t0}) / 1000000 )) $(cut -d' ' -f2 "$work/status")"
}

failed=0
check() {
    local what=$1 ms=$2 status=$3 limit=$4
    if ((status != 0 || ms > limit)); then
        echo "FAIL $what: ${ms} ms (at most ${limit}), status $status"
        failed=1
    else
        echo "ok   $what: ${ms} ms (at most ${limit})"
    fi
}

start_pulse
read -r ms status < <(speak none "$long" "Esatto")
check "server answering" "$ms" "$status" 9000
normal=$ms
stop_pulse

start_pulse
kill -STOP "$pulse"
read -r ms status < <(speak none "$long" "Esatto")
# The synthesiser may be waited for one second, then the phrase is paced without it.
check "server frozen from the start" "$ms" "$status" $((normal + 3000))
stop_pulse

start_pulse
read -r ms status < <(speak mid "$long" "Esatto")
# Two seconds without progress, then on in silence; at the end the stuck sound output is
# not waited for more than a second and a half.
check "server frozen in the middle of a phrase" "$ms" "$status" $((normal + 5000))
stop_pulse
exit $failed
