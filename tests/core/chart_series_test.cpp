#include "core/views/chart_series.h"

#include "core/catalog/table_catalog.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "sample_data.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

using test::CellFunction;
using test::Field;
using test::PlainCell;
using test::Quarters;
// A published zero is a point of the chart, a blank field a gap.
constexpr auto SpecialCell = test::Zr5SpecialCell;

// The area list, code's line titles and both data files for all 60 areas.
void WriteTable(const TempFolder &folder, const std::string &code, const CellFunction &cell)
{
    std::vector<std::string> areaLines;
    for (const auto &area : sample::Areas())
        areaLines.push_back(sample::AreaRecordText(area));
    folder.Write("statcode.csv", sample::CrLfLines(areaLines));

    const int lines = LineCount(code);
    std::vector<std::string> titles;
    for (int line = 1; line <= lines; ++line) {
        const std::string title = code == "ZR1" ? "Area " + std::to_string(line) : "  Line " + std::to_string(line);
        titles.push_back(code == "ZR1" ? title : sample::LineTitleRecordText("0010", title));
    }
    folder.Write(code + "line.csv", sample::CrLfLines(titles));

    for (const bool unsuppressed : {false, true}) {
        std::vector<std::string> records;
        const int blocks = code == "ZR1" ? 1 : AreaCount;
        for (int a = 1; a <= blocks; ++a) {
            for (int line = 1; line <= lines; ++line) {
                const int area = code == "ZR1" ? line : a;
                const auto &info = sample::Areas()[static_cast<std::size_t>(area - 1)];
                std::vector<std::string> values;
                std::string flags;
                for (int k = 1; k <= QuarterCount(code); ++k) {
                    const Field f = cell(area, line, k, unsuppressed);
                    values.push_back(f.text);
                    flags += f.flag;
                }
                records.push_back(sample::DataLine(info.code, info.region, code, "0010", values, flags));
            }
        }
        folder.Write(code + (unsuppressed ? ".xxx" : ".dfx"), sample::CrLfLines(records));
    }
}

DataPaths Paths(const TempFolder &folder, bool unsuppressed = false)
{
    return {folder.Path(), folder.Path(), unsuppressed};
}

Grid TableView(const DataPaths &paths, const std::string &code, int area, std::vector<std::uint8_t> quarters,
               bool reverse = false)
{
    TableViewRequest request;
    request.Paths = paths;
    request.Code = code;
    request.CurrentArea = area;
    request.QuarterSelected = std::move(quarters);
    request.Reverse = reverse;
    Result<Grid> grid = BuildTableView(request);
    EXPECT_TRUE(grid) << FailureText(grid.Error());
    return grid ? *grid : Grid();
}

Result<ChartData> ChartOf(const Grid &grid, const std::vector<int> &rows, const DataPaths &paths)
{
    const ChartSelection selection = ChartFromGrid(grid, rows, paths);
    EXPECT_EQ(selection.Problem, ChartProblem::None);
    return BuildChart(selection.Request);
}

// Every point with a value shows in the grid as the cell of its row and
// quarter; a gap is a withheld or blank cell there.
void ExpectPointsMatchGrid(const ChartSeries &series, const Grid &grid, int row)
{
    for (const ChartPoint &point : series.Points) {
        int column = 0;
        for (int c = 1; c < grid.Columns(); ++c) {
            if (grid.Cell(0, c) == point.Label)
                column = c;
        }
        ASSERT_GT(column, 0) << point.Label;
        EXPECT_EQ(point.CellText, grid.Cell(row, column)) << point.Label;
        if (point.Value) {
            EXPECT_EQ(WholeNumberText(*point.Value) + (point.Withheld ? " *" : ""), grid.Cell(row, column));
        }
    }
}

// ---- points, gaps and marks ---------------------------------------------------------

TEST(ChartSeries, WithheldAndBlankCellsAreGapsAndAPublishedZeroIsAPoint)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", SpecialCell);
    const Grid grid = TableView(Paths(folder), "ZR5", 3, Quarters("ZR5", {171, 172, 173, 174, 175, 176}));
    const Result<ChartData> chart = ChartOf(grid, {2}, Paths(folder));
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    ASSERT_EQ(chart->Series.size(), 1u);
    const std::vector<ChartPoint> &points = chart->Series[0].Points;
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[0].Value, 3001171.0);
    EXPECT_FALSE(points[1].Value); // (N)
    EXPECT_FALSE(points[2].Value); // (D)
    EXPECT_FALSE(points[3].Value); // blank
    EXPECT_EQ(points[4].Value, 0.0);
    EXPECT_EQ(points[5].Value, 1234567.0);
    EXPECT_EQ(points[1].CellText, "(N)");
    EXPECT_EQ(points[2].CellText, "(D)");
    EXPECT_TRUE(points[2].Withheld);
    EXPECT_FALSE(chart->HasWithheldPoints());
    EXPECT_EQ(chart->Series[0].Name, "Line 1 - Alaska");
    EXPECT_EQ(chart->Caption, grid.Caption + " - chart");
    ExpectPointsMatchGrid(chart->Series[0], grid, 2);
}

