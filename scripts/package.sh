#!/usr/bin/env bash
# Builds the Debian package: a Release tree in build-package/ (or
# $TARVEL_PACKAGE_BUILD_DIR) with Debian's hardening flags and without the
# tests, then CPack's DEB generator. Shows the package's control data with
# dpkg-deb -I and checks it with lintian, which must report no error. Prints
# the package's path last; install it with
#   sudo apt-get install ./build-package/tarvel_*.deb
# With TARVEL_PACKAGE_RUN_TESTS=1 the tree is built with the tests too, and
# every test runs on the programs about to be packaged before CPack does
# (scripts/release.sh does so).
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

tests=OFF
if [ -n "${TARVEL_PACKAGE_RUN_TESTS:-}" ]; then
    tests=ON
fi

mkdir -p "$build"
log=$build/package-log.txt
echo "Building the package in $build ..."
if ! { CFLAGS=$cflags CXXFLAGS=$cxxflags LDFLAGS=$ldflags cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
        -DTARVEL_BUILD_TESTS=$tests -DTARVEL_BUILD_GUI=ON \
    && cmake --build "$build" -j"$(nproc)"; } >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "package.sh: the build failed (full log: $log)" >&2
    exit 1
fi
if [ "$tests" = ON ]; then
    echo "Running the tests in $build ..."
    if ! (cd "$build" && ctest --output-on-failure -j2 --timeout 300) >"$build/test-log.txt" 2>&1; then
        grep -A30 -E "^(The following tests FAILED|[0-9]+% tests passed)" "$build/test-log.txt" >&2 || tail -n 40 "$build/test-log.txt" >&2
        echo "package.sh: tests failed (full log: $build/test-log.txt)" >&2
        exit 1
    fi
    grep -E "^[0-9]+% tests passed" "$build/test-log.txt"
fi
if ! (cd "$build" && rm -f tarvel_*.deb && cpack -G DEB) >>"$log" 2>&1; then
    tail -n 40 "$log"
    echo "package.sh: cpack failed (full log: $log)" >&2
    exit 1
fi
debs=("$build"/tarvel_*.deb)
deb=${debs[0]}

dpkg-deb -I "$deb"
echo
echo "lintian:"
# The warnings left are listed, with the reasons, in docs/developing.md
# ("The installed tree and the Debian package").
lintian --fail-on error "$deb"
echo
echo "$deb"
