#include "core/views/area_sort.h"

#include "core/catalog/data_files.h"
#include "core/catalog/table_catalog.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "export_fixture.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

constexpr int Nation = 1;
constexpr int FirstRegionArea = 53;

// A one-line grid of two quarters whose area rows hold "area name" titles
// and, in column 1, the text given for the area (a number by default), in
// column 2 the area's number.
Grid AreaGrid(const std::map<int, std::string> &column1 = {})
{
    const RowLayout layout = AreaRowLayout();
    Grid grid(64, 3);
    grid.Code = "ZR5N";
    grid.Caption = "ZR5N NAICS series 1990-2008 - Personal income";
    grid.Tag = ChildKind::SOL;
    grid.Line = 1;
    grid.SetCell(0, 0, "    State");
    grid.SetCell(0, 1, "2007.4");
    grid.SetCell(0, 2, "2008.1");
    for (int c = 0; c < 3; ++c)
        grid.SetColumnAlignment(c, CellAlignment::RightCenter);
    for (int r = 1; r < 64; ++r) {
        const int area = layout.DataLine(r);
        grid.SetHalfHeight(r, layout.Caption(r).empty());
        if (area == 0) {
            grid.SetCell(r, 0, layout.Caption(r));
            continue;
        }
        grid.SetCell(r, 0, "area " + std::to_string(area));
        const auto given = column1.find(area);
        // By default the later states hold the larger values.
        grid.SetCell(r, 1, given != column1.end() ? given->second : std::to_string(area * 10));
        grid.SetCell(r, 2, std::to_string(area));
        grid.SetCellAlignment(r, 2, CellAlignment::CenterCenter);
    }
    return grid;
}

// The area each shown row holds (0 for a heading or spacer).
std::vector<int> ShownAreas(const std::vector<int> &order)
{
    const RowLayout layout = AreaRowLayout();
    std::vector<int> areas;
    for (const int row : order)
        areas.push_back(layout.DataLine(row));
    return areas;
}

TEST(AreaSort, HeaderClicksCycleHighestLowestAreaOrder)
{
    struct Case {
        AreaOrder current;
        int currentColumn;
        int clicked;
        AreaOrder next;
    } const cases[] = {
        {AreaOrder::ByArea, 0, 3, AreaOrder::HighestFirst},
        {AreaOrder::HighestFirst, 3, 3, AreaOrder::LowestFirst},
        {AreaOrder::LowestFirst, 3, 3, AreaOrder::ByArea},
        {AreaOrder::HighestFirst, 3, 4, AreaOrder::HighestFirst},
        {AreaOrder::LowestFirst, 3, 1, AreaOrder::HighestFirst},
    };
    for (const Case &c : cases)
        EXPECT_EQ(NextAreaOrder(c.current, c.currentColumn, c.clicked), c.next) << c.clicked;
}

TEST(AreaSort, RankValueReadsWhatTheCellShows)
{
    const std::vector<std::pair<std::string, std::optional<double>>> cases{
        {"1,234,567", 1234567},  {"-2,500", -2500}, {"0", 0},        {"  42", 42},       {"1,234 *", 1234},
        {"-7 *", -7},            {"(D)", std::nullopt}, {"(N)", std::nullopt}, {"", std::nullopt},
        {"   ", std::nullopt},   {"*", std::nullopt},   {"12x4", std::nullopt}, {"ABC", std::nullopt},
    };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(RankValue(text), value) << '"' << text << '"';
}

TEST(AreaSort, StatesRankAmongThemselvesAndTheRestStays)
{
    // Equal values (areas 10 and 20) keep area order; withheld and empty
    // cells go last in area order, whichever way the states run.
    const Grid grid = AreaGrid({{Nation, "999,999"},
                                {5, "(D)"},
                                {9, "(N)"},
                                {10, "300"},
                                {20, "300"},
                                {30, ""},
                                {40, "-1,000"},
                                {FirstRegionArea, "1"},
                                {60, "5,000,000"}});
    const RowLayout layout = AreaRowLayout();

    for (const AreaOrder order : {AreaOrder::HighestFirst, AreaOrder::LowestFirst}) {
        const std::vector<int> shown = AreaRowOrder(grid, 1, order);
        ASSERT_EQ(shown.size(), 64u);
        std::vector<int> sorted = shown;
        std::sort(sorted.begin(), sorted.end());
        for (int r = 0; r < 64; ++r)
            EXPECT_EQ(sorted[static_cast<std::size_t>(r)], r) << "not a permutation";
        // Row 0, the nation, the spacers, the regions heading and the regions stay.
        for (int r = 0; r < 64; ++r) {
            const int area = layout.DataLine(r);
            if (area < FirstRankedArea || area > LastRankedArea) {
                EXPECT_EQ(shown[static_cast<std::size_t>(r)], r) << r;
            }
        }
        const std::vector<int> areas = ShownAreas(shown);
        const std::vector<int> states(areas.begin() + 3, areas.begin() + 54);
        EXPECT_EQ(std::vector<int>(states.end() - 3, states.end()), (std::vector<int>{5, 9, 30}));
        std::vector<double> values;
        for (std::size_t i = 0; i + 3 < states.size(); ++i)
            values.push_back(*RankValue(grid.Cell(states[i] + 1, 1)));
        if (order == AreaOrder::HighestFirst) {
            EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));
            EXPECT_EQ(states.front(), 52);
            EXPECT_EQ(states[47], 40); // -1,000 is the lowest of the 48 with a value
        } else {
            EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
            EXPECT_EQ(states.front(), 40);
        }
        const auto at10 = std::find(states.begin(), states.end(), 10);
        const auto at20 = std::find(states.begin(), states.end(), 20);
        EXPECT_LT(at10, at20) << "equal values keep area order";
    }
    std::vector<int> own(64);
    for (int r = 0; r < 64; ++r)
        own[static_cast<std::size_t>(r)] = r;
    EXPECT_EQ(AreaRowOrder(grid, 1, AreaOrder::ByArea), own);
    EXPECT_EQ(AreaRowOrder(grid, 0, AreaOrder::HighestFirst), own);
}

