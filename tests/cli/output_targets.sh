#!/usr/bin/env bash
# tarvel-batch's outputs to every kind of target, as Unix programs treat
# them: the standard output by any name written as it stands (">> log"
# appends), FIFOs and devices written in place, a file the user may not
# write refused, a file replaced keeping its owner and mode, a file in a
# folder the user may not write written in place, long names, a second
# mount of the data folder refused, links followed, a workbook synced before
# its rename, a print written into its file with no spool file, no line
# of the workbook library on the standard error, and a file size limit
# reported as a failed write.
# The cases that need root (another user, chown, mount) run when root runs
# this, and are skipped otherwise.
#
#   output_targets.sh TARVEL_BATCH SAMPLE_DATA
set -u
# Run as root, the cases get a mount namespace and a /dev of their own: a
# case that went wrong cannot replace the system's /dev/null or /dev/stdout,
# and nothing mounted outlives the run.
if [ "$(id -u)" -eq 0 ] && [ -z "${TARVEL_OWN_DEV:-}" ] && unshare --mount true 2>/dev/null; then
    exec env TARVEL_OWN_DEV=1 unshare --mount --propagation private bash "$0" "$@"
fi
if [ -n "${TARVEL_OWN_DEV:-}" ] && mount -t tmpfs -o mode=755 tarvel-dev /dev; then
    mknod -m 666 /dev/null c 1 3
    mknod -m 666 /dev/zero c 1 5
    mknod -m 666 /dev/urandom c 1 9
    ln -s /proc/self/fd /dev/fd
    ln -s /proc/self/fd/0 /dev/stdin
    ln -s /proc/self/fd/1 /dev/stdout
    ln -s /proc/self/fd/2 /dev/stderr
fi
batch=$1
sample=$2
work=$(mktemp -d)
chmod 755 "$work"
mounted=
cleanup() {
    [ -n "$mounted" ] && umount "$mounted"
    # Never leave the system's own names replaced, whatever went wrong.
    if [ ! -L /dev/stdout ] && [ "$(id -u)" -eq 0 ]; then
        rm -f /dev/stdout && ln -s /proc/self/fd/1 /dev/stdout
    fi
    if [ ! -c /dev/null ] && [ "$(id -u)" -eq 0 ]; then
        rm -f /dev/null && mknod -m 666 /dev/null c 1 3
    fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
root=0
[ "$(id -u)" -eq 0 ] && root=1

# A copy of the sample data: nothing here may change it, and a second
# mount of it must not open a way to.
cp -r "$sample" "$work/data"
chmod -R a+rX "$work/data"
data=$work/data
export TMPDIR=$work/tmp
mkdir -m 1777 "$TMPDIR"
run() { "$batch" --data "$data" "$@"; }
# As another user when root runs this (the checks of permissions then
# apply), else as this user.
other=0
as_other() {
    if [ $root -eq 1 ]; then
        setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
    else
        "$@"
    fi
}
# The other user must be able to run the program and load its workbook
# module (a build in a folder only root may enter lets neither).
probe=$(mktemp -d)
chmod 1777 "$probe"
if as_other "$batch" --data "$data" export --table ZR4 --areas 1 --quarters last4 --format xlsx \
    --output "$probe/probe.xlsx" >/dev/null 2>&1; then
    other=1
else
    echo "SKIP: user 65534 cannot run $batch and its workbook module; the cases of another user are skipped"
fi
rm -rf "$probe"
is_workbook() {
    /usr/bin/python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None or "xl/workbook.xml" not in z.namelist())' "$1" 2>/dev/null
}
not_accessible() { # the viewer's message for a file, in capitals, and the system's reason
    echo "For some reason the file $(printf '%s' "$1" | tr '[:lower:]' '[:upper:]') could not be accessed."
    echo "$2"
}

records=(export --table ZR4 --areas 1-2 --quarters last4)
run "${records[@]}" --format comma --output "$work/ref.csv" || fail "the reference export"
run print --table ZR4 --areas 1 --output "$work/ref.txt" || fail "the reference print"

