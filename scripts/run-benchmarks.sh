#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Builds a Release tree with the benchmarks in build/bench, measures the real program as a
# process under a private Xvfb and runs the in-process benchmarks, then prints one table of
# every figure (name, value, unit).
#
#   scripts/run-benchmarks.sh            natively, or inside the build root of
#                                        scripts/tickwarden-dev when this host has no KF6
#   scripts/run-benchmarks.sh --inside   where the build happens (used by the above)
#
# TICKWARDEN_DEV_MODE=native|root forces one of the two ways, as for tickwarden-dev.
# BENCH_SECONDS (default 10) is the length of each process measurement, BENCH_ROUNDS
# (default 3) the number of interleaved rounds over the running cases, BENCH_STARTUP_RUNS
# (default 9) the number of timed start-ups of each program, BENCH_BUILD_DIR the build
# folder instead of build/bench, BENCH_KEEP=1 keeps the logs and per-thread counts,
# BENCH_PROCESS_ONLY=1 leaves out the in-process benchmarks. The figures are printed, never
# judged: a shared machine makes them noisy.
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
        "BENCH_SECONDS=${BENCH_SECONDS:-10} BENCH_ROUNDS=${BENCH_ROUNDS:-3} BENCH_STARTUP_RUNS=${BENCH_STARTUP_RUNS:-9} BENCH_BUILD_DIR=${BENCH_BUILD_DIR:-build/bench} BENCH_KEEP=${BENCH_KEEP:-} BENCH_PROCESS_ONLY=${BENCH_PROCESS_ONLY:-} scripts/run-benchmarks.sh --inside"
fi

cd "$src"
seconds=${BENCH_SECONDS:-10}
startup_runs=${BENCH_STARTUP_RUNS:-9}
builddir=${BENCH_BUILD_DIR:-build/bench}
jobs=$(nproc 2>/dev/null || echo 2)
hz=$(getconf CLK_TCK)

for tool in cmake ninja Xvfb xdotool xev xdpyinfo stdbuf; do
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
work=$(mktemp -d "${TMPDIR:-/tmp}/tickwarden-bench.XXXXXX")
results=$work/results.tsv
: >"$results"
add() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results"; }

# ---------------------------------------------------------------------------- processes
# Every process started here is remembered by PID and ended by PID on the way out.
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    for i in "${pids[@]}"; do
        wait "$i" 2>/dev/null || true
    done
    [ -n "${dbus_pid:-}" ] && kill "$dbus_pid" 2>/dev/null
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

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; die "Xvfb did not start"; }
export DISPLAY=:$(head -n 1 "$work/display")
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

visible_windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null || true; }

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

sum_switches() { awk -F'\t' '{s += $3} END {print s + 0}' "$1"; }

ratio() { awk -v a="$1" -v b="$2" -v f="${3:-%.3f}" 'BEGIN {printf f, (b == 0 ? 0 : a / b)}'; }

# Measures CPU seconds per wall second and wake-ups per second of PID over the interval;
# the per-thread wake-ups are left in $work/threads.<label>.
measure() {
    local pid=$1 label=$2 c0 c1 t0 t1 w0 w1
    thread_switches "$pid" >"$work/sw0"
    c0=$(cpu_ticks "$pid")
    t0=$EPOCHREALTIME
    sleep "$seconds"
    thread_switches "$pid" >"$work/sw1"
    c1=$(cpu_ticks "$pid")
    t1=$EPOCHREALTIME
    local wall
    wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b - a}')
    w0=$(sum_switches "$work/sw0")
    w1=$(sum_switches "$work/sw1")
    measured_cpu=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v w="$wall" 'BEGIN {printf "%.4f", c / hz / w}')
    measured_wakeups=$(awk -v d=$((w1 - w0)) -v w="$wall" 'BEGIN {printf "%.1f", d / w}')
    join -t $'\t' -j 1 <(sort "$work/sw0") <(sort "$work/sw1") |
        awk -F'\t' -v w="$wall" '{printf "%s\t%s\t%.1f\n", $1, $2, ($5 - $3) / w}' |
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

# ---------------------------------------------------------------------------- peer
# GNOME Clocks is measured beside Tickwarden where it is installed (the outer call puts it in
# an overlay of the build root). It renders with cairo, as on a machine without a GPU, and
# opens on its stopwatch page.
clocks=$(command -v gnome-clocks || true)
[ -n "$clocks" ] || add "GNOME Clocks" "skipped: gnome-clocks is not installed here" "-"

