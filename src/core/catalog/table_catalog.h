#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The ten tables are fixed in the program. Every function takes a table code
// compared exactly ("ZR5N", never "zr5n"); a code that is not in the catalog
// yields 0 or the empty text and never fails.

/// How a table's data file lays out its records.
enum class TableShape {
    AreaBlocks, ///< a block of LineCount records for each area, one per data line
    AreaRows,   ///< one record per area: the 60 areas are the table's lines (ZR1)
};

/// The ten codes in the order of the series groups ("ZR4", "ZR1", "ZR5N", ...).
const std::vector<std::string> &TableCodes();

/// The table's record layout; AreaBlocks for a code not in the catalog.
TableShape ShapeOf(std::string_view code);

int FirstYear(std::string_view code);
int LastYear(std::string_view code);
/// Quarters held by the table; quarter 1 is the first quarter of FirstYear.
int QuarterCount(std::string_view code);
/// Data lines per area (for ZR1 the 60 areas themselves).
int LineCount(std::string_view code);
/// Number of heading and spacer rows inserted between the data lines.
int HeadingRowCount(std::string_view code);
/// Layout rows of a displayed table: LineCount + HeadingRowCount (the
/// column-title row not counted).
int LayoutRowCount(std::string_view code);

/// Caption of the heading row at display position row (1-based, data and
/// heading rows counted together), "" for a spacer, or "X" for a data row.
/// Also accepts "SHAZAM", which lays out one row per area like ZR1.
std::string HeadingCaption(int row, std::string_view code);

/// "SIC series 1958-2001" and the like; empty for a code not in the catalog.
std::string SeriesCaption(std::string_view code);
/// Caption of the table's option button: "ZR5N NAICS (1990-2008)".
std::string TableOptionCaption(std::string_view code);

/// "YYYY.Q" of quarter k (1-based) of the table; "" for a code not in the catalog.
std::string QuarterLabel(int k, std::string_view code);
/// Quarter number of a "YYYY.Q" label within the table (inverse of QuarterLabel).
/// Text that is not a label yields a number outside 1..QuarterCount; a code
/// not in the catalog yields 0.
int QuarterIndex(std::string_view label, std::string_view code);
/// How a screen reader should say a "YYYY.Q" label: "2007 quarter 3".
/// Empty for any other text (a label is four digits, a point, 1 to 4).
std::string SpokenQuarterLabel(std::string_view label);

/// The four series groups: option-button caption and tables offered, in order.
constexpr int SeriesGroupCount = 4;
std::string SeriesGroupCaption(int series);
std::vector<std::string> SeriesGroupTables(int series);

/// The table code of an option caption or window caption: the text before the
/// first blank.
std::string CodeFromCaption(std::string_view caption);

} // namespace tarvel
