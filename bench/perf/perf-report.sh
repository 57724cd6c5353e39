#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Whole-program figures of Tirlindo, on a private X server, beside a bare Qt program:
#   bench/perf/perf-report.sh [BUILD_DIR]          (default: ./build)
# (a) launch to the game window shown, game and floor (perf_floor) driven alike by xdotool,
#     median of PERF_RUNS runs each (default 5) after one unmeasured warm-up each;
# (b) peak resident memory of a whole game (VmHWM just before the program ends);
# (c) CPU while the child thinks: once the wizard has stopped talking, over
#     PERF_IDLE_SECONDS (default 40) of idle animation and countdown.
# The voice plays into a private PulseAudio null sink when pulseaudio is installed
# (PERF_SOUND=0 turns it off), so speech takes its real time and the audio stack is loaded.
# PERF_SHOT_DIR=DIR saves screenshots of the game while idle and before Alt+X (needs import).
# A benchmark, not a test: it prints the figures against their targets and exits 0 unless a
# measurement itself failed.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
game=$build/tirlindo
floor=$build/bench/perf/perf_floor
runs=${PERF_RUNS:-5}
idle_seconds=${PERF_IDLE_SECONDS:-40}
exercises=${PERF_EXERCISES:-5}
for f in "$game" "$floor"; do
    [ -x "$f" ] || { echo "perf-report: $f not built (cmake --build $build --target tirlindo perf_floor)" >&2; exit 2; }
done
for tool in Xvfb xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "perf-report: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tirlindo-perf.XXXXXX")
xvfb_pid=""
pulse_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
die() { echo "perf-report: $*" >&2; exit 1; }

# --- private X server and sound server ----------------------------------------------------
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(tr -d '\n' <"$work/display")
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run
sound="none (no sound server: silent pacing)"
export PULSE_SERVER=unix:/nonexistent/tirlindo-perf
if [ "${PERF_SOUND:-1}" != 0 ] && command -v pulseaudio >/dev/null && command -v pactl >/dev/null; then
    export PULSE_RUNTIME_PATH=$work/run/pulse
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
        -L "module-null-sink sink_name=perf" -L module-native-protocol-unix 2>"$work/pulse.log" &
    pulse_pid=$!
    unset PULSE_SERVER
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    if pactl info >/dev/null 2>&1; then
        pactl set-default-sink perf
        sound="PulseAudio null sink"
    else
        kill "$pulse_pid" 2>/dev/null; wait "$pulse_pid" 2>/dev/null || true; pulse_pid=""
        export PULSE_SERVER=unix:/nonexistent/tirlindo-perf
    fi
fi

