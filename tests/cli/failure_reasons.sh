#!/usr/bin/env bash
# Every failure of tarvel-batch says why on a line of its own, and names
# are shown as they may stand on a terminal: standard output that cannot
# be written, data files that are pipes, devices or kernel files, the
# standard output closed, control bytes in what was typed.
#
#   failure_reasons.sh TARVEL_BATCH SAMPLE_DATA
set -u
batch=$1
data=$2
work=$(mktemp -d)
cleanup() {
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
# The cases run with their standard output elsewhere: reports go to a copy.
exec 3>&1
fail() {
    echo "FAIL: $*" >&3
    failures=$((failures + 1))
}
# expect STATUS TEXT COMMAND...: the run's exit status and a whole line of
# its standard error; the run's standard output goes where the caller says.
expect() {
    local status=$1 text=$2
    shift 2
    "$@" 2>"$work/err"
    local got=$?
    [ $got -eq "$status" ] || fail "$* ended with $got, not $status: $(cat "$work/err")"
    grep -qxF -- "$text" "$work/err" || fail "$* did not say \"$text\": $(cat "$work/err")"
}

for command in tables areas "lines --table ZR5N" "show --table ZR5N --area 2" "show-line --table ZR5N --line 1" \
    "show --table ZR6 --area 3 --format json"; do
    # shellcheck disable=SC2086 # the command's words
    expect 1 "No space left on device" "$batch" --data "$data" $command >/dev/full
    # shellcheck disable=SC2086
    expect 1 "Bad file descriptor" "$batch" --data "$data" $command >&-
done
# An export to the closed standard output is a write that fails, not an
# output into a file the program reads.
expect 1 "Bad file descriptor" "$batch" --data "$data" export --table ZR6 --areas 2 --format comma --output - >&-
grep -q "one of the files the program reads" "$work/err" && fail "a closed standard output was taken for an input"

# Data files that are no regular files: a FIFO (never waited on), a device,
# a kernel file whose size is made up.
mkdir "$work/data"
cp "$data"/statcode.csv "$data"/ZR5N.dfx "$data"/ZR7N.dfx "$data"/ZR6line.csv "$work/data/"
for kind in fifo device kernel; do
    rm -f "$work/data/ZR6.dfx"
    case $kind in
    fifo) mkfifo "$work/data/ZR6.dfx" ;;
    device) ln -s /dev/zero "$work/data/ZR6.dfx" ;;
    kernel)
        kernel=$(ls /sys/kernel/*/* /proc/sys/kernel/hostname 2>/dev/null | head -n 1)
        [ -n "$kernel" ] || continue
        ln -s "$kernel" "$work/data/ZR6.dfx"
        ;;
    esac
    expect 1 "Not a regular file" timeout 10 "$batch" --data "$work/data" show --table ZR6 --area 2 >/dev/null
done

# Control bytes typed in a name are shown, not acted on by the terminal.
expect 2 "tarvel-batch: \"\\x1b[2J\" is not a table (tables: ZR4, ZR1, ZR5N, ZR5, ZR5H, ZR6N, ZR6, ZR7N, ZR7, ZR7H)" \
    "$batch" --data "$data" show --table $'\e[2J' --area 2
expect 1 "For some reason the file $(echo "$work" | tr a-z A-Z)/\\x07\\x1b[2J/STATCODE.CSV could not be accessed." \
    "$batch" --data "$work/"$'\a\e[2J' show --table ZR6 --area 2
LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f]' "$work/err" && fail "a control byte reached the standard error"

[ $failures -eq 0 ] && echo "all failure reasons given"
exit $((failures != 0))
