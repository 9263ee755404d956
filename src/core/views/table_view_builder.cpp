#include "core/views/table_view_builder.h"

#include "core/catalog/table_catalog.h"
#include "core/views/cell_text.h"
#include "core/views/data_row_fast.h"
#include "core/views/table_model.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace tarvel {

namespace {

const std::string WholeItemCaption = "     Item";

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

std::string_view WithoutLineEnd(std::string_view record)
{
    while (!record.empty() && (record.back() == '\n' || record.back() == '\r'))
        record.remove_suffix(1);
    return record;
}

std::string_view WithheldText(char flag)
{
    return flag == '1' ? "(D)" : "(N)";
}

// The data cells (columns 1..) of row from a record's fields, one per
// quarter in column order, each with its own alignment: each cell the text
// of the value's figure (FigureText), as a grid rendered from the model
// shows it.
template <typename Record>
std::optional<Failure> FillRow(Grid &grid, int row, const Record &record, const std::vector<int> &quarters,
                               bool unsuppressed, const TableDataFile &data, std::int64_t position,
                               CellAlignment alignment, Figure *figures)
{
    // Fields 0-4 lead, the flag string ends the record: quarter k's value
    // is field k + 4 and must stand before the flags.
    const int valueFields = static_cast<int>(record.fields.size()) - 6;
    int column = 1;
    for (const int k : quarters) {
        if (k > valueFields) {
            return Failure::Damaged(data.Path(), "the record at byte " + std::to_string(position) + " holds "
                                                     + std::to_string(std::max(valueFields, 0))
                                                     + " quarter values, quarter " + std::to_string(k) + " is asked");
        }
        // The cell shows its figure's text: a value shown must be a number.
        // A string for a record of strings, a view into a record view.
        const auto valueText = record.ValueText(k);
        const Figure figure = ReadFigure(valueText, record.Flag(k), unsuppressed);
        if (!figure.IsWithheld() && !IsValueNumber(valueText))
            return data.ValueNotANumber(position, k);
        grid.SetCell(row, column, FigureText(figure));
        grid.SetCellAlignment(row, column, alignment);
        if (figures)
            figures[column - 1] = figure;
        ++column;
    }
    return std::nullopt;
}

} // namespace

std::string WholeNumberText(double value)
{
    return FormatWholeNumber(value);
}

std::optional<std::string> DataCellText(std::string_view valueText, char flag, bool unsuppressed)
{
    const bool withheld = flag != '0';
    if (withheld && !unsuppressed)
        return std::string(WithheldText(flag));
    if (std::optional<std::string> quick = fast::ShownValueText(valueText, withheld))
        return quick;
    if (!IsValueNumber(valueText))
        return std::nullopt;
    std::string text = WholeNumberText(ReadLeadingNumber(valueText));
    if (withheld)
        text += " *";
    return text;
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

std::optional<Failure> FillDataRow(Grid &grid, int row, const DataRecord &record, const std::vector<int> &quarters,
                                   bool unsuppressed, const TableDataFile &data, std::int64_t position,
                                   Figure *figures)
{
    return FillRow(grid, row, record, quarters, unsuppressed, data, position, CellAlignment::Default, figures);
}

Result<std::string> TableViewCaption(const TableViewRequest &request)
{
    const std::string &code = request.Code;
    if (LineCount(code) == 0)
        return UsageFailure("the table " + code + " is not in the catalog");
    const std::string lead = code + " " + SeriesCaption(code) + " ~ ";
    if (ShapeOf(code) == TableShape::AreaRows)
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
    const bool areaRows = ShapeOf(code) == TableShape::AreaRows;
    if (!areaRows && LineCount(code) != 0 && request.CurrentArea >= 1 && request.CurrentArea <= AreaCount) {
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
    grid.Code = code;
    grid.Caption = std::move(*caption);
    grid.Tag = request.PrintAllMode ? ChildKind::PrintAll : ChildKind::TableView;
    grid.Area = areaRows ? 0 : request.CurrentArea;
    std::shared_ptr<TableModel> model;
    if (request.WithModel) {
        model = std::make_shared<TableModel>();
        model->Code = code;
        model->Area = grid.Area;
        model->Quarters = quarters;
        model->Unsuppressed = request.Paths.Unsuppressed;
        model->Rows.resize(static_cast<std::size_t>(rows - 1));
    }
    grid.SetColumnAlignment(0, CellAlignment::LeftTop);
    grid.SetCell(0, 0, WholeItemCaption);
    for (int c = 1; c < columns; ++c)
        grid.SetCell(0, c, QuarterLabel(quarters[static_cast<std::size_t>(c - 1)], code));
    grid.SetRowAlignment(0, 1, CellAlignment::RightCenter);

    // The record read (a view into the data file's block, or into bytes)
    // and its fields keep their storage from line to line. The read checks
    // that each record holds QuarterCount + 6 fields.
    std::string bytes;
    DataRecordView record;
    std::vector<int> columnOf(static_cast<std::size_t>(std::max(QuarterCount(code), 0)) + 1, 0);
    for (std::size_t c = 0; c < quarters.size(); ++c)
        columnOf[static_cast<std::size_t>(quarters[c])] = static_cast<int>(c) + 1;
    int line = 0;
    for (int r = 1; r < rows; ++r) {
        std::string title = HeadingCaption(r, code);
        ModelRow *const modelRow = model ? &model->Rows[static_cast<std::size_t>(r - 1)] : nullptr;
        if (title == "X") {
            ++line;
            if (line > static_cast<int>(titles->size()))
                return Failure::Damaged(LineTitleFileName(request.Paths, code), "it holds too few line titles");
            title = (*titles)[static_cast<std::size_t>(line - 1)];
            const std::int64_t position = areaRows ? data->Position(1, line) : data->Position(request.CurrentArea, line);
            std::string_view bytesRead;
            if (std::optional<Failure> failure = data->ReadRecordView(position, bytes, bytesRead))
                return std::move(*failure);
            Figure *figures = nullptr;
            if (modelRow) {
                modelRow->Kind = RowKind::Data;
                modelRow->Code = line;
                modelRow->Unit = areaRows ? ValueUnit(code) : LineUnit(code, title);
                modelRow->Figures.resize(quarters.size());
                modelRow->Record = WithoutLineEnd(bytesRead);
                figures = modelRow->Figures.data();
            }
            if (const std::optional<int> k = fast::FillCheckedRow(grid, r, bytesRead, quarters, columnOf,
                                                                  request.Paths.Unsuppressed, CellAlignment::RightCenter,
                                                                  figures)) {
                if (*k != 0)
                    return data->ValueNotANumber(position, *k);
            } else {
                record.Split(bytesRead);
                if (std::optional<Failure> damaged = FillRow(grid, r, record, quarters, request.Paths.Unsuppressed,
                                                             *data, position, CellAlignment::RightCenter, figures))
                    return *damaged;
            }
        } else if (modelRow) {
            modelRow->Kind = title.empty() ? RowKind::Spacer : RowKind::Heading;
        }
        grid.SetHalfHeight(r, title.empty());
        grid.SetCell(r, 0, title);
        if (modelRow)
            modelRow->Title = std::move(title);
    }
    grid.Model = std::move(model);
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

} // namespace tarvel
