#include "core/print/text_target.h"

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

} // namespace

std::string PaddedRowText(const TableLayout &layout, const std::vector<std::string> &cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string &cell = cells[i];
        // Longer texts are kept whole: the widths come from the longest cell,
        // so only a caller's own layout could make a cell overflow.
        if (i == 0)
            line += cell + Blanks(layout.TitleWidth - Length(cell));
        else
            line += Blanks(layout.CellWidth - Length(cell)) + cell;
    }
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
    WriteLine(Blanks((Layout().LineWidth - Length(text)) / 2) + text);
}

void TextTarget::AreaLine(const std::string &text)
{
    WriteLine(text);
    DashLine();
}

void TextTarget::HeaderRow(const std::vector<std::string> &cells)
{
    DataRow(cells);
    DashLine();
}

void TextTarget::DataRow(const std::vector<std::string> &cells)
{
    // PaddedRowText, built in the output buffer.
    const TableLayout &layout = Layout();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string &cell = cells[i];
        if (i == 0) {
            Put(cell);
            PutBlanks(layout.TitleWidth - Length(cell));
        } else {
            PutBlanks(layout.CellWidth - Length(cell));
            Put(cell);
        }
    }
    EndLine();
}

void TextTarget::PutBlanks(int count)
{
    static constexpr std::string_view Spaces = "                                                                ";
    while (count > 0) {
        const int part = std::min(count, static_cast<int>(Spaces.size()));
        Put(Spaces.substr(0, static_cast<std::size_t>(part)));
        count -= part;
    }
}

void TextTarget::PageFoot(const std::string &tableCode)
{
    for (const std::string &line : TextPageFoot(Layout(), tableCode))
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
    WriteLine(std::string(static_cast<std::size_t>(Layout().LineWidth > 0 ? Layout().LineWidth : 0), '-'));
}

} // namespace tarvel