# 1. The standard output, by any name, as it stands.
run "${records[@]}" --format comma --output /dev/stdout | cat >"$work/piped.csv"
[ "${PIPESTATUS[0]}" -eq 0 ] && cmp -s "$work/piped.csv" "$work/ref.csv" || fail "a comma export to /dev/stdout in a pipe"
ln -s /proc/self/fd/1 "$work/stdout-link"
for name in - /dev/stdout /dev/fd/1 "$work/stdout-link"; do
    printf 'earlier\n' >"$work/log"
    run "${records[@]}" --format comma --output "$name" >>"$work/log" || fail "comma to $name: status"
    { printf 'earlier\n'; cat "$work/ref.csv"; } | cmp -s - "$work/log" || fail "comma to $name >> log"
    printf 'earlier\n' >"$work/log"
    run "${records[@]}" --format xlsx --output "$name" >>"$work/log" || fail "xlsx to $name: status"
    tail -c +9 "$work/log" >"$work/book.xlsx"
    [ "$(head -c 8 "$work/log")" = "$(printf 'earlier\n')" ] && is_workbook "$work/book.xlsx" \
        || fail "xlsx to $name >> log"
done
printf 'earlier\n' >"$work/log"
run print --table ZR4 --areas 1 --output /dev/stdout >>"$work/log" || fail "print to /dev/stdout: status"
{ printf 'earlier\n'; cat "$work/ref.txt"; } | cmp -s - "$work/log" || fail "print to /dev/stdout >> log"
[ -L "$work/stdout-link" ] || fail "the link to the standard output was replaced"
[ -L /dev/stdout ] || fail "/dev/stdout was replaced"

# FIFOs and devices: written in place, never replaced.
mkfifo "$work/fifo"
for format in comma xlsx; do
    timeout 20 cat "$work/fifo" >"$work/from-fifo" &
    reader=$!
    timeout 20 "$batch" --data "$data" "${records[@]}" --format $format --output "$work/fifo" \
        || fail "$format to a FIFO: status"
    wait $reader
    [ -p "$work/fifo" ] || fail "$format to a FIFO replaced it"
    if [ $format = comma ]; then
        cmp -s "$work/from-fifo" "$work/ref.csv" || fail "comma through a FIFO"
    else
        is_workbook "$work/from-fifo" || fail "xlsx through a FIFO"
    fi
    rm -f "$work/fifo" && mkfifo "$work/fifo"
    run "${records[@]}" --format $format --output /dev/null || fail "$format to /dev/null: status"
    [ -c /dev/null ] || fail "$format to /dev/null replaced it"
done

# 2. A file the user may not write is refused, as opening it would be.
mkdir -m 777 "$work/shared"
printf 'keep' >"$work/shared/ro.csv"
chmod 444 "$work/shared/ro.csv"
owner=$(stat -c %u:%g:%i "$work/shared/ro.csv")
if [ $other -eq 1 ]; then
    for format in comma xlsx; do
        as_other "$batch" --data "$data" "${records[@]}" --format $format --output "$work/shared/ro.csv" 2>"$work/err"
        [ $? -eq 1 ] || fail "$format to a read-only file: status"
        [ "$(cat "$work/err")" = "$(not_accessible "$work/shared/ro.csv" "Permission denied")" ] || fail "$format to a read-only file: $(cat "$work/err")"
    done
    as_other "$batch" --data "$data" print --table ZR4 --areas 1 --output "$work/shared/ro.csv" 2>/dev/null
    [ $? -eq 1 ] || fail "a print to a read-only file: status"
    [ "$(cat "$work/shared/ro.csv")" = keep ] && [ "$(stat -c %u:%g:%i "$work/shared/ro.csv")" = "$owner" ] \
        || fail "the read-only file changed"
    [ "$(ls -A "$work/shared")" = ro.csv ] || fail "a refused output left files: $(ls -A "$work/shared")"
fi

# A file replaced keeps its mode, and as root its owner and group.
for format in comma xlsx; do
    printf 'old' >"$work/owned.$format"
    chmod 640 "$work/owned.$format"
    [ $root -eq 1 ] && chown 65534:65534 "$work/owned.$format"
    before=$(stat -c %u:%g:%a "$work/owned.$format")
    run "${records[@]}" --format $format --output "$work/owned.$format" || fail "$format over an owned file: status"
    [ "$(stat -c %u:%g:%a "$work/owned.$format")" = "$before" ] \
        || fail "$format: the file replaced went from $before to $(stat -c %u:%g:%a "$work/owned.$format")"
done

