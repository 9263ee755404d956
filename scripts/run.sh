#!/usr/bin/env bash
# Installs what is missing, builds, writes the sample data and starts the
# viewer. Arguments go to the viewer (e.g. /UNSUPPRESSED).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh"
exec "${TARVEL_BUILD_DIR:-$root/build}/bin/tarvel" "$@"
