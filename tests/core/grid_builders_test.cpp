#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"

#include "core/catalog/table_catalog.h"
#include "core/views/data_row_fast.h"
#include "sample_data.h"
#include "case_names.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

// Every published cell of the fixture tables holds area * 1,000,000 +
// line * 1,000 + quarter, so a cell tells which record and field it came from.
double CellValue(int area, int line, int k)
{
    return area * 1000000.0 + line * 1000.0 + k;
}

using test::CellFunction;
using test::Field;
using test::PlainCell;
using test::Quarters;
constexpr auto Zr5Cell = test::Zr5SpecialCell;

std::string LineTitle(const std::string &code, int line)
{
    if (code == "ZR1")
        return "Area " + std::to_string(line) + "   "; // trailing blanks the view removes
    if (line == 1)
        return "Personal income";
    if (line == 3)
        return "less:  Personal contributions for social insurance";
    return "Line " + std::to_string(line);
}

// Writes the area list, code's line titles and its data file(s) for the
// first `areas` areas (ZR1 always has one block of 60 lines).
void WriteTable(const TempFolder &folder, const std::string &code, const CellFunction &cell, int areas = AreaCount,
                bool unsuppressedFile = false)
{
    std::vector<std::string> areaLines;
    for (const auto &area : sample::Areas())
        areaLines.push_back(sample::AreaRecordText(area));
    folder.Write("statcode.csv", sample::CrLfLines(areaLines));

    const int lines = LineCount(code);
    std::vector<std::string> titles;
    for (int line = 1; line <= lines; ++line) {
        const std::string lineCode = std::to_string(1000 + line * 10).substr(0, 4);
        titles.push_back(code == "ZR1" ? LineTitle(code, line) : sample::LineTitleRecordText(lineCode, LineTitle(code, line)));
    }
    folder.Write(code + "line.csv", sample::CrLfLines(titles));

    for (const bool unsuppressed : {false, true}) {
        if (unsuppressed && !unsuppressedFile)
            continue;
        std::vector<std::string> records;
        const int blocks = code == "ZR1" ? 1 : areas;
        for (int a = 1; a <= blocks; ++a) {
            for (int line = 1; line <= lines; ++line) {
                const int area = code == "ZR1" ? line : a;
                const auto &info = sample::Areas()[static_cast<std::size_t>(area - 1)];
                std::vector<std::string> values;
                std::string flags;
                for (int k = 1; k <= QuarterCount(code); ++k) {
                    const Field f = cell(code == "ZR1" ? 1 : a, line, k, unsuppressed);
                    values.push_back(f.text);
                    flags += f.flag;
                }
                records.push_back(sample::DataLine(info.code, info.region, code, "0010", values, flags));
            }
        }
        folder.Write(code + (unsuppressed ? ".xxx" : ".dfx"), sample::CrLfLines(records));
    }
}

std::vector<std::string> Row(const Grid &grid, int row)
{
    std::vector<std::string> cells;
    for (int c = 0; c < grid.Columns(); ++c)
        cells.emplace_back(grid.Cell(row, c));
    return cells;
}

std::string Number(double value)
{
    return WholeNumberText(value);
}

// One folder with ZR5 (both modes) and ZR1, written once for the suite.
class GridBuilders : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_folder = std::make_unique<TempFolder>();
        WriteTable(*s_folder, "ZR5", Zr5Cell, AreaCount, true);
        WriteTable(*s_folder, "ZR1", PlainCell);
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    static DataPaths Paths(bool unsuppressed = false) { return {"/nonexistent/", s_folder->Path(), unsuppressed}; }

    static TableViewRequest Zr5Area3(std::initializer_list<int> quarters = {173, 174, 175, 176})
    {
        TableViewRequest request;
        request.Paths = Paths();
        request.Code = "ZR5";
        request.CurrentArea = 3;
        request.QuarterSelected = Quarters("ZR5", quarters);
        return request;
    }

    static Grid Build(const TableViewRequest &request)
    {
        Result<Grid> grid = BuildTableView(request);
        EXPECT_TRUE(grid) << FailureText(grid.Error());
        return grid ? *grid : Grid();
    }

    static inline std::unique_ptr<TempFolder> s_folder;
};

// --- cell text -------------------------------------------------------------

struct CellCase {
    const char *value;
    char flag;
    bool unsuppressed;
    const char *shown; // nullptr: not a number, the record is damaged
};

void PrintTo(const CellCase &c, std::ostream *os)
{
    *os << test::CaseText(c.value) << " flag " << test::CaseText(std::string(1, c.flag))
        << (c.unsuppressed ? " unsuppressed" : "") << " -> " << (c.shown ? test::CaseText(c.shown) : "damaged");
}

class DataCellTextTest : public testing::TestWithParam<CellCase> {};

