#!/usr/bin/env bash
# Makes a release of the commit checked out, in one folder (by default
# out/release-VERSION; or the folder given, which must be new or empty):
#   tarvel-VERSION.tar.gz       the source, made by git archive
#   tarvel_VERSION_ARCH.deb     the Debian package
#   SHA256SUMS                  the SHA-256 sums of the two, for sha256sum -c
# The package is built from that very archive unpacked in a temporary folder
# (so a clean checkout of the commit, nothing else of this tree), with the
# tests, and every test runs on the programs before they are packaged; then
# lintian, desktop-file-validate and appstreamcli must report no error and no
# warning on the package and what it installs.
# It refuses when the tree has uncommitted changes (untracked files count)
# and when the version (project() in CMakeLists.txt) already has a tag
# (vVERSION or VERSION). The tag is the last step, left to whoever releases:
#   git tag -a vVERSION -m "TARVEL VERSION" && git push origin vVERSION
set -euo pipefail

die() {
    echo "release.sh: $*" >&2
    exit 1
}

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || die "$root is not a git checkout"

version=$(sed -n 's/^project(tarvel VERSION \([0-9][0-9.]*\)[ )].*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "no version in CMakeLists.txt's project(tarvel VERSION ...)"

changes=$(git status --porcelain --untracked-files=normal)
if [ -n "$changes" ]; then
    printf '%s\n' "$changes" >&2
    die "the tree has uncommitted changes (above); commit them or put them aside first"
fi
for tag in "v$version" "$version"; do
    if git rev-parse -q --verify "refs/tags/$tag" >/dev/null; then
        die "version $version already has the tag $tag; raise the version in CMakeLists.txt and add its section to NEWS.md"
    fi
done

commit=$(git rev-parse HEAD)
out=${1:-$root/out/release-$version}
if [ -e "$out" ] && { [ ! -d "$out" ] || [ -n "$(ls -A "$out")" ]; }; then
    die "$out exists and is not an empty folder"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
name=tarvel-$version
mkdir "$work/release"

echo "Release $version of commit $commit"
git archive --format=tar.gz --prefix="$name/" -o "$work/release/$name.tar.gz" "$commit"
tar -xzf "$work/release/$name.tar.gz" -C "$work"
source_tree=$work/$name

"$source_tree/scripts/setup-deps.sh"
TARVEL_PACKAGE_BUILD_DIR=$work/build TARVEL_SKIP_SETUP=1 TARVEL_PACKAGE_RUN_TESTS=1 \
    bash "$source_tree/scripts/package.sh"

debs=("$work/build/tarvel_${version}_"*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || die "package.sh made no package tarvel_${version}_*.deb"
deb=${debs[0]}
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || die "the package's version is $(dpkg-deb -f "$deb" Version), not $version"

# No error and no warning from lintian, nor from the validators on the
# desktop entry and the metainfo the package installs.
echo
echo "Checking the package ..."
lintian --fail-on error,warning "$deb" || die "lintian reports an error or a warning on $(basename "$deb")"
dpkg-deb -x "$deb" "$work/installed"
desktop_file=$work/installed/usr/share/applications/org.example.tarvel.desktop
metainfo=$work/installed/usr/share/metainfo/org.example.tarvel.metainfo.xml
report=$(desktop-file-validate "$desktop_file" 2>&1) || die "desktop-file-validate: $report"
[ -z "$report" ] || die "desktop-file-validate: $report"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 \
    || { cat "$work/appstream.log" >&2; die "appstreamcli validate reports an error or a warning"; }
echo "lintian, desktop-file-validate and appstreamcli validate: no error, no warning"

cp "$deb" "$work/release/"
(cd "$work/release" && sha256sum "$name.tar.gz" "$(basename "$deb")" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)

mkdir -p "$out"
out=$(cd "$out" && pwd)
mv "$work/release/"* "$out/"

echo
echo "Made in $out:"
(cd "$out" && ls -l "$name.tar.gz" "$(basename "$deb")" SHA256SUMS | awk '{printf "  %-34s %12s bytes\n", $NF, $5}')
echo
echo "SHA256SUMS:"
sed 's/^/  /' "$out/SHA256SUMS"
echo
echo "Check with: cd $out && sha256sum -c SHA256SUMS"
echo "Then tag the commit: git tag -a v$version -m \"TARVEL $version\" $commit"
