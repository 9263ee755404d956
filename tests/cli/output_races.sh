#!/usr/bin/env bash
# tarvel-batch runs at the same time and runs that are killed: two appends
# to one file at once both land whole, one after the other; ten exports
# into one folder at once all succeed; a run ended by SIGTERM leaves no
# temporary file behind; the temporary file of a run killed with SIGKILL
# is removed by the next output beside it, and files of the user's by
# names of the same look are not; an append killed at any moment is
# taken back by the next writer; the workbook library's working files
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
# Waits (at most five seconds) until an entry matching pattern is in folder.
await_entry() {
    for _ in $(seq 1 500); do
        ls -A "$1" | grep -qE "$2" && return 0
        sleep 0.01
    done
    return 1
}
await_temporary() { await_entry "$1" "$ours"; }
temporaries() { ls -A "$1" | grep -cE "$ours"; }
# Under strace, which tampers with system calls as its first arguments
# say, up to "--". (A sanitizer build's leak check cannot run under a
# tracer.) start_traced runs it in the background; traced_pid then gives
# the program's process id.
traced() {
    local tamper=()
    while [ "$1" != -- ]; do
        tamper+=("$1")
        shift
    done
    shift
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace -f -qq -o /dev/null "${tamper[@]}" \
        sh -c 'echo $$ >"$0"; exec "$@"' "$work/pid" "$batch" --data "$data" "$@"
}
start_traced() {
    rm -f "$work/pid"
    traced "$@" &
}
traced_pid() {
    for _ in $(seq 1 500); do
        [ -s "$work/pid" ] && cat "$work/pid" && return 0
        sleep 0.01
    done
    return 1
}
can_trace=0
strace -o /dev/null true 2>/dev/null && can_trace=1
[ $can_trace -eq 1 ] || echo "SKIP: strace cannot trace here; killed appends and the library's working files are not checked"

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
# one file: each succeeds, and each file is the whole export.
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

# Another run's clean-up beside it meanwhile leaves its temporary file.
run export --table ZR4 --areas all --format comma --output "$work/all.csv"
start_waiting_run
run export --table ZR4 --areas 1 --format comma --output "$work/k/beside.csv" || fail "the run beside: status"
end_holder
wait $writer
[ $? -eq 0 ] || fail "a run about to rename lost its temporary file to another run's clean-up"
cmp -s "$work/k/out.csv" "$work/all.csv" || fail "the run kept waiting did not put its export in place"
rm "$work/k/beside.csv"

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

# Files of the user's by names of the look of the program's, and by the
# names earlier versions gave theirs, however old, stay where outputs and
# spool files are written.
mkdir "$work/users" "$TMPDIR/users"
for folder in "$work/users" "$TMPDIR/users"; do
    for name in .tarvel-backup .tarvel-Ab3dE9 out.csv.tmp-0123abcd .out.csv.aB3xY9; do
        printf 'mine' >"$folder/$name"
        touch -d '2 hours ago' "$folder/$name"
    done
done
run export --table ZR4 --areas 1 --format comma --output "$work/users/out.csv" || fail "an export beside the user's files"
run export --table ZR4 --areas 1 --format xlsx --output "$work/users/out.xlsx" || fail "a workbook beside the user's files"
TMPDIR=$TMPDIR/users run export --table ZR4 --areas 1 --format xlsx --output - >/dev/null || fail "a spooled workbook"
for folder in "$work/users" "$TMPDIR/users"; do
    for name in .tarvel-backup .tarvel-Ab3dE9 out.csv.tmp-0123abcd .out.csv.aB3xY9; do
        [ "$(cat "$folder/$name" 2>/dev/null)" = mine ] || fail "the user's $folder/$name was removed"
    done
done

