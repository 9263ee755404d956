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

// The data rows (or columns) a copy holds, from 1 to last: the ones listed
// when the choice is not one block, else those between the two corners.
std::vector<int> Chosen(const std::vector<int> &listed, int corner, int otherCorner, int last)
{
    std::vector<int> chosen;
    if (!listed.empty()) {
        for (const int i : listed) {
            if (i >= 1 && i <= last)
                chosen.push_back(i);
        }
        return chosen;
    }
    for (int i = std::max(1, std::min(corner, otherCorner)); i <= std::min(last, std::max(corner, otherCorner)); ++i)
        chosen.push_back(i);
    return chosen;
}

} // namespace

std::optional<std::string> ClipboardText(const Grid &grid, const GridSelection &selection,
                                         const ScatteredCells *scattered)
{
    try {
        const std::vector<int> none;
        const std::vector<int> rows =
            Chosen(scattered ? scattered->rows : none, selection.row, selection.selectionRow, grid.Rows() - 1);
        const std::vector<int> columns = Chosen(scattered ? scattered->columns : none, selection.column,
                                                selection.selectionColumn, grid.Columns() - 1);
        std::string text = grid.Caption + "\r\n\r\n\t";
        for (const int c : columns) {
            text += grid.Cell(0, c);
            text += '\t';
        }
        text += "\r\n";
        // Only the selected cells lose their commas (the thousands
        // separators); row titles and quarter labels stay as they stand.
        for (const int r : rows) {
            text += grid.Cell(r, 0);
            text += '\t';
            for (std::size_t k = 0; k < columns.size(); ++k) {
                if (k != 0)
                    text += '\t';
                AppendWithoutCommas(text, grid.Cell(r, columns[k]));
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
