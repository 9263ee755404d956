// The data-file readers through every path that reads them: the table view
// (show), the one-line view (show-line), the line and area lists, print-all
// to an HTML file and the export writer (fixed length into one file, comma
// per area). The first byte picks the file the rest replaces in a complete
// data folder of ZR7H and ZR1 (its value modulo 7, as in the seed inputs),
// and one of the commands that read that file (the rest of its value);
// nothing may crash, and the output goes only to files of its own. The
// seed inputs come once for each command that reads their file.
//
// One command an input, in a folder in memory, keeps each input quick; the
// outputs of each run are removed after it.

#include "cli/batch_commands.h"
#include "fuzz_sandbox.h"
#include "sample_data.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tarvel;

struct Folder {
    fuzz::Sandbox sandbox;
    std::string data = sandbox.Path() + "data/";
    std::string out = sandbox.Path() + "out/";
    std::map<std::string, std::string> original;
    std::map<std::string, std::string> outputs; // out/ as it starts: empty but for .keep

    Folder()
    {
        sample::Options options;
        options.tables = {"ZR7H", "ZR1"};
        if (!sample::WriteSampleFolder(data, options).empty())
            std::abort();
        sandbox.Write("out/.keep", "");
        original = fuzz::Snapshot(data);
        outputs = fuzz::Snapshot(out);
    }
};

// What a file holds, and so which commands read it.
enum Reads : unsigned { Data = 1, Titles = 2, Areas = 4, Footnotes = 8 };

struct DataFile {
    const char *name;
    const char *code; // the table whose commands read it
    unsigned kind;
};

constexpr std::array<DataFile, 7> Files{{{"ZR7H.dfx", "ZR7H", Data},
                                         {"ZR7Hline.csv", "ZR7H", Titles},
                                         {"statcode.csv", "ZR7H", Areas},
                                         {"ZR7Hfn.txt", "ZR7H", Footnotes},
                                         {"ZR1.dfx", "ZR1", Data},
                                         {"ZR1line.csv", "ZR1", Titles},
                                         {"ZR7H.xxx", "ZR7H", Data}}};

// The quarters the table view shows: all of ZR7H's 40; of ZR1's 241 the
// first two, one between and the last two (all would make ZR1's inputs
// the slowest by far, and the fields between are read the same way).
std::string ShownQuarters(std::string_view code)
{
    return code == "ZR1" ? "1948.1,1948.2,1978.3,2007.4,2008.1" : "all";
}

struct Command {
    unsigned reads;
    bool zr1; // ZR1 has no one-line view and shows no area caption
    std::vector<std::string> args; // "@" stands for the table, "@Q" for ShownQuarters, "OUT/" for the output folder
};

const std::vector<Command> &Commands()
{
    static const std::vector<Command> commands{
        {Data | Titles | Areas, true, {"show", "--table", "@", "--area", "2", "--quarters", "@Q"}},
        {Data | Titles | Areas, false, {"show-line", "--table", "@", "--line", "3", "--reverse"}},
        {Data | Titles, true, {"lines", "--table", "@"}},
        {Areas, true, {"areas"}},
        {Data | Titles | Areas | Footnotes, true,
         {"print", "--table", "@", "--areas", "1-3", "--quarters", "last8", "--footnotes", "--output",
          "OUT/print.htm"}},
        {Data | Titles | Areas | Footnotes, true,
         {"export", "--table", "@", "--areas", "1,2,60", "--quarters", "last9", "--format", "fixed", "--area-names",
          "--footnotes", "--output", "OUT/export.prn"}},
        {Data | Titles | Areas, true,
         {"export", "--table", "@", "--areas", "2-3", "--quarters", "last4", "--format", "comma", "--per-area",
          "OUT/"}},
    };
    return commands;
}

void RunBatch(const Folder &folder, const Command &command, const DataFile &file)
{
    std::vector<std::string> args{"--data", folder.data};
    const bool unsuppressed = std::string_view(file.name).ends_with(".xxx");
    if (unsuppressed)
        args.insert(args.begin(), "--unsuppressed");
    for (std::string arg : command.args) {
        if (arg == "@")
            arg = file.code;
        else if (arg == "@Q")
            arg = ShownQuarters(file.code);
        else if (arg.starts_with("OUT/"))
            arg = folder.out + arg.substr(4);
        args.push_back(std::move(arg));
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = batch::Run(args, folder.sandbox.Path() + "program/", out, err);
    if (status != batch::ExitOk && status != batch::ExitFile && status != batch::ExitUsage)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Folder folder;
    if (size < 1)
        return 0;
    const DataFile &file = Files[data[0] % Files.size()];
    const bool zr1 = std::string_view(file.code) == "ZR1";
    std::vector<const Command *> readers;
    for (const Command &command : Commands()) {
        if ((command.reads & file.kind) != 0 && (command.zr1 || !zr1))
            readers.push_back(&command);
    }
    const Command &command = *readers[(data[0] / Files.size()) % readers.size()];

    const std::string path = folder.data + file.name;
    const std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    folder.sandbox.Write("data/" + std::string(file.name), bytes);
    RunBatch(folder, command, file);

    // The file read must be as it was written; then it goes back, without
    // being read again. Anything else in the data folder is a finding. The
    // outputs go, so that no run prints after the pages of all earlier ones.
    const std::optional<std::string> after = fuzz::ReadFile(path);
    if (!after || *after != bytes) {
        std::fprintf(stderr, "data folder: %s changed or went\n", path.c_str());
        std::abort();
    }
    fuzz::PutBack(folder.data, path, folder.original.at(path));
    fuzz::CheckUnchangedAndTidy(folder.data, folder.original, "data folder");
    fuzz::CheckUnchangedAndTidy(folder.out, folder.outputs, "output folder");
    return 0;
}
