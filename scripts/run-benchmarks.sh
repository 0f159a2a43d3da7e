#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Builds a Release tree with the benchmarks in build/bench, measures the real program as a
# process under a private Xvfb and under a private headless KWin Wayland session, runs the
# in-process benchmarks, then prints one table of every figure (name, value, unit).
#
#   scripts/run-benchmarks.sh            natively, or inside the build root of
#                                        scripts/tickwarden-dev when this host has no KF6
#   scripts/run-benchmarks.sh --inside   where the build happens (used by the above)
#
# TICKWARDEN_DEV_MODE=native|root forces one of the two ways, as for tickwarden-dev.
# BENCH_SECONDS (default 10) is the length of each process measurement, BENCH_ROUNDS
# (default 9) the number of interleaved rounds over the running cases, BENCH_DISPLAYS
# (default "x11 wayland") the display servers they run on, BENCH_CASES a subset of the
# running cases (tenths hundredths milliseconds hidden none nofractions-type; GNOME Clocks
# is added where installed), BENCH_STARTUP_RUNS (default 9) the number of timed start-ups
# of each program, BENCH_BUILD_DIR the build folder instead of build/bench, BENCH_KEEP=1
# keeps the logs and per-thread counts, BENCH_PROCESS_ONLY=1 leaves out the in-process
# benchmarks. The figures are printed, never judged: a shared machine makes them noisy.
# A short run: BENCH_ROUNDS=1 BENCH_SECONDS=3 BENCH_STARTUP_RUNS=1 BENCH_PROCESS_ONLY=1.
#
# Each running case gives the program's CPU per wall second, that of the display server
# (Xvfb, or KWin with its Xwayland), their sum, the wake-ups of the program's threads and
# the wake-ups per frame the case can show, for every round and as minimum, median and
# maximum; and its ratio to GNOME Clocks at tenths, round by round.
#
# GNOME Clocks, the peer the running cost and start-up are compared with, is measured where
# gnome-clocks is installed; in the build root the script asks scripts/tickwarden-dev for an
# overlay that adds it, and leaves its rows out with a line saying so when that fails.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/.." && pwd)

say() { echo "run-benchmarks: $*" >&2; }
die() {
    say "$*"
    exit 1
}

# The same test scripts/tickwarden-dev makes to choose between a native build and the root.
host_has_kf6() {
    command -v cmake >/dev/null 2>&1 || return 1
    local probe ok=1
    probe=$(mktemp -d)
    cat >"$probe/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(probe LANGUAGES CXX)
find_package(ECM 6.0 REQUIRED NO_MODULE)
find_package(Qt6 6.5 REQUIRED COMPONENTS Core Gui Widgets DBus Test)
find_package(KF6 6.0 REQUIRED COMPONENTS XmlGui Config ConfigWidgets WidgetsAddons CoreAddons I18n Crash)
EOF
    cmake -S "$probe" -B "$probe/build" >/dev/null 2>&1 && ok=0
    rm -rf "$probe"
    return $ok
}

if [ "${1:-}" != --inside ]; then
    case "${TICKWARDEN_DEV_MODE:-}" in
    native) mode=native ;;
    root) mode=root ;;
    "") if host_has_kf6; then mode=native; else mode=root; fi ;;
    *) die "TICKWARDEN_DEV_MODE must be 'native' or 'root'" ;;
    esac
    if [ "$mode" = native ]; then
        exec "$here/run-benchmarks.sh" --inside
    fi
    if TICKWARDEN_EXTRA_PACKAGES=gnome-clocks "$here/tickwarden-dev" shell true; then
        export TICKWARDEN_EXTRA_PACKAGES=gnome-clocks
    else
        say "GNOME Clocks could not be installed beside the build root; its rows are left out"
    fi
    exec "$here/tickwarden-dev" shell \
        "BENCH_SECONDS=${BENCH_SECONDS:-10} BENCH_ROUNDS=${BENCH_ROUNDS:-9} BENCH_DISPLAYS='${BENCH_DISPLAYS:-x11 wayland}' BENCH_CASES='${BENCH_CASES:-}' BENCH_STARTUP_RUNS=${BENCH_STARTUP_RUNS:-9} BENCH_BUILD_DIR=${BENCH_BUILD_DIR:-build/bench} BENCH_KEEP=${BENCH_KEEP:-} BENCH_PROCESS_ONLY=${BENCH_PROCESS_ONLY:-} scripts/run-benchmarks.sh --inside"
fi

