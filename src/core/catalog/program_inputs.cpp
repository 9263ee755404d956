#include "core/catalog/program_inputs.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/input_check_cache_fast.h"
#include "core/catalog/output_target.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>

namespace tarvel {

namespace {

namespace fs = std::filesystem;

// The file a name stands for: letter case found on disk, made absolute
// against the working folder and with links, "." and ".." resolved.
fs::path ResolvedFile(const std::string &name, std::error_code &ec)
{
    fs::path file = fs::absolute(ActualPath(name), ec);
    if (ec)
        return {};
    return fs::weakly_canonical(file, ec);
}

// The file an output name writes, resolved as ResolvedFile does: for "-"
// (or any name of it) the file the standard output leads to, for a link
// the file it names, also one it would make.
fs::path OutputFile(const std::string &output, std::error_code &ec)
{
    std::string name = output;
    if (Result<OutputTarget> target = FindOutputTarget(output)) {
        if (target->kind == OutputTarget::Kind::StandardOutput)
            name = "/proc/self/fd/1";
        else if (target->kind != OutputTarget::Kind::Special)
            name = target->path.string();
    }
    return ResolvedFile(name, ec);
}

// Whether a file in folder, under one of sortedNames (any letter case), is out:
// the same file (device and inode) by any way, a link, a hard link or a
// second mount of the folder, or a link that would make it. Each folder is
// listed once and only the entries of those names are looked at, so the
// check costs a few system calls, not a path resolution per name.
bool FolderHolds(const fs::path &folder, const std::vector<std::string> &sortedNames, const fs::path &out,
                 const struct stat *outStat)
{
    bool holds = false;
    std::string lower;
    ForEachName(folder.string(), [&](std::string_view name, bool mayBeLink) {
        // A missing out can only be made through a link.
        if (holds || (!mayBeLink && !outStat))
            return;
        lower.assign(name);
        for (char &c : lower) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        if (!std::binary_search(sortedNames.begin(), sortedNames.end(), lower))
            return;
        const fs::path entry = folder / std::string(name);
        struct stat st {};
        if (::stat(entry.c_str(), &st) == 0) {
            holds = outStat && st.st_dev == outStat->st_dev && st.st_ino == outStat->st_ino;
        } else {
            // A link whose file does not exist yet: writing out would make it.
            std::error_code ec;
            if (fs::is_symlink(entry, ec)) {
                const fs::path target = fs::weakly_canonical(entry, ec);
                holds = !ec && target == out;
            }
        }
    });
    return holds;
}

bool IsInput(const DataPaths &paths, const std::string &output, const std::vector<std::string> &otherFiles)
{
    std::error_code ec;
    const fs::path out = OutputFile(output, ec);
    if (ec || !out.has_filename())
        return false;

    struct stat outStat {};
    const bool outExists = ::stat(out.c_str(), &outStat) == 0;
    const std::string outName = ToLower(out.filename().string());
    const auto same = [&](const std::string &input) {
        const fs::path file = ResolvedFile(input, ec);
        if (!ec && file == out)
            return true;
        // The same file reached through a hard link under another name.
        return outExists && fs::exists(file, ec) && fs::equivalent(file, out, ec);
    };

    // An empty data folder reads its files from the working folder (a name
    // without a folder), so it is checked as that folder, never skipped.
    std::vector<std::string> folders{paths.DataFolder};
    if (!paths.ProgramFolder.empty())
        folders.push_back(paths.ProgramFolder);
    const std::vector<std::string> &names = ProgramInputNames();
    static const std::vector<std::string> sortedNames = [&names] {
        std::vector<std::string> sorted = names;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }();
    for (const std::string &folder : folders) {
        const fs::path dir = ResolvedFile(folder.empty() ? std::string(".") : folder, ec);
        if (ec)
            continue;
        if (dir == out.parent_path() && std::binary_search(sortedNames.begin(), sortedNames.end(), outName))
            return true;
        if (FolderHolds(dir, sortedNames, out, outExists ? &outStat : nullptr))
            return true;
    }
    for (const std::string &other : otherFiles) {
        if (!other.empty() && same(other))
            return true;
    }
    return false;
}

} // namespace

const std::vector<std::string> &ProgramInputNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list{"statcode.csv", "zrformat.txt", "regions.txt", "q_readme.txt", "tarvel.hlp"};
        for (const std::string &code : TableCodes()) {
            for (const char *suffix : {".dfx", ".xxx", "line.csv", "fn.txt", ".doc"})
                list.push_back(ToLower(code + suffix));
        }
        return list;
    }();
    return names;
}

bool IsProgramInputFile(const DataPaths &paths, const std::string &output, const std::vector<std::string> &otherFiles)
{
    // A run checks its output name more than once (before it starts and as
    // it opens the output); the answer holds for the whole run, and the
    // quick path keeps the last one (input_check_cache_fast.h).
    struct Answer {
        std::uint64_t run = 0;
        std::vector<std::string> asked;
        bool input = false;
    };
    Answer *const last = fast::LastInputAnswer<Answer>();
    const std::uint64_t run = FolderListingScope::CurrentRun();
    std::vector<std::string> asked{paths.DataFolder, paths.ProgramFolder, output};
    asked.insert(asked.end(), otherFiles.begin(), otherFiles.end());
    if (last != nullptr && run != 0 && last->run == run && last->asked == asked)
        return last->input;
    bool input = false;
    try {
        input = IsInput(paths, output, otherFiles);
    } catch (const std::exception &) {
        input = false;
    }
    if (last != nullptr && run != 0)
        *last = {run, std::move(asked), input};
    return input;
}

} // namespace tarvel
