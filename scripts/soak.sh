#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# A soak of the real program: two Tickwarden processes on one home, each on a session bus
# of its own, driven from outside through a seeded random run of starts, pauses, laps with
# notes, resets, saves, new and closed windows, and SIGKILLs with restarts. The driver
# (autotests/soak/soakdriver.cpp) checks every save against sessions.json and every killed
# window against what the restarted process brings back.
#
#   scripts/soak.sh [--loaded] SECONDS SEED
#                                   build what is needed, then soak for SECONDS; with
#                                   --loaded, a busy process per processor runs beside
#                                   the programs, as on a machine doing other work
#
# The same arguments replay a run step by step up to the failing step (under load, the
# steps are the same, the timing is not). The last line is the summary (steps, kills,
# saves, windows recovered, losses); the exit status is 0 only without a loss. A failed run
# keeps its home, the programs' logs and the driver's trace in a folder it names under
# BUILD_DIR/soak, outside the build root's temporary folder. A program that dies of a
# signal without being killed writes its stack into its log, which the summary repeats with
# the program's own frames named; where the kernel writes core dumps to the working folder,
# its core dump lands in cores-A or cores-B beside the log. Like scripts/tickwarden-dev it
# works natively where CMake finds KF6 and inside the build root elsewhere
# (TICKWARDEN_DEV_MODE and TICKWARDEN_BUILD_DIR apply).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here/.."

usage() {
    echo "usage: $0 [--loaded] SECONDS SEED" >&2
    exit 2
}
load=0
if [ "${1:-}" = --loaded ]; then
    load=$(nproc 2>/dev/null || echo 2)
    shift
fi
[ $# -eq 2 ] || usage
[[ $1 =~ ^[1-9][0-9]*$ ]] || usage
[[ $2 =~ ^[0-9]+$ ]] && [ "$2" -le 4294967295 ] || usage
seconds=$1
seed=$2

# The same test scripts/tickwarden-dev makes to choose between a native build and the root.
host_has_kf6() {
    command -v cmake >/dev/null 2>&1 || return 1
    local probe ok=1
    probe=$(mktemp -d)
    cat >"$probe/CMakeLists.txt" <<'PROBE'
cmake_minimum_required(VERSION 3.16)
project(probe LANGUAGES CXX)
find_package(ECM 6.0 REQUIRED NO_MODULE)
find_package(Qt6 6.5 REQUIRED COMPONENTS Core Gui Widgets DBus Test)
find_package(KF6 6.0 REQUIRED COMPONENTS XmlGui Config ConfigWidgets WidgetsAddons CoreAddons I18n Crash DocTools)
PROBE
    cmake -S "$probe" -B "$probe/build" >/dev/null 2>&1 && ok=0
    rm -rf "$probe"
    return $ok
}

mode=${TICKWARDEN_DEV_MODE:-}
if [ -z "$mode" ]; then
    if host_has_kf6; then mode=native; else mode=root; fi
fi
export TICKWARDEN_DEV_MODE=$mode
if [ "$mode" = native ]; then builddir=build/native; else builddir=build/root; fi
builddir=${TICKWARDEN_BUILD_DIR:-$builddir}

# A fresh checkout is built once as the README's commands do; later runs build only the
# program and the driver.
if [ ! -f "$builddir/CMakeCache.txt" ]; then
    scripts/tickwarden-dev build
fi
drive="cmake --build '$builddir' --target tickwarden soakdriver soakcrashtrace >'$builddir/soak-build.log' 2>&1 || { tail -n 40 '$builddir/soak-build.log'; echo 'soak: the build failed' >&2; exit 1; }
ulimit -c unlimited 2>/dev/null || ulimit -c \$(ulimit -H -c) 2>/dev/null || true
'$builddir/bin/soakdriver' --binary '$builddir/bin/tickwarden' --seconds $seconds --seed $seed --load $load --work-dir '$builddir/soak'"
if [ "$load" -gt 0 ]; then
    echo "soak: $seconds seconds with seed $seed, $load busy processes beside it"
else
    echo "soak: $seconds seconds with seed $seed"
fi
if [ "$mode" = native ]; then
    bash -c "$drive"
else
    scripts/tickwarden-dev shell "$drive"
fi
