#pragma once

#include "core/catalog/data_files.h"
#include "core/catalog/failure.h"
#include "core/views/grid.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

/// Text of one data cell. A withheld value (flag not '0', a blank for a
/// missing flag included) shows "(D)" for flag '1' and "(N)" otherwise; in
/// unsuppressed mode it shows the value followed by " *". A published value
/// shows as "#,###,##0". nullopt when the value is shown and its text is
/// not a number (IsValueNumber): the record is damaged.
std::optional<std::string> DataCellText(std::string_view valueText, char flag, bool unsuppressed);

/// value rounded half away from zero as "#,###,##0": "1,234,567", "-2,500",
/// "0" (never "-0"). A value that is no finite number shows "(N)".
std::string WholeNumberText(double value);

/// Quarter numbers in column order: the quarters flagged in selected (index
/// 1..quarterCount, index 0 unused, entries past its end unflagged), oldest
/// first, or newest first when reverse.
std::vector<int> QuarterColumnOrder(const std::vector<std::uint8_t> &selected, int quarterCount, bool reverse);

/// Sets cells (row, 1..) of grid to the texts of record, read from data at
/// position, for the quarters in column order. Damaged, naming the file and
/// the record's byte position, when the record holds no value field for a
/// shown quarter; data's ValueNotANumber when a shown value is not a number.
/// When figures is given, figures[c - 1] is set to column c's value.
std::optional<Failure> FillDataRow(Grid &grid, int row, const DataRecord &record, const std::vector<int> &quarters,
                                   bool unsuppressed, const TableDataFile &data, std::int64_t position,
                                   Figure *figures = nullptr);

/// What a table view shows; the main window fills it from its state.
struct TableViewRequest {
    DataPaths Paths;
    std::string Code;                        ///< a code of the catalog
    int CurrentArea = 0;                     ///< 1..60; not used for ZR1
    std::vector<std::uint8_t> QuarterSelected; ///< index 1..QuarterCount; non-zero = shown
    bool Reverse = false;                    ///< newest quarter first
    bool PrintAllMode = false;               ///< kind PrintAll instead of TableView
    /// The grid gets its model (Grid::Model); one that is only printed
    /// and let go needs none.
    bool WithModel = true;
};

/// The window caption: code + " " + series caption + " ~ " + the area's
/// name and [code] from the area list ("Personal Income" for ZR1, which
/// reads no file). A failure names the area list; Usage for a code not in
/// the catalog or an area outside 1..60.
Result<std::string> TableViewCaption(const TableViewRequest &request);

/// The whole table-view grid of one area, with caption and tag. Each data
/// record is read once at its position and the line titles once; its cells
/// are written by the quick row fillers of data_row_fast.h where built, else
/// by FillDataRow's reading. Any file that cannot be read or is too short
/// for the layout gives its Failure and no grid.
Result<Grid> BuildTableView(const TableViewRequest &request);

/// What the table views of one table share from area to area: the open data
/// file, the line titles and the area list, each read at the first view that
/// needs it. Print-all builds every area's view with one, so nothing is read
/// twice. Holds no failure: a file that cannot be read is tried again.
struct TableViewFiles {
    std::string Code; ///< the table they belong to; another table starts afresh
    std::optional<TableDataFile> Data;
    std::optional<std::vector<std::string>> Titles;
    std::optional<std::vector<AreaRecord>> Areas;
};

/// BuildTableView with the files kept in files between calls; the same grid
/// and the same failures.
Result<Grid> BuildTableView(const TableViewRequest &request, TableViewFiles &files);

/// Column widths for a window: per column, the widest of its cells (row 0
/// included) as textWidth measures them, plus textWidth("0"). The unit is
/// whatever textWidth returns.
std::vector<double> ColumnWidths(const Grid &grid, const std::function<double(std::string_view)> &textWidth);

} // namespace tarvel
