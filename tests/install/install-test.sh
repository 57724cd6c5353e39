#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Tirlindo developers
#
# Installs the build into a temporary prefix and checks what a desktop sees there: the
# program, its desktop entry and metainfo (both validated), the icon at every size, and
# that the installed program, started by its desktop entry's Exec line, opens its first
# window on a private X server.
#   install-test.sh BUILD_DIR APP_ID PROJECT_VERSION VERSION_TEXT "SIZE..."
set -uo pipefail
build=${1:?build directory}
app_id=${2:?application id}
project_version=${3:?project version}
version_text=${4:?version text}
read -r -a sizes <<<"${5:?icon sizes}"

failures=0
checks=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); checks=$((checks + 1)); }
pass() { echo "ok: $*"; checks=$((checks + 1)); }

work=$(mktemp -d "${TMPDIR:-/tmp}/tirlindo-install.XXXXXX")
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

for tool in desktop-file-validate appstreamcli Xvfb xdotool xprop identify; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done

prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
share=$prefix/share
desktop=$share/applications/$app_id.desktop
metainfo=$share/metainfo/$app_id.metainfo.xml

# --- the files ---------------------------------------------------------------------------
[ -x "$prefix/bin/tirlindo" ] && pass "bin/tirlindo" || fail "bin/tirlindo missing or not executable"
# Build-time helpers must not reach the players' machines.
extra=$(find "$prefix/bin" -mindepth 1 ! -name tirlindo)
[ -z "$extra" ] && pass "nothing else in bin" || fail "unexpected in bin: $extra"
missing=$(ldd "$prefix/bin/tirlindo" 2>&1 | grep 'not found')
[ -z "$missing" ] && pass "all libraries found" || fail "libraries not found: $missing"
# The character module, read at run time from the library folder, with all it needs; the
# program itself links none of the voice and sound libraries.
module=$(find "$prefix" -path '*/tirlindo/tirlindo-agent.so' | head -n1)
if [ -n "$module" ]; then
    pass "character module ${module#"$prefix"/}"
    missing=$(ldd "$module" 2>&1 | grep 'not found')
    [ -z "$missing" ] && pass "module libraries found" || fail "module libraries not found: $missing"
    # The voice goes straight to the sound server: Qt's sound module would load networking too.
    qt_extra=$(readelf -d "$module" | grep -E 'NEEDED.*Qt6(Multimedia|Network)')
    [ -z "$qt_extra" ] && pass "module links no Qt sound or network library" || fail "module links: $qt_extra"
else
    fail "no tirlindo/tirlindo-agent.so under $prefix"
fi
linked=$(readelf -d "$prefix/bin/tirlindo" | grep -E 'NEEDED.*(Multimedia|espeak|pulse)')
[ -z "$linked" ] && pass "program links no voice or sound library" || fail "program links: $linked"
[ -f "$desktop" ] && pass "desktop entry" || fail "no $desktop"
[ -f "$metainfo" ] && pass "metainfo" || fail "no $metainfo"

svg=$share/icons/hicolor/scalable/apps/$app_id.svg
if [ -f "$svg" ] && grep -q '<svg' "$svg"; then pass "scalable icon"; else fail "scalable icon missing or not SVG: $svg"; fi

# PNG width and height are the big-endian words at bytes 16 and 20 of the IHDR chunk.
png_word() { od -An -tu1 -j "$2" -N4 "$1" | awk '{print ($1*16777216)+($2*65536)+($3*256)+$4}'; }
for size in "${sizes[@]}"; do
    png=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
    if [ ! -f "$png" ]; then fail "no ${size}x${size} icon"; continue; fi
    magic=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    [ "$magic" = 89504e470d0a1a0a ] || { fail "${size}x${size} icon is not a PNG"; continue; }
    w=$(png_word "$png" 16)
    h=$(png_word "$png" 20)
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || { fail "${size}x${size} icon is ${w}x${h}"; continue; }
    # A drawing, not an empty canvas: opaque in the middle and not of one colour.
    alpha=$(identify -format '%[fx:int(255*p{w/2,h/2}.a)]' "$png")
    spread=$(identify -format '%[fx:int(1000*standard_deviation)]' "$png")
    if [ "$alpha" -ge 250 ] && [ "$spread" -gt 20 ]; then
        pass "${size}x${size} icon"
    else
        fail "${size}x${size} icon looks empty (centre alpha $alpha, spread $spread)"
    fi
