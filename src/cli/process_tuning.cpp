// tarvel-batch is started once per job, and a job takes some milliseconds,
// so what the process itself costs shows: on a virtual machine every page
// first touched costs some ten microseconds, and every block of memory given
// back a flush of every processor's address cache (a fraction of a
// millisecond). What is done here, with process_tuning.cmake's static
// linking (about 1 ms a run), keeps the process near the floor of a C
// program doing the same reads and writes (scripts/bench.sh measures both).
// None of it changes what a run writes.

#include "cli/process_tuning.h"

#include <climits>
#include <cstddef>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tarvel::batch {

namespace {

#if defined(__linux__) && defined(MADV_POPULATE_READ)
// The program's code is mapped in one call before anything runs, instead of
// a page fault for each part of it first used (a run uses a few dozen
// parts). Its pages come from the page cache; a system without the request
// (before Linux 5.14) refuses it and the pages come as used. The constants
// are left to come as used: most of them are unwinding tables.
[[gnu::constructor(101)]] void MapProgramImage()
{
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, std::size_t, void *) -> int {
            const auto page = static_cast<ElfW(Addr)>(::sysconf(_SC_PAGESIZE));
            for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0)
                    continue;
                const ElfW(Addr) start = (info->dlpi_addr + segment.p_vaddr) & ~(page - 1);
                const ElfW(Addr) end = info->dlpi_addr + segment.p_vaddr + segment.p_memsz;
                ::madvise(reinterpret_cast<void *>(start), end - start, MADV_POPULATE_READ);
            }
            return 1; // the program itself comes first; nothing else is needed
        },
        nullptr);
}
#endif

} // namespace

void TuneProcess()
{
#if defined(__GLIBC__)
    // A run is short, so memory it frees goes back to its own heap for the
    // next use and never to the system: each block given back (large blocks
    // are mapped and unmapped one by one, the heap's top trimmed) costs a
    // flush of every processor's address cache.
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
}

} // namespace tarvel::batch
