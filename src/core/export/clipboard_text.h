#pragma once

#include "core/views/grid.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvel {

/// The grid's current cell and the far corner of its selection, in grid
/// coordinates (row 0 and column 0 are the fixed quarter labels and row
/// titles). The corners may lie either way round.
struct GridSelection {
    int row = 1;
    int column = 1;
    int selectionRow = 1;
    int selectionColumn = 1;
};

/// Cells chosen one by one (Ctrl+click) that do not fill their block: the
/// rows and the columns that hold any of them, in grid order.
struct ScatteredCells {
    std::vector<int> rows;
    std::vector<int> columns;
};

/// The clipboard text of a selected block (or, given scattered cells, of the
/// rows and columns that hold them alone), each line ending in "\r\n": the
/// caption, an empty line, a tab and each selected column's label followed
/// by a tab, then per selected row its title, a tab and its cells joined by
/// tabs with every comma removed (titles and labels keep theirs). The block
/// is held to the data cells (rows and columns from 1). nullopt when memory
/// runs out. Afterwards the grid's current cell, as the copy leaves it, is
/// column 0 of the block's last row.
std::optional<std::string> ClipboardText(const Grid &grid, const GridSelection &selection,
                                         const ScatteredCells *scattered = nullptr);

/// The number reported for a copy that ran out of memory (out of string space).
inline constexpr int ClipboardOutOfMemoryError = 14;
/// "Error " + number: the title of both failure messages.
std::string ClipboardErrorTitle(int number);
inline constexpr const char *ClipboardMemoryText =
    "Not enough memory to copy to the clipboard all that you have selected. Please select a smaller number of "
    "cells to copy. You may need to close the active window, and redisplay.";
/// "Unexpected error, number " + number.
std::string ClipboardUnexpectedText(int number);

} // namespace tarvel
