#!/usr/bin/env bash
# Builds TARVEL with AddressSanitizer and UndefinedBehaviorSanitizer (Debian's
# clang) in its own folder, build-sanitize/ (or $TARVEL_SANITIZE_DIR), and
# runs every test there on the offscreen platform. Any sanitizer report stops
# the test that made it, so the run fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_SANITIZE_DIR:-$root/build-sanitize}
"$root/scripts/setup-deps.sh"

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
    -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DTARVEL_WERROR=ON -DTARVEL_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
# Leaks are reported too; abort on the first report of either sanitizer and
# show where it came from.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
