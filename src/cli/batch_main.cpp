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
