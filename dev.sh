#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Tirlindo developers
# Tirlindo's two set-up commands:
#   ./dev.sh play   installs what is missing, builds and starts the game
#   ./dev.sh test   installs what is missing, builds and runs every test
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${TIRLINDO_BUILD_DIR:-$here/build}"

install_packages() {
    local missing=()
    while read -r pkg; do
        [[ -z "$pkg" || "$pkg" == \#* ]] && continue
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done < "$here/tools/debian-packages.txt"
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -ne 0 ]] && sudo="sudo"
        $sudo apt-get update -q
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

build_all() {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j"$(nproc)"
}

case "${1:-}" in
play)
    install_packages
    build_all
    exec "$build/tirlindo"
    ;;
test)
    install_packages
    build_all
    cd "$build"
    # No test runs twice: one that fails once has found a race or is wrong.
    exec ctest --output-on-failure
    ;;
*)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
