#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build/fuzz, runs each for a bounded time and prints per
# target the executions, the coverage reached and the findings.
#
#   scripts/run-fuzzers.sh [seconds per target] [target...]
#
# The default is 60 seconds for each target in fuzz/CMakeLists.txt. With
# TICKWARDEN_FUZZ_RUNS=N a target stops after N executions instead, if that comes first, so a
# run can be sized by executions on a machine that is busy with other work. There, give
# TICKWARDEN_FUZZ_TIMEOUT more than its 20 seconds too: libFuzzer counts an input's time on
# the wall clock, so a starved process reports slow inputs that are not. Inputs that crash or
# break an invariant land in build/fuzz/findings/<target>/; once the fault is fixed, copy
# them into fuzz/corpus/<target>/, where the normal build replays them as tests. New
# coverage found along the way stays in build/fuzz/work/<target>/ for the next run.
#
# The work happens in the build root of scripts/tickwarden-dev, which has clang and its
# fuzzer runtime; TICKWARDEN_DEV_MODE=native runs it on a host with clang, Qt 6 and KF6.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$here/.." && pwd)

if [ -z "${TICKWARDEN_FUZZ_INSIDE:-}" ] && [ "${TICKWARDEN_DEV_MODE:-}" != native ]; then
    env="TICKWARDEN_FUZZ_INSIDE=1"
    for name in TICKWARDEN_FUZZ_RUNS TICKWARDEN_FUZZ_TIMEOUT; do
        [ -n "${!name:-}" ] && env+=" $name=$(printf '%q' "${!name}")"
    done
    args=
    for arg in "$@"; do args+=" $(printf '%q' "$arg")"; done
    exec "$here/tickwarden-dev" shell "$env scripts/run-fuzzers.sh$args"
fi

cd "$src"
seconds=${1:-60}
[ $# -gt 0 ] && shift
runs=${TICKWARDEN_FUZZ_RUNS:--1}
case "$runs" in
-1) ;;
'' | *[!0-9]*) echo "run-fuzzers: TICKWARDEN_FUZZ_RUNS must be a number of executions" >&2 && exit 2 ;;
esac
timeout=${TICKWARDEN_FUZZ_TIMEOUT:-20}
case "$timeout" in
'' | *[!0-9]*) echo "run-fuzzers: TICKWARDEN_FUZZ_TIMEOUT must be a number of seconds" >&2 && exit 2 ;;
esac
case "$seconds" in
'' | *[!0-9]*) echo "run-fuzzers: the time per target must be a number of seconds" >&2 && exit 2 ;;
esac
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(sed -n '/^set(tickwarden_fuzz_targets/,/^)/{/^  *[a-z]/p}' fuzz/CMakeLists.txt | tr -d ' ')
fi

builddir=build/fuzz
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ ! -f "$builddir/CMakeCache.txt" ]; then
    gen=
    command -v ninja >/dev/null 2>&1 && gen="-G Ninja"
    CC=clang CXX=clang++ cmake -S . -B "$builddir" $gen \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DBUILD_TESTING=ON \
        -DTICKWARDEN_BUILD_FUZZERS=ON \
        "-DCMAKE_C_FLAGS=$sanitizers" \
        "-DCMAKE_CXX_FLAGS=$sanitizers" >"$builddir.configure.log" 2>&1 || {
        tail -n 30 "$builddir.configure.log" >&2
        exit 1
    }
fi
cmake --build "$builddir" --parallel "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
summary=()
for target in "${targets[@]}"; do
    work=$builddir/work/$target
    findings=$builddir/findings/$target
    home=$builddir/home/$target
    log=$builddir/logs/$target.log
    mkdir -p "$work" "$findings" "$home" "$(dirname "$log")"
    before=$(find "$findings" -type f | wc -l)
    echo "run-fuzzers: $target for $seconds s (log: $log)"
    # libFuzzer writes new inputs to the first folder and only reads the seeds.
    set +e
    HOME=$src/$home "$builddir/bin/$target" \
        -max_total_time="$seconds" -runs="$runs" -timeout="$timeout" -rss_limit_mb=3072 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$findings/" \
        "$work" "fuzz/corpus/$target" >"$log" 2>&1
    rc=$?
    set -e
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    corpus=$(find "$work" -type f | wc -l)
    found=$(($(find "$findings" -type f | wc -l) - before))
    line="$target: ${execs:-?} executions, ${coverage:-no coverage line}, $corpus inputs in the work corpus, $found new findings (exit $rc)"
    if [ "$found" -gt 0 ] || [ "$rc" -ne 0 ]; then
        status=1
        grep -m 3 -E 'ERROR: |invariant broken|runtime error' "$log" | sed 's/^/    /' || true
        find "$findings" -type f -newer "$builddir/bin/$target" | sed 's/^/    finding: /'
    fi
    summary+=("$line")
done

echo
echo "== fuzzing summary =="
printf '%s\n' "${summary[@]}"
exit "$status"
