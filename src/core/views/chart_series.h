#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/views/grid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

/// A chart compares at most this many lines (or areas) at once.
constexpr int MaxChartSeries = 12;

/// One quarter of a chart line.
struct ChartPoint {
    int Quarter = 0;             ///< 1..QuarterCount of the table
    std::string Label;           ///< "YYYY.Q"
    std::optional<double> Value; ///< the value as published; nullopt is a gap
    std::string CellText;        ///< the text the grid shows for this cell
    bool Withheld = false;       ///< the flag is not '0' (shown only in unsuppressed mode)
};

/// One line of a chart: one data line of one area.
struct ChartSeries {
    int Area = 0;           ///< 1..60
    int Line = 0;           ///< 1..LineCount (for ZR1 the area number)
    std::string LineTitle;  ///< surrounding blanks removed
    std::string AreaName;   ///< surrounding blanks removed; for ZR1 "Personal Income"
    /// The legend text: the line title for lines of one area (and for ZR1),
    /// the area name for areas of one line, else both.
    std::string Name;
    std::vector<ChartPoint> Points; ///< oldest quarter first
};

/// Everything a chart window draws, read from the data files.
struct ChartData {
    std::string Code;
    std::string Title;   ///< the source window's caption
    std::string Caption; ///< the chart window's caption
    /// The unit of the values ("Millions of dollars, ...", "Persons"), the
    /// same for every line; empty when the catalog knows none.
    std::string Unit;
    bool Unsuppressed = false;
    /// False for figures that fall below zero in the normal course (a
    /// change, a percent change): a logarithmic value axis cannot show them.
    bool LogScaleAllowed = true;
    std::vector<std::string> Labels; ///< the quarter labels (the years of annual averages), oldest first
    std::vector<ChartSeries> Series;

    /// True when some point shows a withheld value (unsuppressed mode only).
    bool HasWithheldPoints() const;
};

/// One line of one area to chart.
struct ChartLineRef {
    int Area = 0; ///< 1..60; for ZR1 the area whose line it is
    int Line = 0; ///< 1..LineCount; for ZR1 the same as Area
};

struct ChartRequest {
    DataPaths Paths;
    std::string Code;
    std::vector<ChartLineRef> Lines;
    /// Index 1..QuarterCount, index 0 unused; non-zero = charted.
    std::vector<std::uint8_t> QuarterShown;
    std::string SourceCaption;
};

/// The caption of a chart window: source + " - chart", and " UNSUPPRESSED"
/// after it in unsuppressed mode.
std::string ChartCaption(const std::string &sourceCaption, bool unsuppressed);

/// True when a value field holds a number (blanks, then an optional sign,
/// then a digit, or a point and a digit). A blank field is a gap.
bool HoldsNumber(std::string_view valueText);

/// Reads every requested line once at its record position and makes one
/// series per line, its points in quarter order whatever order the source
/// showed. A withheld cell is a gap unless the mode is unsuppressed, a
/// field of blanks is a gap, never a zero. Usage for a code not in the
/// catalog, no line, a line or area out of range or no quarter; a file
/// that cannot be read or is too short gives its Failure, and a value
/// charted that is not a number (IsValueNumber) makes the record damaged.
/// Lines of different units are a usage failure.
Result<ChartData> BuildChart(const ChartRequest &request);

/// Why the chart command will not chart a window's selection.
enum class ChartProblem { None, NotChartable, HeadingRow, TooMany, NoQuarters, MixedUnits };

struct ChartSelection {
    ChartProblem Problem = ChartProblem::None;
    int Count = 0;         ///< lines or areas selected
    bool OneLine = false;  ///< the source is a one-line view
    bool Areas = false;    ///< the rows chosen are areas (a one-line view or ZR1)
    std::vector<std::string> Units; ///< MixedUnits: the units of the lines, first seen first
    ChartRequest Request;  ///< filled when Problem is None
};

/// The order of a chart's lines: the table's (areas in area order, lines
/// in line order), or the order the rows are given in (a ranked window's).
enum class SeriesOrder { TableOrder, AsGiven };

/// The chart of a display window's grid for its selected grid rows
/// (1-based, any order, repeats ignored). A table view charts those of its
/// lines for its area (ZR1: its areas), a one-line view its line for those
/// areas; heading and spacer rows are skipped. Usage problems are values,
/// not failures: HeadingRow when no chosen row holds numbers, TooMany above
/// MaxChartSeries, NoQuarters for a grid without quarter columns,
/// MixedUnits for lines of different units (LineUnit of their titles: one
/// value axis cannot measure persons and dollars) and NotChartable for a
/// grid no builder made.
ChartSelection ChartFromGrid(const Grid &grid, const std::vector<int> &rows, const DataPaths &paths,
                             SeriesOrder order = SeriesOrder::TableOrder);

struct ChartMessage {
    std::string Title;
    std::string Text;
};
/// The information message for a problem; nullopt for None.
std::optional<ChartMessage> ChartProblemMessage(const ChartSelection &selection);

/// The points a chart draws as CSV text, CR LF after each row: a header
/// row ("Quarter", then each series' name, quoted, a quote inside doubled),
/// then one row per quarter, oldest first: its label, quoted, and each
/// series' value as a plain number (no group commas, all the digits the
/// value was published with) or nothing where the line has a gap. Only the
/// series whose entry in shown is true are written; a series beyond the
/// end of shown is written.
std::string ChartCsvText(const ChartData &chart, const std::vector<bool> &shown);

} // namespace tarvel
