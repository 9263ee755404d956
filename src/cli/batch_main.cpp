#include "cli/batch_commands.h"

#include <climits>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <link.h>
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__) && defined(MADV_POPULATE_READ)
// The program's code is mapped in one call before anything runs, instead of
// a page fault for each part of it first used (a fault costs some ten
// microseconds on a virtual machine; a run uses a few dozen parts). Its
// pages come from the page cache; a system without the request (before
// Linux 5.14) refuses it and the pages come as used. The constants are
// left to come as used: most of them are unwinding tables.
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

int main(int argc, char **argv)
{
#if defined(__GLIBC__)
    // A run is short, so memory it frees goes back to its own heap for the
    // next use and never to the system: each block given back (large blocks
    // are mapped and unmapped one by one, the heap's top trimmed) costs a
    // flush of every processor's address cache, a fraction of a millisecond
    // on a virtual machine.
    ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);

    // The program folder is where the executable lies, so the sample data
    // beside it is found as the viewer finds it.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv[0], ec);
    std::string folder = self.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';

    return tarvel::batch::Run(args, folder, std::cout, std::cerr);
}
