#!/usr/bin/env bash
# tarvel-batch runs at the same time and runs that are killed: two appends
# to one file at once both land whole, one after the other; a run ended by
# SIGTERM leaves no temporary file behind; the temporary file of a run
# killed with SIGKILL is removed by the next output beside it.
#
#   output_races.sh TARVEL_BATCH SAMPLE_DATA
set -u
batch=$1
data=$2
work=$(mktemp -d)
cleanup() {
    rm -rf "$work"
}
trap cleanup EXIT
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
run() { "$batch" --data "$data" "$@"; }
# Starts a run in the background; $! is the program itself.
start() { "$batch" --data "$data" "$@" & }
# Waits (at most five seconds) until a temporary file of the program is in folder.
await_temporary() {
    for _ in $(seq 1 500); do
        ls -A "$1" | grep -q '^\.tarvel-' && return 0
        sleep 0.01
    done
    return 1
}
temporaries() { ls -A "$1" | grep -c '^\.tarvel-'; }

# Two appends at once, fifteen times over: a print and an export --append
# each, both with two runs of their own.
run print --table ZR4 --areas 1 --output "$work/1.txt"
run print --table ZR4 --areas 2 --output "$work/2.txt"
run export --table ZR4 --areas 1 --format comma --output "$work/1.csv"
run export --table ZR4 --areas 2 --format comma --output "$work/2.csv"
for kind in txt csv; do
    lost=0
    for _ in $(seq 1 15); do
        printf 'earlier\r\n' >"$work/both.$kind"
        for area in 1 2; do
            if [ $kind = txt ]; then
                start print --table ZR4 --areas $area --output "$work/both.$kind"
            else
                start export --table ZR4 --areas $area --format comma --append --output "$work/both.$kind"
            fi
        done
        wait
        { printf 'earlier\r\n'; cat "$work/1.$kind" "$work/2.$kind"; } >"$work/one-two"
        { printf 'earlier\r\n'; cat "$work/2.$kind" "$work/1.$kind"; } >"$work/two-one"
        cmp -s "$work/both.$kind" "$work/one-two" || cmp -s "$work/both.$kind" "$work/two-one" || lost=$((lost + 1))
    done
    [ $lost -eq 0 ] || fail "two appends at once ($kind): $lost of 15 tries lost or mixed an output"
done

# A run about to put its output in place of a file, kept waiting there:
# this shell holds the file's lock, as an append under way would.
mkdir "$work/k"
start_waiting_run() {
    printf 'earlier' >"$work/k/out.csv"
    exec 8<"$work/k/out.csv"
    flock 8
    start export --table ZR4 --areas all --format comma --output "$work/k/out.csv" 8<&-
    writer=$!
    await_temporary "$work/k" || fail "no temporary file beside the target"
    sleep 0.1
}
end_holder() {
    flock -u 8
    exec 8<&-
}

start_waiting_run
kill -TERM $writer
wait $writer
[ $? -eq 143 ] || fail "SIGTERM did not end the run"
[ "$(temporaries "$work/k")" -eq 0 ] || fail "SIGTERM left a temporary file"
end_holder

start_waiting_run
kill -KILL $writer
wait $writer 2>/dev/null
[ "$(temporaries "$work/k")" -eq 1 ] || fail "a killed run left no temporary file to remove"
end_holder
run export --table ZR4 --areas 1 --format comma --output "$work/k/next.csv" || fail "the next export: status"
[ "$(temporaries "$work/k")" -eq 0 ] || fail "the temporary file of a killed run stayed"
[ "$(cat "$work/k/out.csv")" = earlier ] || fail "a killed run changed its target"

# A print, whole or nothing, kept waiting as it copies its spool file into
# a FIFO that nobody reads (held open here, so it opens at once).
mkfifo "$work/fifo"
exec 3<>"$work/fifo"
for signal in TERM KILL; do
    start print --table ZR6 --areas all --quarters all --output "$work/fifo"
    writer=$!
    await_temporary "$TMPDIR" || fail "no spool file"
    sleep 0.1
    kill -$signal $writer
    { wait $writer; } 2>/dev/null
    if [ $signal = TERM ]; then
        [ "$(temporaries "$TMPDIR")" -eq 0 ] || fail "SIGTERM left a spool file"
    else
        [ "$(temporaries "$TMPDIR")" -eq 1 ] || fail "a killed print left no spool file to remove"
    fi
done
exec 3<&-
run export --table ZR4 --areas 1 --format xlsx --output - >/dev/null || fail "an export to the standard output"
[ "$(temporaries "$TMPDIR")" -eq 0 ] || fail "the spool file of a killed run stayed"

if [ $failures -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "every concurrent and killed run passed"
