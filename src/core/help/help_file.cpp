#include "core/help/help_file.h"

#include "core/catalog/file_helpers.h"
#include "core/settings/installed_share.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace tarvel {

namespace {

constexpr int MaxTopicNumber = 99999;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

/// The whole of text as a topic number 1..MaxTopicNumber, or 0.
int TopicNumber(std::string_view text)
{
    int number = 0;
    const char *end = text.data() + text.size();
    const auto [last, ec] = std::from_chars(text.data(), end, number);
    if (text.empty() || ec != std::errc() || last != end || number < 1 || number > MaxTopicNumber)
        return 0;
    return number;
}

bool Contains(const std::string &lowerText, const std::string &lowerPart)
{
    return lowerText.find(lowerPart) != std::string::npos;
}

Failure Damaged(const std::string &path, int line, const std::string &what)
{
    return Failure::Damaged(path, "line " + std::to_string(line) + ": " + what);
}

/// Drops blank lines at both ends of a topic's body.
void TrimBody(std::vector<std::string> &body)
{
    while (!body.empty() && TrimBlanks(body.back()).empty())
        body.pop_back();
    const auto first = std::find_if(body.begin(), body.end(),
                                    [](const std::string &line) { return !TrimBlanks(line).empty(); });
    body.erase(body.begin(), first);
}

void AppendEscaped(std::string &out, char c)
{
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
    case '&':
        out += "&amp;";
        return;
    case '<':
        out += "&lt;";
        return;
    case '>':
        out += "&gt;";
        return;
    case '"':
        out += "&quot;";
        return;
    default:
        break;
    }
    if (byte >= 128)
        out += "&#" + std::to_string(byte) + ';';
    else if (byte < 32 || byte == 127)
        out += ' '; // tabs and stray control bytes show as a blank
    else
        out += c;
}

/// One text with links and bold turned into HTML, everything else escaped.
std::string RenderInline(std::string_view text, const HelpFile &file)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (StartsWith(text.substr(i), "[[")) {
            const std::size_t close = text.find("]]", i + 2);
            if (close != std::string_view::npos) {
                const std::string_view inner = text.substr(i + 2, close - i - 2);
                const std::size_t bar = inner.find('|');
                const int target = TopicNumber(TrimBlanks(inner.substr(0, bar)));
                if (target != 0) {
                    const std::string_view label =
                        bar == std::string_view::npos ? std::string_view() : TrimBlanks(inner.substr(bar + 1));
                    const HelpTopic *topic = file.Find(target);
                    const std::string_view shown = !label.empty() ? label
                                                   : topic        ? std::string_view(topic->title)
                                                                  : inner;
                    // A link to a topic the file lacks stays readable text.
                    if (topic)
                        out += "<a href=\"topic:" + std::to_string(target) + "\">" + EscapeHtml(shown) + "</a>";
                    else
                        out += EscapeHtml(shown);
                    i = close + 2;
                    continue;
                }
            }
        } else if (StartsWith(text.substr(i), "**")) {
            const std::size_t close = text.find("**", i + 2);
            if (close != std::string_view::npos && close > i + 2) {
                out += "<b>" + RenderInline(text.substr(i + 2, close - i - 2), file) + "</b>";
                i = close + 2;
                continue;
            }
        }
        AppendEscaped(out, text[i]);
        ++i;
    }
    return out;
}

/// The cells of a table line "| a | b |"; a '|' inside a link does not split.
std::vector<std::string_view> TableCells(std::string_view line)
{
    line = TrimBlanks(line);
    line.remove_prefix(1); // the leading '|'
    if (!line.empty() && line.back() == '|')
        line.remove_suffix(1);
    std::vector<std::string_view> cells;
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (StartsWith(line.substr(i), "[[")) {
            ++depth;
            ++i;
        } else if (depth > 0 && StartsWith(line.substr(i), "]]")) {
            --depth;
            ++i;
        } else if (line[i] == '|' && depth == 0) {
            cells.push_back(TrimBlanks(line.substr(start, i - start)));
            start = i + 1;
        }
    }
    cells.push_back(TrimBlanks(line.substr(start)));
    return cells;
}

/// Turns body lines into HTML blocks, one block kind open at a time.
class BodyRenderer {
public:
    explicit BodyRenderer(const HelpFile &file) : m_file(file) {}

