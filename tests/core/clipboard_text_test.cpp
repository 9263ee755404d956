#include "core/export/clipboard_text.h"

#include "export_fixture.h"

#include <gtest/gtest.h>

namespace tarvel {

// A drag from one corner of a block to the other. GridSelection belongs to
// the core, so its printer sits in namespace tarvel, where lookup finds it.
static void PrintTo(const GridSelection &s, std::ostream *os)
{
    *os << "cell " << s.row << ',' << s.column << " to " << s.selectionRow << ',' << s.selectionColumn;
}

namespace {

// A table window's grid: quarter labels in row 0, row titles in column 0.
Grid WindowGrid()
{
    const std::vector<std::vector<std::string>> cells{
        {"", "2001.1", "2001.2", "2001.3"},
        {"Compensation of employees", "1,234,567", "(D)", "12"},
        {"Farm compensation", "-2,500", "(N)", "7,000"},
        {"Forestry, fishing", "0", "1,000,000", "3"},
    };
    Grid grid(4, 4);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            grid.SetCell(r, c, cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
    }
    grid.Caption = "ZR6 SIC series 1998-2001 ~ Alabama [01]";
    return grid;
}

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

} // namespace
} // namespace tarvel
