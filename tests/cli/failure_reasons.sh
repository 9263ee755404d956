#!/usr/bin/env bash
# Every failure says why on a line of its own, and typed names are shown
# as they may stand on a terminal: a standard output that cannot be
# written or is closed, data files that are pipes, devices or kernel files,
# control bytes in names.
#
#   failure_reasons.sh TARVEL_BATCH SAMPLE_DATA
set -u
batch=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
exec 3>&1 # the cases run with their standard output elsewhere
fail() {
    echo "FAIL: $*" >&3
    failures=$((failures + 1))
}
# expect STATUS LINE COMMAND...: the exit status and a whole line of stderr.
expect() {
    local status=$1 text=$2
    shift 2
    "$@" 2>"$work/err"
    local got=$?
    [ $got -eq "$status" ] && grep -qxF -- "$text" "$work/err" || fail "$* ($got): $(cat "$work/err")"
}

for command in tables areas "lines --table ZR5N" "show --table ZR6 --area 3 --format json" "show-line --table ZR5N --line 1"; do
    # shellcheck disable=SC2086 # the command's words
    expect 1 "No space left on device" "$batch" --data "$data" $command >/dev/full
    # shellcheck disable=SC2086
    expect 1 "Bad file descriptor" "$batch" --data "$data" $command >&-
done
# Not "- is one of the files the program reads": a data file took descriptor 1.
expect 1 "Bad file descriptor" "$batch" --data "$data" export --table ZR6 --areas 2 --format comma --output - >&-

mkdir "$work/data"
cp "$data"/statcode.csv "$data"/ZR6line.csv "$work/data/"
kernel=$(ls /sys/kernel/*/* /proc/sys/kernel/hostname 2>/dev/null | head -n 1)
for file in fifo /dev/zero $kernel; do
    rm -f "$work/data/ZR6.dfx"
    if [ "$file" = fifo ]; then mkfifo "$work/data/ZR6.dfx"; else ln -s "$file" "$work/data/ZR6.dfx"; fi
    expect 1 "Not a regular file" timeout 10 "$batch" --data "$work/data" show --table ZR6 --area 2 >/dev/null
done

expect 2 "tarvel-batch: \"\\x1b[2J\" is not a table (tables: ZR4, ZR1, ZR5N, ZR5, ZR5H, ZR6N, ZR6, ZR7N, ZR7, ZR7H)" \
    "$batch" --data "$data" show --table $'\e[2J' --area 2
expect 1 "For some reason the file $(echo "$work" | tr a-z A-Z)/\\x07\\x1b[2J/STATCODE.CSV could not be accessed." \
    "$batch" --data "$work/"$'\a\e[2J' show --table ZR6 --area 2
LC_ALL=C grep -q $'[\x01-\x09\x0b-\x1f]' "$work/err" && fail "a control byte reached the standard error"

[ $failures -eq 0 ] && echo "every failure gave its reason"
exit $((failures != 0))
