#include "cli/batch_docs.h"

#include "cli/batch_command_table.h"
#include "cli/batch_commands.h"
#include "core/catalog/table_catalog.h"
#include "core/export/export_formats.h"

#include <array>
#include <utility>
#include <vector>

namespace tarvel::batch {

namespace {

constexpr std::array<std::pair<std::string_view, OptionValue>, 8> ValueKinds{{
    {"folder", OptionValue::Folder},
    {"file", OptionValue::File},
    {"table", OptionValue::Table},
    {"number", OptionValue::Number},
    {"areas", OptionValue::Areas},
    {"lines", OptionValue::Lines},
    {"quarters", OptionValue::Quarters},
    {"export-format", OptionValue::ExportFormat},
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

// The options taking a value of that kind, each once, the global ones first.
// The completion tells an option's values by the option's name alone, so
// an option that takes values of two kinds (in two commands) is an error.
std::optional<std::vector<std::string_view>> OptionsOfKind(OptionValue kind, std::string &error)
{
    std::vector<const OptionSpec *> all;
    for (const OptionSpec &option : GlobalOptions())
        all.push_back(&option);
    for (const CommandSpec &command : Commands()) {
        for (const OptionSpec &option : command.Options)
            all.push_back(&option);
    }
    std::vector<std::string_view> names;
    for (const OptionSpec *option : all) {
        bool seen = false;
        for (const OptionSpec *other : all) {
            if (other->Name != option->Name || other->Value == option->Value)
                continue;
            error = "the option " + std::string(option->Name)
                + " takes values of two kinds: the completion must look at the command to offer them";
            return std::nullopt;
        }
        for (const std::string_view name : names)
            seen = seen || name == option->Name;
        if (option->Value == kind && !seen)
            names.push_back(option->Name);
    }
    return names;
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
            const std::optional<std::vector<std::string_view>> options = OptionsOfKind(kind, error);
            if (!options)
                return std::nullopt;
            if (options->empty()) {
                error = "no option takes a value of the kind " + std::string(kindName);
                return std::nullopt;
            }
            return Joined(*options, " | ", " | ");
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
