#include "core/export/clipboard_text.h"

#include "export_fixture.h"
#include "table_fixture.h"

#include <gtest/gtest.h>

namespace tarvel {

// A drag from one corner of a block to the other. GridSelection belongs to
// the core, so its printer sits in namespace tarvel, where lookup finds it.
static void PrintTo(const GridSelection &s, std::ostream *os)
{
    *os << "cell " << s.row << ',' << s.column << " to " << s.selectionRow << ',' << s.selectionColumn;
}

namespace {

using test::WindowGrid;

TEST(ClipboardText, OneCellDropsTheThousandsSeparators)
{
    const auto text = ClipboardText(WindowGrid(), {1, 1, 1, 1});
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, test::ExpectedExport("clipboard_one_cell.txt"));
}

// The block of rows 1-3 and columns 2-3, dragged from each of its corners.
class ClipboardDrag : public testing::TestWithParam<GridSelection> {};

TEST_P(ClipboardDrag, AnyDragDirectionGivesTheSameBlock)
{
    const auto text = ClipboardText(WindowGrid(), GetParam());
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, test::ExpectedExport("clipboard_block.txt"));
}

INSTANTIATE_TEST_SUITE_P(Corners, ClipboardDrag,
                         testing::Values(GridSelection{1, 2, 3, 3}, GridSelection{3, 3, 1, 2},
                                         GridSelection{3, 2, 1, 3}, GridSelection{1, 3, 3, 2},
                                         // corners past the grid are held to its data cells
                                         GridSelection{0, 2, 9, 3}));

// Rows chosen one by one (Ctrl+click) copy those rows alone, in grid order;
// columns likewise; listed rows past the data cells are left out.
TEST(ClipboardText, RowsAndColumnsChosenOneByOneCopyOnlyThose)
{
    const std::string block = test::ExpectedExport("clipboard_block.txt");
    // The block's lines: caption, empty line, labels, then rows 1, 2, 3.
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < block.size();) {
        const std::size_t end = block.find("\r\n", start) + 2;
        lines.push_back(block.substr(start, end - start));
        start = end;
    }
    ASSERT_EQ(lines.size(), 6u);

    const ScatteredCells rows{{1, 3, 99}, {2, 3}};
    const auto text = ClipboardText(WindowGrid(), GridSelection{1, 2, 3, 3}, &rows);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, lines[0] + lines[1] + lines[2] + lines[3] + lines[5]);

    // Column 3 alone of rows 1 and 3.
    const ScatteredCells cells{{1, 3}, {3}};
    const auto column = ClipboardText(WindowGrid(), GridSelection{1, 2, 3, 3}, &cells);
    ASSERT_TRUE(column);
    EXPECT_EQ(*column, lines[0] + lines[1] + "\t2001.3\t\r\nCompensation of employees\t12\r\nForestry, fishing\t3\r\n");
}

} // namespace
} // namespace tarvel
