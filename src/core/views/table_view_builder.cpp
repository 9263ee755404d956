#include "core/views/table_view_builder.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/cell_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tarvel {

namespace {

const std::string WholeItemCaption = "     Item";

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

} // namespace

std::string WholeNumberText(double value)
{
    return FormatWholeNumber(value);
}

std::string DataCellText(std::string_view valueText, char flag, bool unsuppressed)
{
    return FormatDataCell(valueText, flag, unsuppressed);
}

std::vector<int> QuarterColumnOrder(const std::vector<std::uint8_t> &selected, int quarterCount, bool reverse)
{
    std::vector<int> order;
    const int last = std::min<int>(quarterCount, static_cast<int>(selected.size()) - 1);
    for (int k = 1; k <= last; ++k) {
        if (selected[static_cast<std::size_t>(k)] != 0)
            order.push_back(k);
    }
    if (reverse)
        std::reverse(order.begin(), order.end());
    return order;
}

namespace {

template <typename Record>
std::optional<Failure> FillRow(Grid &grid, int row, const Record &record, const std::vector<int> &quarters,
                               bool unsuppressed, const std::string &path, std::int64_t position)
{
    // Fields 0-4 lead, the flag string ends the record: quarter k's value
    // is field k + 4 and must stand before the flags.
    const int valueFields = static_cast<int>(record.fields.size()) - 6;
    int column = 1;
    for (const int k : quarters) {
        if (k > valueFields) {
            return Failure::Damaged(path, "the record at byte " + std::to_string(position) + " holds "
                                              + std::to_string(std::max(valueFields, 0))
                                              + " quarter values, quarter " + std::to_string(k) + " is asked");
        }
        grid.SetCell(row, column++, DataCellText(record.ValueText(k), record.Flag(k), unsuppressed));
    }
    return std::nullopt;
}

} // namespace

std::optional<Failure> FillDataRow(Grid &grid, int row, const DataRecord &record, const std::vector<int> &quarters,
                                   bool unsuppressed, const std::string &path, std::int64_t position)
{
    return FillRow(grid, row, record, quarters, unsuppressed, path, position);
}

std::optional<Failure> FillDataRow(Grid &grid, int row, const DataRecordView &record,
                                   const std::vector<int> &quarters, bool unsuppressed, const std::string &path,
                                   std::int64_t position)
{
    return FillRow(grid, row, record, quarters, unsuppressed, path, position);
}

Result<std::string> TableViewCaption(const TableViewRequest &request)
{
    const std::string &code = request.Code;
    if (LineCount(code) == 0)
        return UsageFailure("the table " + code + " is not in the catalog");
    const std::string lead = code + " " + SeriesCaption(code) + " ~ ";
    if (code == "ZR1")
        return lead + "Personal Income";
    if (request.CurrentArea < 1 || request.CurrentArea > AreaCount)
        return UsageFailure("area " + std::to_string(request.CurrentArea) + " is not an area number (1-60)");
    Result<AreaRecord> area = ReadAreaRecord(AreaListFileName(request.Paths), request.CurrentArea);
    if (!area)
        return area.Error();
    return lead + Trim(area->name) + " [" + area->code + "]";
}

Result<Grid> BuildTableView(const TableViewRequest &request)
{
    TableViewFiles files;
    return BuildTableView(request, files);
}

