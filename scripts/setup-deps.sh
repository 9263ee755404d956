#!/usr/bin/env bash
# Installs the Debian packages TARVEL needs to build, run and test, when any
# is missing. Safe to run again: it does nothing when all are present.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth imagemagick poppler-utils
    qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libxlsxwriter-dev
    clang libclang-rt-14-dev hyperfine python3 python3-openpyxl
    desktop-file-utils appstream lintian man-db dpkg-dev file librsvg2-bin
    util-linux mount strace
    openbox xdotool
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
