#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (rsvg-convert, from
# Debian's librsvg2-bin). The PNGs are kept in the repository, so a build
# does not need the renderer; run this after changing the SVG.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icons=$root/dist/icons
svg=$icons/org.example.tarvel.svg
for size in 48 256; do
    mkdir -p "$icons/${size}x${size}"
    rsvg-convert --width "$size" --height "$size" "$svg" -o "$icons/${size}x${size}/org.example.tarvel.png"
done