# 3. A file the user may write in a folder they may not: written in place.
mkdir "$work/locked"
for format in comma xlsx; do
    printf 'earlier' >"$work/locked/mine.$format"
    chmod 666 "$work/locked/mine.$format"
done
chmod 555 "$work/locked"
if [ $other -eq 1 ]; then
    for format in comma xlsx; do
        inode=$(stat -c %i "$work/locked/mine.$format")
        as_other "$batch" --data "$data" "${records[@]}" --format $format --output "$work/locked/mine.$format" \
            || fail "$format in a folder that may not be written: status"
        [ "$(stat -c %i "$work/locked/mine.$format")" = "$inode" ] || fail "$format in place: another file"
    done
    cmp -s "$work/locked/mine.comma" "$work/ref.csv" || fail "comma in place"
    is_workbook "$work/locked/mine.xlsx" || fail "xlsx in place"
fi
chmod 755 "$work/locked"
# Names of 243 to 255 bytes take no longer temporary name.
mkdir "$work/long"
for length in 243 250 255; do
    name=$(printf 'n%.0s' $(seq 1 $((length - 5)))).xlsx
    run "${records[@]}" --format xlsx --output "$work/long/$name" || fail "a name of $length bytes: status"
    run "${records[@]}" --format xlsx --output "$work/long/$name" || fail "a name of $length bytes again: status"
    is_workbook "$work/long/$name" || fail "a name of $length bytes"
done
[ "$(ls -A "$work/long" | wc -l)" -eq 3 ] || fail "long names left files: $(ls -A "$work/long")"

# 4. An append to a file on a full disk needs room for what it adds only.
if [ $root -eq 1 ]; then
    mkdir "$work/small"
    if mount -t tmpfs -o size=64k tmpfs "$work/small"; then
        mounted=$work/small
        # 36 KB of 64 KB used: 28 KB free, less than a copy of the file needs.
        head -c 36864 /dev/zero | tr '\0' 'e' >"$work/small/log.txt"
        run export --table ZR4 --areas 1 --lines 1 --format comma --no-header --append \
            --output "$work/small/log.txt" || fail "an append on a nearly full disk: status"
        [ "$(stat -c %s "$work/small/log.txt")" -gt 36864 ] || fail "an append on a nearly full disk"
        # One that finds no room at all cuts the file back.
        head -c 1048576 /dev/zero >"$work/small/filler" 2>/dev/null
        before=$(md5sum <"$work/small/log.txt")
        run print --table ZR4 --areas 1-5 --output "$work/small/log.txt" 2>"$work/err" && fail "a print to a full disk: status"
        [ "$(md5sum <"$work/small/log.txt")" = "$before" ] || fail "a print to a full disk left a part"
        # Each writer names the file and the system's reason.
        [ "$(cat "$work/err")" = "$(not_accessible "$work/small/log.txt" "No space left on device")" ] \
            || fail "a print to a full disk: $(cat "$work/err")"
        for format in comma xlsx; do
            run "${records[@]}" --format $format --output "$work/small/new.$format" 2>"$work/err" \
                && fail "$format to a full disk: status"
            [ "$(cat "$work/err")" = "$(not_accessible "$work/small/new.$format" "No space left on device")" ] \
                || fail "$format to a full disk: $(cat "$work/err")"
        done
        umount "$work/small" && mounted=
    else
        fail "root could not mount a small file system"
    fi
fi

# 7. A second mount of the data folder is the data folder.
if [ $root -eq 1 ]; then
    mkdir "$work/bind"
    if mount --bind "$data" "$work/bind"; then
        mounted=$work/bind
        run "${records[@]}" --format comma --output "$work/bind/ZR4.dfx" 2>/dev/null && fail "an export over the data through a second mount"
        run print --table ZR4 --areas 1 --output "$work/bind/ZR4fn.txt" 2>/dev/null && fail "a print into the data through a second mount"
        printf 'notes' >"$data/notes.txt"
        run "${records[@]}" --format comma --output "$work/bind/notes.txt" 2>/dev/null && fail "an export into the data folder through a second mount"
        rm "$data/notes.txt"
        umount "$work/bind" && mounted=
        diff -r "$sample" "$data" >/dev/null || fail "the data changed through a second mount"
    else
        fail "root could not mount the data folder a second time"
    fi
fi

