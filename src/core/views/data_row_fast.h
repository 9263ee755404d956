#pragma once

#include "core/views/grid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The quick ways of writing a table view's data cells (data_row_fast.cpp).
// Each gives exactly the cells the plain reading of table_view_builder.cpp
// gives (DataCellText for each value of the record split into fields), or
// leaves the value or row to it. A plain build (TARVEL_PLAIN_CODE) has none:
// the stubs below leave everything to the plain reading.
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)
/// The cell text of a shown value (withheld: followed by " *") when its
/// text is of a usual shape; nullopt for any other value text.
std::optional<std::string> ShownValueText(std::string_view valueText, bool withheld);

/// Fills the data cells of row from a record whose field count was
/// checked (record: its R bytes as read, with its line end): quarters in
/// column order, columnOf[k] the column of quarter k (0 when not shown;
/// QuarterCount + 1 entries), each cell with its own alignment, and when
/// figures is given, figures[column - 1] to the value of each cell's
/// column (ReadFigure's). The first quarter in column order whose value is
/// shown and is not a number, or 0.
std::optional<int> FillCheckedRow(Grid &grid, int row, std::string_view record, const std::vector<int> &quarters,
                                  const std::vector<int> &columnOf, bool unsuppressed, CellAlignment alignment,
                                  Figure *figures = nullptr);
#else
inline std::optional<std::string> ShownValueText(std::string_view, bool)
{
    return std::nullopt;
}

inline std::optional<int> FillCheckedRow(Grid &, int, std::string_view, const std::vector<int> &,
                                         const std::vector<int> &, bool, CellAlignment, Figure * = nullptr)
{
    return std::nullopt;
}
#endif

} // namespace tarvel::fast
