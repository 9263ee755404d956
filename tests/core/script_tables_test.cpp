#include "core/export/script_tables.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/area_sort.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "export_fixture.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

TEST(ScriptTables, FormatWordsAreTheListingForms)
{
    EXPECT_EQ(ListingFormatNames("|"), "text|csv|json");
    EXPECT_EQ(ListingFormatNamed("csv"), ListingFormat::Csv);
    EXPECT_EQ(ListingFormatNamed("json"), ListingFormat::Json);
    EXPECT_EQ(ListingFormatNamed("text"), ListingFormat::Text);
    for (const char *word : {"CSV", "comma", "", "json "})
        EXPECT_EQ(ListingFormatNamed(word), std::nullopt) << word;
}

// Texts are quoted (a quote doubled) and turned into UTF-8, numbers stand
// bare, an empty number is an empty field or null.
TEST(ScriptTables, ListsQuoteTextsAndLeaveNumbersBare)
{
    ScriptList list;
    list.Names = {"number", "name", "share"};
    list.Records.push_back({ScriptField::Num(1), ScriptField::Of("Caf\xe9 \"Nord\""), ScriptField::Num("12.5")});
    list.Records.push_back({ScriptField::Num(2), ScriptField::Of("tab\there\\"), ScriptField::Num("")});
    EXPECT_EQ(ListCsv(list), "\"number\",\"name\",\"share\"\n"
                             "1,\"Caf\xc3\xa9 \"\"Nord\"\"\",12.5\n"
                             "2,\"tab\there\\\",\n");
    EXPECT_EQ(ListJson("items", list, {{"table", ScriptField::Of("ZR6")}}),
              "{\n"
              "  \"table\": \"ZR6\",\n"
              "  \"items\": [\n"
              "    {\"number\": 1, \"name\": \"Caf\xc3\xa9 \\\"Nord\\\"\", \"share\": 12.5},\n"
              "    {\"number\": 2, \"name\": \"tab\\u0009here\\\\\", \"share\": null}\n"
              "  ]\n"
              "}\n");
    EXPECT_EQ(ListJson("items", ScriptList{{"a"}, {}}), "{\n  \"items\": []\n}\n");
}

TEST(ScriptTables, PlainNumberIsTheCellWithoutGroupCommas)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"1,234,567", "1234567"}, {"-2,500", "-2500"}, {"0", "0"}, {"1,234 *", "1234"}, {" 17 ", "17"},
        {"(D)", ""}, {"(N)", ""}, {"", ""}, {"-", ""}, {"1,2x", ""}, {"*", ""},
        {"12.5", "12.5"}, {"-0.25", "-0.25"}, {"1.2.3", ""}, {"-.5", ""}, {"5-", ""}, {"--5", ""},
        {"1 2", ""}, {std::string(70, '9'), ""},
    };
    for (const auto &[cell, number] : cases)
        EXPECT_EQ(PlainNumber(cell), number) << cell;
}