TEST(AreaSort, SortedGridMovesWholeRowsAndSaysHowInItsCaption)
{
    const Grid grid = AreaGrid();
    const Grid sorted = SortedAreaGrid(grid, 2, AreaOrder::HighestFirst);
    EXPECT_EQ(sorted.Caption, "ZR5N NAICS series 1990-2008 - Personal income - sorted by 2008.1, highest first");
    EXPECT_EQ(SortedAreaGrid(grid, 1, AreaOrder::LowestFirst).Caption,
              "ZR5N NAICS series 1990-2008 - Personal income - sorted by 2007.4, lowest first");
    ASSERT_EQ(sorted.Rows(), grid.Rows());
    // Highest first: area 52 on the first state row, area 2 on the last.
    EXPECT_EQ(sorted.Cell(3, 0), "area 52");
    EXPECT_EQ(sorted.Cell(3, 1), "520");
    EXPECT_EQ(sorted.Cell(3, 2), "52");
    EXPECT_EQ(sorted.Alignment(3, 2), CellAlignment::CenterCenter);
    EXPECT_EQ(sorted.Alignment(3, 1), CellAlignment::RightCenter);
    EXPECT_EQ(sorted.Cell(53, 0), "area 2");
    EXPECT_EQ(sorted.Cell(1, 0), "area 1");
    EXPECT_EQ(sorted.Cell(55, 0), "    ZUL Regions");
    EXPECT_TRUE(sorted.HalfHeight(54));
    EXPECT_EQ(sorted.Cell(63, 0), "area 60");
    EXPECT_EQ(sorted.Tag, ChildKind::SOL);
    EXPECT_EQ(sorted.Line, 1);

    // Area order, a column outside the grid and a grid of lines stay as they are.
    for (const Grid &same :
         {SortedAreaGrid(grid, 2, AreaOrder::ByArea), SortedAreaGrid(grid, 3, AreaOrder::HighestFirst)}) {
        EXPECT_EQ(same.Caption, grid.Caption);
        EXPECT_EQ(same.Cell(3, 0), "area 2");
    }
    Grid lines = grid;
    lines.Tag = ChildKind::TableView;
    EXPECT_FALSE(GridRowsAreAreas(lines));
    EXPECT_EQ(SortedAreaGrid(lines, 2, AreaOrder::HighestFirst).Cell(3, 0), "area 2");
    lines.Code = "ZR1";
    lines.Caption = "ZR1 Current series 1948-2008 ~ Personal Income";
    EXPECT_TRUE(GridRowsAreAreas(lines));

    EXPECT_EQ(ColumnOfQuarter(grid, "2008.1"), 2);
    EXPECT_EQ(ColumnOfQuarter(grid, " 2007.4 "), 1);
    EXPECT_EQ(ColumnOfQuarter(grid, "2007.3"), std::nullopt);
    EXPECT_EQ(ColumnOfQuarter(grid, "    State"), std::nullopt);
}

