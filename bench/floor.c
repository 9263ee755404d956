/* The floor of a whole-process file job: the least a program could do to
 * produce an output of the same size from the same records. It reads the
 * first N records of a table data file with one positioned read each and
 * writes the given number of bytes (copied from the records, spread evenly
 * over them) to a new file in 64 KB blocks. With --help it only prints its
 * help, the floor of a program's start.
 *
 * Plain C and the C library only, so its start costs what a process must.
 */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char Help[] =
    "usage: tarvel-floor --data FILE --records N --bytes N --output FILE\n"
    "  reads the first N records of the table data file FILE (their length is\n"
    "  its first line's, line end included) with one positioned read each and\n"
    "  writes --bytes bytes taken from them to --output, in 64 KB blocks.\n"
    "tarvel-floor --help\n"
    "  prints this text.\n";

enum { BlockSize = 65536 };

static int Fail(const char *what, const char *name)
{
    fprintf(stderr, "tarvel-floor: %s %s: %s\n", what, name, strerror(errno));
    return 1;
}

static char block[BlockSize];
static size_t used;

static int Flush(int out)
{
    size_t done = 0;
    while (done < used) {
        const ssize_t n = write(out, block + done, used - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        done += (size_t)n;
    }
    used = 0;
    return 1;
}

/* Appends count bytes cycled from bytes (length size) to the block. */
static int Put(int out, const char *bytes, size_t size, long long count)
{
    size_t from = 0;
    while (count > 0) {
        size_t part = size - from;
        if ((long long)part > count)
            part = (size_t)count;
        if (part > BlockSize - used)
            part = BlockSize - used;
        memcpy(block + used, bytes + from, part);
        used += part;
        from = (from + part) % size;
        count -= (long long)part;
        if (used == BlockSize && !Flush(out))
            return 0;
    }
    return 1;
}

int main(int argc, char **argv)
{
    const char *data = NULL;
    const char *output = NULL;
    long long records = -1;
    long long bytes = -1;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(Help, stdout);
            return 0;
        }
        if (i + 1 >= argc) {
            fputs(Help, stderr);
            return 2;
        }
        if (strcmp(argv[i], "--data") == 0)
            data = argv[++i];
        else if (strcmp(argv[i], "--output") == 0)
            output = argv[++i];
        else if (strcmp(argv[i], "--records") == 0)
            records = atoll(argv[++i]);
        else if (strcmp(argv[i], "--bytes") == 0)
            bytes = atoll(argv[++i]);
        else {
            fputs(Help, stderr);
            return 2;
        }
    }
    if (!data || !output || records < 1 || bytes < 0) {
        fputs(Help, stderr);
        return 2;
    }

    const int in = open(data, O_RDONLY);
    if (in < 0)
        return Fail("cannot open", data);
    /* The record length: the first line's, with its CR LF. */
    char first[8192];
    const ssize_t got = pread(in, first, sizeof first, 0);
    if (got <= 0)
        return Fail("cannot read", data);
    const char *lf = memchr(first, '\n', (size_t)got);
    if (!lf) {
        fprintf(stderr, "tarvel-floor: no line end in the first 8 KB of %s\n", data);
        return 1;
    }
    const size_t length = (size_t)(lf - first) + 1;
    char *record = malloc(length);
    if (!record)
        return 1;

    const int out = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0)
        return Fail("cannot create", output);
    const long long share = bytes / records;
    long long rest = bytes % records;
    for (long long n = 0; n < records; ++n) {
        const ssize_t count = pread(in, record, length, (off_t)(n * (long long)length));
        if (count != (ssize_t)length) {
            fprintf(stderr, "tarvel-floor: %s holds fewer than %lld records\n", data, records);
            return 1;
        }
        if (!Put(out, record, length, share + rest))
            return Fail("cannot write", output);
        rest = 0;
    }
    if (!Flush(out) || close(out) != 0)
        return Fail("cannot write", output);
    close(in);
    free(record);
    return 0;
}