// A small grid with a heading row, a withheld cell of each kind, an
// unsuppressed value and values as stored (a point first, an exponent), in
// both forms: JSON puts a zero before a leading point.
TEST(ScriptTables, GridFormsHoldEveryDataRowWithFlags)
{
    Grid grid(6, 3);
    grid.Code = "ZR6";
    grid.Caption = "ZR6 SIC series 1998-2001 ~ Alabama [01]";
    grid.SetCell(0, 0, "     Item");
    grid.SetCell(5, 0, "Big");
    grid.SetCell(0, 1, "2001.3");
    grid.SetCell(0, 2, "2001.4");
    grid.SetCell(1, 0, "Compensation");
    grid.SetCell(1, 1, "1,234");
    grid.SetCell(1, 2, "(D)");
    grid.SetCell(2, 0, "Industries");
    grid.SetCell(3, 0, "  Farms");
    grid.SetCell(3, 1, "(N)");
    grid.SetCell(3, 2, "-56 *");
    const std::vector<ScriptRow> rows{{1, "0010", "Compensation", "01", {"1234.4", ""}, "Millions"},
                                      {3, "0040", "  Farms", "21", {"", "-.5"}, ""},
                                      {5, "0050", "Big", "00", {".001", "1E+48"}, "persons"}};

    EXPECT_EQ(GridCsv(grid, rows), "\"code\",\"title\",\"2001.3\",\"2001.4\",\"flags\",\"unit\"\n"
                                   "\"0010\",\"Compensation\",1234.4,,\".D\",\"Millions\"\n"
                                   "\"0040\",\"  Farms\",,-.5,\"ND\",\n"
                                   "\"0050\",\"Big\",.001,1E+48,\"..\",\"persons\"\n");
    ScriptGridInfo info;
    info.TableCode = "ZR6";
    EXPECT_EQ(GridJson(grid, rows, info),
              "{\n"
              "  \"table\": \"ZR6\",\n"
              "  \"caption\": \"ZR6 SIC series 1998-2001 ~ Alabama [01]\",\n"
              "  \"unit\": \"" + std::string(ValueUnit("ZR6")) + "\",\n"
              "  \"sorted\": null,\n"
              "  \"quarters\": [\"2001.3\", \"2001.4\"],\n"
              "  \"rows\": [\n"
              "    {\"code\": \"0010\", \"title\": \"Compensation\", \"unit\": \"Millions\", \"values\": [1234.4, null], "
              "\"reasons\": [null, \"D\"]},\n"
              "    {\"code\": \"0040\", \"title\": \"  Farms\", \"unit\": null, \"values\": [null, -0.5], "
              "\"reasons\": [\"N\", \"D\"]},\n"
              "    {\"code\": \"0050\", \"title\": \"Big\", \"unit\": \"persons\", \"values\": [0.001, 1E+48], "
              "\"reasons\": [null, null]}\n"
              "  ]\n"
              "}\n");
    info.TableCode = "ZR7H"; // printed without a unit
    info.SortQuarter = "2001.4";
    info.HighestFirst = false;
    const std::string json = GridJson(grid, {}, info);
    EXPECT_NE(json.find("\"unit\": null,\n  \"sorted\": {\"quarter\": \"2001.4\", \"order\": \"lowest first\"}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"rows\": []\n}\n"), std::string::npos) << json;

    // Rows follow a sort to the place it gives them.
    const std::vector<ScriptRow> shown = InShownOrder(rows, {0, 3, 2, 1});
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].Values, rows[1].Values);
    EXPECT_EQ(shown[0].Code, "0040");
    EXPECT_EQ(shown[0].GridRow, 1);
    EXPECT_EQ(shown[1].Code, "0010");
    EXPECT_EQ(shown[1].GridRow, 3);
}

// The codes and flags read again from the sample data agree with the grid
// the builders make: a line code for each line, an area code for each area,
// and a withheld flag exactly where a cell shows "(D)" or "(N)".
TEST(ScriptTables, RowsOfSampleGridsCarryTheirCodesAndFlags)
{
    const DataPaths paths{"/nonexistent/", test::SampleDataDir(), false};
    TableViewRequest request;
    request.Paths = paths;
    request.Code = "ZR6N";
    request.CurrentArea = 6;
    request.QuarterSelected.assign(static_cast<std::size_t>(QuarterCount("ZR6N")) + 1, 255);
    Result<Grid> table = BuildTableView(request);
    ASSERT_TRUE(table) << FailureText(table.Error());

    OneLineSource source{"ZR6N", 4, "Farms", request.QuarterSelected};
    Result<Grid> oneLine = BuildOneLineView(paths, source, true);
    ASSERT_TRUE(oneLine) << FailureText(oneLine.Error());
    const Result<std::vector<AreaRecord>> areas = ReadAreaList(AreaListFileName(paths));
    ASSERT_TRUE(areas);

    int withheld = 0;
    for (const Grid *grid : {&*table, &*oneLine}) {
        const Result<std::vector<ScriptRow>> rows = ReadScriptRows(paths, *grid);
        ASSERT_TRUE(rows) << FailureText(rows.Error());
        const bool areaRows = grid == &*oneLine;
        EXPECT_EQ(rows->size(), static_cast<std::size_t>(areaRows ? AreaCount : LineCount("ZR6N")));
        for (std::size_t i = 0; i < rows->size(); ++i) {
            const ScriptRow &row = (*rows)[i];
            EXPECT_EQ(row.Title, TrimRight(grid->Cell(row.GridRow, 0)));
            EXPECT_EQ(row.Unit, ValueUnit("ZR6N"));
            if (areaRows) {
                EXPECT_EQ(row.Code, (*areas)[i].code);
            } else {
                EXPECT_EQ(row.Code.size(), 4u) << row.Code;
            }
            ASSERT_EQ(row.Flags.size(), static_cast<std::size_t>(grid->Columns() - 1));
            for (int c = 1; c < grid->Columns(); ++c) {
                const std::string_view cell = grid->Cell(row.GridRow, c);
                const char flag = row.Flags[static_cast<std::size_t>(c - 1)];
                EXPECT_EQ(flag != '0', cell == "(D)" || cell == "(N)") << row.Title << " " << cell;
                // The value as stored, which the cell shows rounded.
                const std::string &value = row.Values[static_cast<std::size_t>(c - 1)];
                if (flag == '0') {
                    EXPECT_EQ(WholeNumberText(std::strtod(value.c_str(), nullptr)), cell) << row.Title << " " << value;
                } else {
                    EXPECT_EQ(value, "") << row.Title << " " << cell;
                }
                if (cell == "(D)") {
                    EXPECT_EQ(flag, '1');
                }
                withheld += flag != '0' ? 1 : 0;
            }
        }
    }
    EXPECT_GT(withheld, 0) << "the sample data should withhold some values";

    Grid unknown;
    EXPECT_FALSE(ReadScriptRows(paths, unknown));
}

