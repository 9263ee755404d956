#!/usr/bin/env bash
# Builds the Debian package: a Release tree in build-package/ (or
# $TARVEL_PACKAGE_BUILD_DIR) with Debian's hardening flags and without the
# tests, then CPack's DEB generator. Shows the package's control data with
# dpkg-deb -I and checks it with lintian, which must report no error. Prints
# the package's path last; install it with
#   sudo apt-get install ./build-package/tarvel_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_PACKAGE_BUILD_DIR:-$root/build-package}

if [ -z "${TARVEL_SKIP_SETUP:-}" ]; then
    "$root/scripts/setup-deps.sh"
fi

# The compiler and linker flags every Debian package is built with.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

mkdir -p "$build"
log=$build/package-log.txt
echo "Building the package in $build ..."
if ! { CFLAGS=$cflags CXXFLAGS=$cxxflags LDFLAGS=$ldflags cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
        -DTARVEL_BUILD_TESTS=OFF -DTARVEL_BUILD_GUI=ON \
    && cmake --build "$build" -j"$(nproc)" \
    && (cd "$build" && rm -f tarvel_*.deb && cpack -G DEB); } >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "package.sh: the build or cpack failed (full log: $log)" >&2
    exit 1
fi
debs=("$build"/tarvel_*.deb)
deb=${debs[0]}

dpkg-deb -I "$deb"
echo
echo "lintian:"
# The warnings left are listed, with the reasons, in the README ("Install").
lintian --fail-on error "$deb"
echo
echo "$deb"