done
# Nothing at a size the theme does not get from us (a stale or misnamed rule).
for dir in "$share"/icons/hicolor/*x*; do
    s=${dir##*/}
    [[ " ${sizes[*]} " == *" ${s%%x*} "* ]] || fail "unexpected icon size $s"
done

# --- validation ---------------------------------------------------------------------------
if out=$(desktop-file-validate "$desktop" 2>&1); then pass "desktop-file-validate"; else fail "desktop-file-validate: $out"; fi
[ -n "${out:-}" ] && echo "$out"
if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then pass "appstreamcli validate"; else fail "appstreamcli validate: $out"; fi

key() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
[ "$(key Icon)" = "$app_id" ] && pass "Icon is the app id" || fail "Icon=$(key Icon), not $app_id"
[ "$(key Type)" = Application ] || fail "Type=$(key Type)"
[ "$(key Terminal)" = false ] || fail "Terminal=$(key Terminal)"
[[ "$(key Categories)" == *Education*Math* ]] || fail "Categories=$(key Categories)"
[ "$(key X-Tirlindo-Version)" = "$version_text" ] && pass "version in desktop entry" \
    || fail "X-Tirlindo-Version=$(key X-Tirlindo-Version), program says $version_text"
# The text the players see and the project version must be the same release: 1.0.0.1 is
# 1.00.0001.
IFS=. read -r v1 v2 v3 v4 <<<"$project_version"
expected_text=$(printf '%d.%02d.%04d' "$v1" "$v2" "$((v3 * 10000 + ${v4:-0}))")
[ "$expected_text" = "$version_text" ] && pass "version text matches project version" \
    || fail "project version $project_version reads $expected_text, the program shows $version_text"
grep -q "<release version=\"$project_version\"" "$metainfo" && pass "release $project_version in metainfo" \
    || fail "metainfo has no release $project_version"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
    && pass "metainfo launches the desktop entry" || fail "metainfo launchable is not $app_id.desktop"
grep -q "<binary>$(key Exec | awk '{print $1}')</binary>" "$metainfo" \
    && pass "metainfo provides the Exec binary" || fail "metainfo does not provide $(key Exec)"

# --- the installed program starts from its desktop entry -------------------------------------
# -displayfd lets the server pick a free display, so parallel tests and a developer's own
# servers never collide.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=$(tr -d '\n' <"$work/display")
[ -n "$display" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; exit 1; }
export DISPLAY=:$display

# The Exec line without its field codes, run as a launcher would: the prefix's bin in PATH.
exec_line=$(key Exec | sed 's/ *%[fFuUdDnNickvm]//g')
mkdir -p "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
(
    cd "$work"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    export PATH=$prefix/bin:$PATH XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
    export XDG_DATA_DIRS=$share:/usr/share PULSE_SERVER=unix:/nonexistent/tirlindo-install-test
    exec $exec_line
) >"$work/app.log" 2>&1 &
app_pid=$!

wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tirlindo$' 2>/dev/null | head -n1)
if [ -n "$wid" ]; then
    pass "first window shown"
    if [ -d "/proc/$app_pid" ]; then pass "program running"; else fail "program exited"; fi
    # Desktops match the window to the entry by its class.
    wm_class=$(xprop -id "$wid" WM_CLASS | sed 's/.*= //')
    [[ "$wm_class" == *"\"$(key StartupWMClass)\""* ]] && pass "window class $wm_class" \
        || fail "window class $wm_class, entry says StartupWMClass=$(key StartupWMClass)"
    # Through the two boxes to the game: the pictures and the wizard come from the binary alone.
    xdotool windowfocus --sync "$wid" 2>/dev/null
    xdotool type --delay 20 Prova
    xdotool key Return
    box=""
    for _ in $(seq 100); do
        box=$(xdotool search --onlyvisible --name '^Tirlindo$' 2>/dev/null | grep -vx "$wid" | head -n1)
        [ -n "$box" ] && break
        sleep 0.1
    done
    if [ -n "$box" ]; then
        xdotool windowfocus --sync "$box" 2>/dev/null
        xdotool key Return
        if timeout 20 xdotool search --sync --onlyvisible --name 'TIRLINDO' >/dev/null 2>&1; then
            pass "game window shown"
        else
            fail "no game window after the boxes"
        fi
    else
        fail "no message box after the name"
    fi
    [ -d "$work/data/tirlindo" ] && pass "records under XDG_DATA_HOME" || fail "no $work/data/tirlindo"
else
    fail "no window titled Tirlindo within 30 s"
    cat "$work/app.log" >&2
fi

echo "install checks: $checks, of which $failures failed"
[ "$failures" -eq 0 ]
