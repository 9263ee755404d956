#include "core/views/table_model.h"

#include "core/catalog/data_records.h"
#include "core/catalog/table_catalog.h"
#include "core/export/script_tables.h"
#include "core/views/area_sort.h"
#include "core/views/computed_view.h"
#include "core/views/data_row_fast.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "table_fixture.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace tarvel {
namespace {

// The same number to the bit (a minus zero is not a zero).
bool SameNumber(double a, double b)
{
    return a == b && std::signbit(a) == std::signbit(b);
}

// The model of a built grid against its cells: a model row per grid row
// with its title, a spacer exactly where the row is drawn at half height,
// and per data cell a figure that renders to the cell's text and is the
// plain reading of the value in the row's record.
::testing::AssertionResult ModelShowsGrid(const Grid &grid)
{
    const TableModel *model = grid.Model.get();
    if (!model)
        return ::testing::AssertionFailure() << "no model";
    if (model->Code != grid.Code || static_cast<int>(model->Rows.size()) != grid.Rows() - 1
        || static_cast<int>(model->Quarters.size()) != grid.Columns() - 1)
        return ::testing::AssertionFailure() << "the model's table, rows or quarters differ from the grid's";
    DataRecordView record;
    for (int r = 1; r < grid.Rows(); ++r) {
        const ModelRow &row = model->Rows[static_cast<std::size_t>(r - 1)];
        if (row.Title != grid.Cell(r, 0) || (row.Kind == RowKind::Spacer) != grid.HalfHeight(r))
            return ::testing::AssertionFailure() << "row " << r << " is \"" << row.Title << "\"";
        if (row.Kind != RowKind::Data)
            continue;
        if (static_cast<int>(row.Figures.size()) != grid.Columns() - 1)
            return ::testing::AssertionFailure() << "row " << r << " holds " << row.Figures.size() << " figures";
        record.Split(row.Record);
        for (int c = 1; c < grid.Columns(); ++c) {
            const Figure &figure = row.Figures[static_cast<std::size_t>(c - 1)];
            const int k = model->Quarters[static_cast<std::size_t>(c - 1)];
            const Figure plain = ReadFigure(record.ValueText(k), record.Flag(k), model->Unsuppressed);
            if (FigureText(figure) != grid.Cell(r, c) || !(figure == plain) || !SameNumber(figure.Value, plain.Value))
                return ::testing::AssertionFailure() << "row " << r << " column " << c << " shows \""
                                                     << grid.Cell(r, c) << "\", its figure \"" << FigureText(figure)
                                                     << "\" (" << figure.Value << "), the record " << plain.Value;
        }
    }
    return ::testing::AssertionSuccess();
}

// The grid rendered from a model against the one the builder wrote: every
// cell's text and alignment and every row's height.
::testing::AssertionResult SameCells(const Grid &rendered, const Grid &built)
{
    if (rendered.Rows() != built.Rows() || rendered.Columns() != built.Columns())
        return ::testing::AssertionFailure() << rendered.Rows() << "x" << rendered.Columns() << " rendered, "
                                             << built.Rows() << "x" << built.Columns() << " built";
    for (int r = 0; r < built.Rows(); ++r) {
        if (rendered.HalfHeight(r) != built.HalfHeight(r))
            return ::testing::AssertionFailure() << "row " << r << "'s height";
        for (int c = 0; c < built.Columns(); ++c) {
            if (rendered.Cell(r, c) != built.Cell(r, c) || rendered.Alignment(r, c) != built.Alignment(r, c))
                return ::testing::AssertionFailure() << "cell " << r << "," << c << " \"" << rendered.Cell(r, c)
                                                     << "\", built \"" << built.Cell(r, c) << "\"";
        }
    }
    return ::testing::AssertionSuccess();
}

// Every table of the sample data (a table view of one area, all quarters,
// and a one-line view of each table whose lines are not the areas), in
// both modes: the model holds what the cells show and renders to the same
// grid, the listing taken from
// it is the one read again from the files, and a sorted grid's model
// follows its rows.
TEST(TableModel, SampleGridsHoldTheirCellsValues)
{
    for (const bool unsuppressed : {false, true}) {
        const DataPaths paths{"/nonexistent/", test::SampleDataDir(), unsuppressed};
        for (const std::string &code : TableCodes()) {
            TableViewRequest request;
            request.Paths = paths;
            request.Code = code;
            request.CurrentArea = 6;
            request.QuarterSelected.assign(static_cast<std::size_t>(QuarterCount(code)) + 1, 255);
            std::vector<Result<Grid>> grids;
            grids.push_back(BuildTableView(request));
            ASSERT_TRUE(grids[0]) << code << ": " << FailureText(grids[0].Error());
            // The one-line view of the table's second line, as its window opens it.
            for (int r = 1; r < grids[0]->Rows() && ShapeOf(code) != TableShape::AreaRows; ++r) {
                if (grids[0]->Model->Rows[static_cast<std::size_t>(r - 1)].Code != 2)
                    continue;
                const std::optional<OneLineSource> source = ReadOneLineSource(*grids[0], r);
                ASSERT_TRUE(source) << code;
                grids.push_back(BuildOneLineView(paths, *source, true));
                break;
            }
            EXPECT_EQ(grids.size(), ShapeOf(code) == TableShape::AreaRows ? 1u : 2u) << code;
            for (const Result<Grid> &grid : grids) {
                ASSERT_TRUE(grid) << code << ": " << FailureText(grid.Error());
                EXPECT_EQ(grid->Code, code);
                EXPECT_TRUE(ModelShowsGrid(*grid)) << grid->Caption << (unsuppressed ? " unsuppressed" : "");
                EXPECT_TRUE(SameCells(RenderGrid(*grid->Model), *grid)) << grid->Caption;

                const Result<std::vector<ScriptRow>> fromModel = ModelScriptRows(paths, *grid);
                const Result<std::vector<ScriptRow>> fromFiles = ReadScriptRows(paths, *grid);
                ASSERT_TRUE(fromModel && fromFiles) << grid->Caption;
                ASSERT_EQ(fromModel->size(), fromFiles->size()) << grid->Caption;
                for (std::size_t i = 0; i < fromModel->size(); ++i) {
                    const ScriptRow &a = (*fromModel)[i];
                    const ScriptRow &b = (*fromFiles)[i];
                    EXPECT_TRUE(a.GridRow == b.GridRow && a.Code == b.Code && a.Title == b.Title && a.Flags == b.Flags
                                && a.Values == b.Values && a.Unit == b.Unit)
                        << grid->Caption << " row " << b.GridRow;
                }

                if (!GridRowsAreAreas(*grid))
                    continue;
                for (int c = 1; c < grid->Columns(); c += 17) {
                    const Grid sorted = SortedAreaGrid(*grid, c, AreaOrder::HighestFirst);
                    EXPECT_TRUE(ModelShowsGrid(sorted)) << sorted.Caption;
                }
            }
        }
    }
}

#if !defined(TARVEL_PLAIN_CODE)
// A random ten-byte value field: a sign or none, digits with a point
// anywhere or none, blanks before (and sometimes one after).
std::string RandomField(std::mt19937_64 &random)
{
    std::string text = random() % 4 == 0 ? "-" : "";
    const auto digits = 1 + random() % 9;
    const auto point = random() % 12;
    for (unsigned i = 0; i < digits; ++i)
        text += i == point && i != 0 ? '.' : static_cast<char>('0' + random() % 10);
    const std::size_t trailing = random() % 3 == 0 && text.size() < 10 ? 1 : 0;
    return std::string(10 - text.size() - trailing, ' ') + text + std::string(trailing, ' ');
}

// The quick reading of a row gives every shown value the number (and the
// state) the plain reading gives it.
TEST(TableModel, QuickRowsGiveThePlainReadingsNumbers)
{
    std::vector<std::string> fields{"         0", "       0.5", "      -0.5", "  99999.99", "9999999999",
                                    "1234567890", "-123456789", "   12345.6", "  -1234.56", "     0.049",
                                    "  9876543.", "        0.", " 123456.78", "12345678.9", "1.23456789",
                                    "-1.2345678", "-12345678.", "      12  ", "   1.5E+03", "          "};
    std::mt19937_64 random(3407);
    while (fields.size() % 12 != 0 || fields.size() < 12000)
        fields.push_back(RandomField(random));
    std::vector<int> quarters(12);
    std::vector<int> columnOf(13, 0);
    for (int k = 1; k <= 12; ++k) {
        quarters[static_cast<std::size_t>(k - 1)] = k;
        columnOf[static_cast<std::size_t>(k)] = k;
    }
    for (std::size_t first = 0; first < fields.size(); first += 12) {
        std::string record = "01,0,ZR1 ,0010,  SA";
        for (std::size_t i = first; i < first + 12; ++i)
            record += "," + fields[i];
        const std::string flags = first % 24 == 0 ? "000000000000" : "0102000030D0";
        record += "," + flags + "\r\n";
        for (const bool unsuppressed : {false, true}) {
            Grid grid(1, 13);
            std::vector<Figure> figures(12);
            const std::optional<int> damaged = fast::FillCheckedRow(grid, 0, record, quarters, columnOf, unsuppressed,
                                                                    CellAlignment::RightCenter, figures.data());
            if (!damaged || *damaged != 0)
                continue;
            for (std::size_t c = 0; c < 12; ++c) {
                const Figure plain = ReadFigure(fields[first + c], flags[c], unsuppressed);
                EXPECT_TRUE(figures[c] == plain && SameNumber(figures[c].Value, plain.Value))
                    << "\"" << fields[first + c] << "\" read " << figures[c].Value << ", plainly " << plain.Value;
                EXPECT_EQ(FigureText(figures[c]), grid.Cell(0, static_cast<int>(c) + 1)) << fields[first + c];
            }
        }
    }
}
#endif

} // namespace
} // namespace tarvel