TEST(ChartSeries, UnsuppressedModeChartsWithheldValuesMarked)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", SpecialCell);
    const DataPaths paths = Paths(folder, true);
    const Grid grid = TableView(paths, "ZR5", 3, Quarters("ZR5", {172, 173, 174, 176}));
    const Result<ChartData> chart = ChartOf(grid, {2}, paths);
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    const std::vector<ChartPoint> &points = chart->Series[0].Points;
    EXPECT_EQ(points[0].Value, 987.5);
    EXPECT_TRUE(points[0].Withheld);
    EXPECT_EQ(points[0].CellText, "988 *");
    EXPECT_EQ(points[1].Value, -2500.4);
    EXPECT_FALSE(points[2].Value); // a blank field stays a gap
    EXPECT_FALSE(points[3].Withheld);
    EXPECT_TRUE(chart->HasWithheldPoints());
    EXPECT_EQ(chart->Caption, grid.Caption + " - chart UNSUPPRESSED");
    ExpectPointsMatchGrid(chart->Series[0], grid, 2);
}

TEST(ChartSeries, ReversedYearsStillRunOldestToNewest)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", PlainCell);
    const Grid grid = TableView(Paths(folder), "ZR5", 5, Quarters("ZR5", {1, 2, 100, 176}), true);
    ASSERT_EQ(grid.Cell(0, 1), "2001.4");
    const Result<ChartData> chart = ChartOf(grid, {2, 5}, Paths(folder));
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    EXPECT_EQ(chart->Labels, (std::vector<std::string>{"1958.1", "1958.2", "1982.4", "2001.4"}));
    ASSERT_EQ(chart->Series.size(), 2u);
    EXPECT_EQ(chart->Series[1].Line, 2); // grid row 5 is the second data line
    EXPECT_EQ(chart->Series[1].Name, "Line 2"); // the area is in the title
    EXPECT_EQ(chart->Series[1].Points.front().Value, 5002001.0);
    EXPECT_EQ(chart->Series[1].Points.back().Value, 5002176.0);
    ExpectPointsMatchGrid(chart->Series[0], grid, 2);
    ExpectPointsMatchGrid(chart->Series[1], grid, 5);
}

TEST(ChartSeries, EndQuartersOfTheLastAreaAndLine)
{
    TempFolder folder;
    WriteTable(folder, "ZR7H", PlainCell);
    const int last = QuarterCount("ZR7H");
    const Grid grid = TableView(Paths(folder), "ZR7H", 60, Quarters("ZR7H", {1, last}));
    const int lastRow = grid.Rows() - 1;
    const Result<ChartData> chart = ChartOf(grid, {lastRow}, Paths(folder));
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    const ChartSeries &series = chart->Series[0];
    EXPECT_EQ(series.Line, LineCount("ZR7H"));
    EXPECT_EQ(series.Points.front().Value, 60000000.0 + 14000.0 + 1);
    EXPECT_EQ(series.Points.back().Value, 60000000.0 + 14000.0 + last);
    EXPECT_EQ(chart->Unit, "") << "ZR7H prints without a units line";
    ExpectPointsMatchGrid(series, grid, lastRow);
}

TEST(ChartSeries, Zr1ChartsItsAreaRowsOverAllQuarters)
{
    TempFolder folder;
    WriteTable(folder, "ZR1", PlainCell);
    std::vector<std::uint8_t> all(static_cast<std::size_t>(QuarterCount("ZR1")) + 1, 255);
    all[0] = 0;
    const Grid grid = TableView(Paths(folder), "ZR1", 0, all);
    // Rows 1, 3..13: areas 1..12 (row 2 is a spacer).
    std::vector<int> rows{1, 2};
    for (int r = 3; r <= 13; ++r)
        rows.push_back(r);
    const Result<ChartData> chart = ChartOf(grid, rows, Paths(folder));
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    ASSERT_EQ(chart->Series.size(), 12u);
    EXPECT_EQ(chart->Labels.size(), 241u);
    EXPECT_EQ(chart->Series[11].Area, 12);
    EXPECT_EQ(chart->Series[11].Name, "Area 12");
    EXPECT_EQ(chart->Unit, "Millions of dollars, seasonally adjusted at annual rates");
    ExpectPointsMatchGrid(chart->Series[0], grid, 1);
    ExpectPointsMatchGrid(chart->Series[11], grid, 13);
}

