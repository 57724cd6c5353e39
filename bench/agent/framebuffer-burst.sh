#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# What a screen shows while the wizard performs, read from Xvfb's own framebuffer (not from
# root-window grabs, which can show a shaped window black where no screen does):
#   bench/agent/framebuffer-burst.sh [BUILD_DIR] [SCALE]      (SCALE 2 = 192 DPI)
# For each gesture: distinct pictures a second in the wizard's rectangle, sampled as fast as
# the framebuffer can be copied, and pure black pixels there (a picture and its outline out of
# step, or a premultiplied rim) summed over all samples. BURST_KEEP=DIR keeps PNGs of a few.
# A benchmark: prints figures, exits 0 unless a measurement failed.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
scale=${2:-1}
demo=$build/bench/agent/tirlindo-agent-demo
[ -x "$demo" ] || { echo "framebuffer-burst: $demo not built" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tirlindo-burst.XXXXXX")
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((1024 * scale))x24" -fbdir "$work" -noreset -nolisten tcp \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(tr -d '\n' <"$work/display")
export QT_SCALE_FACTOR=$scale PULSE_SERVER=unix:/nonexistent/tirlindo-burst
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

printf '%-14s %8s %8s %10s %12s\n' gesture samples "over s" "pictures/s" "black px"
for gesture in Announce Greet congratulate domagic1 domagic2; do
    rm -f "$work"/s-*
    "$demo" --silent --harness --play "$gesture" --quit >"$work/demo.log" 2>&1 &
    demo_pid=$!
    for _ in $(seq 200); do grep -q "start Play" "$work/demo.log" && break; sleep 0.02; done
    start=$EPOCHREALTIME
    i=0
    # The gesture's first second (each lasts 1.2-1.6 s).
    while :; do
        now=$EPOCHREALTIME
        awk -v a="$start" -v b="$now" 'BEGIN {exit !(b - a < 1.0)}' || break
        cp "$work/Xvfb_screen0" "$work/s-$(printf %04d $i)-${now/./}"
        i=$((i + 1))
    done
    wait "$demo_pid" || true
    python3 - "$work" "$scale" "$gesture" "${BURST_KEEP:-}" <<'PY'
import glob, hashlib, struct, sys, subprocess
work, scale, gesture, keep = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
# The demo puts the wizard at (250, 175), 237x205 logical pixels.
x0, y0, w, h = 250 * scale, 175 * scale, 237 * scale, 205 * scale
files = sorted(glob.glob(f"{work}/s-*"))
last, changes, black = None, 0, 0
times = []
for n, f in enumerate(files):
    data = open(f, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header, ncolors, bpl = fields[0], fields[19], fields[12]
    base = header + ncolors * 12
    rows = [data[base + (y0 + y) * bpl + x0 * 4: base + (y0 + y) * bpl + (x0 + w) * 4] for y in range(h)]
    dark = sum(sum(1 for k in range(0, len(r), 4) if r[k:k + 3] == b"\0\0\0") for r in rows)
    black += dark
    digest = hashlib.md5(b"".join(rows)).digest()
    if digest != last:
        changes += 1 if last is not None else 0
        last = digest
    times.append(int(f.rsplit("-", 1)[1]) / 1e6)
    if keep and (n % 10 == 5 or dark):
        subprocess.run(["convert", f"xwd:{f}", "-crop", f"{w}x{h}+{x0}+{y0}", "+repage",
                        f"{keep}/{gesture}-{scale}x-{n:03d}{'-black' if dark else ''}.png"], check=False)
span = times[-1] - times[0] if len(times) > 1 else 0
print(f"{gesture:<14} {len(files):8d} {span:8.2f} {changes / span if span else 0:10.1f} {black:12d}")
PY
done
