#pragma once

#include "core/views/grid.h"

#include <cstddef>
#include <optional>
#include <string_view>

// Printed rows copied from the grid's 16-byte cell blocks (block_rows_fast.cpp)
// instead of cell by cell: the text and HTML targets' DataRows and the
// print engine's measuring of the cells. The targets' DataRow of each row's
// GridRowCells, and Grid::Cell, are the plain code they equal
// (print_engine_test.cpp, RowsCopiedFromCellBlocksAreTheRowsOneByOne). A
// plain build (TARVEL_PLAIN_CODE) has none of it: every row goes through
// DataRow and every cell is measured through Grid::Cell.
namespace tarvel::fast {

#if !defined(TARVEL_PLAIN_CODE)

/// The length of the longest data cell (column 1 on) of a grid row, read
/// from the lengths in its cells' blocks.
std::optional<std::size_t> LongestDataCell(const Grid &grid, int row);

/// The room PutPaddedBlocks needs for grid row `row`, columns firstColumn
/// to lastColumn, padded to the widths (the row and the bytes its copies
/// bring past it); nullopt when the row cannot be written from its blocks
/// (columns outside the grid, a cell place wider than two blocks, a title
/// wider than its place).
std::optional<std::size_t> PaddedBlocksRoom(const Grid &grid, int row, int firstColumn, int lastColumn,
                                            std::size_t titleWidth, std::size_t cellWidth);
/// Writes the row at p, which has the room PaddedBlocksRoom gave: the text
/// target's DataRow of the row's cells, without the line end. Returns the
/// row's end, or nullptr when a cell's text is longer than its place or
/// than a block holds (DataRow then writes the row over what this wrote).
char *PutPaddedBlocks(char *p, const Grid &grid, int row, int firstColumn, int lastColumn, std::size_t titleWidth,
                      std::size_t cellWidth);

/// The room PutHtmlBlocks needs for the data cells of a grid row, columns
/// firstColumn to lastColumn; nullopt when they are not all in the grid.
std::optional<std::size_t> HtmlBlocksRoom(const Grid &grid, int row, int firstColumn, int lastColumn);
/// Writes the row's data cells at p, each as cellStart (16 bytes), its text
/// and cellEnd (at most 8 bytes). Returns their end, or nullptr when a
/// cell's text is longer than a block holds or the tags are of other sizes.
char *PutHtmlBlocks(char *p, const Grid &grid, int row, int firstColumn, int lastColumn, std::string_view cellStart,
                    std::string_view cellEnd);

#else

inline std::optional<std::size_t> LongestDataCell(const Grid &, int)
{
    return std::nullopt;
}

inline std::optional<std::size_t> PaddedBlocksRoom(const Grid &, int, int, int, std::size_t, std::size_t)
{
    return std::nullopt;
}

inline char *PutPaddedBlocks(char *, const Grid &, int, int, int, std::size_t, std::size_t)
{
    return nullptr;
}

inline std::optional<std::size_t> HtmlBlocksRoom(const Grid &, int, int, int)
{
    return std::nullopt;
}

inline char *PutHtmlBlocks(char *, const Grid &, int, int, int, std::string_view, std::string_view)
{
    return nullptr;
}

#endif

} // namespace tarvel::fast