TEST(ChartSeries, OneLineViewChartsItsLineForTheChosenAreas)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", SpecialCell);
    OneLineSource source;
    source.Code = "ZR5";
    source.Line = 1;
    source.Title = "Line 1";
    source.QuarterShown = Quarters("ZR5", {173, 174, 175, 176});
    const Result<Grid> grid = BuildOneLineView(Paths(folder), source, true);
    ASSERT_TRUE(grid) << FailureText(grid.Error());
    // Rows 1, 4 and 63: areas 1, 3 and 60; rows 54 and 55 are a spacer and a heading.
    const Result<ChartData> chart = ChartOf(*grid, {63, 4, 54, 55, 1}, Paths(folder));
    ASSERT_TRUE(chart) << FailureText(chart.Error());
    ASSERT_EQ(chart->Series.size(), 3u);
    EXPECT_EQ(chart->Series[0].Area, 1);
    EXPECT_EQ(chart->Series[1].Area, 3);
    EXPECT_EQ(chart->Series[2].Area, 60);
    EXPECT_EQ(chart->Series[1].Line, 1);
    EXPECT_EQ(chart->Series[1].Name, "Alaska"); // the line is in the title
    EXPECT_EQ(chart->Labels.front(), "2001.1");
    ExpectPointsMatchGrid(chart->Series[0], *grid, 1);
    ExpectPointsMatchGrid(chart->Series[1], *grid, 4);
    ExpectPointsMatchGrid(chart->Series[2], *grid, 63);
}

// ---- the plotted points as CSV -------------------------------------------------------

// Exactly the points drawn: one row per quarter, a column per line shown,
// gaps empty, values with the digits they were published with.
TEST(ChartSeries, PlottedPointsAsCsv)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", SpecialCell);
    for (const bool unsuppressed : {false, true}) {
        const DataPaths paths = Paths(folder, unsuppressed);
        const Grid grid = TableView(paths, "ZR5", 3, Quarters("ZR5", {171, 172, 173, 174, 175, 176}));
        Result<ChartData> chart = ChartOf(grid, {5, 2}, paths);
        ASSERT_TRUE(chart) << FailureText(chart.Error());
        const std::string withheld = unsuppressed ? "987.5" : "";
        const std::string negative = unsuppressed ? "-2500.4" : "";
        EXPECT_EQ(ChartCsvText(*chart, {true, true}),
                  "\"Quarter\",\"Line 1\",\"Line 2\"\r\n"
                  "\"2000.3\",3001171,3002171\r\n"
                  "\"2000.4\"," + withheld + ",3002172\r\n"
                  "\"2001.1\"," + negative + ",3002173\r\n"
                  "\"2001.2\",,3002174\r\n"
                  "\"2001.3\",0,3002175\r\n"
                  "\"2001.4\",1234567,3002176\r\n")
            << unsuppressed;

        // A hidden line is left out; a quote in a name is doubled.
        chart->Series[1].Name = "Say \"when\"";
        EXPECT_TRUE(ChartCsvText(*chart, {false}).starts_with("\"Quarter\",\"Say \"\"when\"\"\"\r\n\"2000.3\",3002171\r\n"));
        EXPECT_TRUE(ChartCsvText(*chart, {false, false}).starts_with("\"Quarter\"\r\n\"2000.3\"\r\n"));
    }
    // Large and small values keep every digit, never an exponent.
    ChartData data;
    data.Labels = {"2008.1"};
    data.Series.push_back({1, 1, "", "", "A", {{1, "2008.1", 1e15, "", false}}});
    data.Series.push_back({2, 1, "", "", "B", {{1, "2008.1", 0.125, "", false}}});
    EXPECT_EQ(ChartCsvText(data, {}), "\"Quarter\",\"A\",\"B\"\r\n\"2008.1\",1000000000000000,0.125\r\n");
}

// ---- what cannot be charted -----------------------------------------------------------