TEST_P(DataCellTextTest, ShowsValueOrMark)
{
    const CellCase &c = GetParam();
    const std::optional<std::string> shown = DataCellText(c.value, c.flag, c.unsuppressed);
    if (c.shown)
        EXPECT_EQ(shown, std::string(c.shown));
    else
        EXPECT_EQ(shown, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    GridBuilders, DataCellTextTest,
    testing::Values(CellCase{"   1234567", '0', false, "1,234,567"}, CellCase{"1234567.4", '0', false, "1,234,567"},
                    CellCase{"     -2500", '0', false, "-2,500"}, CellCase{"         0", '0', false, "0"},
                    CellCase{"          ", '0', false, "0"}, CellCase{"", '0', false, "0"},
                    CellCase{"abc", '0', false, nullptr}, CellCase{"      -0.4", '0', false, "0"},
                    CellCase{"       2.5", '0', false, "3"}, CellCase{"      -2.5", '0', false, "-3"},
                    CellCase{"     999.5", '0', false, "1,000"}, CellCase{"    100000", '0', false, "100,000"},
                    CellCase{"      1234", '0', false, "1,234"}, CellCase{"    -12345", '0', false, "-12,345"},
                    CellCase{"       999", '0', false, "999"},
                    CellCase{"    987.6r", '0', false, nullptr}, CellCase{"1E15", '0', false, "1,000,000,000,000,000"},
                    CellCase{"   12x4567", '0', false, nullptr}, CellCase{"  ABCDEFGH", '0', false, nullptr},
                    CellCase{"  ABCDEFGH", '1', false, "(D)"}, CellCase{"   12x4567", '2', true, nullptr},
                    CellCase{"1.4347E+06", '0', false, "1,434,700"}, CellCase{"  +42.125 ", '0', false, "42"},
                    CellCase{"    12.   ", '0', false, "12"}, CellCase{"  9876543.", '0', false, "9,876,543"},
                    CellCase{"  1.4347E+", '0', false, "1"}, CellCase{"   12.5.  ", '0', false, nullptr},
                    CellCase{"     (D)  ", '0', false, nullptr},
                    CellCase{"   1234567", '1', false, "(D)"}, CellCase{"   1234567", '2', false, "(N)"},
                    CellCase{"   1234567", ' ', false, "(N)"}, CellCase{"   1234567", 'x', false, "(N)"},
                    CellCase{"   1234567", '1', true, "1,234,567 *"}, CellCase{"   1234567", '2', true, "1,234,567 *"},
                    CellCase{"   1234567", ' ', true, "1,234,567 *"}, CellCase{"   1234567", '0', true, "1,234,567"},
                    CellCase{"     -0.2", '1', true, "0 *"}, CellCase{"     1E999", '0', false, nullptr},
                    CellCase{"    -1E999", '2', true, nullptr}, CellCase{"     1E999", '1', false, "(D)"},
                    CellCase{"    1E-999", '0', false, "0"}));

// The text of a data cell the general way: the number the field reads as,
// rounded and grouped, or the withheld mark; nullopt when a shown field is
// not a number.
std::optional<std::string> GeneralCellText(std::string_view field, char flag, bool unsuppressed)
{
    if (flag != '0' && !unsuppressed)
        return flag == '1' ? "(D)" : "(N)";
    if (!IsValueNumber(field))
        return std::nullopt;
    return WholeNumberText(ReadLeadingNumber(field)) + (flag != '0' ? " *" : "");
}

// The usual value texts take a quick way to their cell text: it must give
// exactly the text of the general reading (the number read into a double,
// rounded, grouped) for every shape of value field, and find the same
// fields damaged.
TEST(GridBuildersText, CellTextsOfEveryValueShapeMatchTheGeneralReading)
{
    std::vector<std::string> texts = {
        "0.5", "-0.5", "0.49999", "-0.4", "1.5", "2.5", "99.5", "999.49", "999.5", "9999999.5", "-999999.5",
        "000123", "-000.6", "00000000000000.5", "999999999999999", "9999999999999.5", "99999999999999.5",
        "1234567890123456", "123456789012345678", "1234567890123456789012", "12.", "12.e3", "1.5e3", "1e5",
        "  +42", "\t-7", "- 5", "+", "-", ".5", "-.5", "1.2.3", "12abc", "12,5", "1.5E", "1.5e+", " 7 8",
        "0", "-0", "+0.0", "9", "99", "999", "1000", "-1000", "65535.5"};
    std::mt19937_64 random(14);
    for (int i = 0; i < 4000; ++i) {
        const int wholeDigits = static_cast<int>(random() % 11);
        const int decimals = static_cast<int>(random() % 6);
        std::string text(static_cast<std::size_t>(random() % 4), ' ');
        if (random() % 3 == 0)
            text += random() % 2 ? '-' : '+';
        for (int d = 0; d < wholeDigits; ++d)
            text += static_cast<char>('0' + random() % 10);
        if (decimals > 0) {
            text += '.';
            for (int d = 0; d < decimals; ++d)
                text += static_cast<char>('0' + (d == 0 && random() % 2 ? 4 + random() % 2 : random() % 10));
        }
        if (!text.empty() && random() % 6 == 0)
            text[random() % text.size()] = "E.-+x 9\tA,"[random() % 10];
        texts.push_back(text.substr(0, 10 + random() % 8));
    }
    for (const std::string &text : texts) {
        EXPECT_EQ(DataCellText(text, '0', false), GeneralCellText(text, '0', false)) << test::CaseText(text);
        EXPECT_EQ(DataCellText(text, '1', true), GeneralCellText(text, '1', true)) << test::CaseText(text);
    }
}

// A value field of exactly ten bytes, right-aligned as published files
// write them: blanks, a sign, digits (nines to carry, zeros to lead), a
// point and decimals, now and then a stray character.
std::string TenByteField(std::mt19937_64 &random)
{
    const std::string digits = "01234567899990";
    std::string text(static_cast<std::size_t>(random() % 4), ' ');
    if (random() % 4 == 0)
        text += random() % 8 == 0 ? '+' : '-';
    const auto wholeDigits = static_cast<int>(random() % 11);
    for (int d = 0; d < wholeDigits; ++d)
        text += digits[random() % digits.size()];
    if (random() % 2 == 0) {
        text += '.';
        const auto decimals = static_cast<int>(random() % 5);
        for (int d = 0; d < decimals; ++d)
            text += d == 0 && random() % 2 ? static_cast<char>('4' + random() % 2) : digits[random() % digits.size()];
    }
    if (!text.empty() && random() % 12 == 0)
        text[random() % text.size()] = "E.-+x 9\tA"[random() % 9];
    if (text.size() < 10)
        text.insert(0, 10 - text.size(), ' ');
    return text.substr(text.size() - 10);
}

// Ten-byte fields (every value of a published file) are written into their
// cells from one 16-byte reading; whatever their shape they show the text
// of the general reading, or are damaged where it finds them so.
TEST(GridBuildersText, TenByteFieldsOfEveryShapeShowTheGeneralReading)
{
    std::vector<std::string> fields = {"         0", "        -0", "       0.5", "      -0.5", "      99.5",
                                       "    -999.5", "   1999.96", "  99999.49", "9999999999", "999999.999",
                                       "1234567890", "-123456789", "   12345.6", "  -1234.56", "     0.049",
                                       "      00.5", "     -00.4", "  1.4347E6", "   1234.  ", "     .5   ",
                                       "    12 345", "   --12345", "  +1299.50", "       9.5", "     -9.95",
                                       "   12x4567", "  ABCDEFGH", "    987.6r", "1.4347E+06", "   1234  x",
                                       "  12.5    ", "-    12345", "   1.5E+ 3", "      -.25", "  9876543.",
                                       "  -999999.", "        0.", "  1.4347E+"};
    std::mt19937_64 random(1410);
    for (int i = 0; i < 30000; ++i)
        fields.push_back(TenByteField(random));
    for (const std::string &field : fields) {
        ASSERT_EQ(field.size(), 10u);
        EXPECT_EQ(DataCellText(field, '0', false), GeneralCellText(field, '0', false)) << test::CaseText(field);
        EXPECT_EQ(DataCellText(field, '2', true), GeneralCellText(field, '2', true)) << test::CaseText(field);
    }
}

// The quick row fillers (ten-byte fields read where they stand, or a record
// read along its commas) show what the plain reading of the record parsed
// into strings shows, in either column order, with the same alignment, and
// find the same first damaged quarter. Quarter 2's "12x45" is withheld as
// (D) and quarter 9's "987.6r" as (N): hidden they are never read, shown
// they damage the record.
TEST(GridBuildersText, QuickRowsShowWhatThePlainReadingShows)
{
    const std::vector<std::string> values{"248297", "12x45", "1756.5", "0000000042", "999.5", "1299.5",
                                          "1.5E3",  "",       "987.6r", "0.4",       "-0.5",  "1234567890"};
    const auto record = [&values](bool tenBytes) {
        std::string text = "01,0,ZR1 ,0010,  SA";
        for (std::size_t k = 0; k < values.size(); ++k) {
            const std::size_t width = tenBytes ? 10 : std::max(values[k].size(), 4 + k % 7);
            text += "," + std::string(width - values[k].size(), ' ') + values[k];
        }
        return text + ",01D0N0 1200\r\n";
    };
    TempFolder folder;
    Result<TableDataFile> data = TableDataFile::Open(folder.Write("ZR1.dfx", record(true)), "ZR1");
    ASSERT_TRUE(data);
    for (const bool tenBytes : {true, false}) {
        for (const bool reverse : {false, true}) {
            std::vector<int> quarters{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
            if (reverse)
                std::reverse(quarters.begin(), quarters.end());
            std::vector<int> columnOf(13, 0);
            for (std::size_t c = 0; c < quarters.size(); ++c)
                columnOf[static_cast<std::size_t>(quarters[c])] = static_cast<int>(c) + 1;
            for (const bool unsuppressed : {false, true}) {
                const std::string text = record(tenBytes);
                Grid quick(1, 13);
                Grid plain(1, 13);
                const std::optional<int> fromQuick = fast::FillCheckedRow(quick, 0, text, quarters, columnOf,
                                                                          unsuppressed, CellAlignment::RightCenter);
                const std::optional<Failure> fromPlain
                    = FillDataRow(plain, 0, ParseDataRecord(text), quarters, unsuppressed, *data, 1);
                const std::string name = std::string(tenBytes ? "ten-byte" : "other widths")
                    + (reverse ? ", reversed" : "") + (unsuppressed ? ", unsuppressed" : "");
                if (unsuppressed) {
                    ASSERT_TRUE(fromPlain) << name;
                    EXPECT_EQ(fromPlain->detail, "its record for area 1 holds a value for "
                                                     + QuarterLabel(reverse ? 9 : 2, "ZR1") + " that is not a number")
                        << name;
                    if (fromQuick) {
                        EXPECT_EQ(*fromQuick, reverse ? 9 : 2) << name;
                    }
                    continue;
                }
                ASSERT_FALSE(fromPlain) << name;
                const int first = reverse ? 12 : 1;
                EXPECT_EQ(plain.Cell(0, first), "248,297") << name;
                EXPECT_EQ(plain.Cell(0, reverse ? 11 : 2), "(D)") << name;
                EXPECT_EQ(plain.Cell(0, reverse ? 10 : 3), "(N)") << name;
                EXPECT_EQ(plain.Cell(0, reverse ? 4 : 9), "(N)") << name;
                EXPECT_EQ(plain.Cell(0, reverse ? 1 : 12), "(N)") << name;
                if (!fromQuick)
                    continue; // a plain build
                EXPECT_EQ(*fromQuick, 0) << name;
                for (int c = 1; c <= 12; ++c) {
                    EXPECT_EQ(quick.Cell(0, c), plain.Cell(0, c)) << name << ", column " << c;
                    EXPECT_EQ(quick.Alignment(0, c), CellAlignment::RightCenter) << name << ", column " << c;
                }
            }
        }
    }
}

TEST(GridBuildersText, WholeNumbersNeverShowMinusZeroOrNonNumbers)
{
    EXPECT_EQ(WholeNumberText(-0.0), "0");
    EXPECT_EQ(WholeNumberText(-0.5), "-1");
    EXPECT_EQ(WholeNumberText(-999999.5), "-1,000,000");
    EXPECT_EQ(WholeNumberText(1e20), "100,000,000,000,000,000,000");
    EXPECT_EQ(WholeNumberText(std::numeric_limits<double>::infinity()), "(N)");
}

TEST(GridBuildersText, QuarterColumnOrderSkipsUnflaggedQuarters)
{
    std::vector<std::uint8_t> flags(11, 0);
    flags[3] = flags[5] = flags[9] = 255;
    EXPECT_EQ(QuarterColumnOrder(flags, 10, false), (std::vector<int>{3, 5, 9}));
    EXPECT_EQ(QuarterColumnOrder(flags, 10, true), (std::vector<int>{9, 5, 3}));
    // Flags past the table's quarters, or a list shorter than the table, are harmless.
    EXPECT_EQ(QuarterColumnOrder(flags, 6, false), (std::vector<int>{3, 5}));
    EXPECT_EQ(QuarterColumnOrder(flags, 40, true), (std::vector<int>{9, 5, 3}));
    EXPECT_TRUE(QuarterColumnOrder({}, 40, false).empty());
}

// --- table view ------------------------------------------------------------

TEST_F(GridBuilders, Zr5HasItsHeadingsInPlaceAnd36DataRows)
{
    const Grid grid = Build(Zr5Area3());
    ASSERT_EQ(grid.Rows(), 46);
    ASSERT_EQ(grid.Columns(), 5);
    const auto &alaska = sample::Areas()[2];
    EXPECT_EQ(grid.Caption, "ZR5 SIC series 1958-2001 ~ " + Trim(alaska.name) + " [" + alaska.code + "]");
    EXPECT_EQ(grid.Tag, ChildKind::TableView);
    EXPECT_EQ(Row(grid, 0), (std::vector<std::string>{"     Item", "2001.1", "2001.2", "2001.3", "2001.4"}));

    int dataRows = 0;
    for (int r = 1; r < grid.Rows(); ++r) {
        const std::string heading = HeadingCaption(r, "ZR5");
        if (heading == "X") {
            ++dataRows;
            EXPECT_FALSE(grid.Cell(r, 1).empty()) << "row " << r;
            EXPECT_EQ(grid.Alignment(r, 4), CellAlignment::RightCenter) << "row " << r;
        } else {
            EXPECT_EQ(Row(grid, r), (std::vector<std::string>{heading, "", "", "", ""})) << "row " << r;
            EXPECT_EQ(grid.HalfHeight(r), heading.empty()) << "row " << r;
            EXPECT_EQ(grid.Alignment(r, 1), CellAlignment::Default) << "row " << r;
        }
        EXPECT_EQ(grid.Alignment(r, 0), CellAlignment::LeftTop);
    }
    EXPECT_EQ(dataRows, 36);
    EXPECT_EQ(grid.Cell(1, 0), "     Income by place of residence");
    EXPECT_EQ(grid.Cell(27, 0), "Earnings by industry");
    EXPECT_EQ(grid.Alignment(0, 0), CellAlignment::LeftTop);
    EXPECT_EQ(grid.Alignment(0, 2), CellAlignment::RightCenter);

    // Row 2 is line 1 with its special cells; rows 5 and 45 are lines 2 and 36.
    EXPECT_EQ(Row(grid, 2), (std::vector<std::string>{"Personal income", "(D)", "0", "0", "1,234,567"}));
    EXPECT_EQ(grid.Cell(5, 0), "Line 2");
    EXPECT_EQ(grid.Cell(5, 1), Number(CellValue(3, 2, 173)));
    EXPECT_EQ(grid.Cell(45, 0), "Line 36");
    EXPECT_EQ(grid.Cell(45, 4), Number(CellValue(3, 36, 176)));
    EXPECT_FALSE(grid.HalfHeight(2));
}

TEST_F(GridBuilders, ReverseShowsNewestQuarterFirst)
{
    TableViewRequest request = Zr5Area3({172, 174, 176});
    request.Reverse = true;
    const Grid grid = Build(request);
    EXPECT_EQ(Row(grid, 0), (std::vector<std::string>{"     Item", "2001.4", "2001.2", "2000.4"}));
    EXPECT_EQ(Row(grid, 2), (std::vector<std::string>{"Personal income", "1,234,567", "0", "(N)"}));
}

TEST_F(GridBuilders, UnsuppressedReadsTheConfidentialFileAndMarksWithheldCells)
{
    TableViewRequest request = Zr5Area3({172, 173, 176});
    request.Paths = Paths(true);
    const Grid grid = Build(request);
    EXPECT_EQ(Row(grid, 2), (std::vector<std::string>{"Personal income", "988 *", "-2,500 *", "1,234,567"}));
}

TEST_F(GridBuilders, PrintAllModeOnlyChangesTheTag)
{
    TableViewRequest request = Zr5Area3();
    request.PrintAllMode = true;
    const Grid grid = Build(request);
    EXPECT_EQ(grid.Tag, ChildKind::PrintAll);
    EXPECT_EQ(grid.Rows(), 46);
    EXPECT_EQ(grid.Cell(2, 4), "1,234,567");
}

TEST_F(GridBuilders, Zr1ShowsEveryAreaWithoutAnAreaChoice)
{
    TableViewRequest request;
    request.Paths = Paths();
    request.Code = "ZR1";
    request.CurrentArea = 0; // no area chosen
    request.QuarterSelected = std::vector<std::uint8_t>(242, 255);
    const Grid grid = Build(request);
    ASSERT_EQ(grid.Rows(), 64);
    ASSERT_EQ(grid.Columns(), 242);
    EXPECT_EQ(grid.Caption, "ZR1 Current series 1948-2008 ~ Personal Income");
    for (const int spacer : {2, 54}) {
        EXPECT_EQ(grid.Cell(spacer, 0), "");
        EXPECT_TRUE(grid.HalfHeight(spacer));
    }
    EXPECT_EQ(grid.Cell(55, 0), "    ZUL Regions");
    EXPECT_FALSE(grid.HalfHeight(55));
    EXPECT_EQ(grid.Cell(55, 1), "");
    EXPECT_EQ(grid.Cell(0, 1), "1948.1");
    EXPECT_EQ(grid.Cell(0, 241), "2008.1");
    // Row 1 is area 1, row 3 area 2, row 63 area 60; trailing blanks removed.
    EXPECT_EQ(grid.Cell(1, 0), "Area 1");
    EXPECT_EQ(grid.Cell(3, 0), "Area 2");
    EXPECT_EQ(grid.Cell(63, 0), "Area 60");
    EXPECT_EQ(grid.Cell(3, 1), Number(CellValue(1, 2, 1)));
    EXPECT_EQ(grid.Cell(63, 241), Number(CellValue(1, 60, 241)));
}

TEST_F(GridBuilders, RequestsOutsideTheCatalogAreUsageFailures)
{
    for (const auto &[code, area] : std::vector<std::pair<std::string, int>>{{"ZR9", 3}, {"zr5", 3}, {"ZR5", 0},
                                                                             {"ZR5", 61}}) {
        TableViewRequest request = Zr5Area3();
        request.Code = code;
        request.CurrentArea = area;
        const Result<Grid> grid = BuildTableView(request);
        ASSERT_FALSE(grid) << code << " " << area;
        EXPECT_EQ(grid.Error().kind, FailureKind::Usage) << code << " " << area;
    }
}

// --- one-line view ---------------------------------------------------------

TEST_F(GridBuilders, OneLineViewOfTheFirstDataLineReadsLineOneOfEveryArea)
{
    const Grid source = Build(Zr5Area3());
    const std::optional<OneLineSource> line = ReadOneLineSource(source, 2);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->Code, "ZR5");
    EXPECT_EQ(line->Line, 1);
    EXPECT_EQ(line->Title, "Personal income");
    EXPECT_EQ(QuarterColumnOrder(line->QuarterShown, 176, false), (std::vector<int>{173, 174, 175, 176}));

    const Result<Grid> built = BuildOneLineView(Paths(), *line, false);
    ASSERT_TRUE(built) << FailureText(built.Error());
    const Grid &grid = *built;
    ASSERT_EQ(grid.Rows(), 64);
    ASSERT_EQ(grid.Columns(), 5);
    EXPECT_EQ(grid.Caption, "ZR5 SIC series 1958-2001 - Personal income");
    EXPECT_EQ(grid.Tag, ChildKind::SOL);
    EXPECT_EQ(Row(grid, 0), (std::vector<std::string>{"    State", "2001.1", "2001.2", "2001.3", "2001.4"}));

    const auto &areas = sample::Areas();
    EXPECT_EQ(grid.Cell(1, 0), TrimRight(areas[0].name));
    EXPECT_EQ(grid.Cell(1, 1), Number(CellValue(1, 1, 173)));
    EXPECT_EQ(Row(grid, 4), (std::vector<std::string>{TrimRight(areas[2].name), "(D)", "0", "0", "1,234,567"}));
    EXPECT_EQ(grid.Cell(53, 0), TrimRight(areas[51].name));
    EXPECT_EQ(grid.Cell(56, 0), TrimRight(areas[52].name));
    EXPECT_EQ(grid.Cell(63, 0), TrimRight(areas[59].name));
    EXPECT_EQ(grid.Cell(63, 4), Number(CellValue(60, 1, 176)));
    for (const int r : {2, 54, 55}) {
        EXPECT_EQ(Row(grid, r), (std::vector<std::string>{HeadingCaption(r, "ZR1"), "", "", "", ""})) << r;
        EXPECT_EQ(grid.HalfHeight(r), r != 55) << r;
    }
    EXPECT_EQ(grid.Cell(55, 0), "    ZUL Regions");
    for (int c = 0; c < grid.Columns(); ++c) {
        EXPECT_EQ(grid.Alignment(0, c), CellAlignment::RightCenter);
        EXPECT_EQ(grid.Alignment(55, c), CellAlignment::RightCenter);
    }
}

TEST_F(GridBuilders, OneLineViewKeepsTheSourceQuartersInTheCurrentOrder)
{
    TableViewRequest request = Zr5Area3({170, 172, 176});
    request.Reverse = true;
    const Grid source = Build(request);
    // Row 6 is line 3, whose title starts with "less:".
    const std::optional<OneLineSource> line = ReadOneLineSource(source, 6);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->Line, 3);
    for (const bool reverse : {false, true}) {
        const Result<Grid> grid = BuildOneLineView(Paths(), *line, reverse);
        ASSERT_TRUE(grid) << FailureText(grid.Error());
        EXPECT_EQ(grid->Caption, "ZR5 SIC series 1958-2001 - Personal contributions for social insurance");
        const std::vector<std::string> ascending{"    State", "2000.2", "2000.4", "2001.4"};
        const std::vector<std::string> descending{"    State", "2001.4", "2000.4", "2000.2"};
        EXPECT_EQ(Row(*grid, 0), reverse ? descending : ascending);
        EXPECT_EQ(grid->Cell(3, reverse ? 1 : 3), Number(CellValue(2, 3, 176)));
    }
}

