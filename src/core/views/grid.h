#pragma once

#include "core/catalog/data_paths.h"
#include "core/catalog/prefaulted_memory.h"
#include "core/views/packed_cell.h"
#include "core/views/table_model.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

enum class CellAlignment : std::uint8_t { Default, LeftTop, RightCenter, CenterCenter };

/// The kind of child window a grid or a document is shown in, named after
/// the tags the windows have always carried: "" a table view, "PrintAll" a
/// window built while print-all runs, "SOL" a one-line view, "Document" a
/// document window.
enum class ChildKind : std::uint8_t { TableView, PrintAll, SOL, Document };

/// A table as a display window shows it: cell texts with row 0 the quarter
/// headers and column 0 the line titles (the fixed row and column), the
/// window caption and kind, per-column and per-cell alignment, and the rows
/// drawn at half height (spacers). Built once by the builders, then read by
/// the window, printing and the clipboard.
///
/// Each cell holds a text of up to 15 characters (every data cell's) in
/// place, in 16 bytes (packed_cell.h); longer texts (line titles) stand in
/// one shared buffer. Reading a cell gives a view that stays valid until
/// the grid is changed or goes.
class Grid {
    using Slot = PackedCell;

public:
    Grid() = default;
    Grid(int rows, int columns);
    Grid(const Grid &) = default;
    Grid(Grid &&) noexcept = default;
    Grid &operator=(const Grid &) = default;
    Grid &operator=(Grid &&) noexcept = default;
    ~Grid();

    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    /// Changes the size, keeping the cells that stay inside it.
    void Resize(int rows, int columns);

    /// The cell's text; empty outside the grid.
    std::string_view Cell(int row, int column) const
    {
        if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
            return {};
        const Slot &slot = m_cells[Index(row, column)];
        if (!slot.IsLong())
            return slot.InlineText();
        return LongText(slot);
    }
    void SetCell(int row, int column, std::string_view text)
    {
        if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
            return;
        if (text.size() > InlineLength) {
            SetLongCell(m_cells[Index(row, column)], text);
            return;
        }
        // The short copy inline: a data cell is set for every value shown.
        m_cells[Index(row, column)].SetInlineText(text);
    }

    /// The cells of one row, looked up once, for a builder that writes the
    /// texts of a whole row itself: Place gives the place for a text of
    /// length characters in a cell and sets the cell's own alignment with
    /// it; nullptr outside the grid or when length is over 15 (SetCell takes
    /// such a text). Bytes written past length, up to the fifteenth, are
    /// ignored.
    class RowPlaces {
    public:
        char *Place(int column, std::size_t length, CellAlignment alignment) const
        {
            if (column < 0 || column >= m_columns || length > InlineLength)
                return nullptr;
            return m_first[column].Place(length, static_cast<unsigned>(alignment));
        }

        /// Sets the cell to a text of at most 15 characters given as 16
        /// bytes in memory order, first8 and last8, whose last byte is the
        /// text's length (the bytes past the text are ignored), with its
        /// own alignment: for a writer that composes a text in two words.
        void PutBlock(int column, std::uint64_t first8, std::uint64_t last8, CellAlignment alignment) const
        {
            if (column < 0 || column >= m_columns || (last8 >> 56) > InlineLength)
                return;
            m_first[column].PutWords(first8, last8, static_cast<unsigned>(alignment));
        }

    private:
        friend class Grid;
        Slot *m_first = nullptr;
        int m_columns = 0;
    };
    RowPlaces Places(int row)
    {
        RowPlaces places;
        if (row >= 0 && row < m_rows && m_columns > 0) {
            places.m_first = &m_cells[Index(row, 0)];
            places.m_columns = m_columns;
        }
        return places;
    }

    /// For writers that copy whole rows: the row's cells as 16-byte blocks,
    /// one after another from column 0 (nullptr outside the grid). A block
    /// whose BlockLength is at most 15 holds the cell's text in its first
    /// bytes (the rest is to be ignored); any other cell's text is Cell's.
    static constexpr std::size_t BlockSize = PackedCell::Size;
    const char *RowBlocks(int row) const
    {
        if (row < 0 || row >= m_rows || m_columns <= 0)
            return nullptr;
        return m_cells[Index(row, 0)].bytes;
    }
    static std::size_t BlockLength(const char *block)
    {
        return PackedCell::BlockLength(block);
    }

    /// A cell's own alignment, else its column's.
    CellAlignment Alignment(int row, int column) const;
    void SetCellAlignment(int row, int column, CellAlignment alignment);
    /// The own alignment of the row's cells from fromColumn to the last.
    void SetRowAlignment(int row, int fromColumn, CellAlignment alignment);
    void SetColumnAlignment(int column, CellAlignment alignment);

    bool HalfHeight(int row) const;
    void SetHalfHeight(int row, bool half);

    std::string Code;    ///< the table shown ("ZR5N"); empty for a grid of no table
    std::string Caption; ///< the window caption
    ChildKind Tag = ChildKind::TableView; ///< TableView, PrintAll or SOL
    int Area = 0;        ///< table view: the area shown (1..60); 0 for ZR1 and one-line views
    int Line = 0;        ///< one-line view: the data line shown (1..LineCount); else 0
    /// The values the data cells show, as stored (the cells show them only
    /// rounded), row for row: set by the builders, none for a grid made
    /// otherwise. Copies of a grid share it.
    std::shared_ptr<const TableModel> Model;

private:
    static constexpr std::size_t InlineLength = PackedCell::InlineLength;

    std::size_t Index(int row, int column) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column);
    }
    std::string_view LongText(const Slot &slot) const;
    /// Cell storage: a large grid's pages come at once (a ZR1 grid is 240 KB).
    using Cells = std::vector<Slot, PrefaultedAllocator<Slot>>;
    /// Cell storage for count cells, all empty: the storage a grid left
    /// behind when there is enough of it. Grids come one after another
    /// (print-all builds one per area, the window one per change), and new
    /// memory of this size is handed over by the system page by page.
    static Cells TakeCells(std::size_t count);
    static void LeaveCells(Cells cells);
    static Cells *SpareCells();
    void SetLongCell(Slot &slot, std::string_view text);
    int m_rows = 0;
    int m_columns = 0;
    Cells m_cells;
    std::string m_long; ///< the texts longer than InlineLength
    std::vector<CellAlignment> m_columnAlignment;
    std::vector<char> m_halfHeight;
};

} // namespace tarvel
