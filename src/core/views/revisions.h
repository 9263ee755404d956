#pragma once

#include "core/catalog/data_paths.h"
#include "core/catalog/failure.h"
#include "core/views/figure.h"
#include "core/views/units_transform.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

/// The paths of the earlier release in folder: every file is read from
/// that folder (no file beside the program stands in for one of it).
DataPaths OtherReleasePaths(const std::string &folder, bool unsuppressed);

/// nullopt when folder can be compared with paths' data folder; else
/// Usage: the data folder itself, a folder that cannot be reached, or one
/// that holds no data files.
std::optional<Failure> CheckOtherRelease(const DataPaths &paths, const std::string &folder);

/// nullopt when code's line titles are the same in both releases; else
/// Usage naming the first line that differs, with both titles, or a line
/// one release lacks. A file that cannot be read gives its failure.
std::optional<Failure> CheckSameLines(const std::string &code, const DataPaths &paths, const DataPaths &other);

/// One cell of a table that a release revised.
struct RevisionEntry {
    int Area = 0;    ///< 1..60
    int Line = 0;    ///< 1..LineCount; for a table whose lines are the areas, the area
    int Quarter = 0; ///< table quarter number
    Figure Earlier;  ///< the earlier release's figure
    Figure Now;      ///< this release's
    Figure Revision; ///< Now - Earlier
    Figure Percent;  ///< (Now / Earlier - 1) * 100
};

/// The cells of code, for the quarters given (all when empty), in every
/// area, that the releases give different numbers and whose percent
/// revision is a number, largest absolute percent
/// first (ties: area, line, quarter order), at most top of them (all when
/// top is 0). A cell withheld or blank in either release is left out. The
/// line checks of CheckSameLines come first.
Result<std::vector<RevisionEntry>> LargestRevisions(const std::string &code, const std::vector<int> &quarters,
                                                    const DataPaths &paths, const DataPaths &other,
                                                    std::size_t top);

} // namespace tarvel
