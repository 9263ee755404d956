#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The ten tables are fixed in the program, and this catalog is the one place
// that says how they differ: numbers, captions, the layout of their rows,
// their printed titles, their summaries. Code elsewhere asks the catalog and
// never compares table codes. Every function takes a table code compared
// exactly ("ZR5N", never "zr5n"); a code that is not in the catalog yields 0
// or the empty text and never fails.

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

/// A heading or spacer row set between the data rows of a grid: its place
/// among the layout rows (1-based, data and heading rows counted together)
/// and its caption, "" for a spacer.
struct HeadingRow {
    int Row;
    std::string_view Caption;
};

/// The rows of a grid below its column titles: data rows, with heading and
/// spacer rows set between them. Every row that is not a heading (also one
/// below 1 or past the last heading) is a data row.
class RowLayout {
public:
    constexpr RowLayout() = default;
    constexpr explicit RowLayout(std::span<const HeadingRow> headings)
        : m_headings(headings)
    {
    }

    /// The caption of layout row `row`: a heading's text, "" for a spacer,
    /// or "X" for a data row.
    std::string Caption(int row) const;
    /// The data line (1-based) that layout row `row` holds; 0 for a heading
    /// or spacer and for a row below 1.
    int DataLine(int row) const;
    int HeadingCount() const { return static_cast<int>(m_headings.size()); }

private:
    const HeadingRow *Find(int row) const;

    std::span<const HeadingRow> m_headings;
};

/// The layout of table code's grid; no headings for a code not in the catalog.
RowLayout TableRowLayout(std::string_view code);
/// One row per area in area-number order, as the area list groups them:
/// area 1, a spacer, the 51 states, a spacer, the regions heading, the 8
/// regions. The grid of a table whose lines are the areas (ZR1) lays out
/// so, and so does the one-line view, whose rows are the areas.
RowLayout AreaRowLayout();

/// TableRowLayout(code).Caption(row).
std::string HeadingCaption(int row, std::string_view code);

/// The title line of the table's printed pages; "" for a table printed
/// without title lines (ZR5H, ZR7H).
std::string_view PrintTitle(std::string_view code);
/// The unit of the table's values as its printed pages state it ("Millions
/// of dollars, seasonally adjusted at annual rates", printed in brackets
/// under the title); "" for a table printed without title lines.
std::string_view ValueUnit(std::string_view code);
/// The unit of one data line's values: the one its title names in brackets
/// when that is not the table's ("Population (persons)": "persons", "Per
/// capita personal income (dollars)": "dollars"), else ValueUnit(code);
/// "" when neither names one.
std::string_view LineUnit(std::string_view code, std::string_view title);
/// The table whose summary (its code + ".doc") the table's summary command
/// shows: the table's own, but ZR5's for ZR1. "" for a code not in the catalog.
std::string_view SummaryTable(std::string_view code);
/// What a table whose lines are the areas names in place of an area (its
/// window caption, export area column and chart legends): "Personal Income"
/// for ZR1; "" for the other tables.
std::string_view WholeTableCaption(std::string_view code);

/// The export header's names of the line-title and area-name columns.
struct ExportColumnNames {
    std::string_view LineTitle;
    std::string_view AreaName;
};
/// "Line Title" and "State Name"; exchanged for a table whose lines are the
/// areas, where the line titles are the areas' names.
ExportColumnNames ExportColumnHeadings(std::string_view code);

/// The table whose quarter ranges fill the quarter list at start-up, before
/// the first series is chosen and fills it for its own table (ZR1).
std::string_view StartupQuarterTable();

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

} // namespace tarvel
