// The data-file readers through every path that reads them: the table view
// (show), the one-line view (show-line), print-all to a text file and the
// export writer. The first byte picks the file the rest replaces in a
// complete data folder of ZR7H and ZR1; nothing may crash, and the output
// goes only to files of its own.

#include "cli/batch_commands.h"
#include "fuzz_sandbox.h"
#include "sample_data.h"

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace tarvel;

struct Folder {
    fuzz::Sandbox sandbox;
    std::string data = sandbox.Path() + "data/";
    std::string out = sandbox.Path() + "out/";
    std::map<std::string, std::string> original;

    Folder()
    {
        sample::Options options;
        options.tables = {"ZR7H", "ZR1"};
        if (!sample::WriteSampleFolder(data, options).empty())
            std::abort();
        sandbox.Write("out/.keep", "");
        original = fuzz::Snapshot(data);
    }
};

constexpr std::array<const char *, 7> Files{"ZR7H.dfx", "ZR7Hline.csv", "statcode.csv", "ZR7Hfn.txt",
                                            "ZR1.dfx",  "ZR1line.csv",  "ZR7H.xxx"};

int RunBatch(const Folder &folder, std::vector<std::string> args, bool unsuppressed)
{
    args.insert(args.begin(), {"--data", folder.data});
    if (unsuppressed)
        args.insert(args.begin(), "--unsuppressed");
    std::ostringstream out;
    std::ostringstream err;
    const int status = batch::Run(args, folder.sandbox.Path() + "program/", out, err);
    if (status != batch::ExitOk && status != batch::ExitFile && status != batch::ExitUsage)
        std::abort();
    return status;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Folder folder;
    if (size < 1)
        return 0;
    const std::string file = Files[data[0] % Files.size()];
    const bool unsuppressed = file.ends_with(".xxx");
    const std::string code = file.starts_with("ZR1") ? "ZR1" : "ZR7H";
    folder.sandbox.Write("data/" + file, std::string_view(reinterpret_cast<const char *>(data) + 1, size - 1));

    RunBatch(folder, {"show", "--table", code, "--area", "2", "--quarters", "all"}, unsuppressed);
    RunBatch(folder, {"show-line", "--table", code, "--line", "3", "--reverse"}, unsuppressed);
    RunBatch(folder, {"lines", "--table", code}, unsuppressed);
    RunBatch(folder, {"areas"}, unsuppressed);
    RunBatch(folder, {"print", "--table", code, "--areas", "1-3", "--quarters", "last8", "--footnotes", "--output",
                      folder.out + "print.htm"},
             unsuppressed);
    RunBatch(folder, {"export", "--table", code, "--areas", "1,2,60", "--quarters", "all", "--format", "fixed",
                      "--area-names", "--footnotes", "--output", folder.out + "export.prn"},
             unsuppressed);
    RunBatch(folder, {"export", "--table", code, "--areas", "2-3", "--quarters", "last4", "--format", "comma",
                      "--per-area", folder.out},
             unsuppressed);

    // Put the file back; anything else in the data folder is a finding.
    folder.sandbox.Write("data/" + file, folder.original.at(folder.data + file));
    fuzz::CheckUnchangedAndTidy(folder.data, folder.original, "data folder");
    return 0;
}