# --- helpers ------------------------------------------------------------------------------
now_us() { local t=$EPOCHREALTIME; echo "${t/./}"; }
clk_tck=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{sub(/^.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }
kib() { awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status"; }

window_type() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null; }
# Visible windows whose name matches $1, not in the list $2, of the type $3 (any if empty).
find_window() {
    local w
    for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
        [[ " $2 " == *" $w "* ]] && continue
        # A variable, not a pipe into grep -q: under pipefail xprop's SIGPIPE would count.
        [ -n "$3" ] && [[ "$(window_type "$w")" != *"$3"* ]] && continue
        echo "$w"
        return 0
    done
    return 1
}
# Polls every 10 ms: xdotool's own --sync waits in half seconds, too coarse to time a start.
wait_window() { # NAME EXCLUDE TYPE TIMEOUT_S
    local until=$(($(now_us) + $4 * 1000000)) w
    while [ "$(now_us)" -lt "$until" ]; do
        w=$(find_window "$1" "$2" "$3") && { echo "$w"; return 0; }
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.01
    done
    return 1
}
# The balloon is the wizard's other frameless tool window, the one without a name of its
# own (the wizard's carries his); the boxes are dialogs.
balloon_shown() { find_window '^$' "" UTILITY >/dev/null; }

shot() { [ -n "${PERF_SHOT_DIR:-}" ] && mkdir -p "$PERF_SHOT_DIR" && import -window root "$PERF_SHOT_DIR/$1.png" || true; }

# Launches $1 with a fresh record folder, answers the name box, confirms the message box and
# sets start_ms to the time from launch to the main window mapped.
start_ms=0
main_wid=""
start_app() { # PROGRAM DIALOG_NAME MAIN_NAME
    local data t0 t1 w1 w2
    data=$(mktemp -d "$work/data.XXXXXX")
    t0=$(now_us)
    XDG_DATA_HOME=$data "$1" >>"$work/app.log" 2>&1 &
    app_pid=$!
    w1=$(wait_window "$2" "" "" 30) || die "$1: no name box"
    xdotool windowfocus --sync "$w1"
    xdotool type --delay 5 Ada
    xdotool key Return
    w2=$(wait_window "$2" "$w1" DIALOG 30) || die "$1: no message box"
    xdotool windowfocus --sync "$w2"
    xdotool key Return
    main_wid=$(wait_window "$3" "" "" 30) || die "$1: no main window"
    t1=$(now_us)
    start_ms=$(((t1 - t0 + 500) / 1000))
}
stop_app() {
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
}
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

t_begin=$(now_us)

# --- (a) start-up ---------------------------------------------------------------------------
echo "(a) start-up: one warm-up each, then $runs runs each, alternating" >&2
start_app "$floor" '^Floor$' '^FLOOR'; stop_app
start_app "$game" '^Tirlindo$' 'TIRLINDO'; stop_app
game_ms=()
floor_ms=()
for i in $(seq "$runs"); do
    start_app "$floor" '^Floor$' '^FLOOR'; floor_ms+=("$start_ms"); stop_app
    start_app "$game" '^Tirlindo$' 'TIRLINDO'; game_ms+=("$start_ms"); stop_app
    echo "    run $i: tirlindo ${game_ms[-1]} ms, floor ${floor_ms[-1]} ms" >&2
done
game_med=$(median "${game_ms[@]}")
floor_med=$(median "${floor_ms[@]}")

# --- (c) idle CPU, then (b) a whole game --------------------------------------------------
echo "(c) a game: waiting for the wizard to finish the introduction" >&2
start_app "$game" '^Tirlindo$' 'TIRLINDO'
shown_us=$(now_us)
for _ in $(seq 300); do balloon_shown && break; sleep 0.05; done
balloon_shown || die "the wizard never spoke"
first_word_s=$(awk -v a="$shown_us" -v b="$(now_us)" 'BEGIN {printf "%.1f", (b - a) / 1e6}')
# Quiet means no balloon for 3 s running: it lingers 1.5 s after each sentence, and the next
# sentence of the queue brings it back at once.
quiet_since=""
deadline=$(($(now_us) + 120 * 1000000))
while :; do
    [ "$(now_us)" -lt "$deadline" ] || die "the wizard was still talking after 120 s"
    if balloon_shown; then
        quiet_since=""
    else
        [ -n "$quiet_since" ] || quiet_since=$(now_us)
        [ $(($(now_us) - quiet_since)) -ge 3000000 ] && break
    fi
    sleep 0.2
done
talk_s=$(awk -v a="$shown_us" -v b="$quiet_since" 'BEGIN {printf "%.1f", (b - a) / 1e6}')
echo "    quiet ${talk_s} s after the game window; measuring ${idle_seconds} s" >&2

app0=$(cpu_ticks "$app_pid")
x0=$(cpu_ticks "$xvfb_pid")
w0=$(now_us)
spoke_again=0
for _ in $(seq "$idle_seconds"); do
    sleep 1
    balloon_shown && spoke_again=$((spoke_again + 1))
done
app1=$(cpu_ticks "$app_pid")
shot perf-idle
x1=$(cpu_ticks "$xvfb_pid")
w1=$(now_us)
idle_pct=$(awk -v t="$((app1 - app0))" -v hz="$clk_tck" -v us="$((w1 - w0))" 'BEGIN {printf "%.2f", 100 * t / hz / (us / 1e6)}')
idle_x_pct=$(awk -v t="$((x1 - x0))" -v hz="$clk_tck" -v us="$((w1 - w0))" 'BEGIN {printf "%.2f", 100 * t / hz / (us / 1e6)}')
idle_rss=$(kib "$app_pid" VmRSS)

echo "(b) playing $exercises exercises, then Alt+X" >&2
xdotool windowfocus --sync "$main_wid"
for i in $(seq "$exercises"); do
    xdotool type --delay 20 "$((i * 7))" # never a multiple of 9 here: the wizard corrects it aloud
    xdotool key Return
    sleep 1.5
    xdotool key Return                   # "Nuovo calcolo": the next exercise is dictated
    sleep 1.5
done
shot perf-after-exercises
xdotool key alt+x
peak_kib=0
boxes=0
seen_boxes=""
end_deadline=$(($(now_us) + 20 * 1000000))
while kill -0 "$app_pid" 2>/dev/null && [ "$(now_us)" -lt "$end_deadline" ]; do
    if box=$(find_window '^Tirlindo$' "$seen_boxes" DIALOG); then
        # The goodbye box (and the record box, when a record was beaten): the last moments
        # the process can still be read.
        hwm=$(kib "$app_pid" VmHWM) || break
        [ "${hwm:-0}" -gt "$peak_kib" ] && peak_kib=$hwm
        seen_boxes="$seen_boxes $box"
        boxes=$((boxes + 1))
        xdotool windowfocus --sync "$box" 2>/dev/null || true
        xdotool key Return
    fi
    sleep 0.05
done
status=0
if kill -0 "$app_pid" 2>/dev/null; then
    stop_app
    die "the game did not end after Alt+X and its boxes"
fi
wait "$app_pid" || status=$?
app_pid=""
[ "$boxes" -ge 1 ] || die "no goodbye box after Alt+X"
[ "$status" -eq 0 ] || echo "perf-report: the game ended with status $status" >&2

t_end=$(now_us)

# --- report ---------------------------------------------------------------------------------
ratio=$(awk -v g="$game_med" -v f="$floor_med" 'BEGIN {printf "%.2f", g / f}')
peak_mib=$(awk -v k="$peak_kib" 'BEGIN {printf "%.1f", k / 1024}')
peak_mb=$(awk -v k="$peak_kib" 'BEGIN {printf "%.1f", k * 1.024 / 1000}')
idle_mib=$(awk -v k="$idle_rss" 'BEGIN {printf "%.1f", k / 1024}')
cpu_s_min=$(awk -v p="$idle_pct" 'BEGIN {printf "%.2f", p * 0.6}')
below() { awk -v v="$1" -v lim="$2" 'BEGIN {print (v < lim) ? "met" : "MISSED"}'; }
at_most() { awk -v v="$1" -v lim="$2" 'BEGIN {print (v <= lim) ? "met" : "MISSED"}'; }
version=$(sed -n 's/^X-Tirlindo-Version=//p' "$build/packaging/org.tirlindo.Tirlindo.desktop" 2>/dev/null || true)

echo
echo "Tirlindo ${version:-?} performance report — Xvfb 1280x1024x24, sound: $sound, $(nproc) cores"
printf '%-44s %-16s %-12s %-18s %s\n' "figure" "tirlindo" "floor" "target" "result"
printf '%-44s %-16s %-12s %-18s %s\n' "(a) launch to game window, median of $runs" "$game_med ms" "$floor_med ms" "<= 1.5 x floor" \
    "$ratio x floor, $(at_most "$ratio" 1.5)"
printf '%-44s %-16s %-12s %-18s %s\n' "(b) peak resident memory, whole game" "$peak_mib MiB" "-" "< 80 MB" \
    "$peak_mb MB, $(below "$peak_mb" 80)"
printf '%-44s %-16s %-12s %-18s %s\n' "(c) CPU while the child thinks (${idle_seconds} s)" "$idle_pct % core" "-" "< 2 % core" \
    "$(below "$idle_pct" 2) ($cpu_s_min CPU s per minute)"
echo
echo "runs (ms): tirlindo ${game_ms[*]}; floor ${floor_ms[*]}"
echo "idle: X server ${idle_x_pct} % core meanwhile; resident ${idle_mib} MiB; wizard's first word ${first_word_s} s and silence ${talk_s} s after the game window; balloon seen again in ${spoke_again} of ${idle_seconds} samples"
echo "game: $exercises exercises, $boxes closing box(es), exit status $status; total run $(( (t_end - t_begin) / 1000000 )) s"
