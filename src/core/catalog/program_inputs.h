#pragma once

#include "core/catalog/data_paths.h"

#include <string>
#include <vector>

namespace tarvel {

// No output of the program (print, export, chart image) is ever written into
// a file the program reads: a slip of the file name would destroy the data.
// Every writer asks here before it opens its output (safe_output_file.h then
// writes it).

/// The names (in lower case) of every file the program reads from the data
/// or program folder: data, line titles, footnotes, summaries, documents,
/// the area list and the help file.
const std::vector<std::string> &ProgramInputNames();

/// True when output names a file the program reads: one of
/// ProgramInputNames in the data folder (an empty one being the working
/// folder, where its files are then read) or the program folder, names
/// matched ignoring case, or one of otherFiles (the settings files,
/// SettingsFilesRead). Paths are compared resolved (absolute, links
/// followed), and a hard link to such a file counts too. Within one run
/// (FolderListingScope) the answer to the same question is kept.
bool IsProgramInputFile(const DataPaths &paths, const std::string &output,
                        const std::vector<std::string> &otherFiles = {});

} // namespace tarvel