cd "$src"
seconds=${BENCH_SECONDS:-10}
displays=" ${BENCH_DISPLAYS:-x11 wayland} "
startup_runs=${BENCH_STARTUP_RUNS:-9}
builddir=${BENCH_BUILD_DIR:-build/bench}
jobs=$(nproc 2>/dev/null || echo 2)
hz=$(getconf CLK_TCK)

for tool in cmake ninja Xvfb xdotool xev xdpyinfo stdbuf busctl pgrep; do
    command -v "$tool" >/dev/null 2>&1 || die "$tool is missing; the build root of scripts/tickwarden-dev has it"
done

# ---------------------------------------------------------------------------- build
say "building the Release tree in $builddir"
mkdir -p "$(dirname "$builddir")"
configure() {
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTICKWARDEN_BUILD_BENCHMARKS="$2" -DBUILD_TESTING=OFF \
        >"$1.configure.log" 2>&1
}
bench_state=built
# The benchmarks folder is being written alongside; while it does not configure or build,
# the program itself is still measured, from a tree without it.
if ! configure "$builddir" ON || ! cmake --build "$builddir" --parallel "$jobs" >"$builddir.build.log" 2>&1; then
    bench_state="did not build (see $builddir.configure.log and $builddir.build.log)"
    say "the tree with benchmarks $bench_state; measuring the program from $builddir-program"
    builddir=$builddir-program
    configure "$builddir" OFF || { tail -n 30 "$builddir.configure.log" >&2; die "configuring failed"; }
    cmake --build "$builddir" --parallel "$jobs" >"$builddir.build.log" 2>&1 ||
        { tail -n 30 "$builddir.build.log" >&2; die "building failed; see $builddir.build.log"; }
fi
bindir=$builddir/bin
tickwarden=$bindir/tickwarden
[ -x "$tickwarden" ] || die "$tickwarden was not built"

# Until benchmarks/CMakeLists.txt adds the start-up folder, the floor program is built on
# its own, with the same build type.
minimalwindow=$bindir/minimalwindow
if [ ! -x "$minimalwindow" ]; then
    startupdir=build/bench-startup
    {
        [ -f "$startupdir/CMakeCache.txt" ] ||
            cmake -S benchmarks/startup -B "$startupdir" -G Ninja -DCMAKE_BUILD_TYPE=Release
        cmake --build "$startupdir" --parallel "$jobs"
    } >"$startupdir.build.log" 2>&1 || { tail -n 30 "$startupdir.build.log" >&2; die "building minimalwindow failed"; }
    minimalwindow=$startupdir/bin/minimalwindow
    [ -x "$minimalwindow" ] || minimalwindow=$(find "$startupdir" -name minimalwindow -type f -perm -u+x | head -n 1)
fi

# ---------------------------------------------------------------------------- results
# Kept work files go beside the build, where they outlive the build root's private /tmp.
if [ -n "${BENCH_KEEP:-}" ]; then
    mkdir -p "$src/build"
    work=$(mktemp -d "$src/build/bench-work.XXXXXX")
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/tickwarden-bench.XXXXXX")
fi
results=$work/results.tsv
: >"$results"
add() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results"; }

# ---------------------------------------------------------------------------- processes
# Every process started here is remembered by PID and ended by PID on the way out.
pids=()
lock_files=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    for i in "${pids[@]}"; do
        wait "$i" 2>/dev/null || true
    done
    [ -n "${dbus_pid:-}" ] && kill "$dbus_pid" 2>/dev/null
    [ "${#lock_files[@]}" -gt 0 ] && rm -f "${lock_files[@]}"
    if [ -n "${BENCH_KEEP:-}" ]; then say "work files kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

stop() {
    local pid=$1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    local i
    for i in "${!pids[@]}"; do
        [ "${pids[i]}" = "$pid" ] && unset 'pids[i]'
    done
    pids=("${pids[@]}")
}

unset QT_QPA_PLATFORM WAYLAND_DISPLAY SESSION_MANAGER

# An X display is taken when its socket exists or its lock file does. The build root has a
# /tmp of its own but shares /tmp/.X11-unix with the host, so a server there that looked
# only at its lock files would take the socket of another one; each display in use gets a
# lock file here first (removed again on the way out), which KWin's Xwayland respects too.
x_display_taken() {
    [ -e "/tmp/.X11-unix/X$1" ] || [ -e "/tmp/.X$1-lock" ] || grep -q "@/tmp/.X11-unix/X$1\$" /proc/net/unix 2>/dev/null
}
for n in $(seq 0 99); do
    if x_display_taken "$n" && [ ! -e "/tmp/.X$n-lock" ]; then
        printf '%10d\n' $$ >"/tmp/.X$n-lock" && lock_files+=("/tmp/.X$n-lock")
    fi
