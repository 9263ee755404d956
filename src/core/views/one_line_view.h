#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/views/grid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// The line title as the one-line caption shows it: everything up to and
/// including the first "less:" dropped with the blanks after it, then the
/// same for "plus:", then for "equals:" (exact, case-sensitive matches).
std::string ShortenLineTitle(std::string_view title);

/// code + " " + series caption + " - " + the shortened title.
std::string OneLineCaption(const std::string &code, std::string_view title);

/// Line number L of a table-view grid's row within an area's block: row
/// minus the rows 1..row whose column-1 text is empty after removing blanks.
int OneLineNumber(const Grid &source, int row);

/// What the one-line view takes from its source window.
struct OneLineSource {
    std::string Code;  ///< table code
    int Line = 0;      ///< L, 1..LineCount(Code)
    std::string Title; ///< the line title, surrounding blanks removed
    /// Index 1..QuarterCount(Code), index 0 unused; 255 = shown.
    std::vector<std::uint8_t> QuarterShown;
};

/// The one-line command's silent checks on a display window's grid and its
/// current row. nullopt (do nothing) when: the grid is a one-line view
/// (kind ChildKind::SOL), the row's title or column-1 text is empty, the caption's
/// table is not in the catalog or its lines are the areas (ZR1), the grid
/// has fewer than 2 columns, or L is outside 1..LineCount. Otherwise the
/// line and the quarters of the row-0 labels (labels that name no quarter
/// of the table are skipped).
std::optional<OneLineSource> ReadOneLineSource(const Grid &source, int currentRow);

/// The one-line grid (64 rows laid out as AreaRowLayout, kind ChildKind::SOL, caption
/// OneLineCaption): line source.Line of each of the 60 areas, one record
/// read per area, the area names read once from the area list, quarter
/// columns oldest first or newest first when reverse. Usage when the source
/// names no line of a table whose lines are other than the areas; a file
/// that cannot be read or is too short gives its Failure and no grid.
Result<Grid> BuildOneLineView(const DataPaths &paths, const OneLineSource &source, bool reverse);

} // namespace tarvel
