#include "core/views/computed_view.h"

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

} // namespace
} // namespace tarvel
