#include "core/print/print_target.h"

namespace tarvel {

RowCells GridRowCells(const Grid &grid, int row, int firstColumn, int lastColumn, std::vector<std::string_view> &cells)
{
    cells.clear();
    cells.emplace_back(grid.Cell(row, 0));
    for (int c = firstColumn; c <= lastColumn; ++c)
        cells.emplace_back(grid.Cell(row, c));
    return cells;
}

void PrintTarget::DataRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    std::vector<std::string_view> cells;
    for (int r = firstRow; r <= lastRow; ++r)
        DataRow(GridRowCells(grid, r, firstColumn, lastColumn, cells));
}

FileTarget::FileTarget(std::string fileName)
    : m_fileName(std::move(fileName))
{
}

OpenResult FileTarget::Open()
{
    // An existing file is never overwritten: every job adds to its end.
    auto stream = SafeOutputFile::Open(m_fileName, SafeOutputFile::Mode::Append,
                                       m_whole ? SafeOutputFile::Delivery::Whole
                                               : SafeOutputFile::Delivery::AsWritten);
    if (!stream) {
        m_error = stream.Error().error;
        return OpenResult::Failed;
    }
    m_error = 0;
    m_stream = std::move(*stream);
    return m_stream->Appending() ? OpenResult::Appending : OpenResult::NewOutput;
}

bool FileTarget::EndOutput()
{
    if (!m_stream)
        return true;
    const bool good = m_stream->Commit();
    m_error = good ? 0 : m_stream->Error();
    m_stream.reset();
    return good;
}

void FileTarget::WriteLine(std::string_view text)
{
    Put(text);
    EndLine();
}

} // namespace tarvel
