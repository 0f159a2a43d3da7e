#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Exercises the build-root path of scripts/tickwarden-dev as a brand-new machine meets it:
# an empty cache, no root yet. A stand-in mmdebstrap early on PATH builds a tiny tree that
# holds just enough (bash, env) for the script to enter it, so the test takes seconds and no
# network. Machines that already have a root never walk this path again, which is how a
# failing first run once went unnoticed.
#
# Needs root (the script itself needs it to create and enter a root); skips otherwise.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
script=$here/../tickwarden-dev

if [ "$(id -u)" != 0 ]; then
    echo "tickwarden-dev-test: skipped, entering a build root needs root"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

check() {
    local what=$1
    shift
    if "$@"; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAIL: $what" >&2
    fi
}

# The stand-in copies bash and env with the libraries they load into the target folder,
# or fails like a real mmdebstrap without network when FAKE_MMDEBSTRAP_FAIL is set.
mkdir -p "$work/bin"
cat >"$work/bin/mmdebstrap" <<'STANDIN'
#!/bin/bash
set -e
target=${*: -1}
echo "stand-in mmdebstrap $*"
if [ -n "${FAKE_MMDEBSTRAP_FAIL:-}" ]; then
    echo "E: cannot reach the archive" >&2
    exit 1
fi
mkdir -p "$target"
for program in /bin/bash /usr/bin/env; do
    cp --parents -L "$program" "$target"
    for lib in $(ldd "$program" | grep -o '/[^ ]*'); do
        cp --parents -L "$lib" "$target"
    done
done
mkdir -p "$target/proc" "$target/dev"
echo "${FAKE_ROOT_MARK:-fresh}" >"$target/mark"
STANDIN
chmod +x "$work/bin/mmdebstrap"

run_script() {
    env -i PATH="$work/bin:$PATH" HOME="$work/home" XDG_CACHE_HOME="$work/cache" \
        TICKWARDEN_DEV_MODE=root "${@:2}" bash "$script" shell "$1"
}

not_in() { ! grep -q "$1" <<<"$2"; }

mkdir -p "$work/home"

# A failing creation: a clear message, a non-zero status and no half-made root left behind.
out=$(run_script 'true' FAKE_MMDEBSTRAP_FAIL=1 2>&1)
status=$?
check "a failed creation exits non-zero" [ "$status" -ne 0 ]
check "a failed creation says why" grep -q "could not create the build root" <<<"$out"
check "a failed creation leaves no root" bash -c "! ls -d '$work/cache/tickwarden/buildroot-'* 2>/dev/null"
check "a failed creation leaves no temporary folder" bash -c "! ls -d '$work/cache/tickwarden/.creating.'* 2>/dev/null"

# First run on an empty cache: creates the root and runs the command inside it.
out=$(run_script 'read -r mark </mark; echo "$mark inside-the-root"' 2>&1)
status=$?
check "the first run exits 0 (output: $out)" [ "$status" -eq 0 ]
check "the first run runs the command in the root" grep -q "inside-the-root" <<<"$out"
check "the first run reports the root ready" grep -q "build root ready" <<<"$out"
roots=("$work"/cache/tickwarden/buildroot-*)
check "exactly one root exists" [ "${#roots[@]}" -eq 1 ]

# Second run: reuses the root, creates nothing.
out=$(run_script 'echo again' FAKE_ROOT_MARK=second 2>&1)
status=$?
check "the second run exits 0" [ "$status" -eq 0 ]
check "the second run does not create a root again" not_in "stand-in mmdebstrap" "$out"

# A changed package list makes a new root and removes the old one.
cp -a "$here/.." "$work/scripts-copy"
echo "extra-package" >>"$work/scripts-copy/buildroot-packages.txt"
out=$(env -i PATH="$work/bin:$PATH" HOME="$work/home" XDG_CACHE_HOME="$work/cache" TICKWARDEN_DEV_MODE=root \
    FAKE_ROOT_MARK=renewed bash "$work/scripts-copy/tickwarden-dev" shell 'read -r mark </mark; echo "$mark"' 2>&1)
status=$?
check "a run after a package list change exits 0 (output: $out)" [ "$status" -eq 0 ]
check "a run after a package list change uses the new root" grep -q "renewed" <<<"$out"
roots=("$work"/cache/tickwarden/buildroot-*)
check "the older root is removed" [ "${#roots[@]}" -eq 1 ]

echo "tickwarden-dev-test: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
