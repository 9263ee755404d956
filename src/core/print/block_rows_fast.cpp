// The print engine's measuring of the cells, from the grid's cell blocks
// (block_rows_fast.h has the rows copied from them). A block is 16 bytes: a
// text of up to 15 characters in its first bytes, its length in the last
// (Grid::BlockLength; more than 15 for a longer text, which stands
// elsewhere and is Grid::Cell's).

#include "core/print/block_rows_fast.h"

#include <algorithm>

namespace tarvel::fast {

namespace {

constexpr std::size_t Block = Grid::BlockSize;
constexpr std::size_t Inline = Grid::BlockSize - 1; // the longest text a block holds

} // namespace

std::optional<std::size_t> LongestDataCell(const Grid &grid, int row)
{
    std::size_t longest = 0;
    const char *block = grid.RowBlocks(row);
    for (int c = 1; c < grid.Columns(); ++c) {
        block += Block;
        std::size_t length = Grid::BlockLength(block);
        if (length > Inline)
            length = grid.Cell(row, c).size();
        longest = std::max(longest, length);
    }
    return longest;
}

} // namespace tarvel::fast