// The sample data's one-line view and ZR1's table, sorted by every
// quarter: the states' values never rise (or fall) down the rows, and
// every row of the grid is still there.
TEST(AreaSort, SampleGridsSortByEveryQuarter)
{
    DataPaths paths{"/nonexistent/", test::SampleDataDir(), false};
    OneLineSource source;
    source.Code = "ZR6N";
    source.Line = 1;
    source.Title = "Compensation";
    source.QuarterShown.assign(static_cast<std::size_t>(QuarterCount("ZR6N")) + 1, 255);
    Result<Grid> oneLine = BuildOneLineView(paths, source, false);
    ASSERT_TRUE(oneLine) << FailureText(oneLine.Error());
    TableViewRequest request;
    request.Paths = paths;
    request.Code = "ZR1";
    request.QuarterSelected.assign(static_cast<std::size_t>(QuarterCount("ZR1")) + 1, 255);
    Result<Grid> zr1 = BuildTableView(request);
    ASSERT_TRUE(zr1) << FailureText(zr1.Error());

    const RowLayout layout = AreaRowLayout();
    for (const Grid *grid : {&*oneLine, &*zr1}) {
        for (int c = 1; c < grid->Columns(); c += 7) {
            const Grid sorted = SortedAreaGrid(*grid, c, AreaOrder::LowestFirst);
            std::vector<std::string> before;
            std::vector<std::string> after;
            std::optional<double> last;
            bool withheldSeen = false;
            for (int r = 1; r < grid->Rows(); ++r) {
                before.push_back(std::string(grid->Cell(r, 0)) + "|" + std::string(grid->Cell(r, c)));
                after.push_back(std::string(sorted.Cell(r, 0)) + "|" + std::string(sorted.Cell(r, c)));
                const int area = layout.DataLine(r);
                if (area < FirstRankedArea || area > LastRankedArea)
                    continue;
                const std::optional<double> value = RankValue(sorted.Cell(r, c));
                if (!value) {
                    withheldSeen = true;
                    continue;
                }
                EXPECT_FALSE(withheldSeen) << "a value after a withheld cell, column " << c << " row " << r;
                if (last) {
                    EXPECT_LE(*last, *value) << grid->Caption << " column " << c << " row " << r;
                }
                last = value;
            }
            std::sort(before.begin(), before.end());
            std::sort(after.begin(), after.end());
            EXPECT_EQ(before, after) << grid->Caption << " column " << c;
        }
    }
}

// A one-line view ranks the states by their values as stored: .25 above 0
// and a blank field, which all show 0, -0.3 below them; the blank field and
// a withheld cell last either way, ties in area order. So does ZR1's table.
TEST(AreaSort, StatesRankByTheirValuesAsStored)
{
    test::TempFolder folder;
    test::WriteExportFixture(folder); // area 3 of ZR6's line 2 is withheld in 2001.2
    const int zr1Last = QuarterCount("ZR1");
    for (const auto &[area, text] : std::map<int, std::string>{{5, "       .25"}, {6, "          "},
                                                               {7, "      -0.3"}, {8, "       0.4"},
                                                               {9, "         0"}, {10, "       0.4"}}) {
        test::PutValueField(folder, "ZR6.dfx", "ZR6", area, 2, 14, text);
        test::PutValueField(folder, "ZR1.dfx", "ZR1", 1, area, zr1Last, text);
    }
    const DataPaths paths{"/nonexistent/", folder.Path(), false};
    const Result<Grid> oneLine = BuildOneLineView(paths, {"ZR6", 2, "Farms", test::Quarters("ZR6", {14})}, false);
    ASSERT_TRUE(oneLine) << FailureText(oneLine.Error());
    std::vector<int> rest{2, 4};
    for (int area = 11; area <= LastRankedArea; ++area)
        rest.push_back(area);
    std::vector<int> lowest{7, 9, 5, 8, 10};
    lowest.insert(lowest.end(), rest.begin(), rest.end());
    std::vector<int> highest(rest.rbegin(), rest.rend());
    highest.insert(highest.end(), {8, 10, 5, 9, 7});
    for (std::vector<int> *order : {&lowest, &highest})
        order->insert(order->end(), {3, 6});
    for (const AreaOrder order : {AreaOrder::LowestFirst, AreaOrder::HighestFirst}) {
        const std::vector<int> areas = ShownAreas(AreaRowOrder(*oneLine, 1, order));
        EXPECT_EQ(std::vector<int>(areas.begin() + 3, areas.begin() + 54),
                  order == AreaOrder::LowestFirst ? lowest : highest);
    }
    TableViewRequest request;
    request.Paths = paths;
    request.Code = "ZR1";
    request.QuarterSelected = test::Quarters("ZR1", {zr1Last});
    const Result<Grid> zr1 = BuildTableView(request);
    ASSERT_TRUE(zr1) << FailureText(zr1.Error());
    const std::vector<int> areas = ShownAreas(AreaRowOrder(*zr1, 1, AreaOrder::LowestFirst));
    EXPECT_EQ(std::vector<int>(areas.begin() + 3, areas.begin() + 6), (std::vector<int>{7, 9, 5}));
    EXPECT_EQ(areas[53], 6);

    // A file changed since the grid was read leaves the ranking to the cells.
    Grid stale = *oneLine;
    stale.SetCell(8, 1, "99,999,999");
    EXPECT_EQ(StoredRankValues(stale, 1), std::nullopt);
    EXPECT_EQ(ShownAreas(AreaRowOrder(stale, 1, AreaOrder::HighestFirst))[3], 7);
}

} // namespace
} // namespace tarvel
