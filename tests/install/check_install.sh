#!/usr/bin/env bash
# check_install.sh BUILD_DIR VERSION GUI: installs the build tree into a
# temporary prefix and checks what users, desktops, man and bash find there:
# the files, the desktop entry and metainfo (their validators), the manual
# pages (no warnings; every command and option of --help documented), the
# icon sizes, the bash completion, and the installed programs, which must
# find the installed sample data on their own.
set -uo pipefail
build=$1
version=$2
gui=$3
app_id=org.example.tarvel

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi

# ---- the files ----------------------------------------------------------------
expected=(
    bin/tarvel-batch
    share/tarvel/tarvel.hlp
    share/tarvel/sample-data/ZR5N.dfx
    share/tarvel/sample-data/ZR7N.dfx
    share/tarvel/sample-data/statcode.csv
    share/man/man1/tarvel.1.gz
    share/man/man1/tarvel-batch.1.gz
    share/bash-completion/completions/tarvel-batch
    share/doc/tarvel/copyright
    share/doc/tarvel/changelog.gz
)
if [ "$gui" = 1 ]; then
    expected+=(
        bin/tarvel
        "share/applications/$app_id.desktop"
        "share/metainfo/$app_id.metainfo.xml"
        "share/icons/hicolor/scalable/apps/$app_id.svg"
        "share/icons/hicolor/48x48/apps/$app_id.png"
        "share/icons/hicolor/256x256/apps/$app_id.png"
    )
fi
for file in "${expected[@]}"; do
    [ -s "$prefix/$file" ] || fail "missing or empty: $file"
done
for program in bin/tarvel-batch bin/tarvel; do
    if [ -e "$prefix/$program" ] && [ ! -x "$prefix/$program" ]; then
        fail "$program is not executable"
    fi
done

# ---- desktop entry, metainfo, icons ----------------------------------------------
if [ "$gui" = 1 ]; then
    desktop=$prefix/share/applications/$app_id.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate $app_id.desktop"
    grep -qx "Icon=$app_id" "$desktop" || fail "the desktop entry's Icon is not $app_id"
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$prefix/bin/$exec_name" ] || fail "the desktop entry's Exec ($exec_name) is not an installed program"
    metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
    # Not even a pedantic note (such as one on the component id's letter case).
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream.log" 2>&1 \
        || { cat "$work/appstream.log" >&2; fail "appstreamcli validate $app_id.metainfo.xml"; }
    if grep -qE '^[EWIP]: ' "$work/appstream.log"; then
        cat "$work/appstream.log" >&2
        fail "appstreamcli validate --pedantic has notes on $app_id.metainfo.xml"
    fi
    grep -qx "  <id>$app_id</id>" "$metainfo" || fail "the metainfo's component id is not $app_id"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
        || fail "the metainfo does not launch $app_id.desktop"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
    # The project has no web site: no placeholder address may stand in for one.
    grep -n 'example\.org' "$metainfo" "$desktop" && fail "the metainfo or the desktop entry names a placeholder address"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    for size in 48 256; do
        png=$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png
        read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
        width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
        height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
        [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "icon ${size}x${size} is ${width}x${height}"
    done
fi

# ---- manual pages ---------------------------------------------------------------------
for page in tarvel tarvel-batch; do
    file=$prefix/share/man/man1/$page.1.gz
    # In the C locale man writes ASCII, so options read as typed.
    LC_ALL=C MANWIDTH=80 man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.warnings"
    if [ -s "$work/$page.warnings" ]; then
        cat "$work/$page.warnings" >&2
        fail "man -l $page.1 warns"
    fi
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES COPYRIGHT; do
        grep -q "^$section" "$work/$page.txt" || fail "$page.1 has no $section section"
    done
    grep -q "$version" "$work/$page.txt" || fail "$page.1 does not name version $version"
    # The folders it names are those of this prefix, not the configured one.
    zcat "$file" | sed 's/\\-/-/g; s/\\e/\\/g' >"$work/$page.roff"
    grep -q '@TARVEL_' "$work/$page.roff" && fail "$page.1 keeps a marker: $(grep -o '@TARVEL_[A-Z_]*@' "$work/$page.roff")"
    grep -qF "$prefix/share/tarvel/sample-data/" "$work/$page.roff" \
        || fail "$page.1 does not name the installed sample data $prefix/share/tarvel/sample-data/"
    grep -qF "$prefix/share/doc/tarvel/copyright" "$work/$page.roff" \
        || fail "$page.1 does not name the installed copyright file"
done
grep -qF "$prefix/share/tarvel/tarvel.hlp" "$work/tarvel.roff" || fail "tarvel.1 does not name the installed help file"
for word in chart workbook; do
    sed -n '/^DESCRIPTION/,/^OPTIONS/p' "$work/tarvel.txt" | grep -qi "$word" || fail "tarvel.1's DESCRIPTION does not name ${word}s"
done

# ---- the installed programs --------------------------------------------------------
# A user without settings: nothing remembered, so the installed sample data
# are found last.
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
batch=$prefix/bin/tarvel-batch
[ "$("$batch" --version)" = "tarvel-batch $version" ] || fail "tarvel-batch --version: $("$batch" --version)"
tables=$("$batch" tables) || fail "tarvel-batch tables failed"
[ "$(printf '%s\n' "$tables" | wc -l)" = 10 ] || fail "tarvel-batch tables: not 10 tables"
[ "$(printf '%s\n' "$tables" | head -n1 | cut -f1)" = ZR4 ] || fail "tarvel-batch tables: ZR4 is not first"
areas=$("$batch" areas 2>"$work/areas.err") || { cat "$work/areas.err" >&2; fail "tarvel-batch areas found no data"; }
[ "$(printf '%s\n' "$areas" | wc -l)" = 60 ] || fail "tarvel-batch areas: not 60 areas"
"$batch" show --table ZR5N --area 6 >/dev/null || fail "tarvel-batch show on the installed sample data"
[ -e "$XDG_CONFIG_HOME/ZUL/TARVEL_08_1.reg" ] && fail "tarvel-batch wrote the viewer's settings"

# The workbook library lives in a module of its own that only a workbook
# export loads: the program's start does not load it, an installed program
# finds it, and without it a workbook export fails with a message and
# writes nothing while the other formats still work.
module=$(find "$prefix" -name tarvel-xlsx.so -type f | head -n1)
[ -n "$module" ] || fail "the workbook module tarvel-xlsx.so is not installed"
readelf -d "$batch" | grep -q 'NEEDED.*xlsxwriter' && fail "tarvel-batch loads the workbook library at its start"
export_args=(export --table ZR5N --areas 1-3 --quarters last4 --lines 1-5)
"$batch" "${export_args[@]}" --format xlsx --output "$work/book.xlsx" >"$work/xlsx.log" 2>&1 \
    || { cat "$work/xlsx.log" >&2; fail "a workbook export from the installed program"; }
[ -s "$work/book.xlsx" ] || fail "the installed program wrote no workbook"
if [ -n "$module" ]; then
    mv "$module" "$module.away"
    "$batch" "${export_args[@]}" --format xlsx --output "$work/none.xlsx" 2>"$work/none.err"
    status=$?
    [ "$status" = 1 ] || fail "a workbook export without the module exited with $status, not 1"
    grep -q "workbook module did not load" "$work/none.err" || fail "no message without the module: $(cat "$work/none.err")"
    [ -e "$work/none.xlsx" ] && fail "a workbook export without the module left a file"
    "$batch" "${export_args[@]}" --format comma --output "$work/book.csv" || fail "a comma export without the module"
    mv "$module.away" "$module"
fi

# Every command and option of --help is in the manual page (its lines
# joined, so a word broken at a line end reads whole). A command's usage
# line stands two blanks in.
help=$("$batch" --help)
tr -s ' \n' '  ' <"$work/tarvel-batch.txt" | sed 's/- //g' >"$work/tarvel-batch.joined"
commands=$(printf '%s\n' "$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
[ "$(printf '%s\n' "$commands" | wc -l)" -ge 7 ] || fail "tarvel-batch --help names too few commands: $commands"
for word in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u) $commands; do
    grep -qw -- "$word" "$work/tarvel-batch.joined" || fail "tarvel-batch.1 does not document $word"
done

if [ "$gui" = 1 ]; then
    [ "$("$prefix/bin/tarvel" --version)" = "tarvel $version" ] || fail "tarvel --version"
    "$prefix/bin/tarvel" --help | grep -q UNSUPPRESSED || fail "tarvel --help"
fi

# ---- bash completion ------------------------------------------------------------
# Without the bash-completion package: its two helpers as small stand-ins.
complete_words() {
    bash -c '
        _init_completion() { cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]};
                             words=("${COMP_WORDS[@]}"); cword=$COMP_CWORD; }
        _filedir() { COMPREPLY=(FILES); }
        source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _tarvel_batch
        printf "%s\n" "${COMPREPLY[@]}"' bash "$prefix/share/bash-completion/completions/tarvel-batch" "$@"
}
[ "$(complete_words tarvel-batch ex)" = export ] || fail "completion of a command"
[ "$(complete_words tarvel-batch "" | tr '\n' ' ')" = "$(printf '%s ' $commands)" ] \
    || fail "completion of the commands: not those of --help ($commands)"