if [ $can_trace -eq 1 ]; then
    # An append killed at a random moment (each write slowed, so that the
    # kill comes part-way): the next append to the file, or the next output
    # beside it, makes it what it held before, or that and the whole block;
    # no journal stays. The small block of the next append:
    run export --table ZR4 --areas 1 --lines 1 --format comma --no-header --output "$work/small.csv"
    run print --table ZR6 --areas all --quarters all --output "$work/block.txt"
    run export --table ZR6 --areas all --quarters all --format comma --output "$work/block.csv"
    mkdir "$work/j"
    for kind in txt csv; do
        cut_short=0
        for try in $(seq 1 8); do
            log=$work/j/log.$kind
            printf 'earlier\r\n' >"$log"
            if [ $kind = txt ]; then
                start_traced -e inject=write:delay_enter=10000 -- print --table ZR6 --areas all --quarters all \
                    --output "$log" 2>/dev/null
            else
                start_traced -e inject=write:delay_enter=10000 -- export --table ZR6 --areas all --quarters all \
                    --format comma --append --output "$log" 2>/dev/null
            fi
            tracer=$!
            pid=$(traced_pid) || fail "no killed append started"
            await_entry "$work/j" '^\.tarvel-journal-' || fail "no journal beside an append"
            sleep "0.0$((RANDOM % 3))$((RANDOM % 10))"
            kill -KILL "$pid" 2>/dev/null
            { wait $tracer; } 2>/dev/null
            size=$(stat -c %s "$log")
            whole=$((9 + $(stat -c %s "$work/block.$kind")))
            [ "$size" -gt 9 ] && [ "$size" -lt "$whole" ] && cut_short=$((cut_short + 1))
            { printf 'earlier\r\n'; cat "$work/block.$kind"; } >"$work/j-whole"
            if [ $((try % 2)) -eq 0 ]; then
                run export --table ZR4 --areas 1 --lines 1 --format comma --no-header --append --output "$log" \
                    || fail "the append after a killed one: status"
                { printf 'earlier\r\n'; cat "$work/small.csv"; } | cmp -s - "$log" \
                    || cat "$work/j-whole" "$work/small.csv" | cmp -s - "$log" \
                    || fail "$kind: the append after one killed at $size bytes found it unmended"
            else
                run export --table ZR4 --areas 1 --format comma --output "$work/j/beside.csv" || fail "an export beside: status"
                [ "$(cat "$log")" = "$(printf 'earlier\r\n')" ] || cmp -s "$work/j-whole" "$log" \
                    || fail "$kind: an output beside an append killed at $size bytes left it unmended"
            fi
            ls -A "$work/j" | grep -q '^\.tarvel-journal-' && fail "$kind: a journal stayed after a killed append"
        done
        [ $cut_short -gt 0 ] || fail "$kind: no append was killed part-way"
        echo "$kind: $cut_short of 8 appends killed part-way"
    done

    # The workbook library removes each working file it makes at once; where
    # that fails (made to fail here, or a signal comes between), the file
    # still goes: with a finished workbook, and with a run ended by SIGTERM.
    mkdir "$work/book"
    traced -e inject=unlink:error=EPERM -- export --table ZR4 --areas 1 --format xlsx --output "$work/book/a.xlsx" \
        || fail "a workbook whose library could not remove its files: status"
    [ "$(ls -A "$work/book")" = a.xlsx ] || fail "the library's working files stayed: $(ls -A "$work/book")"
    start_traced -e inject=unlink:error=EPERM -e inject=write:delay_enter=2000 -- export --table ZR6 --areas all \
        --quarters all --format xlsx --output "$work/book/b.xlsx" 2>/dev/null
    tracer=$!
    pid=$(traced_pid) || fail "no workbook started"
    for _ in $(seq 1 500); do
        [ -n "$(find "$work/book" -name 'tmp.*')" ] && break
        sleep 0.01
    done
    kill -TERM "$pid"
    { wait $tracer; } 2>/dev/null
    [ "$(ls -A "$work/book")" = a.xlsx ] || fail "SIGTERM left the library's working files: $(ls -A "$work/book")"
fi

if [ $failures -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "every concurrent and killed run passed"
