#pragma once

#include <string>
#include <vector>

namespace tarvel {

enum class CellAlignment { Default, LeftTop, RightCenter, CenterCenter };

/// A table as a display window shows it: cell texts with row 0 the quarter
/// headers and column 0 the line titles (the fixed row and column), the
/// window caption and tag, per-column and per-cell alignment, and the rows
/// drawn at half height (spacers). Built once by the builders, then read by
/// the window, printing and the clipboard.
class Grid {
public:
    Grid() = default;
    Grid(int rows, int columns);

    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    /// Changes the size, keeping the cells that stay inside it.
    void Resize(int rows, int columns);

    const std::string &Cell(int row, int column) const;
    void SetCell(int row, int column, std::string text);

    /// A cell's own alignment, else its column's.
    CellAlignment Alignment(int row, int column) const;
    void SetCellAlignment(int row, int column, CellAlignment alignment);
    void SetColumnAlignment(int column, CellAlignment alignment);

    bool HalfHeight(int row) const;
    void SetHalfHeight(int row, bool half);

    std::string Caption; ///< begins with the table code
    std::string Tag;     ///< "", "PrintAll" or "SOL"
    int Area = 0;        ///< table view: the area shown (1..60); 0 for ZR1 and one-line views
    int Line = 0;        ///< one-line view: the data line shown (1..LineCount); else 0

private:
    std::size_t Index(int row, int column) const;
    int m_rows = 0;
    int m_columns = 0;
    std::vector<std::string> m_cells;
    std::vector<CellAlignment> m_cellAlignment;
    std::vector<CellAlignment> m_columnAlignment;
    std::vector<char> m_halfHeight;
};

} // namespace tarvel
