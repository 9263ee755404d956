#include "core/catalog/table_catalog.h"
#include "core/catalog/data_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tarvel {
namespace {

struct CatalogCase {
    const char *code;
    int series;
    int firstYear;
    int lastYear;
    int quarters;
    int lines;
    int headings;
    const char *seriesCaption;
    const char *optionCaption;
    const char *lastLabel;
};

void PrintTo(const CatalogCase &c, std::ostream *os)
{
    *os << c.code;
}

// A file's lines without their line ends; none when it cannot be read.
std::vector<std::string> FileLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A row of the help file's index of tables: "| ZR4 | 1948-2008 | 241 | 18 | ...".
struct HelpIndexRow {
    std::string years;
    int quarters = 0;
    int lines = 0;
};

std::optional<HelpIndexRow> FindHelpIndexRow(const std::string &code)
{
    for (const std::string &line : FileLines(TARVEL_HELP_FILE)) {
        std::vector<std::string> cells;
        std::istringstream in(line);
        for (std::string cell; std::getline(in, cell, '|');) {
            const std::size_t first = cell.find_first_not_of(' ');
            const std::size_t last = cell.find_last_not_of(' ');
            cells.push_back(first == std::string::npos ? std::string() : cell.substr(first, last - first + 1));
        }
        // cells[0] is the text before the first '|'.
        if (cells.size() >= 5 && cells[0].empty() && cells[1] == code)
            return HelpIndexRow{cells[2], std::atoi(cells[3].c_str()), std::atoi(cells[4].c_str())};
    }
    return std::nullopt;
}

class CatalogRowTest : public testing::TestWithParam<CatalogCase> {};

TEST_P(CatalogRowTest, NumbersAndCaptions)
{
    const auto &c = GetParam();
    EXPECT_EQ(FirstYear(c.code), c.firstYear);
    EXPECT_EQ(LastYear(c.code), c.lastYear);
    EXPECT_EQ(QuarterCount(c.code), c.quarters);
    EXPECT_EQ(LineCount(c.code), c.lines);
    EXPECT_EQ(HeadingRowCount(c.code), c.headings);
    EXPECT_EQ(LayoutRowCount(c.code), c.lines + c.headings);
    EXPECT_EQ(SeriesCaption(c.code), c.seriesCaption);
    EXPECT_EQ(TableOptionCaption(c.code), c.optionCaption);

    const auto tables = SeriesGroupTables(c.series);
    EXPECT_NE(std::find(tables.begin(), tables.end(), c.code), tables.end());

    // The count follows from the years: a table that ends in 2008 ends with
    // its first quarter, the others with the fourth quarter of their last year.
    const int years = LastYear(c.code) - FirstYear(c.code);
    EXPECT_EQ(QuarterCount(c.code), LastYear(c.code) == 2008 ? years * 4 + 1 : (years + 1) * 4);

    // The help file's index of tables says the same to the user.
    const std::optional<HelpIndexRow> row = FindHelpIndexRow(c.code);
    ASSERT_TRUE(row) << "no row for " << c.code << " in " << TARVEL_HELP_FILE;
    EXPECT_EQ(row->years, std::to_string(FirstYear(c.code)) + "-" + std::to_string(LastYear(c.code)));
    EXPECT_EQ(row->quarters, QuarterCount(c.code));
    EXPECT_EQ(row->lines, LineCount(c.code));

    // The sample data's own files: one title record per data line, and
    // LineCount records for each of the 60 areas (ZR1: one record per area),
    // each with one value field and one flag per quarter.
    const std::string folder = TARVEL_SAMPLE_DATA "/";
    EXPECT_EQ(static_cast<int>(FileLines(folder + c.code + "line.csv").size()), LineCount(c.code));
    const std::vector<std::string> records = FileLines(folder + c.code + ".dfx");
    const int perArea = ShapeOf(c.code) == TableShape::AreaRows ? 1 : LineCount(c.code);
    ASSERT_EQ(static_cast<int>(records.size()), AreaCount * perArea);
    for (const std::string &record : {records.front(), records.back()}) {
        const std::size_t fields = static_cast<std::size_t>(std::count(record.begin(), record.end(), ',')) + 1;
        EXPECT_EQ(fields, 5u + static_cast<std::size_t>(QuarterCount(c.code)) + 1u) << record;
        EXPECT_EQ(record.size() - record.rfind(',') - 1, static_cast<std::size_t>(QuarterCount(c.code))) << record;
    }
}

TEST_P(CatalogRowTest, QuarterLabelsAtBothEnds)
{
    const auto &c = GetParam();
    EXPECT_EQ(QuarterLabel(1, c.code), std::to_string(c.firstYear) + ".1");
    EXPECT_EQ(QuarterLabel(c.quarters, c.code), c.lastLabel);
    EXPECT_EQ(QuarterIndex(std::to_string(c.firstYear) + ".1", c.code), 1);
    EXPECT_EQ(QuarterIndex(c.lastLabel, c.code), c.quarters);
    // The label is the inverse of the index for every quarter.
    for (int k = 1; k <= c.quarters; ++k)
        ASSERT_EQ(QuarterIndex(QuarterLabel(k, c.code), c.code), k) << QuarterLabel(k, c.code);
}

TEST_P(CatalogRowTest, HeadingsFillTheLayoutAndDataLinesTheRest)
{
    const auto &c = GetParam();
    int headings = 0;
    int dataRows = 0;
    for (int row = 1; row <= LayoutRowCount(c.code); ++row)
        (HeadingCaption(row, c.code) == "X" ? dataRows : headings)++;
    EXPECT_EQ(headings, c.headings);
    EXPECT_EQ(dataRows, c.lines);
    // The last layout row and every row past it are data rows.
    EXPECT_EQ(HeadingCaption(LayoutRowCount(c.code), c.code), "X");
    EXPECT_EQ(HeadingCaption(LayoutRowCount(c.code) + 1, c.code), "X");
    EXPECT_EQ(HeadingCaption(0, c.code), "X");
}

INSTANTIATE_TEST_SUITE_P(
    TableCatalog, CatalogRowTest,
    testing::Values(
        CatalogCase{"ZR4", 0, 1948, 2008, 241, 18, 5, "Current series 1948-2008", "ZR4 (1948-2008)", "2008.1"},
        CatalogCase{"ZR1", 0, 1948, 2008, 241, 60, 3, "Current series 1948-2008", "ZR1 (1948-2008)", "2008.1"},
        CatalogCase{"ZR5N", 1, 1990, 2008, 73, 46, 9, "NAICS series 1990-2008", "ZR5N NAICS (1990-2008)",
                    "2008.1"},
        CatalogCase{"ZR5", 1, 1958, 2001, 176, 36, 9, "SIC series 1958-2001", "ZR5 SIC (1958-2001)", "2001.4"},
        CatalogCase{"ZR5H", 1, 1948, 1957, 40, 33, 9, "Historical series 1948-1957",
                    "ZR5H historical (1948-1957)", "1957.4"},
        CatalogCase{"ZR6N", 2, 2001, 2008, 29, 33, 1, "NAICS series 2001-2008", "ZR6N NAICS (2001-2008)",
                    "2008.1"},
        CatalogCase{"ZR6", 2, 1998, 2001, 16, 23, 1, "SIC series 1998-2001", "ZR6 SIC (1998-2001)", "2001.4"},
        CatalogCase{"ZR7N", 3, 2001, 2008, 29, 27, 3, "NAICS series 2001-2008", "ZR7N NAICS (2001-2008)",
                    "2008.1"},
        CatalogCase{"ZR7", 3, 1958, 2001, 176, 17, 3, "SIC series 1958-2001", "ZR7 SIC (1958-2001)", "2001.4"},
        CatalogCase{"ZR7H", 3, 1948, 1957, 40, 14, 3, "Historical series 1948-1957",
                    "ZR7H historical (1948-1957)", "1957.4"}),
    [](const testing::TestParamInfo<CatalogCase> &info) { return std::string(info.param.code); });

struct HeadingCase {
    const char *code;
    int row;
    const char *caption;
};

void PrintTo(const HeadingCase &c, std::ostream *os)
{
    *os << c.code << " row " << c.row;
}

class HeadingCaptionTest : public testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingCaptionTest, ExactText)
{
    EXPECT_EQ(HeadingCaption(GetParam().row, GetParam().code), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    TableCatalog, HeadingCaptionTest,
    testing::Values(
        HeadingCase{"ZR5", 1, "     Income by place of residence"}, HeadingCase{"ZR5", 2, "X"},
        HeadingCase{"ZR5", 3, ""}, HeadingCase{"ZR5", 4, "Derivation of personal income"},
        HeadingCase{"ZR5", 15, ""}, HeadingCase{"ZR5", 16, "     Earnings by place of work"},
        HeadingCase{"ZR5", 17, ""}, HeadingCase{"ZR5", 18, "Components of earnings"},
        HeadingCase{"ZR5", 26, ""}, HeadingCase{"ZR5", 27, "Earnings by industry"},
        HeadingCase{"ZR5", 28, "X"}, HeadingCase{"ZR5N", 27, "Earnings by industry"},
        HeadingCase{"ZR5H", 16, "     Earnings by place of work"},
        HeadingCase{"ZR7", 1, "By Place of Work"}, HeadingCase{"ZR7", 2, ""}, HeadingCase{"ZR7", 3, "X"},
        HeadingCase{"ZR7", 4, ""}, HeadingCase{"ZR7N", 1, "By Place of Work"}, HeadingCase{"ZR7H", 4, ""},
        HeadingCase{"ZR6", 5, "X"}, HeadingCase{"ZR6", 6, "Compensation of employees by industry"},
        HeadingCase{"ZR6N", 6, "Compensation of employees by industry"}, HeadingCase{"ZR6N", 1, "X"},
        HeadingCase{"ZR1", 1, "X"}, HeadingCase{"ZR1", 2, ""}, HeadingCase{"ZR1", 53, "X"},
        HeadingCase{"ZR1", 54, ""}, HeadingCase{"ZR1", 55, "    ZUL Regions"}, HeadingCase{"ZR1", 56, "X"},
        HeadingCase{"ZR4", 1, "          Income by place of residence"}, HeadingCase{"ZR4", 5, ""},
        HeadingCase{"ZR4", 6, "          Derivation of personal income"}, HeadingCase{"ZR4", 15, ""},
        HeadingCase{"ZR4", 16, "          Components of earnings by place of work"},
        HeadingCase{"ZR4", 17, "X"}));

// The one-line view's rows are the areas, laid out as ZR1's lines are.
TEST(TableCatalog, AreaRowsAreLaidOutAsZR1)
{
    const RowLayout areas = AreaRowLayout();
    for (int row = -1; row <= 70; ++row)
        EXPECT_EQ(areas.Caption(row), HeadingCaption(row, "ZR1")) << row;
    EXPECT_EQ(areas.HeadingCount(), HeadingRowCount("ZR1"));
    EXPECT_EQ(TableRowLayout("ZR8").HeadingCount(), 0);
}

TEST(TableCatalog, DataLinesCountOnlyTheDataRows)
{
    const RowLayout areas = AreaRowLayout();
    const std::vector<std::pair<int, int>> rows{{-1, 0}, {0, 0},   {1, 1},   {2, 0},   {3, 2},
                                                {53, 52}, {54, 0}, {55, 0}, {56, 53}, {63, 60}};
    for (const auto &[row, line] : rows)
        EXPECT_EQ(areas.DataLine(row), line) << "row " << row;
    // In every table the data rows hold its lines 1..LineCount in order.
    for (const std::string &code : TableCodes()) {
        const RowLayout layout = TableRowLayout(code);
        int line = 0;
        for (int row = 1; row <= LayoutRowCount(code); ++row)
            ASSERT_EQ(layout.DataLine(row), layout.Caption(row) == "X" ? ++line : 0) << code << " row " << row;
        EXPECT_EQ(line, LineCount(code)) << code;
    }
}

// What the printed pages, the summary command and the export header say of
// each table.
TEST(TableCatalog, TitlesUnitsSummariesAndShapes)
{
    struct Case {
        const char *code;
        const char *title;
        bool unit;
        const char *summary;
        TableShape shape;
    };
    const Case cases[] = {
        {"ZR4", "QUARTERLY INCOME SUMMARY", true, "ZR4", TableShape::AreaBlocks},
        {"ZR1", "QUARTERLY PERSONAL INCOME", true, "ZR5", TableShape::AreaRows},
        {"ZR5N", "QUARTERLY PERSONAL INCOME BY MAJOR SOURCE AND EARNINGS BY INDUSTRY 1/", true, "ZR5N",
         TableShape::AreaBlocks},
        {"ZR5", "QUARTERLY PERSONAL INCOME BY MAJOR SOURCE AND EARNINGS BY INDUSTRY 1/", true, "ZR5",
         TableShape::AreaBlocks},
        {"ZR5H", "", false, "ZR5H", TableShape::AreaBlocks},
        {"ZR6N", "QUARTERLY COMPENSATION OF EMPLOYEES BY INDUSTRY", true, "ZR6N", TableShape::AreaBlocks},
        {"ZR6", "QUARTERLY COMPENSATION OF EMPLOYEES BY INDUSTRY", true, "ZR6", TableShape::AreaBlocks},
        {"ZR7N", "QUARTERLY WAGE AND SALARY DISBURSEMENTS BY INDUSTRY 1/", true, "ZR7N", TableShape::AreaBlocks},
        {"ZR7", "QUARTERLY WAGE AND SALARY DISBURSEMENTS BY INDUSTRY 1/", true, "ZR7", TableShape::AreaBlocks},
        {"ZR7H", "", false, "ZR7H", TableShape::AreaBlocks},
        {"ZR8", "", false, "", TableShape::AreaBlocks},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PrintTitle(c.code), c.title) << c.code;
        EXPECT_EQ(ValueUnit(c.code), c.unit ? "Millions of dollars, seasonally adjusted at annual rates" : "")
            << c.code;
        EXPECT_EQ(SummaryTable(c.code), c.summary) << c.code;
        EXPECT_EQ(ShapeOf(c.code), c.shape) << c.code;
        const bool areaRows = c.shape == TableShape::AreaRows;
        EXPECT_EQ(WholeTableCaption(c.code), areaRows ? "Personal Income" : "") << c.code;
        const ExportColumnNames names = ExportColumnHeadings(c.code);
        EXPECT_EQ(names.LineTitle, areaRows ? "State Name" : "Line Title") << c.code;
        EXPECT_EQ(names.AreaName, areaRows ? "Line Title" : "State Name") << c.code;
    }
    EXPECT_EQ(QuarterCount(StartupQuarterTable()), 241);
}

