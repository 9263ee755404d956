#include "core/catalog/table_catalog.h"

#include "core/catalog/text_helpers.h"

#include <algorithm>
#include <array>
#include <string>

namespace tarvel {
namespace {

// The heading and spacer rows of each group of tables.
constexpr std::array<HeadingRow, 5> Zr4Headings{{
    {1, "          Income by place of residence"},
    {5, ""},
    {6, "          Derivation of personal income"},
    {15, ""},
    {16, "          Components of earnings by place of work"},
}};
// The areas as the area list groups them: area 1, the states, the regions.
constexpr std::array<HeadingRow, 3> AreaHeadings{{{2, ""}, {54, ""}, {55, "    ZUL Regions"}}};
constexpr std::array<HeadingRow, 9> Zr5Headings{{
    {1, "     Income by place of residence"},
    {3, ""},
    {4, "Derivation of personal income"},
    {15, ""},
    {16, "     Earnings by place of work"},
    {17, ""},
    {18, "Components of earnings"},
    {26, ""},
    {27, "Earnings by industry"},
}};
constexpr std::array<HeadingRow, 1> Zr6Headings{{{6, "Compensation of employees by industry"}}};
constexpr std::array<HeadingRow, 3> Zr7Headings{{{1, "By Place of Work"}, {2, ""}, {4, ""}}};

constexpr std::string_view Zr5Title = "QUARTERLY PERSONAL INCOME BY MAJOR SOURCE AND EARNINGS BY INDUSTRY 1/";
constexpr std::string_view Zr6Title = "QUARTERLY COMPENSATION OF EMPLOYEES BY INDUSTRY";
constexpr std::string_view Zr7Title = "QUARTERLY WAGE AND SALARY DISBURSEMENTS BY INDUSTRY 1/";
constexpr std::string_view Dollars = "Millions of dollars, seasonally adjusted at annual rates";

struct CatalogRow {
    std::string_view code;
    int series;
    std::string_view optionPrefix;
    std::string_view seriesKind;
    int firstYear;
    int lastYear;
    int quarters;
    int lines;
    std::span<const HeadingRow> headings;
    std::string_view printTitle; // "" prints without title lines, and so without the unit
    std::string_view unit;
    std::string_view summary;    // the table whose summary it shows
    TableShape shape = TableShape::AreaBlocks;
    std::string_view wholeTable = {}; // AreaRows: the caption in place of an area's
};

// Quarter counts are kept as delivered, not derived from the years: tables
// ending in 2008 stop at its first quarter. The historical tables print
// without title lines.
constexpr std::array<CatalogRow, 10> Catalog{{
    {"ZR4", 0, "ZR4 (", "Current series ", 1948, 2008, 241, 18, Zr4Headings, "QUARTERLY INCOME SUMMARY", Dollars,
     "ZR4"},
    {"ZR1", 0, "ZR1 (", "Current series ", 1948, 2008, 241, 60, AreaHeadings, "QUARTERLY PERSONAL INCOME", Dollars,
     "ZR5", TableShape::AreaRows, "Personal Income"},
    {"ZR5N", 1, "ZR5N NAICS (", "NAICS series ", 1990, 2008, 73, 46, Zr5Headings, Zr5Title, Dollars, "ZR5N"},
    {"ZR5", 1, "ZR5 SIC (", "SIC series ", 1958, 2001, 176, 36, Zr5Headings, Zr5Title, Dollars, "ZR5"},
    {"ZR5H", 1, "ZR5H historical (", "Historical series ", 1948, 1957, 40, 33, Zr5Headings, "", "", "ZR5H"},
    {"ZR6N", 2, "ZR6N NAICS (", "NAICS series ", 2001, 2008, 29, 33, Zr6Headings, Zr6Title, Dollars, "ZR6N"},
    {"ZR6", 2, "ZR6 SIC (", "SIC series ", 1998, 2001, 16, 23, Zr6Headings, Zr6Title, Dollars, "ZR6"},
    {"ZR7N", 3, "ZR7N NAICS (", "NAICS series ", 2001, 2008, 29, 27, Zr7Headings, Zr7Title, Dollars, "ZR7N"},
    {"ZR7", 3, "ZR7 SIC (", "SIC series ", 1958, 2001, 176, 17, Zr7Headings, Zr7Title, Dollars, "ZR7"},
    {"ZR7H", 3, "ZR7H historical (", "Historical series ", 1948, 1957, 40, 14, Zr7Headings, "", "", "ZR7H"},
}};

constexpr std::array<std::string_view, SeriesGroupCount> SeriesCaptions{
    "ZR4, ZR1 Income summary",
    "ZR5 Personal income and earnings by major industry",
    "ZR6 Compensation by major industry",
    "ZR7 Wage and salary disbursements by major industry",
};

const CatalogRow *Find(std::string_view code)
{
    for (const auto &row : Catalog) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

} // namespace

const std::vector<std::string> &TableCodes()
{
    static const std::vector<std::string> codes = [] {
        std::vector<std::string> all;
        for (const auto &row : Catalog)
            all.emplace_back(row.code);
        return all;
    }();
    return codes;
}

TableShape ShapeOf(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->shape : TableShape::AreaBlocks;
}

int FirstYear(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->firstYear : 0;
}

int LastYear(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->lastYear : 0;
}

int QuarterCount(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->quarters : 0;
}

int LineCount(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->lines : 0;
}

int HeadingRowCount(std::string_view code)
{
    return TableRowLayout(code).HeadingCount();
}

int LayoutRowCount(std::string_view code)
{
    return LineCount(code) + HeadingRowCount(code);
}

const HeadingRow *RowLayout::Find(int row) const
{
    for (const HeadingRow &heading : m_headings) {
        if (heading.Row == row)
            return &heading;
    }
    return nullptr;
}

std::string RowLayout::Caption(int row) const
{
    const HeadingRow *heading = Find(row);
    return heading ? std::string(heading->Caption) : std::string("X");
}

int RowLayout::DataLine(int row) const
{
    if (row < 1 || Find(row))
        return 0;
    int headingsAbove = 0;
    for (const HeadingRow &heading : m_headings)
        headingsAbove += heading.Row < row ? 1 : 0;
    return row - headingsAbove;
}

RowLayout TableRowLayout(std::string_view code)
{
    const auto *row = Find(code);
    return row ? RowLayout(row->headings) : RowLayout();
}

RowLayout AreaRowLayout()
{
    return RowLayout(AreaHeadings);
}

std::string HeadingCaption(int row, std::string_view code)
{
    return TableRowLayout(code).Caption(row);
}

std::string_view PrintTitle(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->printTitle : std::string_view();
}

std::string_view ValueUnit(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->unit : std::string_view();
}

std::string_view LineUnit(std::string_view code, std::string_view title)
{
    // The lines of counts and of amounts per head that a table of millions
    // holds say so in their titles.
    static constexpr std::array<std::string_view, 2> OwnUnits{"persons", "dollars"};
    const std::string lower = ToLower(title);
    for (const std::string_view unit : OwnUnits) {
        if (lower.find("(" + std::string(unit) + ")") != std::string::npos)
            return unit;
    }
    return ValueUnit(code);
}

std::string_view SummaryTable(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->summary : std::string_view();
}

std::string_view WholeTableCaption(std::string_view code)
{
    const auto *row = Find(code);
    return row ? row->wholeTable : std::string_view();
}

ExportColumnNames ExportColumnHeadings(std::string_view code)
{
    if (ShapeOf(code) == TableShape::AreaRows)
        return {"State Name", "Line Title"};
    return {"Line Title", "State Name"};
}

std::string_view StartupQuarterTable()
{
    return "ZR1";
}

std::string SeriesCaption(std::string_view code)
{
    const auto *row = Find(code);
    if (!row)
        return {};
    return std::string(row->seriesKind) + std::to_string(row->firstYear) + "-"
        + std::to_string(row->lastYear);
}

std::string TableOptionCaption(std::string_view code)
{
    const auto *row = Find(code);
    if (!row)
        return {};
    return std::string(row->optionPrefix) + std::to_string(row->firstYear) + "-"
        + std::to_string(row->lastYear) + ")";
}

std::string QuarterLabel(int k, std::string_view code)
{
    // A code not in the catalog has no quarters (not "0.1").
    if (!Find(code))
        return {};
    const int year = FirstYear(code) + (k - 1) / 4;
    int q = k % 4;
    if (q == 0)
        q = 4;
    return std::to_string(year) + "." + std::to_string(q);
}

int QuarterIndex(std::string_view label, std::string_view code)
{
    // The year is the first four characters and the quarter the last one;
    // anything else, or a code not in the catalog, gives a number no table
    // holds.
    if (label.size() < 5 || !Find(code))
        return 0;
    int year = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = label[static_cast<std::size_t>(i)];
        if (c < '0' || c > '9')
            return 0;
        year = year * 10 + (c - '0');
    }
    const char last = label.back();
    if (last < '0' || last > '9')
        return 0;
    return (year - FirstYear(code)) * 4 + (last - '0');
}

std::string SpokenQuarterLabel(std::string_view label)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (label.size() != 6 || label[4] != '.' || label[5] < '1' || label[5] > '4'
        || !std::all_of(label.begin(), label.begin() + 4, digit))
        return {};
    return std::string(label.substr(0, 4)) + " quarter " + label[5];
}

std::string SeriesGroupCaption(int series)
{
    if (series < 0 || series >= SeriesGroupCount)
        return {};
    return std::string(SeriesCaptions[static_cast<std::size_t>(series)]);
}

std::vector<std::string> SeriesGroupTables(int series)
{
    std::vector<std::string> tables;
    for (const auto &row : Catalog) {
        if (row.series == series)
            tables.emplace_back(row.code);
    }
    return tables;
}

} // namespace tarvel
