#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test through CTest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" -DTARVEL_WERROR=ON -DTARVEL_BUILD_TESTS=ON
cd "${TARVEL_BUILD_DIR:-$root/build}"
ctest --output-on-failure -j2 --timeout 300