# 8. Links: a dangling one makes its file, a loop is refused with a message.
mkdir "$work/links"
ln -s made/out.csv "$work/links/dangling.csv"
mkdir "$work/links/made"
run "${records[@]}" --format comma --output "$work/links/dangling.csv" || fail "a dangling link: status"
[ -L "$work/links/dangling.csv" ] && cmp -s "$work/links/made/out.csv" "$work/ref.csv" || fail "a dangling link"
ln -s loop-b "$work/links/loop-a"
ln -s loop-a "$work/links/loop-b"
run "${records[@]}" --format xlsx --output "$work/links/loop-a" 2>"$work/err"
[ $? -eq 1 ] && [ "$(cat "$work/err")" = "$(not_accessible "$work/links/loop-a" "Too many levels of symbolic links")" ] || fail "a link loop: $(cat "$work/err")"
[ -L "$work/links/loop-a" ] || fail "a link loop was replaced"

# 9. A workbook that replaces a file is synced before its rename.
if strace -o /dev/null true 2>/dev/null; then
    # (A sanitizer build's leak check cannot run under a tracer.)
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
        strace -f -e trace=fsync,fdatasync,rename,renameat,renameat2 -o "$work/trace" \
        "$batch" --data "$data" "${records[@]}" --format xlsx --output "$work/owned.xlsx" || fail "xlsx under strace"
    synced=$(grep -n -m1 -E 'fsync|fdatasync' "$work/trace" | cut -d: -f1)
    renamed=$(grep -n -m1 -E 'rename.*owned\.xlsx' "$work/trace" | cut -d: -f1)
    [ -n "$synced" ] && [ -n "$renamed" ] && [ "$synced" -lt "$renamed" ] || fail "the workbook is not synced before its rename"
    # A print to a new file goes straight into it: no spool file, and no
    # sync (nothing earlier is at stake); an append to an earlier print is
    # synced.
    for pass in new append; do
        ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
            strace -f -e trace=openat,fsync,fdatasync -o "$work/trace" \
            "$batch" --data "$data" print --table ZR4 --areas 1-3 --output "$work/traced.txt" || fail "print under strace"
        grep -q '\.tarvel-' "$work/trace" && fail "a print ($pass) went through a temporary file"
        if [ $pass = new ]; then
            grep -qE 'fsync|fdatasync' "$work/trace" && fail "a print to a new file was synced"
        else
            grep -qE 'fsync|fdatasync' "$work/trace" || fail "an append to a print was not synced"
        fi
    done
else
    echo "SKIP: strace cannot trace here; the sync of the workbook is not checked"
fi

# 10. The workbook library says nothing on the standard error; the program
# says what failed. A limit on file sizes stands in for a full disk.
(
    ulimit -f 16
    trap '' XFSZ
    exec "$batch" --data "$data" export --table ZR4 --areas all --quarters all --format xlsx --output "$work/full.xlsx"
) 2>"$work/err"
[ $? -eq 1 ] && [ "$(cat "$work/err")" = "$(not_accessible "$work/full.xlsx" "File too large")" ] || fail "a full disk: $(cat "$work/err")"
# Without that trap the limit does not end the run: each output fails as a
# write does, and an earlier file stays as it was.
mkdir "$work/limit"
for job in print "export --format comma --append" "export --format comma" "export --format xlsx"; do
    file=$work/limit/out.$(printf '%s' "$job" | tr -c 'a-z' _)
    head -c 8192 /dev/zero | tr '\0' 'e' >"$file"
    (ulimit -f 64 && exec "$batch" --data "$data" $job --table ZR6 --areas all --quarters all --output "$file") 2>"$work/err"
    status=$?
    [ $status -eq 1 ] && [ "$(cat "$work/err")" = "$(not_accessible "$file" "File too large")" ] \
        && [ "$(tr -d e <"$file" | wc -c):$(stat -c %s "$file")" = 0:8192 ] || fail "$job past a file size limit: $status"
done
[ "$(ls -A "$work/limit" | wc -l)" -eq 4 ] || fail "outputs past a file size limit left files: $(ls -A "$work/limit")"

[ -z "$(ls -A "$TMPDIR")" ] || fail "spool files were left: $(ls -A "$TMPDIR")"
if [ $failures -ne 0 ]; then
    echo "$failures case(s) failed"
    exit 1
fi
echo "every output target case passed"
