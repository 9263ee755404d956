#include "core/export/script_tables.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/area_sort.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvel {
namespace {

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

// A small grid with a heading row, a withheld cell of each kind and an
// unsuppressed value, in both forms.
TEST(ScriptTables, GridFormsHoldEveryDataRowWithFlags)
{
    Grid grid(4, 3);
    grid.Caption = "ZR6 SIC series 1998-2001 ~ Alabama [01]";
    grid.SetCell(0, 0, "     Item");
    grid.SetCell(0, 1, "2001.3");
    grid.SetCell(0, 2, "2001.4");
    grid.SetCell(1, 0, "Compensation");
    grid.SetCell(1, 1, "1,234");
    grid.SetCell(1, 2, "(D)");
    grid.SetCell(2, 0, "Industries");
    grid.SetCell(3, 0, "  Farms");
    grid.SetCell(3, 1, "(N)");
    grid.SetCell(3, 2, "-56 *");
    const std::vector<ScriptRow> rows{{1, "0010", "Compensation", "01"}, {3, "0040", "Farms", "21"}};

    EXPECT_EQ(GridCsv(grid, rows), "\"code\",\"title\",\"2001.3\",\"2001.4\",\"flags\"\n"
                                   "\"0010\",\"Compensation\",1234,,\".D\"\n"
                                   "\"0040\",\"Farms\",,-56,\"ND\"\n");
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
              "    {\"code\": \"0010\", \"title\": \"Compensation\", \"values\": [1234, null], \"reasons\": [null, \"D\"]},\n"
              "    {\"code\": \"0040\", \"title\": \"Farms\", \"values\": [null, -56], \"reasons\": [\"N\", \"D\"]}\n"
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
            EXPECT_EQ(row.Title, Trim(grid->Cell(row.GridRow, 0)));
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

} // namespace
} // namespace tarvel
