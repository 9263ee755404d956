#pragma once

#include <string>

namespace tarvel {

/// The folder an installed program keeps its shared files in (the help file
/// and the sample data), found from the program's own folder: for
/// "/usr/bin/" it is "/usr/share/tarvel/". Computed from the names alone, so
/// the folder need not exist; ends in '/'. "" when programFolder is "".
std::string InstalledShareFolder(const std::string &programFolder);

} // namespace tarvel
