#!/usr/bin/env bash
# check_version.sh SOURCE_DIR BUILD_DIR VERSION GUI: the version is written
# once, in CMakeLists.txt (VERSION is CMake's PROJECT_VERSION), and every
# place that states it says the same: NEWS.md's newest section, --version of
# both programs, the manual pages, the metainfo's releases (which must be
# NEWS.md's releases, newest first), the Debian change log, the package
# (CPack's configuration), the help file's About topic and the sample data's
# readme. No other file of the source spells the version out. (The About box
# is checked by the core and viewer tests against the same PROJECT_VERSION.)
# Then the licence: the copyright line and the licence text of LICENSE are
# the ones in the Debian copyright file, the manual pages and the metainfo.
set -uo pipefail
source_dir=$1
build=$2
version=$3
gui=$4
app_id=org.example.tarvel

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# The first line of a file, or nothing when it cannot be read.
first_line() { head -n1 "$1" 2>/dev/null; }

# ---- NEWS.md and the release notes made from it ------------------------------------------
news_releases=$(sed -n 's/^## \([^ ]*\) (\([0-9-]*\))$/\1 \2/p' "$source_dir/NEWS.md")
read -r news_version news_date <<<"$(printf '%s\n' "$news_releases" | head -n1)"
[ "$news_version" = "$version" ] || fail "NEWS.md's newest release is '$news_version', not $version"

metainfo=$build/dist/$app_id.metainfo.xml
metainfo_releases=$(sed -n 's/.*<release version="\([^"]*\)" date="\([^"]*\)".*/\1 \2/p' "$metainfo")
[ -n "$metainfo_releases" ] && [ "$metainfo_releases" = "$news_releases" ] \
    || fail "the metainfo's releases are not NEWS.md's: '$metainfo_releases' against '$news_releases'"

changelog=$build/dist/changelog
[ "$(first_line "$changelog")" = "tarvel ($version) unstable; urgency=medium" ] \
    || fail "the Debian change log begins '$(first_line "$changelog")'"
changelog_versions=$(sed -n 's/^tarvel (\([^)]*\)).*/\1/p' "$changelog")
[ "$changelog_versions" = "$(printf '%s\n' "$news_releases" | cut -d' ' -f1)" ] \
    || fail "the Debian change log's versions are not NEWS.md's"

# ---- the programs, the manual pages, the package -------------------------------------
[ "$("$build/bin/tarvel-batch" --version)" = "tarvel-batch $version" ] \
    || fail "tarvel-batch --version says '$("$build/bin/tarvel-batch" --version)'"
if [ "$gui" = 1 ]; then
    [ "$("$build/bin/tarvel" --version)" = "tarvel $version" ] \
        || fail "tarvel --version says '$("$build/bin/tarvel" --version)'"
fi
for page in tarvel tarvel-batch; do
    th=$(grep '^\.TH ' "$build/dist/$page.1")
    [ "$th" = ".TH ${page^^} 1 \"$news_date\" \"tarvel $version\" \"User Commands\"" ] \
        || fail "$page.1 has the title line '$th' (version $version, date $news_date)"
done
grep -q "^set(CPACK_PACKAGE_VERSION \"$version\")" "$build/CPackConfig.cmake" \
    || fail "the package's version is not $version: $(grep '^set(CPACK_PACKAGE_VERSION ' "$build/CPackConfig.cmake")"

# ---- the help file and the sample data -------------------------------------------------
help_files=("$build/bin/sample-data/tarvel.hlp")
[ "$gui" = 1 ] && help_files+=("$build/bin/tarvel.hlp")
for help in "${help_files[@]}"; do
    grep -q "^| About TARVEL | shows the version (TARVEL 32-bit v\.$version, " "$help" \
        || fail "the About topic of $help does not name version $version"
done
readme=$(find "$build/bin/sample-data" -maxdepth 1 -iname q_readme.txt | head -n1)
[ "$(first_line "$readme" | tr -d '\r')" = "TARVEL $version, June 2008" ] \
    || fail "the sample data's readme begins '$(first_line "$readme")'"

# ---- nowhere else -------------------------------------------------------------------------
# Every file of the source (what git tracks, or what an unpacked archive
# holds) but CMakeLists.txt and NEWS.md.
if git -C "$source_dir" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files=$(cd "$source_dir" && git ls-files)
else
    files=$(cd "$source_dir" && find . \( -path ./.git -o -path './build*' -o -path ./out \
        -o -path "./$(realpath --relative-to="$source_dir" "$build")" \) -prune -o -type f -print | sed 's|^\./||')
fi
pattern="(^|[^0-9])${version//./\\.}($|[^0-9])"
while IFS= read -r file; do
    case $file in CMakeLists.txt | NEWS.md) continue ;; esac
    if grep -IqE "$pattern" "$source_dir/$file"; then
        fail "$file spells out the version $version; take it from CMake's PROJECT_VERSION instead"
    fi
done <<<"$files"

# ---- the licence ----------------------------------------------------------------------------
license=$source_dir/LICENSE
copyright=$(grep -m1 '^Copyright (c) ' "$license")
years_holder=${copyright#Copyright (c) }
[ "$(first_line "$license")" = "MIT License" ] || fail "LICENSE does not begin with 'MIT License'"
[ -n "$years_holder" ] || fail "LICENSE has no line 'Copyright (c) YEARS HOLDER'"
grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo" || fail "the metainfo's metadata licence is not CC0-1.0"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "the metainfo's project licence is not MIT"
grep -qF "<!-- $copyright -->" "$metainfo" || fail "the metainfo does not carry LICENSE's copyright line"

deb_copyright=$build/dist/copyright
[ "$(first_line "$deb_copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] \
    || fail "the Debian copyright file is not in the machine-readable format"
grep -qxF "Copyright: $years_holder" "$deb_copyright" || fail "the Debian copyright file does not say 'Copyright: $years_holder'"
grep -qx "License: MIT" "$deb_copyright" || fail "the Debian copyright file does not name the MIT licence"
# The licence text: the paragraph after "License: MIT" read back (one blank
# taken off each line, " ." an empty line) is LICENSE after its copyright line.
deb_text=$(sed -n '/^License: MIT$/,/^$/p' "$deb_copyright" | sed -n 's/^ //p' | sed 's/^\.$//')
license_text=$(sed '1,/^Copyright (c) /d' "$license" | sed '/./,$!d')
[ -n "$deb_text" ] && [ "$deb_text" = "$license_text" ] \
    || fail "the licence text in the Debian copyright file is not LICENSE's"

for page in tarvel tarvel-batch; do
    grep -qxF "Copyright \\(co $years_holder." "$build/dist/$page.1" \
        || fail "$page.1 has no copyright line for $years_holder"
    grep -q "under the MIT License" "$build/dist/$page.1" || fail "$page.1 does not name the MIT License"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) of the version and the licence failed" >&2
    exit 1
fi
echo "Version $version and the MIT licence say the same everywhere."