TEST(ChartSeries, SelectionsThatCannotBeCharted)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", PlainCell);
    const DataPaths paths = Paths(folder);
    const Grid grid = TableView(paths, "ZR5", 2, Quarters("ZR5", {176}));

    // Row 1 is a heading, row 3 a spacer.
    ChartSelection selection = ChartFromGrid(grid, {1, 3}, paths);
    EXPECT_EQ(selection.Problem, ChartProblem::HeadingRow);
    EXPECT_EQ(ChartProblemMessage(selection)->Text,
              "A heading row has no numbers to chart. Select one or more lines.");

    // Thirteen data lines, headings among them not counted.
    std::vector<int> rows;
    for (int r = 1; r <= 20; ++r)
        rows.push_back(r);
    selection = ChartFromGrid(grid, rows, paths);
    EXPECT_EQ(selection.Problem, ChartProblem::TooMany);
    EXPECT_EQ(selection.Count, 13);
    EXPECT_EQ(ChartProblemMessage(selection)->Text,
              "A chart compares up to 12 lines at once; 13 are selected. Select fewer lines.");
    rows.pop_back();
    EXPECT_EQ(ChartFromGrid(grid, rows, paths).Problem, ChartProblem::None);

    Grid noQuarters = grid;
    noQuarters.Resize(grid.Rows(), 1);
    EXPECT_EQ(ChartFromGrid(noQuarters, {2}, paths).Problem, ChartProblem::NoQuarters);

    Grid document = grid;
    document.Tag = ChildKind::Document;
    EXPECT_EQ(ChartFromGrid(document, {2}, paths).Problem, ChartProblem::NotChartable);
    Grid unknown;
    EXPECT_EQ(ChartFromGrid(unknown, {2}, paths).Problem, ChartProblem::NotChartable);
}

TEST(ChartSeries, TooManyAreasOfAOneLineView)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", PlainCell);
    OneLineSource source{"ZR5", 2, "Line 2", Quarters("ZR5", {1})};
    const Result<Grid> grid = BuildOneLineView(Paths(folder), source, false);
    ASSERT_TRUE(grid);
    std::vector<int> rows;
    for (int r = 1; r <= 63; ++r)
        rows.push_back(r);
    const ChartSelection selection = ChartFromGrid(*grid, rows, Paths(folder));
    EXPECT_EQ(selection.Problem, ChartProblem::TooMany);
    EXPECT_EQ(selection.Count, 60);
    EXPECT_EQ(ChartProblemMessage(selection)->Text,
              "A chart compares up to 12 areas at once; 60 are selected. Select fewer areas.");
    EXPECT_EQ(ChartFromGrid(*grid, {2, 54, 55}, Paths(folder)).Problem, ChartProblem::HeadingRow);
}

// One value axis, one unit: ZR4's population (persons) and per-capita
// income (dollars) chart alone or with lines of their own unit, never with
// the lines of millions of dollars or with each other.
TEST(ChartSeries, LinesOfDifferentUnitsAreNotChartedTogether)
{
    TempFolder folder;
    WriteTable(folder, "ZR4", PlainCell);
    std::vector<std::string> titles;
    for (int line = 1; line <= LineCount("ZR4"); ++line) {
        const std::string title = line == 2 ? "  Population (persons)"
            : line == 3                     ? "Per capita personal income (dollars)"
                                            : "Line " + std::to_string(line);
        titles.push_back(sample::LineTitleRecordText("0010", title));
    }
    folder.Write("ZR4line.csv", sample::CrLfLines(titles));
    const DataPaths paths = Paths(folder);
    const Grid grid = TableView(paths, "ZR4", 2, Quarters("ZR4", {240, 241}));
    const std::string dollars = "Millions of dollars, seasonally adjusted at annual rates";

    // Lines 1 to 3 stand in grid rows 2 to 4; line 4 in row 7.
    const struct {
        std::vector<int> rows;
        std::vector<std::string> units; // one: charted in it; more: refused
    } cases[] = {
        {{2}, {dollars}},
        {{2, 7}, {dollars}},
        {{3}, {"persons"}},
        {{4, 1}, {"dollars"}},
        {{4, 3}, {"persons", "dollars"}},
        {{7, 3, 2}, {dollars, "persons"}},
        {{2, 3, 4}, {dollars, "persons", "dollars"}},
    };
    for (const auto &c : cases) {
        const ChartSelection selection = ChartFromGrid(grid, c.rows, paths, SeriesOrder::AsGiven);
        if (c.units.size() == 1) {
            ASSERT_EQ(selection.Problem, ChartProblem::None) << c.rows.front();
            const Result<ChartData> chart = BuildChart(selection.Request);
            ASSERT_TRUE(chart) << FailureText(chart.Error());
            EXPECT_EQ(chart->Unit, c.units.front()) << c.rows.front();
            continue;
        }
        EXPECT_EQ(selection.Problem, ChartProblem::MixedUnits) << c.rows.front();
        EXPECT_EQ(selection.Units, c.units) << c.rows.front();
    }
    EXPECT_EQ(ChartProblemMessage(ChartFromGrid(grid, {3, 4}, paths))->Text,
              "A chart measures its lines on one value axis, in one unit; the lines selected are in \"persons\" "
              "and \"dollars\". Select lines of one unit.");

    // Asked for directly, lines of two units are refused too.
    ChartRequest request = ChartFromGrid(grid, {2}, paths).Request;
    request.Lines = {{2, 1}, {2, 2}};
    const Result<ChartData> mixed = BuildChart(request);
    ASSERT_FALSE(mixed);
    EXPECT_EQ(mixed.Error().kind, FailureKind::Usage);
}

