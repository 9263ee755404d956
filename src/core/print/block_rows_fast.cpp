// Printed rows copied from the grid's cell blocks. A block is 16 bytes: a
// text of up to 15 characters in its first bytes, its length in the last
// (Grid::BlockLength; more than 15 for a longer text, which stands elsewhere
// and is Grid::Cell's). Copying a whole block, text and all, is one 16-byte
// move; what it brings past the text is written over by the next copy or
// lies past the row's end, in room the caller gave.

#include "core/print/block_rows_fast.h"

#include "core/catalog/copy_text.h"

#include <algorithm>
#include <cstring>

namespace tarvel::fast {

namespace {

constexpr std::size_t Block = Grid::BlockSize;
constexpr std::size_t Inline = Grid::BlockSize - 1; // the longest text a block holds

std::size_t ColumnCount(int firstColumn, int lastColumn)
{
    return lastColumn >= firstColumn ? static_cast<std::size_t>(lastColumn - firstColumn + 1) : 0;
}

bool InGrid(const Grid &grid, int row, int firstColumn, int lastColumn)
{
    return grid.RowBlocks(row) != nullptr && firstColumn >= 1 && lastColumn < grid.Columns();
}

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

std::optional<std::size_t> PaddedBlocksRoom(const Grid &grid, int row, int firstColumn, int lastColumn,
                                            std::size_t titleWidth, std::size_t cellWidth)
{
    if (!InGrid(grid, row, firstColumn, lastColumn) || cellWidth > 2 * Block || grid.Cell(row, 0).size() > titleWidth)
        return std::nullopt;
    return titleWidth + ColumnCount(firstColumn, lastColumn) * cellWidth + 2 * Block;
}

char *PutPaddedBlocks(char *p, const Grid &grid, int row, int firstColumn, int lastColumn, std::size_t titleWidth,
                      std::size_t cellWidth)
{
    // Each data cell's place is blanked with two 16-byte stores, then its
    // block copied whole so that its text ends at the place's end.
    const std::size_t columns = ColumnCount(firstColumn, lastColumn);
    const std::size_t fitting = std::min(cellWidth, Inline);
    std::memset(p, ' ', titleWidth);
    CopyText(p, grid.Cell(row, 0));
    p += titleWidth;
    bool fits = true;
    const char *block = grid.RowBlocks(row) + static_cast<std::size_t>(firstColumn) * Block;
    for (std::size_t c = 0; c < columns; ++c, block += Block, p += cellWidth) {
        const std::size_t length = Grid::BlockLength(block);
        fits &= length <= fitting;
        std::memset(p, ' ', 2 * Block);
        std::memcpy(p + cellWidth - std::min(length, cellWidth), block, Block);
    }
    return fits ? p : nullptr;
}

std::optional<std::size_t> HtmlBlocksRoom(const Grid &grid, int row, int firstColumn, int lastColumn)
{
    if (!InGrid(grid, row, firstColumn, lastColumn))
        return std::nullopt;
    return ColumnCount(firstColumn, lastColumn) * (2 * Block + 8);
}

char *PutHtmlBlocks(char *p, const Grid &grid, int row, int firstColumn, int lastColumn, std::string_view cellStart,
                    std::string_view cellEnd)
{
    // The cell start (16 bytes), the whole block, then the cell end as 8
    // bytes at the text's end.
    if (cellStart.size() != Block || cellEnd.size() > 8)
        return nullptr;
    char end8[8] = {};
    std::memcpy(end8, cellEnd.data(), cellEnd.size());
    const std::size_t columns = ColumnCount(firstColumn, lastColumn);
    bool fits = true;
    const char *block = grid.RowBlocks(row) + static_cast<std::size_t>(firstColumn) * Block;
    for (std::size_t c = 0; c < columns; ++c, block += Block) {
        const std::size_t length = Grid::BlockLength(block);
        fits &= length <= Inline;
        std::memcpy(p, cellStart.data(), Block);
        std::memcpy(p + Block, block, Block);
        p += Block + std::min(length, Inline);
        std::memcpy(p, end8, sizeof end8);
        p += cellEnd.size();
    }
    return fits ? p : nullptr;
}

} // namespace tarvel::fast