TEST(TableCatalog, ZR1RowsFollowTheAreaList)
{
    // Area 1, a blank row, the 51 states, a blank row, the regions heading,
    // the 8 regions.
    std::vector<int> dataPositions;
    for (int row = 1; row <= 63; ++row) {
        if (HeadingCaption(row, "ZR1") == "X")
            dataPositions.push_back(row);
    }
    ASSERT_EQ(dataPositions.size(), 60u);
    EXPECT_EQ(dataPositions[0], 1);
    EXPECT_EQ(dataPositions[1], 3);
    EXPECT_EQ(dataPositions[51], 53);
    EXPECT_EQ(dataPositions[52], 56);
    EXPECT_EQ(dataPositions[59], 63);
}

class UnknownCodeTest : public testing::TestWithParam<const char *> {};

TEST_P(UnknownCodeTest, NeutralResults)
{
    const std::string code = GetParam();
    EXPECT_EQ(FirstYear(code), 0);
    EXPECT_EQ(LastYear(code), 0);
    EXPECT_EQ(QuarterCount(code), 0);
    EXPECT_EQ(LineCount(code), 0);
    EXPECT_EQ(HeadingRowCount(code), 0);
    EXPECT_EQ(SeriesCaption(code), "");
    EXPECT_EQ(TableOptionCaption(code), "");
    EXPECT_EQ(QuarterLabel(1, code), "");
    EXPECT_EQ(QuarterIndex("1958.1", code), 0);
    for (int row = 0; row <= 70; ++row)
        ASSERT_EQ(HeadingCaption(row, code), "X") << row;
}

