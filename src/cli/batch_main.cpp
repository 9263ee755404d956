#include "cli/batch_commands.h"
#include "cli/process_tuning.h"
#include "cli/standard_output.h"
#include "core/catalog/temporary_files.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

int main(int argc, char **argv)
{
    tarvel::batch::KeepStandardDescriptors();
    tarvel::batch::TuneProcess();
    // Past a file size limit (ulimit -f) the standard output fails as a full disk does.
    tarvel::IgnoreFileSizeSignal();
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

    tarvel::batch::StandardOutputBuffer buffer;
    std::ostream out(&buffer);
    return tarvel::batch::Run(args, folder, out, std::cerr);
}