TEST(ChartSeries, FilesThatCannotBeReadGiveTheirFailure)
{
    TempFolder folder;
    WriteTable(folder, "ZR6", PlainCell);
    const Grid grid = TableView(Paths(folder), "ZR6", 1, Quarters("ZR6", {16}));
    const ChartSelection selection = ChartFromGrid(grid, {1}, Paths(folder));
    ASSERT_EQ(selection.Problem, ChartProblem::None);

    // A data file cut short after the first area.
    const std::string record = sample::DataLine("00", '0', "ZR6", "0010", std::vector<std::string>(16, "         1"),
                                                std::string(16, '0'));
    ChartRequest request = selection.Request;
    request.Lines = {{2, 1}};
    folder.Write("ZR6.dfx", record + "\r\n");
    Result<ChartData> chart = BuildChart(request);
    ASSERT_FALSE(chart);
    EXPECT_EQ(chart.Error().kind, FailureKind::Damaged);

    std::filesystem::remove(folder.Path() + "ZR6.dfx");
    chart = BuildChart(request);
    ASSERT_FALSE(chart);
    EXPECT_EQ(chart.Error().kind, FailureKind::NotAccessible);
}

// A charted value that is not a number damages the chart as it damages the
// table view; a withheld one is not read unless the mode shows it.
TEST(ChartSeries, AValueThatIsNoNumberDamagesTheChart)
{
    TempFolder folder;
    WriteTable(folder, "ZR5", [](int area, int line, int k, bool unsuppressed) {
        if (area == 3 && line <= 2 && k == 170)
            return line == 1 ? Field{"   12x4567", '0'} : Field{"  ABCDEFGH", '1'};
        return PlainCell(area, line, k, unsuppressed);
    });
    const Grid grid = TableView(Paths(folder), "ZR5", 3, Quarters("ZR5", {169, 171}));
    const ChartSelection selection = ChartFromGrid(grid, {2}, Paths(folder));
    ASSERT_EQ(selection.Problem, ChartProblem::None);
    ChartRequest request = selection.Request;
    request.QuarterShown = Quarters("ZR5", {169, 170});
    for (const bool unsuppressed : {false, true}) {
        request.Paths = Paths(folder, unsuppressed);
        for (const int line : {1, 2}) {
            request.Lines = {{3, line}};
            const Result<ChartData> chart = BuildChart(request);
            if (line == 2 && !unsuppressed) {
                ASSERT_TRUE(chart) << FailureText(chart.Error());
                EXPECT_EQ(chart->Series[0].Points[1].CellText, "(D)");
                EXPECT_FALSE(chart->Series[0].Points[1].Value);
                continue;
            }
            ASSERT_FALSE(chart) << "line " << line;
            EXPECT_EQ(chart.Error().kind, FailureKind::Damaged);
            EXPECT_EQ(chart.Error().path, folder.Path() + (unsuppressed ? "ZR5.xxx" : "ZR5.dfx"));
            EXPECT_EQ(chart.Error().detail, "its record for area 3, line " + std::to_string(line)
                                                + " holds a value for " + QuarterLabel(170, "ZR5")
                                                + " that is not a number");
        }
    }
}

TEST(ChartSeries, ValueFieldsThatHoldANumber)
{
    for (const char *text : {"         0", "   1234567", "-2500.4", "+42", "  .5", "-.25", "1E15", "987.6r"})
        EXPECT_TRUE(HoldsNumber(text)) << text;
    for (const char *text : {"", "          ", "(NA)", "-", " + ", ".", "-.", "E5"})
        EXPECT_FALSE(HoldsNumber(text)) << text;
}

} // namespace
} // namespace tarvel