// The values as stored, not the grid's rounding of them: decimals, a point
// first, exponents, a blank field and 1.5E48, which the grid shows in 49
// digits; a withheld cell has none but in unsuppressed mode. A line whose
// title names its unit has it, in a one-line view too. A shown value that
// is no number damages the record.
TEST(ScriptTables, RowsHoldTheValuesAsStoredAndTheirUnits)
{
    TempFolder folder;
    test::WriteExportFixture(folder);
    test::PutValueField(folder, "ZR6.dfx", "ZR6", 2, 1, 16, "  1.5E+48 ");
    std::string titles = test::FileBytes(folder.Path() + "ZR6line.csv");
    titles.replace(2 * 68 + 8, 20, "Workers (persons)   "); // line 3's title
    folder.Write("ZR6line.csv", titles);
    const auto rowsOf = [](const DataPaths &paths, const Result<Grid> &grid) {
        EXPECT_TRUE(grid) << FailureText(grid.Error());
        Result<std::vector<ScriptRow>> rows = grid ? ReadScriptRows(paths, *grid) : Failure();
        EXPECT_TRUE(rows) << FailureText(rows.Error());
        return rows ? *rows : std::vector<ScriptRow>(LineCount("ZR6"));
    };
    for (const bool unsuppressed : {false, true}) {
        TableViewRequest request;
        request.Paths = {"/nonexistent/", folder.Path(), unsuppressed};
        request.Code = "ZR6";
        request.CurrentArea = 2;
        request.QuarterSelected = test::Quarters("ZR6", {15, 16});
        const std::vector<ScriptRow> rows = rowsOf(request.Paths, BuildTableView(request));
        const std::vector<std::vector<std::string>> expected{
            {"20115", unsuppressed ? "20116" : "1.5E+48"},
            {unsuppressed ? "4444" : "", unsuppressed ? "8765" : ""},
            {"-12.5", ".5"},
            {"1234567.25", "1E+15"},
            {"1.5E+16", "0"},
        };
        for (std::size_t line = 0; line < expected.size(); ++line)
            EXPECT_EQ(rows[line].Values, expected[line]) << "line " << line + 1;
        EXPECT_EQ(rows[0].Unit, ValueUnit("ZR6"));
        EXPECT_EQ(rows[2].Unit, "persons");
    }
    const DataPaths paths{"/nonexistent/", folder.Path(), false};
    const Result<Grid> line = BuildOneLineView(paths, {"ZR6", 3, "Workers", test::Quarters("ZR6", {16})}, false);
    const std::vector<ScriptRow> rows = rowsOf(paths, line);
    EXPECT_EQ(rows[1].Values, std::vector<std::string>{".5"});
    EXPECT_EQ(rows[59].Unit, "persons");

    test::PutValueField(folder, "ZR6.dfx", "ZR6", 2, 3, 16, "   12.5x  ");
    const Result<std::vector<ScriptRow>> damaged = ReadScriptRows(paths, *line);
    ASSERT_FALSE(damaged);
    EXPECT_EQ(damaged.Error().kind, FailureKind::Damaged);
}

} // namespace
} // namespace tarvel