Result<Grid> BuildTableView(const TableViewRequest &request, TableViewFiles &files)
{
    const std::string &code = request.Code;
    if (files.Code != code)
        files = TableViewFiles{code, std::nullopt, std::nullopt, std::nullopt};

    // The caption: from the area list read once; a list that cannot be read
    // whole is read record by record, for the same failure as alone.
    Result<std::string> caption = std::string();
    if (code != "ZR1" && LineCount(code) != 0 && request.CurrentArea >= 1 && request.CurrentArea <= AreaCount) {
        if (!files.Areas) {
            Result<std::vector<AreaRecord>> list = ReadAreaList(AreaListFileName(request.Paths));
            if (list)
                files.Areas = std::move(*list);
        }
        if (files.Areas) {
            const AreaRecord &area = (*files.Areas)[static_cast<std::size_t>(request.CurrentArea - 1)];
            caption = code + " " + SeriesCaption(code) + " ~ " + Trim(area.name) + " [" + area.code + "]";
        } else {
            caption = TableViewCaption(request);
        }
    } else {
        caption = TableViewCaption(request);
    }
    if (!caption)
        return caption.Error();

    const bool zr1 = code == "ZR1";
    if (!files.Data) {
        Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(request.Paths, code), code);
        if (!data)
            return data.Error();
        files.Data = std::move(*data);
    }
    if (!files.Titles) {
        Result<std::vector<std::string>> titles = ReadLineTitles(LineTitleFileName(request.Paths, code), code);
        if (!titles)
            return titles.Error();
        files.Titles = std::move(*titles);
    }
    TableDataFile *const data = &*files.Data;
    const std::vector<std::string> *const titles = &*files.Titles;

    const std::vector<int> quarters = QuarterColumnOrder(request.QuarterSelected, QuarterCount(code), request.Reverse);
    const int rows = 1 + LayoutRowCount(code);
    const int columns = 1 + static_cast<int>(quarters.size());

    Grid grid(rows, columns);
    grid.Caption = std::move(*caption);
    grid.Tag = request.PrintAllMode ? "PrintAll" : "";
    grid.Area = zr1 ? 0 : request.CurrentArea;
    grid.SetColumnAlignment(0, CellAlignment::LeftTop);
    grid.SetCell(0, 0, WholeItemCaption);
    for (int c = 1; c < columns; ++c) {
        grid.SetCell(0, c, QuarterLabel(quarters[static_cast<std::size_t>(c - 1)], code));
        grid.SetCellAlignment(0, c, CellAlignment::RightCenter);
    }

    // The record read and its fields keep their storage from line to line.
    std::string bytes;
    DataRecordView record;
    int line = 0;
    for (int r = 1; r < rows; ++r) {
        std::string title = HeadingCaption(r, code);
        if (title == "X") {
            ++line;
            if (line > static_cast<int>(titles->size()))
                return Failure::Damaged(LineTitleFileName(request.Paths, code), "it holds too few line titles");
            title = (*titles)[static_cast<std::size_t>(line - 1)];
            const std::int64_t position = zr1 ? data->Position(1, line) : data->Position(request.CurrentArea, line);
            if (std::optional<Failure> failure = data->ReadBytesInto(position, bytes))
                return std::move(*failure);
            record.Split(bytes);
            if (std::optional<Failure> damaged = FillDataRow(grid, r, record, quarters, request.Paths.Unsuppressed,
                                                             data->Path(), position))
                return *damaged;
            for (int c = 1; c < columns; ++c)
                grid.SetCellAlignment(r, c, CellAlignment::RightCenter);
        }
        grid.SetHalfHeight(r, title.empty());
        grid.SetCell(r, 0, std::move(title));
    }
    return grid;
}

std::vector<double> ColumnWidths(const Grid &grid, const std::function<double(std::string_view)> &textWidth)
{
    std::vector<double> widths(static_cast<std::size_t>(grid.Columns()), 0.0);
    if (!textWidth)
        return widths;
    const double zero = textWidth("0");
    for (int c = 0; c < grid.Columns(); ++c) {
        double widest = 0.0;
        for (int r = 0; r < grid.Rows(); ++r)
            widest = std::max(widest, textWidth(grid.Cell(r, c)));
        widths[static_cast<std::size_t>(c)] = widest + zero;
    }
    return widths;
}

std::vector<std::string> WidestCellTexts(const Grid &grid)
{
    std::vector<std::string> widest(static_cast<std::size_t>(grid.Columns()));
    for (int c = 0; c < grid.Columns(); ++c) {
        for (int r = 0; r < grid.Rows(); ++r) {
            const std::string &text = grid.Cell(r, c);
            if (text.size() > widest[static_cast<std::size_t>(c)].size())
                widest[static_cast<std::size_t>(c)] = text;
        }
    }
    return widest;
}

} // namespace tarvel
