#!/usr/bin/env bash
# Runs the benchmarks: installs what is missing, builds a Release tree with
# the benchmarks in build-bench/ (or $TARVEL_BUILD_DIR), runs each program
# and prints one line per figure beside its floor, then the whole-process
# figures of tarvel-batch beside a C program's (hyperfine, alternating
# rounds), and last the same tables in Markdown for docs/performance.md's
# figures. Google Benchmark's own output goes to bench-log.txt
# in the build folder.
#
# Options: --quick (fewer hyperfine rounds), --no-gui (skip the viewer's
# benchmarks), --whole-only (only the whole-process figures).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_BUILD_DIR:-$root/build-bench}

rounds=10
gui=1
inprocess=1
for arg in "$@"; do
    case $arg in
    --quick) rounds=3 ;;
    --no-gui) gui=0 ;;
    --whole-only) inprocess=0 gui=0 ;;
    *)
        echo "usage: scripts/bench.sh [--quick] [--no-gui] [--whole-only]" >&2
        exit 2
        ;;
    esac
done

"$root/scripts/setup-deps.sh"

mkdir -p "$build"
buildlog=$build/bench-build-log.txt
targets=(tarvel_core_bench tarvel-batch tarvel-floor)
[ "$gui" = 1 ] && targets+=(tarvel_gui_bench)
echo "Building the benchmarks in $build ..."
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARVEL_BUILD_BENCHMARKS=ON \
        -DTARVEL_BUILD_TESTS=OFF -DTARVEL_BUILD_GUI=ON \
    && cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"; } \
    >"$buildlog" 2>&1; then
    tail -n 40 "$buildlog"
    echo "bench.sh: the build failed (full log: $buildlog)" >&2
    exit 1
fi

log=$build/bench-log.txt
: >"$log"
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
memory=$(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo)
machine="$(nproc) CPUs, ${cpu:-unknown CPU}; $memory memory"
started="$(date -u '+%Y-%m-%d %H:%M UTC')"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
echo
echo "$started; $machine; load average $load_before"
echo

# Each table is made once, in Markdown, and shown here as aligned text.
as_text() {
    python3 -c '
import sys
for line in open(sys.argv[1]):
    line = line.rstrip("\n")
    if line.startswith("|---"):
        continue
    if line.startswith("|"):
        cells = [c.strip() for c in line.strip("|").split("|")]
        print("  ".join(c.ljust(58 if i == 0 else 9) for i, c in enumerate(cells)).rstrip())
    else:
        print(line)
' "$1"
}

inprocess_md=$build/bench-inprocess.md
: >"$inprocess_md"
if [ "$inprocess" = 1 ]; then
    echo "In process (Google Benchmark):"
    export TARVEL_BENCH_MARKDOWN=1
    "$build/bin/tarvel_core_bench" --table-head 2>>"$log" >>"$inprocess_md"
    if [ "$gui" = 1 ]; then
        # The resident set is measured in a process of its own, before any
        # other window has come and gone.
        "$build/bin/tarvel_gui_bench" --benchmark_filter='^Memory' 2>>"$log" >>"$inprocess_md"
        "$build/bin/tarvel_gui_bench" --benchmark_filter='-^Memory' 2>>"$log" >>"$inprocess_md"
    fi
    unset TARVEL_BENCH_MARKDOWN
    as_text "$inprocess_md"
    echo
    echo "time: mean wall-clock time of one run; cpu: this process's CPU time in it; ratio: time / floor"
    echo "(memory: resident set / resident set of the floor). Full output: $log"
    echo
fi

echo "Whole process (hyperfine; tarvel-batch beside tarvel-floor, alternating rounds):"
whole_md=$build/bench-whole.md
python3 "$root/bench/whole_process.py" "$build/bin" --rounds "$rounds" --markdown >"$whole_md" || true
as_text "$whole_md"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo
echo "---- docs/performance.md (Figures) ----"
echo
echo "Date: $started. Machine: $machine; load average $load_before before the run and $load_after after."
echo
if [ "$inprocess" = 1 ]; then
    echo "In process (Google Benchmark, mean of one run):"
    echo
    cat "$inprocess_md"
    echo
fi
echo "Whole process (hyperfine, medians):"
echo
cat "$whole_md"
# The exit status says whether every figure met its target.
grep -q MISSED "$whole_md" "$inprocess_md" && exit 1 || exit 0