INSTANTIATE_TEST_SUITE_P(TableCatalog, UnknownCodeTest,
                         testing::Values("", "zr5", "zr5n", "Zr7", "ZR5 ", " ZR5", "ZR8", "ZR", "shazam",
                                         "ZR5 SIC (1958-2001)"));

TEST(TableCatalog, WrittenExamples)
{
    EXPECT_EQ(QuarterLabel(1, "ZR5"), "1958.1");
    EXPECT_EQ(QuarterLabel(176, "ZR5"), "2001.4");
    EXPECT_EQ(QuarterLabel(241, "ZR1"), "2008.1");
    EXPECT_EQ(QuarterLabel(4, "ZR1"), "1948.4");
    EXPECT_EQ(QuarterLabel(5, "ZR1"), "1949.1");
    EXPECT_EQ(QuarterIndex("2008.1", "ZR5N"), 73);
    EXPECT_EQ(QuarterIndex("1990.1", "ZR5N"), 1);
    EXPECT_EQ(HeadingCaption(28, "ZR5"), "X");
    EXPECT_EQ(HeadingCaption(3, "ZR5"), "");
}

TEST(TableCatalog, LabelsOutsideTheTableGiveNoQuarterOfIt)
{
    const auto outside = [](int k) { return k < 1 || k > QuarterCount("ZR5N"); };
    EXPECT_TRUE(outside(QuarterIndex("1989.4", "ZR5N")));
    EXPECT_TRUE(outside(QuarterIndex("2008.2", "ZR5N")));
    EXPECT_TRUE(outside(QuarterIndex("", "ZR5N")));
    EXPECT_TRUE(outside(QuarterIndex("abcd.1", "ZR5N")));
    EXPECT_TRUE(outside(QuarterIndex("2008.x", "ZR5N")));
}

