#include "core/catalog/table_catalog.h"

#include <algorithm>
#include <array>

namespace tarvel {
namespace {

struct CatalogRow {
    std::string_view code;
    int series;
    std::string_view optionPrefix;
    std::string_view seriesKind;
    int firstYear;
    int lastYear;
    int quarters;
    int lines;
    int headings;
    TableShape shape = TableShape::AreaBlocks;
};

// Quarter counts are kept as delivered, not derived from the years: tables
// ending in 2008 stop at its first quarter.
constexpr std::array<CatalogRow, 10> Catalog{{
    {"ZR4", 0, "ZR4 (", "Current series ", 1948, 2008, 241, 18, 5},
    {"ZR1", 0, "ZR1 (", "Current series ", 1948, 2008, 241, 60, 3, TableShape::AreaRows},
    {"ZR5N", 1, "ZR5N NAICS (", "NAICS series ", 1990, 2008, 73, 46, 9},
    {"ZR5", 1, "ZR5 SIC (", "SIC series ", 1958, 2001, 176, 36, 9},
    {"ZR5H", 1, "ZR5H historical (", "Historical series ", 1948, 1957, 40, 33, 9},
    {"ZR6N", 2, "ZR6N NAICS (", "NAICS series ", 2001, 2008, 29, 33, 1},
    {"ZR6", 2, "ZR6 SIC (", "SIC series ", 1998, 2001, 16, 23, 1},
    {"ZR7N", 3, "ZR7N NAICS (", "NAICS series ", 2001, 2008, 29, 27, 3},
    {"ZR7", 3, "ZR7 SIC (", "SIC series ", 1958, 2001, 176, 17, 3},
    {"ZR7H", 3, "ZR7H historical (", "Historical series ", 1948, 1957, 40, 14, 3},
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

struct Heading {
    int row;
    std::string_view caption;
};

constexpr std::array<Heading, 9> Zr5Headings{{
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
constexpr std::array<Heading, 3> Zr7Headings{{{1, "By Place of Work"}, {2, ""}, {4, ""}}};
constexpr std::array<Heading, 1> Zr6Headings{{{6, "Compensation of employees by industry"}}};
constexpr std::array<Heading, 3> Zr1Headings{{{2, ""}, {54, ""}, {55, "    ZUL Regions"}}};
constexpr std::array<Heading, 5> Zr4Headings{{
    {1, "          Income by place of residence"},
    {5, ""},
    {6, "          Derivation of personal income"},
    {15, ""},
    {16, "          Components of earnings by place of work"},
}};

template <std::size_t N>
std::string Lookup(const std::array<Heading, N> &headings, int row)
{
    for (const auto &h : headings) {
        if (h.row == row)
            return std::string(h.caption);
    }
    return "X";
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
    const auto *row = Find(code);
    return row ? row->headings : 0;
}

int LayoutRowCount(std::string_view code)
{
    return LineCount(code) + HeadingRowCount(code);
}

std::string HeadingCaption(int row, std::string_view code)
{
    if (code == "ZR5" || code == "ZR5N" || code == "ZR5H")
        return Lookup(Zr5Headings, row);
    if (code == "ZR7" || code == "ZR7N" || code == "ZR7H")
        return Lookup(Zr7Headings, row);
    if (code == "ZR6" || code == "ZR6N")
        return Lookup(Zr6Headings, row);
    if (code == "ZR1" || code == "SHAZAM")
        return Lookup(Zr1Headings, row);
    if (code == "ZR4")
        return Lookup(Zr4Headings, row);
    return "X";
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

std::string CodeFromCaption(std::string_view caption)
{
    return std::string(caption.substr(0, caption.find(' ')));
}

} // namespace tarvel
