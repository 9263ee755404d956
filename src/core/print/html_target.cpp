#include "core/print/html_target.h"

#include "core/print/block_rows_fast.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <locale.h>
#include <time.h>

namespace tarvel {

namespace {

// The locale the environment names for times, as setlocale reads it: the
// first of LC_ALL, LC_TIME and LANG that is set and not empty.
std::string_view TimeLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char *const value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return {};
}

} // namespace

bool NamesCTimeLocale(std::string_view name)
{
    // C.UTF-8 writes dates and times as C does; any other C.codeset that is
    // not installed falls back to C.
    return name.empty() || name == "C" || name == "POSIX" || name.starts_with("C.");
}

std::string LocalDateTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    // Only the time category of the user's locale is loaded (a whole C++
    // locale costs about a millisecond), and none for the C locale, which is
    // built in; the C locale when the environment names none that is
    // installed.
    locale_t time = static_cast<locale_t>(nullptr);
    if (!NamesCTimeLocale(TimeLocaleName()))
        time = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (time == static_cast<locale_t>(nullptr))
        time = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (time == static_cast<locale_t>(nullptr))
        return {};
    char text[256];
    const std::size_t length = ::strftime_l(text, sizeof text, "%x %X", &local, time);
    ::freelocale(time);
    return std::string(text, length);
}

namespace {

constexpr std::string_view IndentStart = "<tt>";
constexpr std::string_view IndentBlank = "&nbsp"; // without a semicolon, as the pages have always had it
constexpr std::string_view IndentEnd = "</tt>";
constexpr std::string_view CellStart = "<td align=right>";
constexpr std::string_view CellEnd = "</td>";

// The leading blanks of a line title that the indent shows (at most 6).
std::size_t IndentBlanks(std::string_view title)
{
    std::size_t blanks = 0;
    while (blanks < title.size() && blanks < 6 && title[blanks] == ' ')
        ++blanks;
    return blanks;
}

constexpr std::string_view RowStart = "<tr><td>";
constexpr std::string_view RowEnd = "</tr>\r\n";

// Room a data row's start takes: RowStart, the indent and the title in a cell.
std::size_t RowStartSize(std::string_view title, std::size_t blanks)
{
    std::size_t size = RowStart.size() + title.size() + CellEnd.size();
    if (blanks > 0)
        size += IndentStart.size() + blanks * IndentBlank.size() + IndentEnd.size();
    return size;
}

// Writes a data row's start (RowStartSize bytes) at p; returns its end.
char *PutRowStart(char *p, std::string_view title, std::size_t blanks)
{
    p = CopyText(p, RowStart);
    if (blanks > 0) {
        p = CopyText(p, IndentStart);
        for (std::size_t i = 0; i < blanks; ++i)
            p = CopyText(p, IndentBlank);
        p = CopyText(p, IndentEnd);
    }
    p = CopyText(p, title);
    return CopyText(p, CellEnd);
}

} // namespace

HtmlTarget::HtmlTarget(std::string fileName, DateTimeSource now)
    : FileTarget(std::move(fileName))
    , m_now(std::move(now))
{
}

std::optional<PageGeometry> HtmlTarget::Geometry(int, int)
{
    return PageGeometry{5, 150};
}

void HtmlTarget::BeginFileOutput(bool appending)
{
    WriteLine(appending ? "<hr>" : "<html>");
    WriteLine("<! -- created with the TARVEL software -->");
    WriteLine("<! -- Halvern -->");
    WriteLine("<! -- Veldarin -->");
    WriteLine("<! -- document created " + (m_now ? m_now() : std::string()) + " -->");
}

void HtmlTarget::TitleLine(int kind, const std::string &text)
{
    if (kind == 1) {
        Put("<p align=center>");
        Put(text);
        WriteLine("<br>");
    } else {
        Put(text);
        WriteLine("</p>");
    }
}

void HtmlTarget::AreaLine(const std::string &text)
{
    Put("<strong>");
    Put(text);
    WriteLine("</strong>");
}

