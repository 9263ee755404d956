#pragma once

#include "core/catalog/data_paths.h"
#include "core/catalog/failure.h"
#include "core/views/grid.h"

#include <iosfwd>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The tables and lists of tarvel-batch as scripts read them: CSV (one
// header record, then one record per row) and JSON (one object). Both are
// UTF-8 (the data's Latin-1 letters converted) with LF line ends. Text
// fields are quoted in CSV and strings in JSON; numbers stand bare. A
// grid's values are the numbers as stored, written as the comma export
// writes them ("330226.7", "1E+15", ".001"; in JSON "0.001"), not the
// grid's rounding of them.

/// The forms tarvel-batch writes its listings in: its `--format` words.
enum class ListingFormat { Text, Csv, Json };
/// The format of a word ("csv", exact); nullopt for another word.
std::optional<ListingFormat> ListingFormatNamed(std::string_view name);
/// The words in order, joined by separator: "text|csv|json".
std::string ListingFormatNames(std::string_view separator);

/// A field of a listing record: a text, or a number given as its digits
/// (an empty number is written as an empty CSV field and a JSON null).
struct ScriptField {
    std::string Text;
    bool Number = false;

    static ScriptField Of(std::string text) { return {std::move(text), false}; }
    static ScriptField Num(std::string digits) { return {std::move(digits), true}; }
    static ScriptField Num(long long value) { return {std::to_string(value), true}; }
    static ScriptField Null() { return {std::string(), true}; }
};

/// A listing: its column names and records (each as many fields as names).
struct ScriptList {
    std::vector<std::string> Names;
    std::vector<std::vector<ScriptField>> Records;
};

/// One line per entry, its fields as they stand joined by tabs, no header.
std::string ListText(const ScriptList &list);
/// The header record and one record per entry, each ending in LF.
std::string ListCsv(const ScriptList &list);
/// {"<name>": [{column: field, ...}, ...]}, after the members given in
/// leading (each a name and a field), on lines of their own.
std::string ListJson(std::string_view name, const ScriptList &list,
                     const std::vector<std::pair<std::string, ScriptField>> &leading = {});
/// The listing in format: ListText, ListCsv or ListJson (with name and leading).
std::string ListIn(ListingFormat format, std::string_view name, const ScriptList &list,
                   const std::vector<std::pair<std::string, ScriptField>> &leading = {});

/// A data row of a display grid as scripts read it.
struct ScriptRow {
    int GridRow = 0;
    std::string Code;  ///< the line code ("0010"), or for an area row the area code ("01")
    /// The row's title as the grid shows it, trailing blanks removed: the
    /// leading blanks of a sub-line ("  Farm proprietors' income") stay.
    std::string Title;
    /// Per data column (in column order) the value's flag: '0' a published
    /// value, '1' withheld (shown "(D)"), any other withheld (shown "(N)").
    std::string Flags;
    /// Per data column the value as stored, as the comma export writes it
    /// (AppendValueNumber); "" where the grid shows no number (withheld).
    std::vector<std::string> Values;
    /// The unit of the row's values (LineUnit); "" when none is stated.
    std::string Unit;
};

/// The data rows of a grid built from paths' data (a table view, a one-line
/// view or the table whose lines are the areas), in grid order, with their
/// codes, flags and values read again from the data file (and the area
/// list for area rows, the line titles for a one-line view's unit). Usage
/// for a grid of no known table; a file that cannot be read, or a shown
/// value that is not a number, gives its Failure.
Result<std::vector<ScriptRow>> ReadScriptRows(const DataPaths &paths, const Grid &grid);

/// The same rows from the grid's model, the data file not read again (the
/// area list is, for area rows' codes). A model of computed figures
/// (computed_view.h) gives each figure as the grid rounds it, without group
/// commas ("-0.4", "1234"), "" for a withheld one with its flag. Usage for a
/// grid without a model of a known table; an area list that cannot be read
/// gives its Failure.
Result<std::vector<ScriptRow>> ModelScriptRows(const DataPaths &paths, const Grid &grid);

/// rows (in grid order) in the order a sorted grid shows them: shownOrder[r]
/// is the grid row shown at row r (AreaRowOrder); each row taken along
/// gets its shown row as GridRow.
std::vector<ScriptRow> InShownOrder(const std::vector<ScriptRow> &rows, const std::vector<int> &shownOrder);

/// What stands above the rows of a grid's listing besides its caption.
struct ScriptGridInfo {
    std::string TableCode;
    std::string SortQuarter; ///< the quarter the rows are sorted by; "" in area or line order
    bool HighestFirst = true;
};

/// The grid as CSV: "code","title", the quarter labels, "flags" and "unit";
/// then per row its code, title, each value as stored (empty when the cell
/// shows none), its flags, one character per quarter column: "." for a
/// published value, "D" or "N" for a withheld one (whose value stands only
/// in unsuppressed mode), and its unit (empty when none is stated). A grid
/// of computed figures adds a last column "units": their UnitsLabel.
std::string GridCsv(const Grid &grid, const std::vector<ScriptRow> &rows);
/// The grid as a JSON object: table, caption, unit (the table's; null when
/// the catalog names none), sorted (null, or the quarter and "highest
/// first"/"lowest first"), quarters, and rows of {code, title, unit,
/// values, reasons}: the row's unit or null, values as stored or null,
/// reasons null for a published value, "D" or "N" for a withheld one
/// (beside its value in unsuppressed mode). A grid of computed figures has
/// a member units ({name, label}) before unit, which is then the figures'
/// (ComputedRowUnit of the table's).
std::string GridJson(const Grid &grid, const std::vector<ScriptRow> &rows, const ScriptGridInfo &info);
/// The same written to stream a row at a time (a listing can be long).
void WriteGridJson(std::ostream &stream, const Grid &grid, const std::vector<ScriptRow> &rows,
                   const ScriptGridInfo &info);

/// The number a data cell shows, as digits without group commas ("-2500");
/// "" for a cell that shows no number ("(D)", "(N)", empty).
std::string PlainNumber(std::string_view cellText);

} // namespace tarvel