struct SilentCase {
    int row;
    int line; // 0: the command does nothing
};

void PrintTo(const SilentCase &c, std::ostream *os)
{
    *os << "row " << c.row << " -> ";
    if (c.line == 0)
        *os << "nothing";
    else
        *os << "line " << c.line;
}

class OneLineChecksTest : public GridBuilders, public testing::WithParamInterface<SilentCase> {};

TEST_P(OneLineChecksTest, LineNumberOrNothing)
{
    const Grid source = Build(Zr5Area3());
    const std::optional<OneLineSource> line = ReadOneLineSource(source, GetParam().row);
    if (GetParam().line == 0) {
        EXPECT_FALSE(line);
    } else {
        ASSERT_TRUE(line);
        EXPECT_EQ(line->Line, GetParam().line);
        EXPECT_EQ(OneLineNumber(source, GetParam().row), GetParam().line);
    }
}

// Row 0 is the header, 1 a heading, 3 a spacer, 64 past the grid; 28 is the
// first line under "Earnings by industry".
INSTANTIATE_TEST_SUITE_P(GridBuilders, OneLineChecksTest,
                         testing::Values(SilentCase{0, 0}, SilentCase{1, 0}, SilentCase{3, 0}, SilentCase{4, 0},
                                         SilentCase{46, 0}, SilentCase{2, 1}, SilentCase{5, 2}, SilentCase{14, 11},
                                         SilentCase{19, 12}, SilentCase{28, 19}, SilentCase{45, 36}));

