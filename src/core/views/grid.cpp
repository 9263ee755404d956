#include "core/views/grid.h"

#include "core/views/spare_cells_fast.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace tarvel {

namespace {
// A grid larger than this leaves nothing behind (a ZR1 grid is 240 KB).
constexpr std::size_t MostSpareBytes = 1 << 20;
} // namespace

Grid::Grid(int rows, int columns)
{
    Resize(rows, columns);
}

Grid::~Grid()
{
    LeaveCells(std::move(m_cells));
}

Grid::Cells *Grid::SpareCells()
{
    return fast::SpareCells<Cells>();
}

Grid::Cells Grid::TakeCells(std::size_t count)
{
    Cells cells;
    Cells *const spare = SpareCells();
    if (spare != nullptr && spare->capacity() >= count)
        cells.swap(*spare);
    cells.assign(count, Slot{});
    return cells;
}

void Grid::LeaveCells(Cells cells)
{
    Cells *const spare = SpareCells();
    if (spare != nullptr && cells.capacity() > spare->capacity() && cells.capacity() * sizeof(Slot) <= MostSpareBytes)
        *spare = std::move(cells);
}

void Grid::Resize(int rows, int columns)
{
    rows = rows < 0 ? 0 : rows;
    columns = columns < 0 ? 0 : columns;
    // Long texts stay where they are in m_long; only the cells move.
    Cells cells = TakeCells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
    for (int r = 0; r < rows && r < m_rows; ++r) {
        for (int c = 0; c < columns && c < m_columns; ++c) {
            const std::size_t to = static_cast<std::size_t>(r) * static_cast<std::size_t>(columns)
                + static_cast<std::size_t>(c);
            cells[to] = m_cells[Index(r, c)];
        }
    }
    m_rows = rows;
    m_columns = columns;
    std::swap(m_cells, cells);
    LeaveCells(std::move(cells));
    m_columnAlignment.resize(static_cast<std::size_t>(columns), CellAlignment::Default);
    m_halfHeight.resize(static_cast<std::size_t>(rows), 0);
}

std::string_view Grid::LongText(const Slot &slot) const
{
    const PackedCell::LongPlace place = slot.Long();
    return std::string_view(m_long.data() + place.offset, place.length);
}

void Grid::SetLongCell(Slot &slot, std::string_view text)
{
    std::uint32_t offset = 0;
    if (slot.IsLong() && text.size() <= LongText(slot).size()) {
        // A long text set again that is no longer than the last takes its place.
        offset = slot.Long().offset;
        std::memmove(m_long.data() + offset, text.data(), text.size());
    } else {
        // Offsets are 32 bits: a grid holds far less text than 4 GB.
        constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
        if (text.size() > limit || m_long.size() > limit - text.size())
            return;
        offset = static_cast<std::uint32_t>(m_long.size());
        m_long.append(text);
    }
    slot.SetLong({offset, static_cast<std::uint32_t>(text.size())});
}

CellAlignment Grid::Alignment(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return CellAlignment::Default;
    const auto own = static_cast<CellAlignment>(m_cells[Index(row, column)].Alignment());
    return own != CellAlignment::Default ? own : m_columnAlignment[static_cast<std::size_t>(column)];
}

void Grid::SetCellAlignment(int row, int column, CellAlignment alignment)
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return;
    m_cells[Index(row, column)].SetAlignment(static_cast<unsigned>(alignment));
}

void Grid::SetRowAlignment(int row, int fromColumn, CellAlignment alignment)
{
    if (row < 0 || row >= m_rows)
        return;
    fromColumn = std::max(fromColumn, 0);
    if (fromColumn >= m_columns)
        return;
    for (int c = fromColumn; c < m_columns; ++c)
        m_cells[Index(row, c)].SetAlignment(static_cast<unsigned>(alignment));
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
