#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the tests of build/
# (warnings as errors), the same tests on the plain code, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target for 20 seconds. CI runs exactly this.
#
# --quick   build/ and its tests only (what a change is tried with)
# --plain   the plain versions of the fast paths only
#           (-DTARVEL_PLAIN_CODE=ON) in build-plain/ and their tests
# $TARVEL_BUILD_DIR, when set, is the build folder of --quick or --plain.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Builds into $1 with the CMake options after it and runs its tests.
build_and_test() {
    local build=$1
    shift
    TARVEL_BUILD_DIR=$build "$root/scripts/build.sh" -DTARVEL_WERROR=ON -DTARVEL_BUILD_TESTS=ON "$@"
    (cd "$build" && ctest --output-on-failure -j2 --timeout 300)
}

case "${1:-}" in
"")
    "$root/scripts/setup-deps.sh"
    build_and_test "$root/build"
    build_and_test "$root/build-plain" -DTARVEL_PLAIN_CODE=ON
    bash "$root/scripts/sanitize.sh"
    bash "$root/scripts/fuzz.sh" 20
    ;;
--quick)
    "$root/scripts/setup-deps.sh"
    build_and_test "${TARVEL_BUILD_DIR:-$root/build}"
    ;;
--plain)
    "$root/scripts/setup-deps.sh"
    build_and_test "${TARVEL_BUILD_DIR:-$root/build-plain}" -DTARVEL_PLAIN_CODE=ON
    ;;
*)
    echo "usage: scripts/test.sh [--quick | --plain]" >&2
    exit 2
    ;;
esac
