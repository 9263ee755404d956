#include "cli/batch_docs.h"

#include "cli/batch_command_table.h"
#include "cli/batch_commands.h"
#include "core/catalog/table_catalog.h"
#include "core/export/export_formats.h"
#include "core/export/script_tables.h"
#include "core/views/units.h"

#include <algorithm>

#include <array>
#include <utility>
#include <vector>

namespace tarvel::batch {

namespace {

constexpr std::array<std::pair<std::string_view, OptionValue>, 12> ValueKinds{{
    {"folder", OptionValue::Folder},
    {"file", OptionValue::File},
    {"table", OptionValue::Table},
    {"number", OptionValue::Number},
    {"areas", OptionValue::Areas},
    {"lines", OptionValue::Lines},
    {"quarters", OptionValue::Quarters},
    {"export-format", OptionValue::ExportFormat},
    {"listing-format", OptionValue::ListingFormat},
    {"sort", OptionValue::SortKey},
    {"units", OptionValue::Units},
    {"quarter", OptionValue::Quarter},
}};

template <class Words>
std::string Joined(const Words &words, std::string_view separator, std::string_view last)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? last : separator;
        text += words[i];
    }
    return text;
}

// A word as roff prints it as typed: a hyphen is a minus sign, a backslash
// an escape.
std::string RoffWord(std::string_view word)
{
    std::string text;
    for (const char c : word) {
        if (c == '-' || c == '\\')
            text += '\\';
        text += c == '\\' ? 'e' : c;
    }
    return text;
}

// A line of running text as roff prints it: a hyphen is a minus sign, a
// backslash an escape, and a line that starts with a dot or a quote stays text.
std::string RoffText(std::string_view text)
{
    std::string out = !text.empty() && (text.front() == '.' || text.front() == '\'') ? "\\&" : "";
    return out + RoffWord(text);
}

// The completion's case patterns for the options taking a value of that
// kind, each once, the global ones first. The completion matches them
// against "COMMAND:OPTION" (COMMAND empty before the command): an option
// whose values are of one kind wherever it stands is "*:--table"; one whose
// values differ from command to command (--format: export formats for
// export, output forms for the listings) is named with each command.
std::vector<std::string> OptionPatterns(OptionValue kind)
{
    struct Use {
        std::string_view Command;
        const OptionSpec *Option;
    };
    std::vector<Use> all;
    for (const OptionSpec &option : GlobalOptions())
        all.push_back({{}, &option});
    for (const CommandSpec &command : Commands()) {
        for (const OptionSpec &option : command.Options)
            all.push_back({command.Name, &option});
    }
    std::vector<std::string> patterns;
    for (const Use &use : all) {
        if (use.Option->Value != kind)
            continue;
        bool mixed = false;
        for (const Use &other : all)
            mixed = mixed || (other.Option->Name == use.Option->Name && other.Option->Value != kind);
        const std::string pattern = (mixed ? std::string(use.Command) : std::string("*")) + ":"
            + std::string(use.Option->Name);
        if (std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
            patterns.push_back(pattern);
    }
    return patterns;
}

std::string CommandOptionArms()
{
    std::string arms;
    for (const CommandSpec &command : Commands()) {
        std::vector<std::string_view> names;
        for (const OptionSpec &option : command.Options)
            names.push_back(option.Name);
        if (!arms.empty())
            arms += '\n';
        arms += std::string(command.Name) + ") options=\"" + Joined(names, " ", " ") + "\" ;;";
    }
    return arms;
}

std::optional<std::string> Expand(std::string_view name, std::string &error)
{
    if (name == "table-codes")
        return Joined(TableCodes(), " ", " ");
    if (name == "command-names") {
        std::vector<std::string_view> names;
        for (const CommandSpec &command : Commands())
            names.push_back(command.Name);
        return Joined(names, " ", " ");
    }
    if (name == "format-names")
        return ExportFormatNames(" ");
    if (name == "listing-format-names")
        return ListingFormatNames(" ");
    if (name == "units-names") {
        std::vector<std::string_view> names;
        for (const UnitsEntry &entry : UnitsTable())
            names.push_back(entry.ShortName);
        return Joined(names, " ", " ");
    }
    if (name == "quarter-words")
        return Joined(QuarterWords(), " ", " ");
    if (name == "global-options") {
        std::vector<std::string_view> names;
        for (const OptionSpec &option : GlobalOptions())
            names.push_back(option.Name);
        return Joined(names, " ", " ");
    }
    if (name == "command-option-arms")
        return CommandOptionArms();
    if (name.substr(0, 8) == "options:") {
        for (const auto &[kindName, kind] : ValueKinds) {
            if (name.substr(8) != kindName)
                continue;
            const std::vector<std::string> patterns = OptionPatterns(kind);
            if (patterns.empty()) {
                error = "no option takes a value of the kind " + std::string(kindName);
                return std::nullopt;
            }
            return Joined(patterns, " | ", " | ");
        }
    }
    if (name == "roff:table-codes" || name == "roff:table-codes-and") {
        std::vector<std::string> words;
        for (const std::string &code : TableCodes())
            words.push_back(RoffWord(code));
        return Joined(words, ", ", name == "roff:table-codes" ? ", " : " and ");
    }
    if (name == "roff:format-names") {
        std::vector<std::string> words;
        for (const ExportFormatInfo &format : ExportFormats())
            words.push_back("\\fB" + RoffWord(format.Name) + "\\fR");
        return Joined(words, ", ", " or ");
    }
    if (name == "roff:units-list") {
        // One tagged paragraph a unit: its short name in bold, then its rule.
        std::string list;
        for (const UnitsEntry &entry : UnitsTable()) {
            if (!list.empty())
                list += '\n';
            list += ".TP 8\n.B " + RoffWord(entry.ShortName) + "\n" + RoffText(entry.Rule);
            if (entry.Unit == Units::Level)
                list += " (the default)";
            list += '.';
        }
        return list;
    }
    error = "unknown list {{" + std::string(name) + "}}";
    return std::nullopt;
}

} // namespace

std::optional<std::string> FillDocTemplate(std::string_view text, std::string &error)
{
    std::string result;
    std::size_t at = 0;
    for (;;) {
        const std::size_t open = text.find("{{", at);
        if (open == std::string_view::npos) {
            result += text.substr(at);
            return result;
        }
        const std::size_t close = text.find("}}", open + 2);
        if (close == std::string_view::npos) {
            error = "a list name opened with {{ is not closed";
            return std::nullopt;
        }
        result += text.substr(at, open - at);
        const std::optional<std::string> list = Expand(text.substr(open + 2, close - open - 2), error);
        if (!list)
            return std::nullopt;
        // Further lines stand as far in as the line the name stands on.
        const std::size_t lineStart = result.rfind('\n') + 1;
        const std::size_t indentEnd = result.find_first_not_of(" \t", lineStart);
        const std::string indent = result.substr(lineStart, (indentEnd == std::string::npos ? result.size() : indentEnd)
                                                                - lineStart);
        for (const char c : *list) {
            result += c;
            if (c == '\n')
                result += indent;
        }
        at = close + 2;
    }
}

} // namespace tarvel::batch
