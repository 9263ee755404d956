#include "core/export/clipboard_text.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace tarvel {

namespace {

void AppendWithoutCommas(std::string &out, std::string_view text)
{
    for (const char c : text) {
        if (c != ',')
            out += c;
    }
}

} // namespace

std::optional<std::string> ClipboardText(const Grid &grid, const GridSelection &selection)
{
    const int firstRow = std::max(1, std::min(selection.row, selection.selectionRow));
    const int lastRow = std::min(grid.Rows() - 1, std::max(selection.row, selection.selectionRow));
    const int firstColumn = std::max(1, std::min(selection.column, selection.selectionColumn));
    const int lastColumn = std::min(grid.Columns() - 1, std::max(selection.column, selection.selectionColumn));

    try {
        std::string text = grid.Caption + "\r\n\r\n\t";
        for (int c = firstColumn; c <= lastColumn; ++c) {
            text += grid.Cell(0, c);
            text += '\t';
        }
        text += "\r\n";
        // Only the selected cells lose their commas (the thousands
        // separators); row titles and quarter labels stay as they stand.
        for (int r = firstRow; r <= lastRow; ++r) {
            text += grid.Cell(r, 0);
            text += '\t';
            for (int c = firstColumn; c <= lastColumn; ++c) {
                if (c != firstColumn)
                    text += '\t';
                AppendWithoutCommas(text, grid.Cell(r, c));
            }
            text += "\r\n";
        }
        return text;
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    } catch (const std::length_error &) {
        return std::nullopt;
    }
}

std::string ClipboardErrorTitle(int number)
{
    return "Error " + std::to_string(number);
}

std::string ClipboardUnexpectedText(int number)
{
    return "Unexpected error, number " + std::to_string(number);
}

} // namespace tarvel
