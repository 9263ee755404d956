#include "core/views/computed_view.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/export/batch_command.h"
#include "core/print/text_target.h"
#include "core/views/area_sort.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvel {
namespace {

const DataPaths Paths{"/nonexistent/", test::SampleDataDir(), false};

std::vector<std::uint8_t> Shown(const std::string &code, int first, int last)
{
    std::vector<std::uint8_t> shown(static_cast<std::size_t>(QuarterCount(code)) + 1, 0);
    for (int k = first; k <= last; ++k)
        shown[static_cast<std::size_t>(k)] = 255;
    return shown;
}

Grid TableView(const std::string &code, int area, int first, int last, bool reverse)
{
    TableViewRequest request;
    request.Paths = Paths;
    request.Code = code;
    request.CurrentArea = area;
    request.QuarterSelected = Shown(code, first, last);
    request.Reverse = reverse;
    Result<Grid> grid = BuildTableView(request);
    EXPECT_TRUE(grid) << code;
    return grid ? *grid : Grid();
}

Grid Computed(const Grid &published, Units unit, int base = 0)
{
    Result<Grid> grid = ComputeGrid(published, UnitsChoice{unit, base}, Paths);
    EXPECT_TRUE(grid) << published.Caption << ": " << (grid ? "" : FailureText(grid.Error()));
    return grid ? *grid : Grid();
}

// The first table whose lines are not the areas.
std::string LinesTable()
{
    for (const std::string &code : TableCodes()) {
        if (ShapeOf(code) != TableShape::AreaRows)
            return code;
    }
    return {};
}

// A computed window over the last quarters of a table, newest first: its
// caption names the units, a growth rate reaches back before the shown
// quarters (worked out here from the whole table's figures), a share of the
// nation's own view is 100, and the oldest shown quarter is the index base.
TEST(ComputedView, FiguresFollowTheTableNotTheWindow)
{
    const std::string code = LinesTable();
    const int last = QuarterCount(code);
    const Grid whole = TableView(code, 6, 1, last, false);
    const Grid published = TableView(code, 6, last - 3, last, true);
    ASSERT_TRUE(whole.Model && published.Model);

    const Grid pc1 = Computed(published, Units::PercentChangeFromYearAgo);
    EXPECT_EQ(pc1.Caption, published.Caption + " ~ Percent change from a year ago, computed from the published values");
    ASSERT_EQ(pc1.Columns(), 5);
    int checked = 0;
    for (int r = 1; r < pc1.Rows(); ++r) {
        EXPECT_EQ(pc1.Cell(r, 0), published.Cell(r, 0));
        const ModelRow &row = whole.Model->Rows[static_cast<std::size_t>(r - 1)];
        if (row.Kind != RowKind::Data)
            continue;
        EXPECT_EQ(pc1.Model->Rows[static_cast<std::size_t>(r - 1)].Unit, "percent");
        for (int c = 1; c < 5; ++c) {
            const int k = last + 1 - c;
            const Figure &now = row.Figures[static_cast<std::size_t>(k - 1)];
            const Figure &then = row.Figures[static_cast<std::size_t>(k - 5)];
            if (now.State != FigureState::Published || then.State != FigureState::Published || then.Value <= 0
                || now.Value <= 0)
                continue;
            const Figure expected{(now.Value / then.Value - 1.0) * 100.0, FigureState::Published, '0'};
            EXPECT_EQ(pc1.Cell(r, c), FigureText(UnitsEntryOf(Units::PercentChangeFromYearAgo), expected))
                << "row " << r << " " << pc1.Cell(0, c);
            ++checked;
        }
    }
    EXPECT_GT(checked, 4);

    const Grid nationShare = Computed(TableView(code, 1, last - 3, last, false), Units::Share);
    const Grid index = Computed(published, Units::Index);
    EXPECT_NE(index.Caption.find(" ~ Index, " + QuarterLabel(last - 3, code) + " = 100, computed"), std::string::npos)
        << index.Caption;
    for (int r = 1; r < nationShare.Rows(); ++r) {
        const ModelRow &row = nationShare.Model->Rows[static_cast<std::size_t>(r - 1)];
        for (std::size_t c = 0; c < row.Figures.size(); ++c) {
            if (row.Figures[c].State == FigureState::Published && row.Figures[c].Value != 0) {
                EXPECT_EQ(nationShare.Cell(r, static_cast<int>(c) + 1), "100.00") << r;
            }
        }
        const std::vector<Figure> &indexed = index.Model->Rows[static_cast<std::size_t>(r - 1)].Figures;
        if (indexed.size() == 4 && indexed[3].State == FigureState::Published) {
            EXPECT_EQ(index.Cell(r, 4), "100.0") << r;
        }
    }

    const Result<Grid> outside = ComputeGrid(published, UnitsChoice{Units::Index, last + 1}, Paths);
    ASSERT_FALSE(outside);
    EXPECT_EQ(outside.Error().kind, FailureKind::Usage);
    EXPECT_EQ(ComputeGrid(published, UnitsChoice{}, Paths)->Caption, published.Caption);
}

// A one-line view's share: the nation's row is 100, each state's is its
// share in its own table view, a sorted window keeps its order; annual
// averages have a column per whole year.
TEST(ComputedView, OneLineViewsShareAndYears)
{
    const std::string code = LinesTable();
    const int last = QuarterCount(code);
    OneLineSource source;
    source.Code = code;
    source.Line = 1;
    source.QuarterShown = Shown(code, last - 9, last);
    const Result<Grid> oneLine = BuildOneLineView(Paths, source, false);
    ASSERT_TRUE(oneLine);

    const Grid share = Computed(*oneLine, Units::Share);
    const Grid stateShare = Computed(TableView(code, 6, last - 9, last, false), Units::Share);
    int nationRow = 0;
    int stateRow = 0;
    for (int r = 1; r < share.Rows(); ++r) {
        const int area = share.Model->Rows[static_cast<std::size_t>(r - 1)].Code;
        nationRow = area == 1 && nationRow == 0 ? r : nationRow;
        stateRow = area == 6 && stateRow == 0 ? r : stateRow;
    }
    ASSERT_TRUE(nationRow != 0 && stateRow != 0);
    int stateLineRow = 0;
    for (int r = 1; r < stateShare.Rows() && stateLineRow == 0; ++r)
        stateLineRow = stateShare.Model->Rows[static_cast<std::size_t>(r - 1)].Code == 1 ? r : 0;
    for (int c = 1; c < share.Columns(); ++c) {
        const ModelRow &nation = share.Model->Rows[static_cast<std::size_t>(nationRow - 1)];
        if (nation.Figures[static_cast<std::size_t>(c - 1)].State == FigureState::Published) {
            EXPECT_EQ(share.Cell(nationRow, c), "100.00");
        }
        EXPECT_EQ(share.Cell(stateRow, c), stateShare.Cell(stateLineRow, c)) << share.Cell(0, c);
    }

    const Grid sorted = SortedAreaGrid(*oneLine, 3, AreaOrder::HighestFirst);
    const Grid sortedShare = Computed(sorted, Units::Share);
    for (int r = 1; r < sorted.Rows(); ++r)
        EXPECT_EQ(sortedShare.Cell(r, 0), sorted.Cell(r, 0));

    const Grid annual = Computed(*oneLine, Units::Annual);
    const std::vector<int> &years = annual.Model->Years;
    ASSERT_EQ(annual.Columns(), 1 + static_cast<int>(years.size()));
    for (std::size_t c = 0; c < years.size(); ++c) {
        EXPECT_EQ(annual.Cell(0, static_cast<int>(c) + 1), std::to_string(years[c]));
        // The table holds the year's first and last quarter.
        EXPECT_GE(QuarterIndex(std::to_string(years[c]) + ".1", code), 1);
        EXPECT_LE(QuarterIndex(std::to_string(years[c]) + ".4", code), last);
    }
    EXPECT_GE(years.size(), 2u);
}

// "Copy as command" names the units of a window (its quarters from its
// figures, also where its columns are years) and the printed title says them.
TEST(ComputedView, CommandAndPrintedTitleNameTheUnits)
{
    // ZR6N of area 5, 2008.1 back to 2007.2.
    const Grid published = TableView("ZR6N", 5, 26, 29, true);
    const std::string start = "tarvel-batch --data " + Paths.DataFolder
        + " print --table ZR6N --areas 5 --quarters 2007.2-2008.1 --output /tmp/w.txt --reverse";
    const std::string tableUnit = "(" + std::string(ValueUnit("ZR6N")) + ")";
    PrintOptions print;
    print.PrintToFile = true;
    print.PrintFileName = "/tmp/w.txt";
    struct Case {
        UnitsChoice choice;
        std::string tail;     // of the command
        std::string unitLine; // the printed title's second line
    };
    for (const Case &c : {Case{{Units::Level, 0}, "", tableUnit},
                          Case{{Units::PercentChangeFromYearAgo, 0}, " --units pc1", "(Percent)"},
                          Case{{Units::Index, 27}, " --units index --base 2007.3", "(Index)"},
                          Case{{Units::Annual, 0}, " --units annual", tableUnit}}) {
        const Grid grid = Computed(published, c.choice.Unit, c.choice.BaseQuarter);
        EXPECT_EQ(PrintWindowCommand({}, Paths, PrintSnapshot::FromGrid(grid), print, false).Text, start + c.tail);
        test::TempFolder folder;
        PrintOptions file = print;
        file.PrintFileName = folder.Path() + "out.txt";
        test::RecordingSink sink;
        const auto target = MakeFileTarget(file.PrintFileName, [] { return std::string("stamp"); });
        ASSERT_EQ(PrintWindow(PrintSnapshot::FromGrid(grid), *target, file, Paths, sink), PrintStatus::Printed);
        const std::string text = ReadWholeFile(file.PrintFileName).value_or("");
        EXPECT_NE(text.find(" " + c.unitLine + "\r\n"), std::string::npos) << text.substr(0, 300);
        EXPECT_NE(text.find(PrintAreaText(grid.Caption, grid.Tag)), std::string::npos);
    }
    // Print-all: an index without a base takes the oldest quarter selected.
    EXPECT_EQ(PrintAllCommand({}, Paths, "ZR6N", {5}, Shown("ZR6N", 20, 21), false, print, {Units::Index, 0}).Text,
              "tarvel-batch --data " + Paths.DataFolder
                  + " print --table ZR6N --areas 5 --quarters 2005.4-2006.1 --output /tmp/w.txt --units index "
                    "--base 2005.4");
}

// Areas ranked by computed figures go by the figures, not by the texts
// they are rounded to: 1.04 ranks above 1.01, though both show "1.0".
TEST(ComputedView, RankingGoesByTheComputedFigures)
{
    const Result<Grid> published = BuildOneLineView(Paths, {"ZR6N", 1, "Compensation", Shown("ZR6N", 28, 29)}, false);
    ASSERT_TRUE(published);
    TableModel model = *Computed(*published, Units::PercentChange).Model;
    std::vector<int> ranked; // grid rows of the ranked areas
    for (std::size_t r = 0; r < model.Rows.size(); ++r) {
        const int area = AreaRowLayout().DataLine(static_cast<int>(r) + 1);
        if (model.Rows[r].Kind == RowKind::Data && area >= FirstRankedArea && area <= LastRankedArea) {
            for (Figure &figure : model.Rows[r].Figures)
                figure = Figure{ranked.empty() ? 1.01 : 1.0, FigureState::Published, '0'};
            ranked.push_back(static_cast<int>(r) + 1);
        }
    }
    ASSERT_GE(ranked.size(), 3u);
    model.Rows[static_cast<std::size_t>(ranked.back() - 1)].Figures[0].Value = 1.04;
    Grid grid = RenderGrid(model);
    grid.Tag = ChildKind::SOL;
    grid.Model = std::make_shared<TableModel>(model);
    ASSERT_EQ(grid.Cell(ranked.front(), 1), grid.Cell(ranked.back(), 1));
    const std::vector<int> order = AreaRowOrder(grid, 1, AreaOrder::HighestFirst);
    EXPECT_EQ(order[static_cast<std::size_t>(ranked[0])], ranked.back());
    EXPECT_EQ(order[static_cast<std::size_t>(ranked[1])], ranked.front());
}

} // namespace
} // namespace tarvel