TEST_F(GridBuilders, OneLineChecksRefuseOtherWindows)
{
    Grid zr5 = Build(Zr5Area3());
    ASSERT_TRUE(ReadOneLineSource(zr5, 2));

    Grid oneLine = zr5;
    oneLine.Tag = ChildKind::SOL;
    EXPECT_FALSE(ReadOneLineSource(oneLine, 2));

    Grid zr1 = zr5;
    zr1.Code = "ZR1";
    zr1.Caption = "ZR1 Current series 1948-2008 ~ Personal Income";
    EXPECT_FALSE(ReadOneLineSource(zr1, 2));

    Grid unknown = zr5;
    unknown.Code = "ZR9";
    unknown.Caption = "ZR9 something";
    EXPECT_FALSE(ReadOneLineSource(unknown, 2));

    Grid narrow = zr5;
    narrow.Resize(46, 1);
    EXPECT_FALSE(ReadOneLineSource(narrow, 2));
}

struct ShortenCase {
    const char *title;
    const char *shortened;
};

void PrintTo(const ShortenCase &c, std::ostream *os)
{
    *os << test::CaseText(c.title, 30) << " -> " << test::CaseText(c.shortened);
}

class ShortenLineTitleTest : public testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenLineTitleTest, DropsThroughTheWords)
{
    EXPECT_EQ(ShortenLineTitle(GetParam().title), GetParam().shortened);
}

