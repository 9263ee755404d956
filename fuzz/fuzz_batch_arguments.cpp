// tarvel-batch's command line: the bytes are its arguments, split at NUL
// bytes. It runs inside a data folder (its working folder, as in a script),
// with its own settings file; whatever the arguments, no file the program
// reads may change. Arguments that could name a place outside the sandbox (a
// leading '/', ".." leading out of it, or "-" for the standard output) are
// not tried: the program may write wherever it is told.

#include "cli/batch_commands.h"
#include "core/settings/program_settings.h"
#include "fuzz_sandbox.h"
#include "sample_data.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

using namespace tarvel;

struct Folder {
    fuzz::Sandbox sandbox;
    std::string data = sandbox.Path() + "data/";
    std::string program = sandbox.Path() + "program/";
    std::map<std::string, std::string> original;

    Folder()
    {
        sample::Options options;
        options.tables = {"ZR7H", "ZR6"};
        options.unsuppressed = true;
        if (!sample::WriteSampleFolder(data, options).empty())
            std::abort();
        setenv("XDG_CONFIG_HOME", (sandbox.Path() + "config").c_str(), 1);
        SettingsStore settings(SettingsStore::DefaultFile());
        WriteDefaultSettings(settings, program);
        setting::ZRPath.Write(settings, data);
        std::filesystem::create_directories(program);
        std::filesystem::current_path(data);
        original = fuzz::Snapshot(sandbox.Path());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Folder folder;
    std::vector<std::string> args = fuzz::SplitAtNul(data, size);
    for (const std::string &arg : args) {
        // "-" is the fuzzer's own standard output.
        if (arg.starts_with('/') || arg == "-")
            return 0;
        if (arg.find("..") != std::string::npos) {
            const std::string inside = (std::filesystem::path(folder.data) / arg).lexically_normal().string();
            if (!inside.starts_with(folder.sandbox.Path()))
                return 0;
        }
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = batch::Run(args, folder.program, out, err);
    if (status != batch::ExitOk && status != batch::ExitFile && status != batch::ExitUsage)
        std::abort();
    // Outputs the run was allowed to write are removed again.
    fuzz::CheckUnchangedAndTidy(folder.sandbox.Path(), folder.original, "a file the program reads");
    return 0;
}