    void Line(std::string_view line)
    {
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty()) {
            Close();
        } else if (StartsWith(trimmed, "==")) {
            Close();
            m_out += "<h3>" + RenderInline(TrimBlanks(trimmed.substr(2)), m_file) + "</h3>\n";
        } else if (trimmed == "*" || StartsWith(trimmed, "* ") || StartsWith(trimmed, "*\t")) {
            if (m_block != Block::List) {
                Close();
                m_block = Block::List;
                m_out += "<ul>\n";
            } else {
                FlushText();
            }
            m_text = TrimBlanks(trimmed.substr(1));
        } else if (trimmed.front() == '|') {
            if (m_block != Block::Table) {
                Close();
                m_block = Block::Table;
                m_out += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n";
                m_tableRows = 0;
            }
            const char *tag = m_tableRows == 0 ? "th" : "td";
            m_out += "<tr>";
            for (const std::string_view cell : TableCells(trimmed))
                m_out += std::string("<") + tag + " align=\"left\">" + RenderInline(cell, m_file) + "</" + tag + ">";
            m_out += "</tr>\n";
            ++m_tableRows;
        } else if (line.front() == '>') {
            if (m_block != Block::Pre) {
                Close();
                m_block = Block::Pre;
                m_out += "<pre>";
            }
            std::string_view shown = line.substr(1);
            if (!shown.empty() && shown.front() == ' ')
                shown.remove_prefix(1);
            m_out += EscapeHtml(shown) + "\n";
        } else if (m_block == Block::List || m_block == Block::Paragraph) {
            m_text += ' ';
            m_text += trimmed;
        } else {
            Close();
            m_block = Block::Paragraph;
            m_text = trimmed;
        }
    }

    std::string Finish()
    {
        Close();
        return std::move(m_out);
    }

private:
    enum class Block { None, Paragraph, List, Table, Pre };

    void FlushText()
    {
        if (m_block == Block::List)
            m_out += "<li>" + RenderInline(m_text, m_file) + "</li>\n";
        else if (m_block == Block::Paragraph)
            m_out += "<p>" + RenderInline(m_text, m_file) + "</p>\n";
        m_text.clear();
    }

    void Close()
    {
        FlushText();
        if (m_block == Block::List)
            m_out += "</ul>\n";
        else if (m_block == Block::Table)
            m_out += "</table>\n";
        else if (m_block == Block::Pre)
            m_out += "</pre>\n";
        m_block = Block::None;
    }

    const HelpFile &m_file;
    std::string m_out;
    std::string m_text;
    Block m_block = Block::None;
    int m_tableRows = 0;
};

} // namespace

const HelpTopic *HelpFile::Find(int number) const
{
    const auto it = std::find_if(m_topics.begin(), m_topics.end(),
                                 [number](const HelpTopic &topic) { return topic.number == number; });
    return it == m_topics.end() ? nullptr : &*it;
}

HelpTopic HelpFile::Contents() const
{
    if (const HelpTopic *first = Find(1))
        return *first;
    HelpTopic contents;
    contents.title = "Contents";
    contents.body.push_back("The help file holds these topics:");
    contents.body.push_back({});
    for (const HelpTopic &topic : m_topics)
        contents.body.push_back("* [[" + std::to_string(topic.number) + "]]");
    return contents;
}

std::vector<HelpKeyword> HelpFile::Keywords(std::string_view text) const
{
    const std::string wanted = ToLower(TrimBlanks(text));
    std::map<std::string, HelpKeyword> byLowerCase;
    for (const HelpTopic &topic : m_topics) {
        for (const std::string &keyword : topic.keywords) {
            const std::string lower = ToLower(keyword);
            if (!Contains(lower, wanted))
                continue;
            HelpKeyword &entry = byLowerCase[lower];
            if (entry.keyword.empty())
                entry.keyword = keyword;
            if (std::find(entry.topics.begin(), entry.topics.end(), topic.number) == entry.topics.end())
                entry.topics.push_back(topic.number);
        }
    }
    std::vector<HelpKeyword> result;
    result.reserve(byLowerCase.size());
    for (auto &[lower, entry] : byLowerCase)
        result.push_back(std::move(entry));
    return result;
}

std::vector<int> HelpFile::Search(std::string_view text) const
{
    const std::string wanted = ToLower(TrimBlanks(text));
    std::vector<int> result;
    for (const HelpTopic &topic : m_topics) {
        bool match = Contains(ToLower(topic.title), wanted);
        for (const std::string &keyword : topic.keywords)
            match = match || Contains(ToLower(keyword), wanted);
        if (match)
            result.push_back(topic.number);
    }
    return result;
}