TEST(TableCatalog, QuarterLabelsHaveASpokenForm)
{
    EXPECT_EQ(SpokenQuarterLabel("2007.3"), "2007 quarter 3");
    EXPECT_EQ(SpokenQuarterLabel(QuarterLabel(1, "ZR1")), "1948 quarter 1");
    for (const char *other : {"", "2007", "2007.5", "2007.0", "207.3", "2007.31", "20x7.3", "2007,3", " 2007.3"})
        EXPECT_EQ(SpokenQuarterLabel(other), "") << other;
}

TEST(TableCatalog, SeriesGroupsInButtonOrder)
{
    EXPECT_EQ(SeriesGroupCaption(0), "ZR4, ZR1 Income summary");
    EXPECT_EQ(SeriesGroupCaption(1), "ZR5 Personal income and earnings by major industry");
    EXPECT_EQ(SeriesGroupCaption(2), "ZR6 Compensation by major industry");
    EXPECT_EQ(SeriesGroupCaption(3), "ZR7 Wage and salary disbursements by major industry");
    EXPECT_EQ(SeriesGroupCaption(4), "");
    EXPECT_EQ(SeriesGroupCaption(-1), "");
    EXPECT_EQ(SeriesGroupTables(0), (std::vector<std::string>{"ZR4", "ZR1"}));
    EXPECT_EQ(SeriesGroupTables(1), (std::vector<std::string>{"ZR5N", "ZR5", "ZR5H"}));
    EXPECT_EQ(SeriesGroupTables(2), (std::vector<std::string>{"ZR6N", "ZR6"}));
    EXPECT_EQ(SeriesGroupTables(3), (std::vector<std::string>{"ZR7N", "ZR7", "ZR7H"}));
    EXPECT_TRUE(SeriesGroupTables(4).empty());
    EXPECT_EQ(TableCodes(), (std::vector<std::string>{"ZR4", "ZR1", "ZR5N", "ZR5", "ZR5H", "ZR6N", "ZR6",
                                                      "ZR7N", "ZR7", "ZR7H"}));
}

TEST(TableCatalog, ALineIsInTheUnitItsTitleNamesElseTheTables)
{
    EXPECT_EQ(LineUnit("ZR4", "Population (persons) 2/"), "persons");
    EXPECT_EQ(LineUnit("ZR4", "Per capita personal income (Dollars)"), "dollars");
    EXPECT_EQ(LineUnit("ZR4", "Personal income"), ValueUnit("ZR4"));
    EXPECT_EQ(LineUnit("ZR5", "Farm earnings (SIC 01)"), ValueUnit("ZR5"));
    EXPECT_EQ(LineUnit("ZR7H", "Wage and salary disbursements"), "");
}

} // namespace
} // namespace tarvel