INSTANTIATE_TEST_SUITE_P(
    GridBuilders, ShortenLineTitleTest,
    testing::Values(ShortenCase{"less:  Contributions", "Contributions"}, ShortenCase{"Farm earnings", "Farm earnings"},
                    ShortenCase{"Net earnings plus: Dividends", "Dividends"},
                    ShortenCase{"equals: Net earnings", "Net earnings"},
                    ShortenCase{"less: a plus: b equals: c", "c"}, ShortenCase{"Less: kept", "Less: kept"},
                    ShortenCase{"less:less: twice", "less: twice"}, ShortenCase{"less:", ""}));

// --- damaged and missing files -----------------------------------------------

// ZR6 (23 lines, 16 quarters) keeps these fixtures small.
TableViewRequest Zr6Request(const TempFolder &folder, int area)
{
    TableViewRequest request;
    request.Paths = {"/nonexistent/", folder.Path(), false};
    request.Code = "ZR6";
    request.CurrentArea = area;
    request.QuarterSelected = Quarters("ZR6", {13, 14, 15, 16});
    return request;
}

OneLineSource Zr6Line(int line)
{
    return {"ZR6", line, "Line " + std::to_string(line), Quarters("ZR6", {13, 14, 15, 16})};
}

TEST(GridBuildersFiles, DataFileTooShortForTheAreaIsDamaged)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", PlainCell, 2);
    ASSERT_TRUE(BuildTableView(Zr6Request(folder, 2)));

    const Result<Grid> grid = BuildTableView(Zr6Request(folder, 3));
    ASSERT_FALSE(grid);
    EXPECT_EQ(grid.Error().kind, FailureKind::Damaged);
    EXPECT_NE(FailureText(grid.Error()).find(ToUpper(folder.Path() + "ZR6.dfx")), std::string::npos)
        << FailureText(grid.Error());

    // The one-line view needs all 60 area blocks.
    const Result<Grid> line = BuildOneLineView({"/nonexistent/", folder.Path(), false}, Zr6Line(1), false);
    ASSERT_FALSE(line);
    EXPECT_EQ(line.Error().kind, FailureKind::Damaged);
    EXPECT_NE(line.Error().path.find("ZR6.dfx"), std::string::npos);
}

