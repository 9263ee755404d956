#pragma once

#include "core/views/grid.h"

#include "core/catalog/copy_text.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

// Printed rows copied from the grid's 16-byte cell blocks instead of cell
// by cell: the text and HTML targets' DataRows (here, inline: they run for
// every printed row) and the print engine's measuring of the cells
// (block_rows_fast.cpp). A block holds a text of up to 15 characters in its
// first bytes and its length in the last; a whole block is copied in one
// 16-byte move, and what it brings past its text is written over by the
// next copy or lies past the row's end. The targets' DataRow of each row's
// GridRowCells, and Grid::Cell, are the plain code they equal
// (print_engine_test.cpp, RowsCopiedFromCellBlocksAreTheRowsOneByOne). A
// plain build (TARVEL_PLAIN_CODE) has none of it: every row goes through
// DataRow and every cell is measured through Grid::Cell.
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)

/// The length of the longest data cell (column 1 on) of a grid row, read
/// from the lengths in its cells' blocks.
std::optional<std::size_t> LongestDataCell(const Grid &grid, int row);

/// The text target's DataRows: rows firstRow to lastRow, columns
/// firstColumn to lastColumn, each padded to the widths, copied from the
/// cells' blocks (each data cell's place blanked with two 16-byte stores,
/// then its block copied whole so that its text ends at the place's end).
/// room(size) gives the place for a row of size bytes and what its copies
/// bring past it (nullptr: nothing more is written), used(end) takes the
/// row's end; a row the blocks cannot give (a longer cell, a cell or title
/// wider than its place) goes to dataRow(row), which writes over what was
/// copied. Inline: the loop runs for every printed row. True: done.
template <typename Room, typename Used, typename DataRow>
bool PutPaddedBlockRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn,
                        std::size_t titleWidth, std::size_t cellWidth, Room room, Used used, DataRow dataRow)
{
    constexpr std::size_t Block = Grid::BlockSize;
    const std::size_t columns = lastColumn >= firstColumn ? static_cast<std::size_t>(lastColumn - firstColumn + 1) : 0;
    const std::size_t fitting = std::min(cellWidth, Block - 1);
    const std::size_t size = titleWidth + columns * cellWidth;
    for (int r = firstRow; r <= lastRow; ++r) {
        const char *const blocks = grid.RowBlocks(r);
        const std::string_view title = grid.Cell(r, 0);
        if (blocks != nullptr && firstColumn >= 1 && lastColumn < grid.Columns() && cellWidth <= 2 * Block
            && title.size() <= titleWidth) {
            char *const start = room(size + 2 + 2 * Block);
            if (!start)
                return true;
            std::memset(start, ' ', titleWidth);
            CopyText(start, title);
            char *p = start + titleWidth;
            bool fits = true;
            const char *block = blocks + static_cast<std::size_t>(firstColumn) * Block;
            for (std::size_t c = 0; c < columns; ++c, block += Block, p += cellWidth) {
                const std::size_t length = Grid::BlockLength(block);
                fits &= length <= fitting;
                std::memset(p, ' ', 2 * Block);
                std::memcpy(p + cellWidth - std::min(length, cellWidth), block, Block);
            }
            if (fits) {
                p[0] = '\r';
                p[1] = '\n';
                used(p + 2);
                continue;
            }
        }
        dataRow(r);
    }
    return true;
}

/// The HTML target's DataRows: each row's start put by rowStart(p, title)
/// (returning its end) in room(rowStartSize(title) + its cells' room), then
/// the data cells copied from their blocks: cellStart (16 bytes), the whole
/// block, then cellEnd as 8 bytes at the text's end, and rowEnd; what a copy
/// brings past its text, the next copy writes over. A row with a longer
/// cell goes to dataRow(row). True: done.
template <typename Room, typename Used, typename RowStartSize, typename RowStart, typename DataRow>
bool PutHtmlBlockRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn,
                      std::string_view cellStart, std::string_view cellEnd, std::string_view rowEnd, Room room,
                      Used used, RowStartSize rowStartSize, RowStart rowStart, DataRow dataRow)
{
    constexpr std::size_t Block = Grid::BlockSize;
    if (cellStart.size() != Block || cellEnd.size() > 8)
        return false;
    char cellEnd8[8] = {};
    for (std::size_t i = 0; i < cellEnd.size(); ++i)
        cellEnd8[i] = cellEnd[i];
    const std::size_t columns = lastColumn >= firstColumn ? static_cast<std::size_t>(lastColumn - firstColumn + 1) : 0;
    for (int r = firstRow; r <= lastRow; ++r) {
        const char *const blocks = grid.RowBlocks(r);
        if (blocks != nullptr && firstColumn >= 1 && lastColumn < grid.Columns()) {
            const std::string_view title = grid.Cell(r, 0);
            char *p = room(rowStartSize(title) + columns * (2 * Block + sizeof cellEnd8) + rowEnd.size());
            if (!p)
                return true;
            p = rowStart(p, title);
            bool fits = true;
            const char *block = blocks + static_cast<std::size_t>(firstColumn) * Block;
            for (std::size_t c = 0; c < columns; ++c, block += Block) {
                const std::size_t length = Grid::BlockLength(block);
                fits &= length < Block;
                std::memcpy(p, cellStart.data(), Block);
                std::memcpy(p + Block, block, Block);
                p += Block + std::min(length, Block - 1);
                std::memcpy(p, cellEnd8, sizeof cellEnd8);
                p += cellEnd.size();
            }
            if (fits) {
                used(CopyText(p, rowEnd));
                continue;
            }
        }
        dataRow(r);
    }
    return true;
}

#else

inline std::optional<std::size_t> LongestDataCell(const Grid &, int)
{
    return std::nullopt;
}

template <typename... Any>
bool PutPaddedBlockRows(const Grid &, int, int, int, int, std::size_t, std::size_t, Any...)
{
    return false;
}

template <typename... Any>
bool PutHtmlBlockRows(const Grid &, int, int, int, int, std::string_view, std::string_view, std::string_view, Any...)
{
    return false;
}

#endif

} // namespace tarvel::fast
