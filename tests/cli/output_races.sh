#!/usr/bin/env bash
# tarvel-batch runs at the same time and runs that are killed: two appends
# to one file at once both land whole, one after the other; ten exports
# into one folder at once all succeed; a run ended by SIGTERM leaves no
# temporary file behind; the temporary file of a run killed with SIGKILL
# is removed by the next output beside it; an append killed at any moment
# is taken back by the next writer; the workbook library's working files
# never stay.
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
# The program's temporary files: six letters and the mark of their inode.
ours='^\.tarvel-[A-Za-z0-9]{6}-[0-9a-f]{12}$'
# Waits (at most 30 seconds: a loaded machine starts a traced run slowly)
# until an entry matching pattern is in folder.
await_entry() {
    for _ in $(seq 1 3000); do
        ls -A "$1" | grep -qE "$2" && return 0
        sleep 0.01
    done
    return 1
}
await_temporary() { await_entry "$1" "$ours"; }
temporaries() { ls -A "$1" | grep -cE "$ours"; }
# In the background under strace, which tampers with system calls as the
# arguments up to "--" say (a sanitizer build's leak check cannot run under
# a tracer); traced_pid then gives the program's process id.
start_traced() {
    local tamper=()
    while [ "$1" != -- ]; do
        tamper+=("$1")
        shift
    done
    shift
    rm -f "$work/pid"
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -qq -o /dev/null "${tamper[@]}" \
        sh -c 'echo $$ >"$0"; exec "$@"' "$work/pid" "$batch" --data "$data" "$@" 2>/dev/null &
}
traced_pid() {
    for _ in $(seq 1 3000); do
        [ -s "$work/pid" ] && cat "$work/pid" && return 0
        sleep 0.01
    done
    return 1
}
can_trace=0
strace -o /dev/null true 2>/dev/null && can_trace=1

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

# Ten exports into one folder at once, four times over, half of them to
# one file: each succeeds and leaves the whole export.
mkdir "$work/ten"
for round in 1 2 3 4; do
    pids=()
    for i in $(seq 1 10); do
        name=$work/ten/own$i.csv
        [ $((i % 2)) -eq 0 ] && name=$work/ten/shared.csv
        start export --table ZR4 --areas 1 --format comma --output "$name" 2>>"$work/ten.err"
        pids+=($!)
    done
    failed=0
    for pid in "${pids[@]}"; do
        wait "$pid" || failed=$((failed + 1))
    done
    [ $failed -eq 0 ] || fail "ten exports into one folder, round $round: $failed failed: $(sort -u "$work/ten.err")"
    for file in "$work"/ten/*.csv; do
        cmp -s "$file" "$work/1.csv" || fail "ten exports into one folder, round $round: $file"
    done
done
[ "$(ls -A "$work/ten" | wc -l)" -eq 6 ] || fail "ten exports into one folder left files: $(ls -A "$work/ten")"

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
{ wait $writer; } 2>/dev/null
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


if [ $can_trace -eq 1 ]; then
    # Appends killed at random moments (each write slowed, so that most
    # kills come part-way): the next append to the file, or the next output
    # beside it, leaves the earlier content, and the whole block if it was
    # all written; no journal stays.
    run export --table ZR4 --areas 1 --lines 1 --format comma --no-header --output "$work/small.csv"
    run print --table ZR6 --areas all --quarters all --output "$work/block.txt"
    run export --table ZR6 --areas all --quarters all --format comma --output "$work/block.csv"
    mkdir "$work/j"
    for kind in txt csv; do
        log=$work/j/log.$kind
        job=(print)
        # The comma export appends in five writes, the print in many: each
        # of its writes is slowed more, so that its journal is seen and a
        # kill comes between two of them.
        delay=10000 window=30
        [ $kind = csv ] && job=(export --format comma --append) && delay=100000 window=400
        part_way=0
        for try in 1 2 3 4 5 6 7 8; do
            printf 'earlier\r\n' | tee "$log" "$work/earlier" >"$work/whole"
            cat "$work/block.$kind" >>"$work/whole"
            start_traced -e inject=write:delay_enter=$delay -- "${job[@]}" --table ZR6 --areas all --quarters all \
                --output "$log"
            tracer=$!
            pid=$(traced_pid) && await_entry "$work/j" '^\.tarvel-journal-' || fail "$kind: no append with a journal"
            sleep "$(printf '0.%03d' $((RANDOM % window)))"
            kill -KILL "$pid" 2>/dev/null
            { wait $tracer; } 2>/dev/null
            size=$(stat -c %s "$log")
            [ "$size" -gt 9 ] && [ "$size" -lt "$(stat -c %s "$work/whole")" ] && part_way=$((part_way + 1))
            if [ $((try % 2)) -eq 0 ]; then
                run export --table ZR4 --areas 1 --lines 1 --format comma --no-header --append --output "$log"
                tee -a "$work/earlier" <"$work/small.csv" >>"$work/whole"
            else
                run export --table ZR4 --areas 1 --format comma --output "$work/j/beside.csv"
            fi
            cmp -s "$log" "$work/earlier" || cmp -s "$log" "$work/whole" || fail "$kind: killed at $size bytes, not mended"
            ls -A "$work/j" | grep -q '^\.tarvel-journal-' && fail "$kind: a journal stayed"
        done
        [ $part_way -gt 0 ] || fail "$kind: no append was killed part-way"
    done

    # The workbook library's working files stay nowhere, even where it
    # cannot remove them itself (made to fail here): not beside a finished
    # workbook, nor beside one that SIGTERM ended.
    mkdir "$work/book"
    start_traced -e inject=unlink:error=EPERM -- export --table ZR4 --areas 1 --format xlsx --output "$work/book/a.xlsx"
    wait $! || fail "a workbook whose library could not remove its files: status"
    start_traced -e inject=unlink:error=EPERM -e inject=write:delay_enter=2000 -- export --table ZR6 --areas all \
        --quarters all --format xlsx --output "$work/book/b.xlsx"
    tracer=$!
    pid=$(traced_pid) || fail "no workbook started"
    for _ in $(seq 1 500); do
        [ -n "$(find "$work/book" -name 'tmp.*')" ] && break
        sleep 0.01
    done
    kill -TERM "$pid"
    { wait $tracer; } 2>/dev/null
    [ "$(ls -A "$work/book")" = a.xlsx ] || fail "the library's working files stayed: $(ls -A "$work/book")"
else
    echo "SKIP: strace cannot trace here; killed appends and the library's working files are not checked"
fi

if [ $failures -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "every concurrent and killed run passed"