// Print-all keeps the files open from area to area: every grid and every
// failure as a view built alone gives it.
TEST(GridBuildersFiles, FilesKeptBetweenAreasGiveTheSameGridsAndFailures)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", PlainCell, 2);
    TableViewFiles files;
    for (const int area : {1, 2, 3, 2, 0}) {
        const Result<Grid> kept = BuildTableView(Zr6Request(folder, area), files);
        const Result<Grid> alone = BuildTableView(Zr6Request(folder, area));
        ASSERT_EQ(static_cast<bool>(kept), static_cast<bool>(alone)) << area;
        if (!kept) {
            EXPECT_EQ(FailureText(kept.Error()), FailureText(alone.Error())) << area;
            continue;
        }
        EXPECT_EQ(kept->Caption, alone->Caption);
        ASSERT_EQ(kept->Rows(), alone->Rows());
        ASSERT_EQ(kept->Columns(), alone->Columns());
        for (int r = 0; r < kept->Rows(); ++r) {
            for (int c = 0; c < kept->Columns(); ++c)
                EXPECT_EQ(kept->Cell(r, c), alone->Cell(r, c)) << r << "," << c;
        }
    }
}

TEST(GridBuildersFiles, LineTitleFileTooShortIsDamaged)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", PlainCell, 3);
    std::vector<std::string> titles;
    for (int line = 1; line <= 20; ++line)
        titles.push_back(sample::LineTitleRecordText("0010", "Line"));
    const std::string path = folder.Write("ZR6line.csv", sample::CrLfLines(titles));

    const Result<Grid> grid = BuildTableView(Zr6Request(folder, 1));
    ASSERT_FALSE(grid);
    EXPECT_EQ(grid.Error().kind, FailureKind::Damaged);
    EXPECT_NE(FailureText(grid.Error()).find(ToUpper(path)), std::string::npos) << FailureText(grid.Error());
}

