// New memory is handed over by the system one page at a time, at the first
// touch of each page; on a virtual machine such a fault costs some ten
// microseconds, more than the work done in the page. A block of
// PrefaultedBytes or more comes from operator new with all its pages asked
// for at once (MADV_POPULATE_WRITE, about half the cost a page); its bytes
// are not set. The contents are the same either way.

#include "core/catalog/prefaulted_memory.h"

#include <cstdint>

#if defined(__linux__) && !defined(TARVEL_PLAIN_CODE)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tarvel {

void *AllocatePrefaulted(std::size_t size)
{
    void *const block = ::operator new(size == 0 ? 1 : size);
#if defined(__linux__) && defined(MADV_POPULATE_WRITE) && !defined(TARVEL_PLAIN_CODE)
    if (size >= PrefaultedBytes) {
        // The whole pages inside the block; a page already present (memory
        // used before) costs nothing more. A system without the request
        // (before Linux 5.14) refuses it and the pages come one by one.
        static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        const auto start = reinterpret_cast<std::uintptr_t>(block);
        const std::uintptr_t first = (start + page - 1) & ~(page - 1);
        const std::uintptr_t end = (start + size) & ~(page - 1);
        if (end > first)
            ::madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
    }
#endif
    return block;
}

} // namespace tarvel
