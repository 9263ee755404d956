#include "core/views/table_view_builder.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"

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

// Digits of a whole, non-negative number with a comma between groups of three.
std::string GroupThousands(std::string_view digits)
{
    std::string text;
    text.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

} // namespace

std::string WholeNumberText(double value)
{
    if (!std::isfinite(value))
        return "(N)";
    const double rounded = std::round(value); // halves go away from zero
    if (rounded == 0.0)
        return "0"; // also for -0.4, which would otherwise show "-0"
    const double magnitude = std::fabs(rounded);
    if (magnitude < 9.0e18) {
        // Every data cell comes through here: digits and group commas are
        // written backwards into one buffer and copied into the text once.
        char buffer[32];
        char *const end = buffer + sizeof buffer;
        char *p = end;
        auto whole = static_cast<unsigned long long>(magnitude);
        int digits = 0;
        do {
            if (digits != 0 && digits % 3 == 0)
                *--p = ',';
            *--p = static_cast<char>('0' + whole % 10);
            whole /= 10;
            ++digits;
        } while (whole != 0);
        if (rounded < 0)
            *--p = '-';
        return std::string(p, end);
    }
    // Beyond 64-bit integers (an exponent in the field): all the digits the double holds.
    std::string digits;
    const int length = std::snprintf(nullptr, 0, "%.0f", magnitude);
    digits.resize(static_cast<std::size_t>(length) + 1);
    std::snprintf(digits.data(), digits.size(), "%.0f", magnitude);
    digits.resize(static_cast<std::size_t>(length));
    return (rounded < 0 ? "-" : "") + GroupThousands(digits);
}

std::string DataCellText(std::string_view valueText, char flag, bool unsuppressed)
{
    const bool withheld = flag != '0';
    if (withheld && !unsuppressed)
        return flag == '1' ? "(D)" : "(N)";
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
    Result<std::string> caption = TableViewCaption(request);
    if (!caption)
        return caption.Error();

    const std::string &code = request.Code;
    const bool zr1 = code == "ZR1";
    Result<TableDataFile> data = TableDataFile::Open(TableDataFileName(request.Paths, code), code);
    if (!data)
        return data.Error();
    Result<std::vector<std::string>> titles = ReadLineTitles(LineTitleFileName(request.Paths, code), code);
    if (!titles)
        return titles.Error();

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

    int line = 0;
    for (int r = 1; r < rows; ++r) {
        std::string title = HeadingCaption(r, code);
        if (title == "X") {
            ++line;
            if (line > static_cast<int>(titles->size()))
                return Failure::Damaged(LineTitleFileName(request.Paths, code), "it holds too few line titles");
            title = (*titles)[static_cast<std::size_t>(line - 1)];
            const std::int64_t position = zr1 ? data->Position(1, line) : data->Position(request.CurrentArea, line);
            Result<DataRecord> record = data->ReadRecordAt(position);
            if (!record)
                return record.Error();
            if (std::optional<Failure> damaged = FillDataRow(grid, r, *record, quarters, request.Paths.Unsuppressed,
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
