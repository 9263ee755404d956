#include "core/print/text_target.h"

#include "core/print/block_rows_fast.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tarvel {

namespace {

std::string Blanks(int count)
{
    return count < 1 ? std::string() : std::string(static_cast<std::size_t>(count), ' ');
}

int Length(const std::string &text)
{
    return static_cast<int>(text.size());
}

int Length(const char *text)
{
    return static_cast<int>(std::strlen(text));
}

std::size_t Width(int width)
{
    return width > 0 ? static_cast<std::size_t>(width) : 0;
}

// The length of a padded row. Longer texts are kept whole: the widths come
// from the longest cell, so only a caller's own layout could make a cell
// overflow.
std::size_t PaddedRowSize(const TableLayout &layout, RowCells cells)
{
    std::size_t size = 0;
    for (std::size_t i = 0; i < cells.size(); ++i)
        size += std::max(cells[i].size(), Width(i == 0 ? layout.TitleWidth : layout.CellWidth));
    return size;
}

// Writes the padded row at p (PaddedRowSize bytes); returns its end. The
// row is blanked at once, then each cell copied to its place.
char *PutPaddedRow(char *p, std::size_t size, const TableLayout &layout, RowCells cells)
{
    std::memset(p, ' ', size);
    const std::size_t titleWidth = Width(layout.TitleWidth);
    const std::size_t cellWidth = Width(layout.CellWidth);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string_view cell = cells[i];
        if (i == 0)
            p = CopyText(p, cell) + (titleWidth - std::min(cell.size(), titleWidth));
        else
            p = CopyText(p + (cellWidth - std::min(cell.size(), cellWidth)), cell);
    }
    return p;
}

} // namespace

std::string PaddedRowText(const TableLayout &layout, RowCells cells)
{
    std::string line(PaddedRowSize(layout, cells), ' ');
    PutPaddedRow(line.data(), line.size(), layout, cells);
    return line;
}

std::vector<std::string> TextPageFoot(const TableLayout &layout, const std::string &tableCode)
{
    const int width = layout.LineWidth;
    const int half = (width - 1) / 2;
    std::string reference = FootnoteReferenceText;
    reference += Blanks(width - 31 - Length(SystemNameText)) + SystemNameText;
    const std::string table = "Table " + tableCode + Blanks(half - 14) + ReleaseDateText
        + Blanks(half - 7 - Length(AgencyNameText)) + AgencyNameText;
    return {std::string(), reference, table};
}

TextTarget::TextTarget(std::string fileName)
    : FileTarget(std::move(fileName))
{
}

std::optional<PageGeometry> TextTarget::Geometry(int, int)
{
    return PageGeometry{6, 65};
}

void TextTarget::BeginFileOutput(bool)
{
    // A text file has no start of its own.
}

void TextTarget::TitleLine(int, const std::string &text)
{
    const int blanks = std::max((Layout().LineWidth - Length(text)) / 2, 0);
    char *p = Room(static_cast<std::size_t>(blanks) + text.size() + 2);
    if (!p)
        return;
    std::memset(p, ' ', static_cast<std::size_t>(blanks));
    p = Append(p + blanks, text);
    Used(Append(p, "\r\n"));
}

void TextTarget::AreaLine(const std::string &text)
{
    WriteLine(text);
    DashLine();
}

void TextTarget::HeaderRow(RowCells cells)
{
    DataRow(cells);
    DashLine();
}

void TextTarget::DataRow(RowCells cells)
{
    // PaddedRowText, composed in the output buffer.
    const std::size_t size = PaddedRowSize(Layout(), cells);
    char *p = Room(size + 2);
    if (!p)
        return;
    p = PutPaddedRow(p, size, Layout(), cells);
    Used(Append(p, "\r\n"));
}

void TextTarget::DataRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    // PaddedRowText of each row: DataRow of its cells, or the quick copy of
    // the rows from the grid's cell blocks (block_rows_fast.h).
    std::vector<std::string_view> cells;
    const auto dataRow = [&](int r) { DataRow(GridRowCells(grid, r, firstColumn, lastColumn, cells)); };
    if (fast::PutPaddedBlockRows(
            grid, firstRow, lastRow, firstColumn, lastColumn, Width(Layout().TitleWidth), Width(Layout().CellWidth),
            [this](std::size_t size) { return Room(size); }, [this](char *end) { Used(end); }, dataRow))
        return;
    for (int r = firstRow; r <= lastRow; ++r)
        dataRow(r);
}

void TextTarget::PageFoot(const std::string &tableCode)
{
    if (m_footWidth != Layout().LineWidth || m_footCode != tableCode) {
        m_foot = TextPageFoot(Layout(), tableCode);
        m_footWidth = Layout().LineWidth;
        m_footCode = tableCode;
    }
    for (const std::string &line : m_foot)
        WriteLine(line);
}

void TextTarget::PageBreak()
{
    WriteLine("\f");
}

void TextTarget::FootnoteText(const std::string &text)
{
    WriteLine(text);
}

void TextTarget::DocumentHeading(const std::string &caption, bool documentTag)
{
    if (documentTag)
        WriteLine(caption);
}

void TextTarget::DocumentBody(const std::string &text)
{
    WriteLine(text);
}

void TextTarget::DocumentEnd(bool)
{
}

void TextTarget::DashLine()
{
    const std::size_t width = Width(Layout().LineWidth);
    char *p = Room(width + 2);
    if (!p)
        return;
    std::memset(p, '-', width);
    Used(Append(p + width, "\r\n"));
}

} // namespace tarvel
