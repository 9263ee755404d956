#include "core/print/html_target.h"

#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>

namespace tarvel {

std::string LocalDateTimeText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    std::ostringstream text;
    try {
        text.imbue(std::locale(""));
    } catch (...) {
        // An environment naming a locale that is not installed.
        text.imbue(std::locale::classic());
    }
    text << std::put_time(&local, "%x %X");
    return text.str();
}

std::string HtmlIndent(const std::string &title)
{
    std::size_t blanks = 0;
    while (blanks < title.size() && blanks < 6 && title[blanks] == ' ')
        ++blanks;
    if (blanks == 0)
        return {};
    std::string indent = "<tt>";
    for (std::size_t i = 0; i < blanks; ++i)
        indent += "&nbsp"; // without a semicolon, as the pages have always had it
    return indent + "</tt>";
}

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
    if (kind == 1)
        WriteLine("<p align=center>" + text + "<br>");
    else
        WriteLine(text + "</p>");
}

void HtmlTarget::AreaLine(const std::string &text)
{
    WriteLine("<strong>" + text + "</strong>");
}

void HtmlTarget::HeaderRow(const std::vector<std::string> &cells)
{
    // The column-0 heading is not written.
    Put("<table cellspacing=10 width=100%><th>");
    for (std::size_t i = 1; i < cells.size(); ++i) {
        Put("<td align=right>");
        Put(cells[i]);
        Put("</td>");
    }
    Put("</th>");
    EndLine();
}

void HtmlTarget::DataRow(const std::vector<std::string> &cells)
{
    const std::string_view title = cells.empty() ? std::string_view() : std::string_view(cells[0]);
    Put("<tr><td>");
    if (!title.empty() && title[0] == ' ')
        Put(HtmlIndent(std::string(title)));
    Put(title);
    Put("</td>");
    for (std::size_t i = 1; i < cells.size(); ++i) {
        Put("<td align=right>");
        Put(cells[i]);
        Put("</td>");
    }
    Put("</tr>");
    EndLine();
}

void HtmlTarget::PageFoot(const std::string &tableCode)
{
    WriteLine("</table><p>");
    WriteLine(std::string("<table width=100%><tr><td>") + FootnoteReferenceText + "</td><td></td><td align=right>"
              + SystemNameText + "</td></tr>");
    WriteLine("<tr><td>Table " + tableCode + "</td><td>" + ReleaseDateText + "</td><td align=right>" + AgencyNameText
              + "</td></tr>");
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
