#include "core/catalog/data_paths.h"

#include "core/catalog/file_helpers.h"

namespace tarvel {

std::string ResolveDataFile(const DataPaths &paths, std::string_view name)
{
    // An empty program folder would look in the working directory.
    if (!paths.ProgramFolder.empty()) {
        std::string inProgram = paths.ProgramFolder + std::string(name);
        if (FileExists(inProgram))
            return inProgram;
    }
    return paths.DataFolder + std::string(name);
}

std::string ResolveTableFile(const DataPaths &paths, std::string_view name)
{
    if (paths.Unsuppressed)
        return paths.DataFolder + std::string(name);
    return ResolveDataFile(paths, name);
}

std::string TableDataFileName(const DataPaths &paths, std::string_view code)
{
    if (paths.Unsuppressed)
        return paths.DataFolder + std::string(code) + ".xxx";
    return ResolveDataFile(paths, std::string(code) + ".dfx");
}

std::string LineTitleFileName(const DataPaths &paths, std::string_view code)
{
    return ResolveTableFile(paths, std::string(code) + "line.csv");
}

std::string AreaListFileName(const DataPaths &paths)
{
    return ResolveTableFile(paths, "statcode.csv");
}

} // namespace tarvel