[ "$(complete_words tarvel-batch --data /x show --ar)" = --area ] || fail "completion of a command's option"
[ "$(complete_words tarvel-batch show --table ZR7 | tr '\n' ' ')" = "ZR7N ZR7 ZR7H " ] \
    || fail "completion of table codes"
[ "$(complete_words tarvel-batch export --format f)" = fixed ] || fail "completion of formats"
# Every export format of --help is completed and documented: export's
# --format stands first on a usage line of its own.
formats=$("$batch" --help | sed -n 's/^ \+--format \([a-z|]*\).*/\1/p' | tr '|' ' ')
[ -n "$formats" ] || fail "no export formats in tarvel-batch --help"
[ "$(complete_words tarvel-batch export --format "" | tr '\n' ' ')" = "$formats " ] \
    || fail "completion of formats: not $formats"
for format in $formats; do
    grep -qw -- "$format" "$work/tarvel-batch.joined" || fail "tarvel-batch.1 does not document the format $format"
done
[ "$(complete_words tarvel-batch --vers)" = --version ] || fail "completion of --version"
# The listing commands' --format takes the output forms, not export's formats.
listing=$("$batch" --help | sed -n 's/^  tables \[--format \([a-z|]*\)\].*/\1/p' | tr '|' ' ')
[ "$listing" = "text csv json" ] || fail "tarvel-batch --help names the output forms as \"$listing\""
for command in tables areas lines show show-line; do
    [ "$(complete_words tarvel-batch --data /x "$command" --format "" | tr '\n' ' ')" = "$listing " ] \
        || fail "completion of $command --format: not $listing"
done
[ "$(complete_words tarvel-batch --data /x export --format "" | tr '\n' ' ')" = "$formats " ] \
    || fail "completion of export --format after --data"
for format in $listing; do
    grep -qw -- "$format" "$work/tarvel-batch.joined" || fail "tarvel-batch.1 does not document the output form $format"
done

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) of the installed tree failed" >&2
    exit 1
fi
echo "The installed tree in a temporary prefix passed every check."
