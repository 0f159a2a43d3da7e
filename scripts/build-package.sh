#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Builds the Debian package in the Debian 13 build root, checks it with lintian, installs
# it into a throwaway copy of that root and starts the installed program offscreen.
# The package files end up in build/package/. Needs root (for the build root and the
# private mount namespace of the install step).
#
#   scripts/build-package.sh            all four steps
#   scripts/build-package.sh --no-smoke build and lintian only
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

smoke=1
[ "${1:-}" = --no-smoke ] && smoke=0
say() { echo "build-package: $*" >&2; }
die() {
    say "$*"
    exit 1
}

out=build/package
rm -rf "$out"
mkdir -p "$out"

say "building the package (log in $out/build.log)"
# dpkg-buildpackage writes beside the source folder, so it builds a clean copy of the
# tree (without build folders or git data) in the root's /tmp.
if ! scripts/tickwarden-dev shell '
    set -e
    work=$(mktemp -d)
    trap "rm -rf \"$work\"" EXIT
    version=$(dpkg-parsechangelog -S Version)
    mkdir "$work/tickwarden-$version"
    tar -C /src --exclude=./build --exclude=./.git --exclude=./po/tickwarden.pot -cf - . | tar -C "$work/tickwarden-$version" -xf -
    cd "$work/tickwarden-$version"
    dpkg-buildpackage -us -uc -j2
    cp "$work"/tickwarden_* "$work"/tickwarden-dbgsym_* /src/'"$out"'/
' >"$out/build.log" 2>&1; then
    tail -n 30 "$out/build.log" >&2
    die "dpkg-buildpackage failed; see $out/build.log"
fi
deb=$(ls "$out"/tickwarden_*_*.deb)
changes=$(ls "$out"/tickwarden_*.changes)
say "built $(basename "$deb")"

say "lintian"
if ! scripts/tickwarden-dev shell "lintian --fail-on error,warning --info --display-experimental --pedantic --tag-display-limit 0 /src/$changes" >"$out/lintian.log" 2>&1; then
    cat "$out/lintian.log" >&2
    die "lintian reports errors or warnings; see $out/lintian.log"
fi
if grep -E '^[EW]: ' "$out/lintian.log" >&2; then
    die "lintian reports errors or warnings"
fi
say "lintian: no errors or warnings ($(grep -c -E '^[IPX]: ' "$out/lintian.log" || true) notes in $out/lintian.log)"

[ "$smoke" = 1 ] || exit 0

say "installing into a throwaway copy of the build root and starting the program"
root=$(scripts/tickwarden-dev root-path)
[ -d "$root" ] || die "no build root at $root"
command -v unshare >/dev/null || die "unshare (util-linux) is needed"
# Everything happens in a private mount namespace over an overlay whose upper layer is a
# tmpfs: the root itself is never written, and all of it is gone when the namespace ends.
# The program runs with a fresh home and is ended by its process id after it has shown
# that it started: its window writes the window state into the settings file.
unshare --mount --fork -- bash -s "$root" "$PWD/$deb" >"$out/smoke.log" 2>&1 <<'SMOKE' || {
set -euo pipefail
root=$1 deb=$2
mount --make-rprivate /
scratch=$(mktemp -d)
mount -t tmpfs tmpfs "$scratch"
mkdir "$scratch/upper" "$scratch/work" "$scratch/merged"
mount -t overlay overlay -o "lowerdir=$root,upperdir=$scratch/upper,workdir=$scratch/work" "$scratch/merged"
new=$scratch/merged
mount -t proc proc "$new/proc"
mount --rbind /dev "$new/dev"
mkdir -p "$new/tmp/pkg"
cp "$deb" "$new/tmp/pkg/"
chroot "$new" /usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8 /bin/bash -s <<'INSIDE'
set -euo pipefail
dpkg -i /tmp/pkg/*.deb
dpkg -s tickwarden | grep -E '^(Status|Version|Depends):'
test -x /usr/bin/tickwarden
test -f /usr/share/doc/HTML/en/tickwarden/index.cache.bz2
test -f /usr/share/locale/de/LC_MESSAGES/tickwarden.mo
grep -q '^Name\[de\]=' /usr/share/applications/org.tickwarden.Tickwarden.desktop
home=$(mktemp -d)
HOME=$home XDG_RUNTIME_DIR=$home QT_QPA_PLATFORM=offscreen /usr/bin/tickwarden >"$home/out.log" 2>&1 &
pid=$!
started=0
for _ in $(seq 1 200); do
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    if [ -s "$home/.config/tickwardenrc" ]; then
        started=1
        break
    fi
    sleep 0.1
done
# Half a second more, so a crash right after the first window would still be seen.
sleep 0.5
if [ "$started" = 1 ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid"
    wait "$pid" || true
    echo "installed tickwarden started and kept running"
else
    if kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
    fi
    wait "$pid" || echo "exit status $?"
    cat "$home/out.log"
    echo "installed tickwarden did not start"
    exit 1
fi
INSIDE
SMOKE
    cat "$out/smoke.log" >&2
    die "the installed package did not start; see $out/smoke.log"
}
say "$(tail -n 1 "$out/smoke.log")"
say "done: $deb"