done

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
pids+=("$xvfb_pid")
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; die "Xvfb did not start"; }
export DISPLAY=:$(head -n 1 "$work/display")
# Xvfb leaves no lock file when it chooses its display itself; KWin's Xwayland would take
# the display for a stale one, remove its socket and leave every later X11 case unable to
# connect.
xvfb_lock=/tmp/.X$(head -n 1 "$work/display")-lock
if [ ! -e "$xvfb_lock" ]; then
    printf '%10d\n' "$xvfb_pid" >"$xvfb_lock" && lock_files+=("$xvfb_lock")
fi
xdpyinfo >/dev/null 2>&1 || die "cannot reach Xvfb at $DISPLAY"

# A private session bus, as on a desktop; the program's D-Bus calls get quick answers
# (errors, since no screen saver is there) instead of failing to connect.
dbus_pid=
if command -v dbus-daemon >/dev/null 2>&1; then
    if dbus_out=$(dbus-daemon --session --fork --print-pid=1 --print-address=1 2>"$work/dbus.log"); then
        export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$dbus_out")
        dbus_pid=$(sed -n 2p <<<"$dbus_out")
    fi
fi

# A fresh home with a pre-seeded settings file for every program started.
fresh_home() {
    local dir=$1 settings=$2
    rm -rf "$dir"
    mkdir -p "$dir/home" "$dir/config" "$dir/data" "$dir/cache" "$dir/runtime"
    chmod 700 "$dir/runtime"
    printf '%s\n' "$settings" >"$dir/config/tickwardenrc"
}

run_in_home() {
    local dir=$1
    shift
    HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_CACHE_HOME=$dir/cache \
        XDG_RUNTIME_DIR=$dir/runtime "$@" >"$dir/output.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

# Bounded: an X server that stalls (another client holding it) ends the wait, not the run.
visible_windows() { timeout 10 xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }

wait_for_window() {
    local pid=$1 i
    for i in $(seq 300); do
        window=$(visible_windows "$pid" | head -n 1)
        [ -n "$window" ] && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    return 1
}

# utime + stime of the whole process, in clock ticks.
cpu_ticks() {
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    set -- $stat
    echo $((${12} + ${13}))
}

# One line per thread: tid, name, voluntary + involuntary context switches.
thread_switches() {
    local task status v n name
    for task in /proc/"$1"/task/*; do
        status=$(cat "$task/status" 2>/dev/null) || continue
        v=$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' <<<"$status")
        n=$(sed -n 's/^nonvoluntary_ctxt_switches:[[:space:]]*//p' <<<"$status")
        # A thread can end between the listing and the reading.
        name=$(cat "$task/comm" 2>/dev/null) || continue
        printf '%s\t%s\t%s\n' "${task##*/}" "$name" $((v + n))
    done
}

ratio() { awk -v a="$1" -v b="$2" -v f="${3:-%.3f}" 'BEGIN {printf f, (b == 0 ? 0 : a / b)}'; }

# Measures CPU seconds per wall second and wake-ups per second of PID over the interval;
# the per-thread wake-ups are left in $work/threads.<label>.
measure() {
    local pid=$1 label=$2 c0 c1 t0 t1
    thread_switches "$pid" >"$work/sw0"
    c0=$(cpu_ticks "$pid")
    t0=$EPOCHREALTIME
    sleep "$seconds"
    thread_switches "$pid" >"$work/sw1"
    c1=$(cpu_ticks "$pid")
    t1=$EPOCHREALTIME
    local wall
    wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')
    measured_wall=$wall
    measured_cpu=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v w="$wall" 'BEGIN {printf "%.4f", c / hz / w}')
    # Thread by thread: a thread that ended meanwhile takes its count with it, one that
    # began brings all of its own.
    measured_wakeups=$(awk -F'\t' -v w="$wall" 'NR == FNR {before[$1] = $3; next} {d += $3 - ($1 in before ? before[$1] : 0)} END {printf "%.1f", d / w}' \
        "$work/sw0" "$work/sw1")
    join -t $'\t' -j 1 <(sort "$work/sw0") <(sort "$work/sw1") |
        awk -F'\t' -v w="$wall" -v main="$pid" '{printf "%s\t%s\t%.1f\n", ($1 == main ? "main" : "tid " $1), $2, ($5 - $3) / w}' |
        sort -t $'\t' -k3,3gr >"$work/threads.$label"
}

settings_for() {
    local general="[General]
startTimerImmediately=true"
    case "$1" in
    tenths) echo "$general
showSecondFractions=true
fractionsType=UpToTenths" ;;
    hundredths) echo "$general
