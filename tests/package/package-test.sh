#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Tirlindo developers
#
# The Debian package as Debian's build machines make it and a family's clean computer gets it:
#  1. a clean minimal Debian 12 root (debootstrap minbase, from the archive this machine's
#     apt uses; made once and kept in $TIRLINDO_ROOT_CACHE), with nothing but the
#     Build-Depends installed, builds the source and binary packages (dpkg-buildpackage -us -uc,
#     as an ordinary account);
#  2. lintian -I --pedantic: no error, no warning;
#  3. autopkgtest installs the package into another copy of the clean root and plays a game
#     there (debian/tests/play).
#   package-test.sh SOURCE_DIR OUTPUT_DIR
# Needs root (chroot, mounts). The packages, logs and screenshots are left in OUTPUT_DIR.
set -euo pipefail
src=$(cd "${1:?source directory}" && pwd)
out=${2:?output directory}
cache=${TIRLINDO_ROOT_CACHE:-/var/cache/tirlindo}

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: building in a clean root needs root (chroot and mounts)"
    exit 77
fi
for tool in debootstrap lintian autopkgtest dpkg-parsechangelog; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done

version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
upstream=${version%-*}
arch=$(dpkg --print-architecture)
rm -rf "$out"
mkdir -p "$out" "$cache"
work=$(mktemp -d "${TMPDIR:-/tmp}/tirlindo-package.XXXXXX")
chmod 711 "$work" # lintian runs as an ordinary account
roots=()
cleanup() {
    local root
    for root in "${roots[@]}"; do
        umount -R "$root/proc" "$root/dev/pts" "$root/dev/shm" 2>/dev/null || true
    done
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

step() { printf '== %s (%s)\n' "$1" "$(date +%T)"; }

# The archive this machine's apt uses, and how it reaches it.
apt_sources() {
    local root=$1
    rm -f "$root/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
    [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/"
    cp /etc/apt/apt.conf.d/99artifact-registry "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
    cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
    # A clean computer as its owner set it up: what a package recommends is installed only
    # when asked for, so the tests see exactly the package's dependencies.
    echo 'APT::Install-Recommends "false";' >"$root/etc/apt/apt.conf.d/90tirlindo-no-recommends"
}

tarball=$cache/bookworm-minbase.tar
clean_root_tarball() {
    if [ ! -s "$tarball" ]; then
        step "making a clean Debian 12 root with debootstrap"
        local mirror fresh=$work/fresh
        mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
        debootstrap --variant=minbase bookworm "$fresh" "${mirror:-http://deb.debian.org/debian}" >"$work/debootstrap.log" 2>&1 ||
            { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }
        apt_sources "$fresh"
        tar -C "$fresh" -cf "$tarball.new" .
        mv "$tarball.new" "$tarball"
        rm -rf --one-file-system "$fresh"
    fi
}

# new_root NAME: a fresh copy of the clean root, with /proc, /dev/pts and /dev/shm, in $root.
new_root() {
    root=$work/$1
    mkdir "$root"
    tar -C "$root" -xpf "$tarball"
    roots+=("$root")
    mount -t proc proc "$root/proc"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    mount -t tmpfs tmpfs "$root/dev/shm"
    chroot "$root" apt-get update -q >"$work/$1-update.log" 2>&1 || { cat "$work/$1-update.log" >&2; exit 1; }
}

clean_root_tarball

step "source tree for version $version"
mkdir "$work/tree"
( cd "$src"
  if [ -e .git ] && command -v git >/dev/null; then
      git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done
  else
      find . -path ./build -prune -o -path ./.git -prune -o -type f -print0
  fi ) | grep -zv '^debian/' | tar -C "$src" --null -T - -cf - | tar -C "$work/tree" -xf -
tar -C "$work" --transform "s,^tree,tirlindo-$upstream," -cJf "$work/tirlindo_$upstream.orig.tar.xz" tree
cp -r "$src/debian" "$work/tree/"

step "build root: Build-Depends only"
new_root build-root
build_root=$root
mkdir "$build_root/build"
mv "$work/tirlindo_$upstream.orig.tar.xz" "$build_root/build/"
cp -r "$work/tree" "$build_root/build/tirlindo-$upstream"
chroot "$build_root" useradd --create-home builder
chroot "$build_root" chown -R builder: /build
# fakeroot as on Debian's build machines: the package's files owned by the games group need it.
if ! chroot "$build_root" env DEBIAN_FRONTEND=noninteractive sh -c "apt-get install -y -q fakeroot && apt-get build-dep -y -q /build/tirlindo-$upstream" \
    >"$out/build-dep.log" 2>&1 </dev/null; then
    tail -n 30 "$out/build-dep.log" >&2
    exit 1
fi
step "dpkg-buildpackage -us -uc"
if ! chroot "$build_root" runuser -u builder -- env -i PATH=/usr/bin:/bin HOME=/home/builder LANG=C.UTF-8 \
    DEB_BUILD_OPTIONS="parallel=$(nproc)" \
    sh -c "cd /build/tirlindo-$upstream && dpkg-buildpackage -us -uc" >"$out/build.log" 2>&1; then
    tail -n 60 "$out/build.log" >&2
    exit 1
fi
cp "$build_root"/build/*.deb "$build_root"/build/*.dsc "$build_root"/build/*.tar.* \
   "$build_root"/build/*.changes "$build_root"/build/*.buildinfo "$out/"
changes=$out/tirlindo_${version}_$arch.changes
deb=$out/tirlindo_${version}_$arch.deb
grep -E 'warning:' "$out/build.log" | grep -v 'dpkg-' >&2 && { echo "FAIL: the build has compiler warnings" >&2; exit 1; }

step "lintian -I --pedantic"
# As an ordinary account, as Debian runs it, on a copy it can read.
mkdir -m 755 "$work/lintian"
cp "$out"/*.deb "$out"/*.dsc "$out"/*.tar.* "$out"/*.changes "$out"/*.buildinfo "$work/lintian/"
runuser -u nobody -- env HOME="$work/lintian" lintian -I --pedantic --fail-on error,warning \
    "$work/lintian/$(basename "$changes")" >"$out/lintian.log" 2>&1 || {
    cat "$out/lintian.log" >&2
    echo "FAIL: lintian" >&2
    exit 1
}
cat "$out/lintian.log"
dpkg-deb -I "$deb" | grep -E '^ (Depends|Recommends|Section):'
dpkg-deb -c "$deb" >"$out/contents.txt"

step "autopkgtest in another clean root"
new_root test-root
test_root=$root
status=0
autopkgtest --output-dir "$out/autopkgtest" "$deb" "$out/tirlindo_$version.dsc" -- chroot "$test_root" \
    >"$out/autopkgtest.log" 2>&1 || status=$?
tail -n 40 "$out/autopkgtest.log"
[ "$status" = 0 ] || { echo "FAIL: autopkgtest (status $status)" >&2; exit 1; }
step "done"
