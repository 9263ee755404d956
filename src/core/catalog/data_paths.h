#pragma once

#include <string>
#include <string_view>

namespace tarvel {

/// The folders and mode every lookup of a data file depends on (owned by
/// the main window, or by a tarvel-batch run).
struct DataPaths {
    std::string ProgramFolder; ///< ends in '/'
    std::string DataFolder;    ///< ends in '/', or empty when not found
    bool Unsuppressed = false;
};

/// ProgramFolder + name when that file exists, else DataFolder + name: a
/// file beside the program stands in for the data folder's.
std::string ResolveDataFile(const DataPaths &paths, std::string_view name);
/// The confidential lookup: DataFolder + name in unsuppressed mode, else
/// ResolveDataFile. Used for the area list, table data, line titles and the
/// footnotes and summaries shown or printed.
std::string ResolveTableFile(const DataPaths &paths, std::string_view name);
/// code + ".xxx" in DataFolder in unsuppressed mode, else ResolveDataFile(code + ".dfx").
std::string TableDataFileName(const DataPaths &paths, std::string_view code);
/// The line-title file code + "line.csv", looked up like the table data.
std::string LineTitleFileName(const DataPaths &paths, std::string_view code);
/// The area list "statcode.csv", looked up like the table data.
std::string AreaListFileName(const DataPaths &paths);

} // namespace tarvel