showSecondFractions=true
fractionsType=UpToHundredths" ;;
    milliseconds) echo "$general
showSecondFractions=true
fractionsType=UpToMilliseconds" ;;
    none) echo "$general
showSecondFractions=false" ;;
    nofractions-type) echo "$general
showSecondFractions=true
fractionsType=NoFractions" ;;
    esac
}

# ---------------------------------------------------------------------------- KWin
# A headless KWin Wayland session on the same private bus, started for the Wayland cases of
# each round and ended by PID after them (while it runs, X11 clients of Xvfb on the same bus
# can stall). It renders to memory (--virtual), so it needs no GPU, seat or input devices;
# its X11 socket starts Xwayland on the first X client.
kwin_pid=
kwin_socket=
kwin_display=
if [[ " $displays " == *" wayland "* ]] && { ! command -v kwin_wayland >/dev/null 2>&1 || [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; }; then
    add "KWin Wayland" "skipped: kwin_wayland or a session bus is missing" "-"
    displays=${displays//wayland/}
fi

bus_has() {
    [ "$(busctl --user call org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus NameHasOwner s "$1" 2>/dev/null)" = "b true" ]
}

start_kwin() {
    rm -rf "$work/kwin-runtime"
    mkdir -m 700 "$work/kwin-runtime"
    # Without DISPLAY: KWin would take Xvfb's server as its own X11 side.
    env -u DISPLAY XDG_RUNTIME_DIR="$work/kwin-runtime" kwin_wayland --virtual --xwayland --socket tickwarden-bench \
        --no-lockscreen --no-global-shortcuts >>"$work/kwin.log" 2>&1 &
    kwin_pid=$!
    pids+=("$kwin_pid")
    kwin_socket=$work/kwin-runtime/tickwarden-bench
    for _ in $(seq 300); do
        [ -S "$kwin_socket" ] && bus_has org.kde.KWin && break
        kill -0 "$kwin_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -S "$kwin_socket" ] || { tail -n 20 "$work/kwin.log" >&2; die "kwin_wayland did not start"; }
    # The X display KWin listens on for Xwayland: the socket among its open files.
    kwin_display=
    for _ in $(seq 50); do
        kwin_display=$(for fd in /proc/"$kwin_pid"/fd/*; do readlink "$fd"; done 2>/dev/null |
            sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p' |
            while read -r inode; do awk -v i="$inode" '$7 == i {print $8}' /proc/net/unix; done |
            sed -n 's|^/tmp/.X11-unix/X\([0-9]*\)$|:\1|p' | head -n 1)
        [ -n "$kwin_display" ] && break
        sleep 0.1
    done
}

stop_kwin() {
    [ -n "$kwin_pid" ] && stop "$kwin_pid"
    kwin_pid=
}

# KWin and the Xwayland it started, whose CPU counts as the display server's under Wayland.
server_pids() {
    if [ "$1" = x11 ]; then
        echo "$xvfb_pid"
    else
        echo "$kwin_pid"
        pgrep -P "$kwin_pid" -x Xwayland 2>/dev/null || true
    fi
}

kwin_script() {
    local code=$1 name=tickwardenbench$((++kwin_scripts))
    printf '%s\n' "$code" >"$work/$name.js"
    busctl --user call org.kde.KWin /Scripting org.kde.kwin.Scripting loadScript ss "$work/$name.js" "$name" >/dev/null &&
        busctl --user call org.kde.KWin /Scripting org.kde.kwin.Scripting start >/dev/null
}
kwin_scripts=0

# ---------------------------------------------------------------------------- peer
# GNOME Clocks is measured beside Tickwarden where it is installed (the outer call puts it in
# an overlay of the build root). It renders with cairo, as on a machine without a GPU, and
# opens on its stopwatch page. Its stopwatch is started with a key press, so it always runs
# as an X11 client: on Xvfb, and under KWin through Xwayland (GDK_BACKEND=x11), where
# Xwayland's CPU is counted with KWin's.
clocks=$(command -v gnome-clocks || true)
[ -n "$clocks" ] || add "GNOME Clocks" "skipped: gnome-clocks is not installed here" "-"

clocks_settings() {
    mkdir -p "$1/config/glib-2.0/settings"
    printf '[org/gnome/clocks/state/window]\npanel-id=%s\n' "'$2'" >"$1/config/glib-2.0/settings/keyfile"
}

run_clocks() {
    local dir=$1 x_display=${2:-$DISPLAY}
    DISPLAY=$x_display HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_CACHE_HOME=$dir/cache \
        XDG_RUNTIME_DIR=$dir/runtime GSETTINGS_BACKEND=keyfile GSK_RENDERER=cairo GDK_BACKEND=x11 \
        NO_AT_BRIDGE=1 "$clocks" >"$dir/output.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

# ---------------------------------------------------------------------------- a. running
# Every case is started afresh in each round, and the cases and the display servers take
# turns, so a busy moment of the shared machine spreads over all of them instead of
# spoiling one; the table gives every round, and their minimum, median and maximum.
rounds=${BENCH_ROUNDS:-9}
cases=${BENCH_CASES:-tenths hundredths milliseconds hidden none nofractions-type}
[ -n "$clocks" ] && cases="$cases clocks"

case_title() {
    case "$1" in
    hidden) echo "Tickwarden hundredths, window hidden" ;;
    clocks) echo "GNOME Clocks stopwatch (cairo, tenths)" ;;
    nofractions-type) echo "Tickwarden, fractions on but NoFractions" ;;
    none) echo "Tickwarden, no fractions" ;;
    *) echo "Tickwarden $1" ;;
    esac
}

display_title() {
    case "$1" in
    x11) echo "X11 (Xvfb)" ;;
    wayland) echo "KWin Wayland" ;;
    esac
}

# Frames a second the case can show: its digits change no faster, and the screen (60 Hz
# on both servers) shows no more.
frames_of() {
    case "$1" in
    tenths | clocks) echo 10 ;;
    hundredths | milliseconds) echo 60 ;;
    none | nofractions-type) echo 1 ;;
    *) echo 0 ;;
    esac
}

# Waits until the program's window is up: on X11 by its mapped window, under Wayland by its
# service on the session bus, which it takes after the first window is made.
wait_for_program() {
    local display=$1 i
    if [ "$display" = x11 ]; then
        wait_for_window "$app_pid"
        return
    fi
    for i in $(seq 300); do
        bus_has org.tickwarden.tickwarden && return 0
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.05
    done
    return 1
}

# Starts the case, leaves it running for the measurement and sets $window where it has one.
start_case() {
    local display=$1 name=$2 home=$3
    window=
    if [ "$name" = clocks ]; then
        local x_display=$DISPLAY
        [ "$display" = wayland ] && x_display=$kwin_display
        fresh_home "$home" ""
        clocks_settings "$home" stopwatch
        run_clocks "$home" "$x_display"
        local i
        for i in $(seq 300); do
            window=$(DISPLAY=$x_display timeout 10 xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n 1 || true)
            [ -n "$window" ] && break
            kill -0 "$app_pid" 2>/dev/null || break
            sleep 0.05
        done
        [ -n "$window" ] || { cat "$home/output.log" >&2; die "GNOME Clocks showed no window on $(display_title "$display")"; }
        sleep 2
        DISPLAY=$x_display xdotool windowactivate --sync "$window" 2>/dev/null ||
            DISPLAY=$x_display xdotool windowfocus --sync "$window" 2>/dev/null || true
        # Space starts the stopwatch when its page is shown. Xwayland hands on only the
        # keys of its XTEST extension, and only to the focused window.
        if [ "$display" = wayland ]; then
            DISPLAY=$x_display xdotool key space
        else
            DISPLAY=$x_display xdotool key --window "$window" space
        fi
    else
        local precision=$name
        [ "$name" = hidden ] && precision=hundredths
        fresh_home "$home" "$(settings_for "$precision")"
        if [ "$display" = x11 ]; then
            run_in_home "$home" "$tickwarden"
        else
            QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$kwin_socket run_in_home "$home" "$tickwarden"
        fi
        wait_for_program "$display" || { cat "$home/output.log" >&2; die "tickwarden showed no window on $(display_title "$display")"; }
        if [ "$name" = hidden ]; then
            sleep 1
            if [ "$display" = x11 ]; then
                xdotool windowunmap --sync "$window"
            else
                kwin_script "for (const w of workspace.windowList()) { if (w.pid === $app_pid) w.minimized = true; }"
            fi
        fi
    fi
    sleep 1
}

# Pauses the case's stopwatch with its key.
pause_case() {
    local display=$1 name=$2
    if [ "$name" = clocks ]; then
        local x_display=$DISPLAY
        [ "$display" = wayland ] && x_display=$kwin_display
        if [ "$display" = wayland ]; then
            DISPLAY=$x_display xdotool key space
        else
            DISPLAY=$x_display xdotool key --window "$window" space
        fi
    else
        local path
        path=$(busctl --user get-property org.tickwarden.tickwarden /Application org.tickwarden.Tickwarden.Application Windows |
            sed -n 's/^ao [0-9]* "\([^"]*\)".*/\1/p')
        busctl --user call org.tickwarden.tickwarden "$path" org.tickwarden.Tickwarden.Window Pause >/dev/null
    fi
}

server_ticks() {
    local pid sum=0
    for pid in $(server_pids "$1"); do
        sum=$((sum + $(cpu_ticks "$pid" 2>/dev/null || echo 0)))
    done
    echo "$sum"
}

displays_run=$displays
for round in $(seq "$rounds"); do
    for display in $displays_run; do
        [ "$display" = wayland ] && start_kwin
        for name in $cases; do
            say "round $round of $rounds, $(display_title "$display"): $(case_title "$name"), ${seconds} s"
            home=$work/run-$name
            start_case "$display" "$name" "$home"
            s0=$(server_ticks "$display")
            measure "$app_pid" "running-$display-$name"
            s1=$(server_ticks "$display")
            key=$display.$name
            echo "$measured_cpu" >>"$work/cpu.$key"
            echo "$measured_wakeups" >>"$work/wakeups.$key"
            awk -v c=$((s1 - s0)) -v hz="$hz" -v w="$measured_wall" 'BEGIN {printf "%.4f\n", c / hz / w}' >>"$work/server.$key"
            awk -v a="$measured_cpu" -v b="$(tail -n 1 "$work/server.$key")" 'BEGIN {printf "%.4f\n", a + b}' >>"$work/total.$key"
            # Pausing is measured once, at the precision that ticks most.
            if [ "$round" = 1 ] && { [ "$name" = milliseconds ] || [ "$name" = clocks ]; }; then
                pause_case "$display" "$name"
                sleep 1
                s0=$(server_ticks "$display")
                measure "$app_pid" "paused-$display-$name"
                s1=$(server_ticks "$display")
                title="paused, $(display_title "$display"): $(case_title "$name")"
                add "$title: CPU per wall second" "$measured_cpu" "CPU s/s"
                add "$title: display server CPU per wall second" \
                    "$(awk -v c=$((s1 - s0)) -v hz="$hz" -v w="$measured_wall" 'BEGIN {printf "%.4f", c / hz / w}')" "CPU s/s"
                add "$title: wake-ups" "$measured_wakeups" "1/s"
                while IFS=$'\t' read -r tid tname rate; do
                    [ "$rate" = 0.0 ] && continue
                    add "$title: wake-ups of thread $tname ($tid)" "$rate" "1/s"
                done <"$work/threads.paused-$display-$name"
            fi
            stop "$app_pid"
        done
        [ "$display" = wayland ] && stop_kwin
    done
done

median() { sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# "minimum / median / maximum" of a column of figures.
spread() { sort -g | awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.4f / %.4f / %.4f", v[1], m, v[NR]}'; }
# How far the largest round lies above the median, in per cent.
above_median() { sort -g | awk '{v[NR] = $1} END {m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%+.0f", (m == 0 ? 0 : (v[NR] / m - 1) * 100)}'; }
per_round() { awk '{printf "%s%s", (NR > 1 ? " " : ""), $1}' "$1"; }

for display in $displays_run; do
    for name in $cases; do
        key=$display.$name
        title="running, $(display_title "$display"): $(case_title "$name")"
        add "$title: program CPU per round" "$(per_round "$work/cpu.$key")" "CPU s/s"
        add "$title: program CPU min / median / max" "$(spread <"$work/cpu.$key")" "CPU s/s"
        add "$title: program CPU, maximum above median" "$(above_median <"$work/cpu.$key")" "%"
        add "$title: display server CPU per round" "$(per_round "$work/server.$key")" "CPU s/s"
        add "$title: display server CPU min / median / max" "$(spread <"$work/server.$key")" "CPU s/s"
        add "$title: program + display server min / median / max" "$(spread <"$work/total.$key")" "CPU s/s"
        wake=$(median <"$work/wakeups.$key")
        add "$title: wake-ups (median of $rounds)" "$wake" "1/s"
        frames=$(frames_of "$name")
        [ "$frames" -gt 0 ] && add "$title: wake-ups per frame shown ($frames frames/s)" "$(ratio "$wake" "$frames" %.2f)" "1"
        median <"$work/cpu.$key" >"$work/median-cpu.$key"
        while IFS=$'\t' read -r tid tname rate; do
            [ "$rate" = 0.0 ] && continue
            add "$title: wake-ups of thread $tname ($tid), last round" "$rate" "1/s"
        done <"$work/threads.running-$display-$name"
    done
    # Each round's case against the same round's GNOME Clocks, so a busy moment of the
    # machine falls on both sides of a ratio.
    if [ -n "$clocks" ]; then
        for name in $cases; do
            [ "$name" = clocks ] && continue
            for what in cpu total; do
                paste "$work/$what.$display.$name" "$work/$what.$display.clocks" |
                    awk '$2 > 0 {printf "%.3f\n", $1 / $2}' >"$work/ratio.$what.$display.$name"
            done
            title="ratio, $(display_title "$display"): $(case_title "$name") / GNOME Clocks"
            if [ ! -s "$work/ratio.cpu.$display.$name" ]; then
                add "$title" "none: GNOME Clocks used no CPU, its stopwatch did not start" "-"
                continue
            fi
            add "$title, program CPU per round" "$(per_round "$work/ratio.cpu.$display.$name")" "x"
            add "$title, program CPU min / median / max" "$(spread <"$work/ratio.cpu.$display.$name")" "x"
            add "$title, with display server min / median / max" "$(spread <"$work/ratio.total.$display.$name")" "x"
        done
    fi
done

# ---------------------------------------------------------------------------- b. start-up
# The root window reports every top-level window that is mapped. xev's lines are stamped
# with the wall clock as they arrive, so the resolution is that of the pipe wake-up
# (well below a millisecond), not of a polling interval.
say "start-up: $startup_runs runs of each program, alternating, after one warm-up each"
mkfifo "$work/xev.fifo"
: >"$work/maps"
stdbuf -oL xev -root -event substructure >"$work/xev.fifo" 2>"$work/xev.log" &
pids+=($!)
while IFS= read -r line; do
    case $line in
    MapNotify*) echo "$EPOCHREALTIME" >>"$work/maps" ;;
    esac
done <"$work/xev.fifo" &
pids+=($!)
sleep 0.5

time_startup() {
    local program=$1 home=$work/startup i t0 stamp=
    fresh_home "$home" ""
    t0=$EPOCHREALTIME
    if [ "$program" = "$clocks" ]; then
        clocks_settings "$home" world
        run_clocks "$home"
    else
        run_in_home "$home" "$program"
    fi
    for i in $(seq 1000); do
        stamp=$(awk -v t="$t0" '$1 > t {print; exit}' "$work/maps")
        [ -n "$stamp" ] && break
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.01
    done
    stop "$app_pid"
    [ -n "$stamp" ] || { cat "$home/output.log" >&2; die "$program showed no window"; }
    awk -v a="$t0" -v b="$stamp" 'BEGIN {printf "%.1f\n", (b - a) * 1000}'
}

startup_programs="tickwarden minimalwindow"
[ -n "$clocks" ] && startup_programs="$startup_programs clocks"
program_of() {
    case "$1" in
    tickwarden) echo "$tickwarden" ;;
    minimalwindow) echo "$minimalwindow" ;;
    clocks) echo "$clocks" ;;
    esac
}
for p in $startup_programs; do
    time_startup "$(program_of "$p")" >/dev/null
    : >"$work/startup.$p"
done
for _ in $(seq "$startup_runs"); do
    for p in $startup_programs; do
        time_startup "$(program_of "$p")" >>"$work/startup.$p"
    done
done
for p in $startup_programs; do
    median <"$work/startup.$p" >"$work/startup-median.$p"
    add "start-up to first window: $p (median of $startup_runs)" "$(<"$work/startup-median.$p")" "ms"
done
add "start-up ratio tickwarden / minimalwindow" "$(ratio "$(<"$work/startup-median.tickwarden")" "$(<"$work/startup-median.minimalwindow")" %.2f)" "x"
[ -n "$clocks" ] && add "start-up ratio GNOME Clocks / minimalwindow" "$(ratio "$(<"$work/startup-median.clocks")" "$(<"$work/startup-median.minimalwindow")" %.2f)" "x"
for p in $startup_programs; do
    add "start-up $p runs" "$(sort -g "$work/startup.$p" | paste -sd' ')" "ms"
done

# ---------------------------------------------------------------------------- c. memory
memory_of() {
    local pid=$1 label=$2 rss pss
    rss=$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/status")
    add "memory $label: VmRSS" "$rss" "kB"
    echo "$rss" >"$work/rss.$label"
    if [ -r "/proc/$pid/smaps_rollup" ]; then
        pss=$(sed -n 's/^Pss:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$pid/smaps_rollup")
        [ -n "$pss" ] && add "memory $label: PSS" "$pss" "kB"
    fi
}

say "memory with one and with ten windows"
home=$work/memory
fresh_home "$home" "[General]
startTimerImmediately=false"
run_in_home "$home" "$tickwarden"
wait_for_window "$app_pid" || die "tickwarden showed no window"
sleep 2
memory_of "$app_pid" "one window"
count=1
for _ in $(seq 40); do
    [ "$count" -ge 10 ] && break
    last=$(visible_windows "$app_pid" | tail -n 1)
    xdotool windowfocus --sync "$last" 2>/dev/null || true
    xdotool key --window "$last" ctrl+n
    for _ in $(seq 50); do
        now=$(visible_windows "$app_pid" | wc -l)
        [ "$now" -gt "$count" ] && break
        sleep 0.1
    done
    count=$(visible_windows "$app_pid" | wc -l)
done
sleep 2
if [ "$count" -eq 10 ]; then
    memory_of "$app_pid" "ten windows"
else
    say "only $count windows opened with Ctrl+N"
    memory_of "$app_pid" "$count windows"
fi
stop "$app_pid"

if [ -n "$clocks" ]; then
    home=$work/memory-clocks
    fresh_home "$home" ""
    clocks_settings "$home" stopwatch
    run_clocks "$home"
    wait_for_window "$app_pid" || die "GNOME Clocks showed no window"
    sleep 2
    memory_of "$app_pid" "GNOME Clocks"
    stop "$app_pid"
    add "memory ratio tickwarden (one window) / GNOME Clocks, VmRSS" "$(ratio "$(<"$work/rss.one window")" "$(<"$work/rss.GNOME Clocks")" %.2f)" "x"
fi

# ---------------------------------------------------------------------------- d. in-process
fold_qtest() {
    local file=$1 suffix=$2
    awk -v suffix="$suffix" '
        /^RESULT : / {
            name = substr($0, 10); sub(/:$/, "", name); pending = 1; next
        }
        pending && NF > 0 {
            value = $1; gsub(/,/, "", value)
            unit = $0; sub(/^[[:space:]]*[^[:space:]]+[[:space:]]+/, "", unit); sub(/[[:space:]]*\(.*$/, "", unit)
            printf "%s%s\t%s\t%s\n", name, suffix, value, unit
            pending = 0; next
        }
        /FIGURE [^:]+: / {
            line = $0; sub(/^.*FIGURE /, "", line)
            name = line; sub(/: .*$/, "", name)
            rest = line; sub(/^[^:]+: /, "", rest)
            value = rest; sub(/[[:space:]].*$/, "", value)
            unit = rest; sub(/^[^[:space:]]+[[:space:]]*/, "", unit)
            printf "%s%s\t%s\t%s\n", name, suffix, value, unit
        }' "$file" >>"$results"
}

# lapsbenchmark also takes laps in a real window with its recovery journal
# (laps.window_lap.* figures); its 100,000-lap rows take a minute or two.
inprocess="tickbenchmark lapsbenchmark sessionsbenchmark comparisonbenchmark"
[ -n "${BENCH_PROCESS_ONLY:-}" ] && inprocess=
for bench in $inprocess; do
    if [ ! -x "$bindir/$bench" ]; then
        if [ "$bench_state" = built ]; then add "$bench" "not built yet" "-"; else add "$bench" "$bench_state" "-"; fi
        continue
    fi
    say "running $bench"
    home=$work/$bench
    fresh_home "$home" ""
    if HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
        XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen "$bindir/$bench" >"$work/$bench.out" 2>&1; then
        fold_qtest "$work/$bench.out" ""
    else
        fold_qtest "$work/$bench.out" ""
        add "$bench" "failed" "see output"
        tail -n 20 "$work/$bench.out" >&2
    fi
done

if [ -z "${BENCH_PROCESS_ONLY:-}" ] && command -v valgrind >/dev/null 2>&1 && [ -x "$bindir/tickbenchmark" ]; then
    say "running tickbenchmark under callgrind"
    home=$work/callgrind
    fresh_home "$home" ""
    (cd "$home" && HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
        XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen "$src/$bindir/tickbenchmark" -callgrind) \
        >"$work/callgrind.out" 2>&1 || add "tickbenchmark -callgrind" "failed" "see output"
    fold_qtest "$work/callgrind.out" " (callgrind)"
fi

# ---------------------------------------------------------------------------- table
{
    echo "Tickwarden benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, Release build in $builddir"
    echo
    awk -F'\t' '
        { n[NR] = $1; v[NR] = $2; u[NR] = $3; if (length($1) > w) w = length($1); if (length($2) > x) x = length($2) }
        END {
            printf "%-" w "s  %" x "s  %s\n", "name", "value", "unit"
            for (i = 0; i < w + x + 12; i++) printf "-"; printf "\n"
            for (i = 1; i <= NR; i++) printf "%-" w "s  %" x "s  %s\n", n[i], v[i], u[i]
        }' "$results"
} | tee "$builddir/benchmark-results.txt"
