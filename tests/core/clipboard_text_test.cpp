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

} // namespace
} // namespace tarvel