TEST(GridBuildersFiles, RecordWithoutTheShownQuartersIsDamaged)
{
    TempFolder folder;
    // Records with only 12 of the 16 quarter values: quarters 13-16 are missing.
    WriteTable(folder, "ZR6", PlainCell, 60);
    std::vector<std::string> records;
    for (int a = 1; a <= AreaCount; ++a) {
        for (int line = 1; line <= LineCount("ZR6"); ++line)
            records.push_back(sample::DataLine("01", '1', "ZR6", "0010", std::vector<std::string>(12, "         1"),
                                               std::string(12, '0')));
    }
    folder.Write("ZR6.dfx", sample::CrLfLines(records));

    const Result<Grid> grid = BuildTableView(Zr6Request(folder, 1));
    ASSERT_FALSE(grid);
    EXPECT_EQ(grid.Error().kind, FailureKind::Damaged);
    const Result<Grid> line = BuildOneLineView({"/nonexistent/", folder.Path(), false}, Zr6Line(2), false);
    ASSERT_FALSE(line);
    EXPECT_EQ(line.Error().kind, FailureKind::Damaged);

    // Nor do the quarters the records hold show: a record with fields
    // missing cannot say which of its values are which.
    TableViewRequest early = Zr6Request(folder, 1);
    early.QuarterSelected = Quarters("ZR6", {1, 12});
    const Result<Grid> shown = BuildTableView(early);
    ASSERT_FALSE(shown);
    EXPECT_EQ(shown.Error().detail, "its record for area 1, line 1 holds 18 fields where table ZR6 has 22");
}

// The one-line view reads line L of every area: a shown value that is not a
// number damages it, naming its area and line; a hidden withheld one does not.
TEST(GridBuildersFiles, OneLineViewWithAValueThatIsNoNumberIsDamaged)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", [](int area, int line, int k, bool unsuppressed) {
        if (line == 2 && k == 15 && (area == 7 || area == 9))
            return area == 7 ? Field{"  ABCDEFGH", '1'} : Field{"   12x4567", '0'};
        return PlainCell(area, line, k, unsuppressed);
    }, AreaCount, true);
    for (const bool unsuppressed : {false, true}) {
        const Result<Grid> line = BuildOneLineView({"/nonexistent/", folder.Path(), unsuppressed}, Zr6Line(2), false);
        ASSERT_FALSE(line);
        EXPECT_EQ(line.Error().kind, FailureKind::Damaged);
        EXPECT_EQ(line.Error().path, folder.Path() + (unsuppressed ? "ZR6.xxx" : "ZR6.dfx"));
        EXPECT_EQ(line.Error().detail, "its record for area " + std::string(unsuppressed ? "7" : "9")
                                           + ", line 2 holds a value for 2001.3 that is not a number");
    }
    OneLineSource other = Zr6Line(2);
    other.QuarterShown = Quarters("ZR6", {14, 16});
    const Result<Grid> shown = BuildOneLineView({"/nonexistent/", folder.Path(), false}, other, false);
    ASSERT_TRUE(shown) << FailureText(shown.Error());
}

struct MissingCase {
    const char *file; // removed from a complete folder
    bool oneLine;
};

void PrintTo(const MissingCase &c, std::ostream *os)
{
    *os << c.file << " missing, " << (c.oneLine ? "one-line view" : "table view");
}