std::vector<std::pair<int, int>> HelpFile::BrokenLinks() const
{
    std::vector<std::pair<int, int>> broken;
    for (const HelpTopic &topic : m_topics) {
        for (const std::string &line : topic.body) {
            if (!line.empty() && line.front() == '>')
                continue; // shown as written, links included
            std::size_t open = line.find("[[");
            while (open != std::string::npos) {
                const std::size_t close = line.find("]]", open + 2);
                if (close == std::string::npos)
                    break;
                const std::string_view inner = std::string_view(line).substr(open + 2, close - open - 2);
                const int target = TopicNumber(TrimBlanks(inner.substr(0, inner.find('|'))));
                if (target != 0 && !Find(target))
                    broken.emplace_back(topic.number, target);
                open = line.find("[[", close + 2);
            }
        }
    }
    return broken;
}

Result<HelpFile> ParseHelpText(std::string_view text, const std::string &path)
{
    HelpFile file;
    std::map<int, int> topicLines; // topic number -> line of its @topic
    HelpTopic *current = nullptr;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        if (!line.empty() && line.front() == '#')
            continue;
        if (!line.empty() && line.front() == '@') {
            std::size_t nameEnd = 0;
            while (nameEnd < line.size() && !IsBlank(line[nameEnd]))
                ++nameEnd;
            const std::string_view directive = line.substr(0, nameEnd);
            const std::string_view rest = TrimBlanks(line.substr(nameEnd));
            if (directive == "@topic") {
                std::size_t numberEnd = 0;
                while (numberEnd < rest.size() && !IsBlank(rest[numberEnd]))
                    ++numberEnd;
                const int number = TopicNumber(rest.substr(0, numberEnd));
                const std::string_view title = TrimBlanks(rest.substr(numberEnd));
                if (number == 0 || title.empty())
                    return Damaged(path, lineNumber,
                                   "a topic line needs a topic number from 1 to 99999 and a title");
                const auto [it, added] = topicLines.emplace(number, lineNumber);
                if (!added)
                    return Damaged(path, lineNumber,
                                   "topic " + std::to_string(number) + " was already defined on line "
                                       + std::to_string(it->second));
                if (current)
                    TrimBody(current->body);
                file.m_topics.push_back({number, std::string(title), {}, {}});
                current = &file.m_topics.back();
            } else if (directive == "@keywords") {
                if (!current)
                    return Damaged(path, lineNumber, "keywords before the first topic");
                std::size_t start = 0;
                while (start <= rest.size()) {
                    std::size_t comma = rest.find(',', start);
                    if (comma == std::string_view::npos)
                        comma = rest.size();
                    const std::string_view keyword = TrimBlanks(rest.substr(start, comma - start));
                    if (!keyword.empty())
                        current->keywords.emplace_back(keyword);
                    start = comma + 1;
                }
            } else {
                return Damaged(path, lineNumber, "unknown line \"" + std::string(directive) + "\"");
            }
            continue;
        }
        if (!current) {
            if (!TrimBlanks(line).empty())
                return Damaged(path, lineNumber, "text before the first topic");
            continue;
        }
        current->body.emplace_back(line);
    }
    if (!current)
        return Failure::Damaged(path, "it holds no help topics");
    TrimBody(current->body);
    return file;
}

Result<HelpFile> ReadHelpFile(const std::string &path)
{
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return NotReadable(path);
    return ParseHelpText(*text, path);
}

std::vector<std::string> HelpFileCandidates(const std::string &programFolder, const std::string &dataFolder)
{
    std::vector<std::string> places{WithTrailingSlash(programFolder) + "tarvel.hlp"};
    if (!dataFolder.empty())
        places.push_back(WithTrailingSlash(dataFolder) + "tarvel.hlp");
    // An installed program keeps its help file in the share folder.
    if (!programFolder.empty())
        places.push_back(InstalledShareFolder(WithTrailingSlash(programFolder)) + "tarvel.hlp");
    return places;
}

std::string LocateHelpFile(const std::string &programFolder, const std::string &dataFolder)
{
    const std::vector<std::string> places = HelpFileCandidates(programFolder, dataFolder);
    for (const std::string &place : places) {
        if (FileExists(place))
            return place;
    }
    return dataFolder.empty() ? places.front() : WithTrailingSlash(dataFolder) + "tarvel.hlp";
}

std::string RenderTopicHtml(const HelpTopic &topic, const HelpFile &file)
{
    std::string html = "<h2>" + EscapeHtml(topic.title) + "</h2>\n";
    BodyRenderer body(file);
    for (const std::string &line : topic.body)
        body.Line(line);
    return html + body.Finish();
}

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        AppendEscaped(out, c);
    return out;
}

int TopicFromLink(std::string_view href)
{
    if (!StartsWith(href, "topic:"))
        return 0;
    return TopicNumber(href.substr(6));
}

} // namespace tarvel