clocks_settings() {
    mkdir -p "$1/config/glib-2.0/settings"
    printf '[org/gnome/clocks/state/window]\npanel-id=%s\n' "'$2'" >"$1/config/glib-2.0/settings/keyfile"
}

run_clocks() {
    local dir=$1
    HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data XDG_CACHE_HOME=$dir/cache \
        XDG_RUNTIME_DIR=$dir/runtime GSETTINGS_BACKEND=keyfile GSK_RENDERER=cairo GDK_BACKEND=x11 \
        NO_AT_BRIDGE=1 "$clocks" >"$dir/output.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

# ---------------------------------------------------------------------------- a. running
# Every case is started afresh in each round and the cases take turns, so a busy moment of
# the shared machine spreads over all of them instead of spoiling one; the table gives the
# median of the rounds.
rounds=${BENCH_ROUNDS:-3}
cases="tenths hundredths milliseconds hidden none nofractions-type"
[ -n "$clocks" ] && cases="$cases clocks"

case_title() {
    case "$1" in
    hidden) echo "Tickwarden hundredths, window unmapped" ;;
    clocks) echo "GNOME Clocks stopwatch (cairo)" ;;
    nofractions-type) echo "Tickwarden, fractions on but NoFractions" ;;
    none) echo "Tickwarden, no fractions" ;;
    *) echo "Tickwarden $1" ;;
    esac
}

# Starts the case, leaves it running for the measurement and sets $window.
start_case() {
    local name=$1 home=$2
    if [ "$name" = clocks ]; then
        fresh_home "$home" ""
        clocks_settings "$home" stopwatch
        run_clocks "$home"
        wait_for_window "$app_pid" || { cat "$home/output.log" >&2; die "GNOME Clocks showed no window"; }
        sleep 2
        xdotool windowfocus --sync "$window" 2>/dev/null || true
        # Space starts the stopwatch when its page is shown.
        xdotool key --window "$window" space
    else
        local precision=$name
        [ "$name" = hidden ] && precision=hundredths
        fresh_home "$home" "$(settings_for "$precision")"
        run_in_home "$home" "$tickwarden"
        wait_for_window "$app_pid" || { cat "$home/output.log" >&2; die "tickwarden showed no window"; }
        if [ "$name" = hidden ]; then
            sleep 1
            xdotool windowunmap --sync "$window"
        fi
    fi
    sleep 1
}

for round in $(seq "$rounds"); do
    for name in $cases; do
        say "round $round of $rounds: $(case_title "$name"), ${seconds} s"
        home=$work/run-$name
        start_case "$name" "$home"
        measure "$app_pid" "running-$name"
        echo "$measured_cpu" >>"$work/cpu.$name"
        echo "$measured_wakeups" >>"$work/wakeups.$name"
        # Pausing is measured once, at the precision that ticks most.
        if [ "$round" = 1 ] && { [ "$name" = milliseconds ] || [ "$name" = clocks ]; }; then
            xdotool windowfocus --sync "$window" 2>/dev/null || true
            xdotool key --window "$window" space
            sleep 1
            measure "$app_pid" "paused-$name"
            add "paused: $(case_title "$name"): CPU per wall second" "$measured_cpu" "CPU s/s"
            add "paused: $(case_title "$name"): wake-ups" "$measured_wakeups" "1/s"
            while IFS=$'\t' read -r tid tname rate; do
                [ "$rate" = 0.0 ] && continue
                add "paused: $(case_title "$name"): wake-ups of thread $tname ($([ "$tid" = "$app_pid" ] && echo main || echo "tid $tid"))" "$rate" "1/s"
            done <"$work/threads.paused-$name"
        fi
        stop "$app_pid"
    done
done

median() { sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

for name in $cases; do
    cpu=$(median <"$work/cpu.$name")
    wake=$(median <"$work/wakeups.$name")
    add "running: $(case_title "$name"): CPU per wall second (median of $rounds)" "$cpu" "CPU s/s"
    add "running: $(case_title "$name"): wake-ups (median of $rounds)" "$wake" "1/s"
    printf '%s\n' "$cpu" >"$work/median-cpu.$name"
done
if [ -n "$clocks" ]; then
    for name in tenths hundredths milliseconds hidden; do
        add "ratio: $(case_title "$name") / GNOME Clocks, CPU" "$(ratio "$(<"$work/median-cpu.$name")" "$(<"$work/median-cpu.clocks")")" "x"
    done
fi

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