class MissingFileTest : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingFileTest, NamesTheFileThatCannotBeOpened)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", PlainCell);
    std::filesystem::remove(folder.Path() + GetParam().file);
    const Result<Grid> grid = GetParam().oneLine
        ? BuildOneLineView({"/nonexistent/", folder.Path(), false}, Zr6Line(1), false)
        : BuildTableView(Zr6Request(folder, 1));
    ASSERT_FALSE(grid);
    EXPECT_EQ(grid.Error().kind, FailureKind::NotAccessible);
    EXPECT_EQ(ToUpper(grid.Error().path), ToUpper(folder.Path() + GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(GridBuildersFiles, MissingFileTest,
                         testing::Values(MissingCase{"ZR6.dfx", false}, MissingCase{"ZR6line.csv", false},
                                         MissingCase{"statcode.csv", false}, MissingCase{"ZR6.dfx", true},
                                         MissingCase{"statcode.csv", true}));

TEST(GridBuildersFiles, OneLineViewRefusesLinesOutsideTheTable)
{
    TempFolder folder;
    const DataPaths paths{"/nonexistent/", folder.Path(), false};
    for (const OneLineSource &source : {Zr6Line(0), Zr6Line(24), OneLineSource{"ZR1", 1, "Area 1", {}}}) {
        const Result<Grid> grid = BuildOneLineView(paths, source, false);
        ASSERT_FALSE(grid) << source.Code << " " << source.Line;
        EXPECT_EQ(grid.Error().kind, FailureKind::Usage);
    }
}

// --- column widths -------------------------------------------------------------

TEST(GridBuildersText, ColumnWidthsTakeTheWidestCellPlusAZero)
{
    Grid grid(3, 2);
    grid.SetCell(0, 0, "     Item");
    grid.SetCell(1, 0, "Personal income");
    grid.SetCell(0, 1, "2001.4");
    grid.SetCell(2, 1, "1,234,567");
    const auto widths = ColumnWidths(grid, [](std::string_view text) { return 2.0 * text.size() + 1; });
    EXPECT_EQ(widths, (std::vector<double>{31 + 3, 19 + 3}));
}

// Records whose value fields are all ten bytes wide are read field by field
// where they stand; a record of other widths is read along its commas. Both
// show every value as the general reading does, in any column order, in
// either mode. Area 1 holds numbers only; in area 2 a ten-byte line, in
// area 3 a line of other widths holds fields of any shape, and the view
// is damaged at the first shown one that is not a number.
TEST(GridBuildersTable, TenByteAndOtherRecordsShowTheGeneralReading)
{
    TempFolder folder;
    const std::string code = "ZR5";
    const int quarters = QuarterCount(code);
    const std::map<int, int> damagedLine{{2, 4}, {3, 5}}; // by area
    std::map<std::tuple<int, int, int, bool>, Field> written;
    const auto cell = [&](int area, int line, int k, bool unsuppressed) {
        std::mt19937_64 random(static_cast<std::uint64_t>(((area * 100 + line) * 1000 + k) * 2 + unsuppressed));
        const bool anyShape = damagedLine.count(area) && damagedLine.at(area) == line;
        Field field;
        do {
            field = {TenByteField(random), "0000000012 "[random() % 11]};
            // Every third line has fields of nine and eleven bytes in turn (the
            // record keeps its length), the value being its first ten.
            if (line % 3 == 2 && (k < quarters || quarters % 2 == 0))
                field.text = k % 2 == 1 ? field.text.substr(1) : field.text + std::to_string(k % 10);
        } while (!anyShape && !IsValueNumber(std::string_view(field.text).substr(0, 10)));
        if (anyShape && k == 7)
            field = {line % 3 == 2 ? "  12x4567" : "  ABCDEFGH", '0'};
        written[{area, line, k, unsuppressed}] = field;
        return field;
    };
    WriteTable(folder, code, cell, 3, true);

    for (const bool unsuppressed : {false, true}) {
        for (const bool reverse : {false, true}) {
            for (int area = 1; area <= 3; ++area) {
                TableViewRequest request;
                request.Paths = {"/nonexistent/", folder.Path(), unsuppressed};
                request.Code = code;
                request.CurrentArea = area;
                request.QuarterSelected.assign(static_cast<std::size_t>(quarters) + 1, 0);
                for (int k = 1; k <= quarters; k += 1 + (k % 4 == 0))
                    request.QuarterSelected[static_cast<std::size_t>(k)] = 1;
                request.Reverse = reverse;
                const Result<Grid> grid = BuildTableView(request);
                const std::vector<int> order = QuarterColumnOrder(request.QuarterSelected, quarters, reverse);
                if (damagedLine.count(area)) {
                    const int line = damagedLine.at(area);
                    int damaged = 0;
                    for (const int k : order) {
                        const Field &field = written.at({area, line, k, unsuppressed});
                        if (!GeneralCellText(std::string_view(field.text).substr(0, 10), field.flag, unsuppressed)) {
                            damaged = k;
                            break;
                        }
                    }
                    ASSERT_NE(damaged, 0);
                    ASSERT_FALSE(grid) << "area " << area;
                    EXPECT_EQ(grid.Error().kind, FailureKind::Damaged);
                    EXPECT_EQ(grid.Error().detail, "its record for area " + std::to_string(area) + ", line "
                                                       + std::to_string(line) + " holds a value for "
                                                       + QuarterLabel(damaged, code) + " that is not a number");
                    continue;
                }
                ASSERT_TRUE(grid) << FailureText(grid.Error());
                ASSERT_EQ(grid->Columns(), 1 + static_cast<int>(order.size()));
                int line = 0;
                for (int r = 1; r < grid->Rows(); ++r) {
                    if (HeadingCaption(r, code) != "X")
                        continue;
                    ++line;
                    for (int c = 1; c < grid->Columns(); ++c) {
                        const int k = order[static_cast<std::size_t>(c - 1)];
                        const Field &field = written.at({area, line, k, unsuppressed});
                        ASSERT_EQ(grid->Cell(r, c),
                                  GeneralCellText(std::string_view(field.text).substr(0, 10), field.flag, unsuppressed))
                            << "area " << area << " line " << line << " quarter " << k << " field "
                            << test::CaseText(field.text) << " flag " << field.flag;
                        ASSERT_EQ(grid->Alignment(r, c), CellAlignment::RightCenter);
                    }
                }
                ASSERT_EQ(line, LineCount(code));
            }
        }
    }
}

} // namespace
} // namespace tarvel