void HtmlTarget::HeaderRow(RowCells cells)
{
    // The column-0 heading is not written. The row is composed in the
    // output buffer, as the data rows are.
    constexpr std::string_view Start = "<table cellspacing=10 width=100%><th>";
    constexpr std::string_view End = "</th>\r\n";
    std::size_t size = Start.size() + End.size();
    for (std::size_t i = 1; i < cells.size(); ++i)
        size += CellStart.size() + cells[i].size() + CellEnd.size();
    char *p = Room(size);
    if (!p)
        return;
    p = Append(p, Start);
    for (std::size_t i = 1; i < cells.size(); ++i) {
        p = Append(p, CellStart);
        p = Append(p, cells[i]);
        p = Append(p, CellEnd);
    }
    Used(Append(p, End));
}

void HtmlTarget::DataRow(RowCells cells)
{
    // Measured, then written into the output buffer in one pass.
    const std::string_view title = cells.empty() ? std::string_view() : cells[0];
    const std::size_t blanks = IndentBlanks(title);
    std::size_t size = RowStartSize(title, blanks) + RowEnd.size();
    for (std::size_t i = 1; i < cells.size(); ++i)
        size += CellStart.size() + cells[i].size() + CellEnd.size();
    char *p = Room(size);
    if (!p)
        return;
    p = PutRowStart(p, title, blanks);
    for (std::size_t i = 1; i < cells.size(); ++i) {
        p = Append(p, CellStart);
        p = Append(p, cells[i]);
        p = Append(p, CellEnd);
    }
    Used(Append(p, RowEnd));
}

void HtmlTarget::DataRows(const Grid &grid, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    // DataRow of each row's cells, or the quick copy of the data cells from
    // the grid's cell blocks (block_rows_fast.h).
    std::vector<std::string_view> cells;
    const auto dataRow = [&](int r) { DataRow(GridRowCells(grid, r, firstColumn, lastColumn, cells)); };
    if (fast::PutHtmlBlockRows(
            grid, firstRow, lastRow, firstColumn, lastColumn, CellStart, CellEnd, RowEnd,
            [this](std::size_t size) { return Room(size); }, [this](char *end) { Used(end); },
            [](std::string_view title) { return RowStartSize(title, IndentBlanks(title)); },
            [](char *p, std::string_view title) { return PutRowStart(p, title, IndentBlanks(title)); }, dataRow))
        return;
    for (int r = firstRow; r <= lastRow; ++r)
        dataRow(r);
}

void HtmlTarget::PageFoot(const std::string &tableCode)
{
    // Put piece by piece, with no text built for the lines.
    WriteLine("</table><p>");
    Put("<table width=100%><tr><td>");
    Put(FootnoteReferenceText);
    Put("</td><td></td><td align=right>");
    Put(SystemNameText);
    WriteLine("</td></tr>");
    Put("<tr><td>Table ");
    Put(tableCode);
    Put("</td><td>");
    Put(ReleaseDateText);
    Put("</td><td align=right>");
    Put(AgencyNameText);
    WriteLine("</td></tr>");
    WriteLine("</table>");
}

void HtmlTarget::PageBreak()
{
    WriteLine("<hr>");
}

void HtmlTarget::FootnoteText(const std::string &text)
{
    WriteLine("<pre>" + text + "</pre>");
}

void HtmlTarget::DocumentHeading(const std::string &caption, bool documentTag)
{
    if (!documentTag) {
        WriteLine("<hr>");
        WriteLine("<pre>");
        return;
    }
    WriteLine("<head><title>" + caption + "</title></head><body bgcolor=#FFFFFF><h1>");
    WriteLine(caption);
    WriteLine("</h1><p><pre>");
}

void HtmlTarget::DocumentBody(const std::string &text)
{
    WriteLine(text);
}

void HtmlTarget::DocumentEnd(bool documentTag)
{
    WriteLine(documentTag ? "</pre></body></html>" : "</pre>");
}

} // namespace tarvel
