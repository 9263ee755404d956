#pragma once

#include "core/views/grid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// Ranking the areas of a grid whose rows are the 60 areas (a one-line view,
// or the table whose lines are the areas) by one quarter's values. Only the
// states and the District of Columbia (areas 2..52) move: the nation stays
// first and the eight regions last, in their own order, and the heading
// and spacer rows stay where they are.

/// The order the area rows are shown in.
enum class AreaOrder { ByArea, HighestFirst, LowestFirst };

/// The areas that sort among themselves: the states and the District of Columbia.
inline constexpr int FirstRankedArea = 2;
inline constexpr int LastRankedArea = 52;

/// What a click on a column's header gives when the grid is sorted by
/// current on currentColumn: highest first on a new column, then lowest
/// first, then back to area order.
AreaOrder NextAreaOrder(AreaOrder current, int currentColumn, int clickedColumn);

/// True when the grid's rows are the areas in area-row layout: a one-line
/// view, or a table view of a table whose lines are the areas.
bool GridRowsAreAreas(const Grid &grid);

/// The number a cell shows, for ranking: its text without group commas
/// (and without the " *" of a withheld value shown unsuppressed). nullopt
/// for "(D)", "(N)", an empty cell and any text that is no number.
std::optional<double> RankValue(std::string_view cellText);

/// The values as stored of column's cells (1-based data column) of a grid
/// whose rows are the areas, from the grid's model: entry r for grid row
/// r, nullopt for a row that is no area, a withheld value not shown and a
/// blank field (which shows 0). nullopt in all for a grid without a model,
/// or whose cells no longer show its model's values.
std::optional<std::vector<std::optional<double>>> StoredRankValues(const Grid &grid, int column);

/// The grid rows in the order they are shown: entry r is the row of grid
/// shown at row r (row 0 and every row that does not move map to
/// themselves). Sorted by the values of column (1-based data column) as
/// stored (StoredRankValues), or, when they cannot be read, as the cells
/// show them (RankValue): the states from highest or lowest, the cells
/// without a value (withheld, blank) last in either order, equal values in
/// area order. ByArea, a column outside the grid or
/// a grid whose rows are not the areas gives the grid's own order.
std::vector<int> AreaRowOrder(const Grid &grid, int column, AreaOrder order);

/// "sorted by 2008.1, highest first" (or "lowest first") for the label of
/// the column sorted on; "" for ByArea.
std::string SortedByText(std::string_view quarterLabel, AreaOrder order);

/// The grid as it is shown sorted: its rows in AreaRowOrder, the caption
/// followed by " - " and SortedByText. ByArea (or a grid that does not sort)
/// gives the grid unchanged.
Grid SortedAreaGrid(const Grid &grid, int column, AreaOrder order);

/// The data column (1-based) whose row-0 label is label, after blanks are
/// removed; nullopt when no column shows it.
std::optional<int> ColumnOfQuarter(const Grid &grid, std::string_view label);

} // namespace tarvel
