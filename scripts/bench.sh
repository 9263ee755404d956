#!/usr/bin/env bash
# Runs the benchmarks: installs what is missing, builds a Release tree with
# the benchmarks in build-bench/ (or $TARVEL_BUILD_DIR), runs each program
# and prints one line per figure beside its floor. Google Benchmark's own
# output goes to bench-log.txt in the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_BUILD_DIR:-$root/build-bench}

"$root/scripts/setup-deps.sh"

mkdir -p "$build"
buildlog=$build/bench-build-log.txt
echo "Building the benchmarks in $build ..."
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVEL_BUILD_BENCHMARKS=ON \
        -DTARVEL_BUILD_TESTS=OFF -DTARVEL_BUILD_GUI=ON \
    && cmake --build "$build" -j"$(nproc)" --target tarvel_core_bench tarvel_gui_bench; } \
    >"$buildlog" 2>&1; then
    tail -n 40 "$buildlog"
    echo "bench.sh: the build failed (full log: $buildlog)" >&2
    exit 1
fi

log=$build/bench-log.txt
: >"$log"
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
memory=$(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo)
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'); $(nproc) CPUs, ${cpu:-unknown CPU}; $memory memory;" \
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
"$build/bin/tarvel_core_bench" --table-head 2>>"$log"
# The resident set is measured in a process of its own, before any other
# window has come and gone.
"$build/bin/tarvel_gui_bench" --benchmark_filter='^Memory' 2>>"$log"
"$build/bin/tarvel_gui_bench" --benchmark_filter='-^Memory' 2>>"$log"
echo
echo "time: mean wall-clock time of one run; cpu: this process's CPU time in it; ratio: time / floor"
echo "(memory: resident set / resident set of the floor). Full output: $log"
