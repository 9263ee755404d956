#include "core/views/table_view_builder.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
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

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct DigitTable {
    char text[1000][3];
};

constexpr DigitTable MakeThreeDigits()
{
    DigitTable table{};
    for (int i = 0; i < 1000; ++i) {
        table.text[i][0] = static_cast<char>('0' + i / 100);
        table.text[i][1] = static_cast<char>('0' + i / 10 % 10);
        table.text[i][2] = static_cast<char>('0' + i % 10);
    }
    return table;
}

constexpr DigitTable ThreeDigits = MakeThreeDigits();

constexpr std::uint64_t PowersOfTen[] = {1,           10,           100,           1000,           10000,
                                         100000,      1000000,      10000000,      100000000,      1000000000,
                                         10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000,
                                         1000000000000000, 10000000000000000};

// A usual value text read and rounded: blanks, a sign, then at most 15
// digits with or without decimals and no exponent. It rounds half away from
// zero by its first decimal: with 15 digits or fewer that is exactly what
// reading it into a double and rounding gives, so its text is the one
// WholeNumberText(ReadLeadingNumber(text)) writes.
struct RoundedValue {
    std::uint64_t magnitude = 0;
    int digits = 1; // of magnitude
    bool negative = false;
};

// nullopt for any other value text, which takes the general reading.
std::optional<RoundedValue> ReadRoundedValue(std::string_view text)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p != end && (*p == ' ' || *p == '\t'))
        ++p;
    RoundedValue value;
    if (p != end && (*p == '+' || *p == '-')) {
        value.negative = *p == '-';
        ++p;
    }
    const char *const start = p;
    std::uint64_t whole = 0;
    while (p != end && IsDigit(*p)) {
        whole = whole * 10 + static_cast<std::uint64_t>(*p - '0');
        ++p;
    }
    const auto wholeDigits = static_cast<int>(p - start);
    if (wholeDigits == 0)
        return std::nullopt;
    int digits = wholeDigits;
    if (p != end && *p == '.') {
        if (p + 1 == end || !IsDigit(p[1]))
            return std::nullopt;
        ++p;
        if (*p >= '5')
            ++whole; // 0.5 and more rounds up, away from zero
        const char *const decimals = p;
        while (p != end && IsDigit(*p))
            ++p;
        digits += static_cast<int>(p - decimals);
    }
    if (digits > 15 || (p != end && (*p == 'E' || *p == 'e')))
        return std::nullopt;
    value.magnitude = whole;
    if (*start != '0' && whole < PowersOfTen[wholeDigits]) {
        value.digits = wholeDigits;
    } else {
        // Leading zeros, or rounded up to the next power of ten.
        value.digits = 1;
        while (value.digits < 16 && whole >= PowersOfTen[value.digits])
            ++value.digits;
    }
    if (whole == 0)
        value.negative = false; // never "-0"
    return value;
}

// Length of the cell text of value: sign, digits, group commas, " *".
std::size_t CellTextLength(const RoundedValue &value, bool withheld)
{
    return static_cast<std::size_t>(value.negative) + static_cast<std::size_t>(value.digits)
        + static_cast<std::size_t>((value.digits - 1) / 3) + (withheld ? 2 : 0);
}

// Writes the cell text of value, CellTextLength characters, at place.
void WriteCellText(char *place, std::size_t length, const RoundedValue &value, bool withheld)
{
    char *q = place + length;
    if (withheld) {
        *--q = '*';
        *--q = ' ';
    }
    // Three digits at a time, from a table of "000" to "999".
    std::uint64_t whole = value.magnitude;
    while (whole >= 1000) {
        const auto group = static_cast<std::size_t>(whole % 1000);
        whole /= 1000;
        q -= 3;
        std::memcpy(q, ThreeDigits.text[group], 3);
        *--q = ',';
    }
    const auto lead = static_cast<std::size_t>(whole); // 0..999
    const std::size_t width = lead >= 100 ? 3 : lead >= 10 ? 2 : 1;
    q -= width;
    std::memcpy(q, ThreeDigits.text[lead] + (3 - width), width);
    if (value.negative)
        *--q = '-';
}

std::string_view WithheldText(char flag)
{
    return flag == '1' ? "(D)" : "(N)";
}

} // namespace

std::string DataCellText(std::string_view valueText, char flag, bool unsuppressed)
{
    const bool withheld = flag != '0';
    if (withheld && !unsuppressed)
        return std::string(WithheldText(flag));
    if (const std::optional<RoundedValue> value = ReadRoundedValue(valueText)) {
        std::string text(CellTextLength(*value, withheld), ' ');
        WriteCellText(text.data(), text.size(), *value, withheld);
        return text;
    }
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
        const char flag = record.Flag(k);
        const bool withheld = flag != '0';
        if (withheld && !unsuppressed) {
            grid.SetCell(row, column++, WithheldText(flag));
            continue;
        }
        // The usual value is written straight into its cell.
        const auto valueText = record.ValueText(k);
        if (const std::optional<RoundedValue> value = ReadRoundedValue(valueText)) {
            const std::size_t length = CellTextLength(*value, withheld);
            if (char *const place = grid.ShortCellPlace(row, column, length)) {
                WriteCellText(place, length, *value, withheld);
                ++column;
                continue;
            }
        }
        grid.SetCell(row, column++, DataCellText(valueText, flag, unsuppressed));
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
    for (int c = 1; c < columns; ++c)
        grid.SetCell(0, c, QuarterLabel(quarters[static_cast<std::size_t>(c - 1)], code));
    grid.SetRowAlignment(0, 1, CellAlignment::RightCenter);

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
            grid.SetRowAlignment(r, 1, CellAlignment::RightCenter);
        }
        grid.SetHalfHeight(r, title.empty());
        grid.SetCell(r, 0, title);
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
            const std::string_view text = grid.Cell(r, c);
            if (text.size() > widest[static_cast<std::size_t>(c)].size())
                widest[static_cast<std::size_t>(c)] = text;
        }
    }
    return widest;
}

} // namespace tarvel
