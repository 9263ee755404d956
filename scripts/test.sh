#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test through CTest.
#
# --plain builds the plain versions of the fast paths only
# (-DTARVEL_PLAIN_CODE=ON) in build-plain/ (or $TARVEL_BUILD_DIR) and runs
# every test on them: the same tests, the same outputs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
options=()
build=${TARVEL_BUILD_DIR:-$root/build}
case "${1:-}" in
"") ;;
--plain)
    options=(-DTARVEL_PLAIN_CODE=ON)
    build=${TARVEL_BUILD_DIR:-$root/build-plain}
    ;;
*)
    echo "usage: scripts/test.sh [--plain]" >&2
    exit 2
    ;;
esac
"$root/scripts/setup-deps.sh"
TARVEL_BUILD_DIR=$build "$root/scripts/build.sh" -DTARVEL_WERROR=ON -DTARVEL_BUILD_TESTS=ON "${options[@]}"
cd "$build"
ctest --output-on-failure -j2 --timeout 300
