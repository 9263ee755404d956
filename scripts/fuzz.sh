#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/ (or $TARVEL_FUZZ_DIR) and runs
# each for SECONDS seconds (default 60), starting from its committed seed
# corpus in fuzz/corpus/<target>/. New inputs found on the way go to a
# scratch folder, so the committed corpus stays small. An input that makes a
# target fail is kept under build-fuzz/artifacts/ and the script fails: fix
# the fault, then add the input to the target's corpus as a regression case.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${TARVEL_FUZZ_DIR:-$root/build-fuzz}
"$root/scripts/setup-deps.sh"

flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTARVEL_BUILD_GUI=OFF -DTARVEL_BUILD_TESTS=OFF -DTARVEL_BUILD_FUZZERS=ON -DTARVEL_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
mkdir -p "$build/artifacts"
status=0
for target in data_files settings_parser help_parser batch_arguments output_targets; do
    scratch=$(mktemp -d)
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$scratch" "$root/fuzz/corpus/$target" 2>"$build/fuzz_$target.log"; then
        echo "fuzz_$target FAILED; input kept in $build/artifacts/, log in $build/fuzz_$target.log"
        tail -n 40 "$build/fuzz_$target.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units' "$build/fuzz_$target.log" || true
    fi
    rm -rf "$scratch"
done
exit $status
