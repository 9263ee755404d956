#pragma once

#include "core/views/figure.h"
#include "core/views/units.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// What a row of a table shows: a line (or an area) with its values, a
/// heading, or the empty half-height row between groups.
enum class RowKind : std::uint8_t { Data, Heading, Spacer };

/// One row of a table below the quarter labels.
struct ModelRow {
    RowKind Kind = RowKind::Spacer;
    /// A data row's line number (1..LineCount), or for a row of areas its
    /// area number (1..60); 0 for a heading or a spacer.
    int Code = 0;
    std::string Title; ///< the row's title as the grid shows it
    /// The unit of a data row's values (LineUnit; the table's own for a
    /// row of areas); "" when none is stated.
    std::string Unit;
    std::vector<Figure> Figures; ///< a data row's values, one per quarter column
    /// A data row's record as read, its line end removed: the listings
    /// write each value as it stands there ("1E+15", "330226.7"), which a
    /// double does not give back.
    std::string Record;
};

/// A table as its values: what a grid shows, as numbers with their states.
/// Rows[r - 1] is grid row r (row 0 holds the quarter labels).
struct TableModel {
    std::string Code;          ///< the table ("ZR5N")
    int Area = 0;              ///< the area of a table view; 0 for rows of areas
    int Line = 0;              ///< a one-line view's line; else 0
    std::vector<int> Quarters; ///< quarter numbers in column order
    bool Unsuppressed = false; ///< withheld values were read with their numbers
    std::vector<ModelRow> Rows;
    /// What the figures are: the published values, or figures computed
    /// from them (computed_view.h).
    Units Unit = Units::Level;
    /// Index: the table quarter that is 100.
    int BaseQuarter = 0;
    /// Annual averages: the year of each column. Quarters then holds the
    /// quarters the averages were asked for, not one per column.
    std::vector<int> Years;
};

/// The cell text of a figure, as a table view shows it: "(D)" or "(N)"
/// for a withheld value, else the value rounded to a whole number and
/// grouped ("1,234,567"; a blank field "0"), followed by " *" when the
/// record withholds it.
std::string FigureText(const Figure &figure);

/// The figure of a value field as stored with its flag: Withheld (the
/// number kept when the text holds one), Blank for a field without a
/// digit, else Published, or Confidential for a withheld value read
/// unsuppressed.
Figure ReadFigure(std::string_view valueText, char flag, bool unsuppressed);

} // namespace tarvel
