#include "core/views/grid.h"

namespace tarvel {

namespace {
const std::string EmptyText;
}

Grid::Grid(int rows, int columns)
{
    Resize(rows, columns);
}

void Grid::Resize(int rows, int columns)
{
    rows = rows < 0 ? 0 : rows;
    columns = columns < 0 ? 0 : columns;
    std::vector<std::string> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    std::vector<CellAlignment> alignment(cells.size(), CellAlignment::Default);
    for (int r = 0; r < rows && r < m_rows; ++r) {
        for (int c = 0; c < columns && c < m_columns; ++c) {
            const std::size_t to = static_cast<std::size_t>(r) * static_cast<std::size_t>(columns)
                + static_cast<std::size_t>(c);
            cells[to] = std::move(m_cells[Index(r, c)]);
            alignment[to] = m_cellAlignment[Index(r, c)];
        }
    }
    m_rows = rows;
    m_columns = columns;
    m_cells = std::move(cells);
    m_cellAlignment = std::move(alignment);
    m_columnAlignment.resize(static_cast<std::size_t>(columns), CellAlignment::Default);
    m_halfHeight.resize(static_cast<std::size_t>(rows), 0);
}

std::size_t Grid::Index(int row, int column) const
{
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) + static_cast<std::size_t>(column);
}

const std::string &Grid::Cell(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return EmptyText;
    return m_cells[Index(row, column)];
}

void Grid::SetCell(int row, int column, std::string text)
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return;
    m_cells[Index(row, column)] = std::move(text);
}

CellAlignment Grid::Alignment(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return CellAlignment::Default;
    const CellAlignment own = m_cellAlignment[Index(row, column)];
    return own != CellAlignment::Default ? own : m_columnAlignment[static_cast<std::size_t>(column)];
}

void Grid::SetCellAlignment(int row, int column, CellAlignment alignment)
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return;
    m_cellAlignment[Index(row, column)] = alignment;
}

void Grid::SetColumnAlignment(int column, CellAlignment alignment)
{
    if (column < 0 || column >= m_columns)
        return;
    m_columnAlignment[static_cast<std::size_t>(column)] = alignment;
}

bool Grid::HalfHeight(int row) const
{
    return row >= 0 && row < m_rows && m_halfHeight[static_cast<std::size_t>(row)] != 0;
}

void Grid::SetHalfHeight(int row, bool half)
{
    if (row >= 0 && row < m_rows)
        m_halfHeight[static_cast<std::size_t>(row)] = half ? 1 : 0;
}

} // namespace tarvel
