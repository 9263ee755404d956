#include "cli/batch_command_table.h"

#include "cli/batch_commands.h"
#include "core/export/batch_options.h"
#include "core/export/export_formats.h"
#include "core/export/script_tables.h"
#include "core/views/units.h"

#include <algorithm>

namespace tarvel::batch {

namespace {

namespace opt = batch_option;

constexpr OptionSpec Data{opt::Data, OptionValue::Folder, "DIR"};
constexpr OptionSpec Unsuppressed{opt::Unsuppressed};
constexpr OptionSpec Help{opt::Help};
constexpr OptionSpec Version{opt::Version};

constexpr OptionSpec Table{opt::Table, OptionValue::Table, "CODE"};
constexpr OptionSpec Area{opt::Area, OptionValue::Number, "N"};
constexpr OptionSpec Areas{opt::Areas, OptionValue::Areas, "AREAS"};
constexpr OptionSpec Line{opt::Line, OptionValue::Number, "L"};
constexpr OptionSpec Lines{opt::Lines, OptionValue::Lines, "LINES"};
constexpr OptionSpec Quarters{opt::Quarters, OptionValue::Quarters, "QUARTERS"};
constexpr OptionSpec Output{opt::Output, OptionValue::File, "FILE"};
constexpr OptionSpec PerArea{opt::PerArea, OptionValue::Folder, "DIR"};
constexpr OptionSpec Reverse{opt::Reverse};
constexpr OptionSpec Footnotes{opt::Footnotes};
constexpr OptionSpec Listing{opt::Format, OptionValue::ListingFormat};
constexpr OptionSpec ExportFormat{opt::Format, OptionValue::ExportFormat};
constexpr OptionSpec Sort{opt::Sort, OptionValue::SortKey, "QUARTER[:asc|:desc]"};
// A map's quarter, units and base: nothing to complete for them yet.
constexpr OptionSpec MapQuarter{opt::Quarter, OptionValue::Number, "Q"};
constexpr OptionSpec MapUnits{opt::Units, OptionValue::Units, "NAME"};
constexpr OptionSpec MapBase{opt::Base, OptionValue::Quarter, "Q"};
constexpr OptionSpec NoHeader{opt::NoHeader};
constexpr OptionSpec LineTitles{opt::LineTitles};
constexpr OptionSpec NoLineTitles{opt::NoLineTitles};
constexpr OptionSpec AreaNames{opt::AreaNames};
constexpr OptionSpec NoAreaNames{opt::NoAreaNames};
constexpr OptionSpec NoQuotes{opt::NoQuotes};
constexpr OptionSpec Append{opt::Append};
constexpr OptionSpec UnitsName{opt::Units, OptionValue::Units, "UNITS"};
constexpr OptionSpec Base{opt::Base, OptionValue::Quarter, "QUARTER"};

// "[--quarters QUARTERS]"
std::string Optional(const OptionSpec &option)
{
    return "[" + OptionUsage(option) + "]";
}

// "[--line-titles|--no-line-titles]"
std::string EitherOf(const OptionSpec &on, const OptionSpec &off)
{
    return "[" + OptionUsage(on) + "|" + OptionUsage(off) + "]";
}

// The words joined by blanks.
std::string Words(std::initializer_list<std::string> words)
{
    std::string text;
    for (const std::string &word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

// A further usage line of command: the words under its first option.
std::string Under(std::string_view command, std::initializer_list<std::string> words)
{
    return std::string(command.size() + 1, ' ') + Words(words);
}

// The map's --help lines: what it draws, then the units' short names from
// the units table, wrapped to stand beside the usage.
std::vector<std::string> MapDescription()
{
    std::vector<std::string> lines{"a tile map of the states: line L of each state",
                                   "in quarter Q, coloured by fifths, as SVG (FILE",
                                   "ends in \".svg\", or - for the standard output);"};
    std::string line;
    const auto add = [&lines, &line](const std::string &word) {
        if (!line.empty() && line.size() + 1 + word.size() > 48) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    };
    add("NAME");
    add("is");
    add("one");
    add("of");
    for (const UnitsEntry &entry : UnitsTable()) {
        const bool last = &entry == &UnitsTable().back();
        add(std::string(entry.ShortName) + (entry.Unit == Units::Level ? " (the default)" : "") + (last ? ";" : ","));
    }
    for (const char *word : {"--base", "Q", "is", "the", "quarter", "that", "is", "100", "of", "an", "index"})
        add(word);
    lines.push_back(line);
    return lines;
}

std::vector<CommandSpec> MakeCommands()
{
    const std::string listing = Optional(Listing);
    const std::string sort = Optional(Sort);
    const std::string quarters = Optional(Quarters);
    const std::string reverse = Optional(Reverse);
    const std::string units = Optional(UnitsName);
    const std::string base = Optional(Base);
    return {
        {"tables",
         {Listing},
         {Words({"tables", listing})},
         {"one line per table: code, first year, last year,", "quarter count, line count (tab-separated)"},
         RunTables,
         false},
        {"areas",
         {Listing},
         {Words({"areas", listing})},
         {"one line per area: number, code, region code,", "name, abbreviation (tab-separated)"},
         RunAreas},
        {"lines",
         {Table, Listing},
         {Words({"lines", OptionUsage(Table), listing})},
         {"one line per data line: number, line code, title"},
         RunLines},
        {"show",
         {Table, Area, Quarters, Reverse, Sort, Listing, UnitsName, Base},
         {Words({"show", OptionUsage(Table), OptionUsage(Area), quarters, reverse}),
          Under("show", {sort, listing}), Under("show", {units, base})},
         {"the table-view grid of area N: the window caption,", "then one line per grid row (row 0 first), cells",
          "separated by tabs, each cell's text exactly as the",
          "display window shows it; " + std::string(opt::Sort) + " ranks the states",
          "of a table whose lines are the areas (ZR1)"},
         RunShow},
        {"show-line",
         {Table, Line, Quarters, Reverse, Sort, Listing, UnitsName, Base},
         {Words({"show-line", OptionUsage(Table), OptionUsage(Line), quarters, reverse}),
          Under("show-line", {sort, listing}), Under("show-line", {units, base})},
         {"the one-line view grid of data line L (1-based", "within an area's block), in the same form"},
         RunShowLine},
        {"export",
         {Table, Areas, Quarters, Lines, ExportFormat, Output, PerArea, NoHeader, LineTitles, NoLineTitles, AreaNames,
          NoAreaNames, NoQuotes, Append, Footnotes},
         {Words({"export", OptionUsage(Table), OptionUsage(Areas), OptionUsage(Quarters), Optional(Lines)}),
          Under("export", {OptionUsage(ExportFormat), "(" + OptionUsage(Output) + " | " + OptionUsage(PerArea) + ")"}),
          Under("export", {Optional(NoHeader), EitherOf(LineTitles, NoLineTitles)}),
          Under("export", {EitherOf(AreaNames, NoAreaNames), Optional(NoQuotes), Optional(Append), Optional(Footnotes)})},
         {"the export writer; defaults as the wizard's first", "opening: header, line titles and quotes on; area",
          "names, append and footnotes off; xlsx writes an", "Excel workbook (no quotes, never appended)"},
         RunExport},
        {"print",
         {Table, Areas, Quarters, Output, Footnotes, Reverse, UnitsName, Base},
         {Words({"print", OptionUsage(Table), OptionUsage(Areas), OptionUsage(Quarters), OptionUsage(Output)}),
          Under("print", {Optional(Footnotes), reverse, units, base})},
         {"print-all to a file: HTML when FILE ends in", "\".htm\" (any case), plain text otherwise"},
         RunPrint},
        {"map",
         {Table, Line, MapQuarter, MapUnits, MapBase, Output},
         {Words({"map", OptionUsage(Table), OptionUsage(Line), OptionUsage(MapQuarter)}),
          Under("map", {Optional(MapUnits), Optional(MapBase), OptionUsage(Output)})},
         MapDescription(),
         RunMap},
    };
}

// --units and --base: each unit of the units table with its rule.
std::string UnitsHelp()
{
    std::string text = OptionUsage(UnitsName)
        + ": the figures computed from the published values (the\n"
          "previous quarter and the year before are the table's, whatever is shown):\n";
    // Each rule beside its name, wrapped at 79 columns under its first
    // word; four blanks in, where only the commands stand two in.
    constexpr std::size_t RuleColumn = 12;
    constexpr std::size_t Width = 79;
    for (const UnitsEntry &entry : UnitsTable()) {
        std::string line = "    " + std::string(entry.ShortName);
        line.resize(std::max(line.size() + 1, RuleColumn), ' ');
        const std::string rule = std::string(entry.Rule) + (entry.Unit == Units::Level ? " (the default)" : "");
        std::size_t at = 0;
        bool first = true;
        while (at < rule.size()) {
            const std::size_t end = std::min(rule.find(' ', at), rule.size());
            const std::string word = rule.substr(at, end - at);
            if (!first && line.size() + 1 + word.size() > Width) {
                text += line + "\n";
                line = std::string(RuleColumn, ' ') + word;
            } else {
                line += (first ? "" : " ") + word;
            }
            first = false;
            at = end + 1;
        }
        text += line + "\n";
    }
    return text + OptionUsage(Base) + ": the quarter that is 100 of " + opt::Units
        + " index (2008.1); the oldest\n"
          "quarter shown when not given.\n";
}

// The usage stands two blanks in; the description in a column of its own,
// beside a usage short enough to leave room for it.
constexpr std::size_t UsageIndent = 2;
constexpr std::size_t DescriptionColumn = 31;

} // namespace

const OptionSpec *CommandSpec::FindOption(std::string_view name) const
{
    for (const OptionSpec &option : Options) {
        if (option.Name == name)
            return &option;
    }
    return nullptr;
}

const std::vector<CommandSpec> &Commands()
{
    static const std::vector<CommandSpec> commands = MakeCommands();
    return commands;
}

const CommandSpec *FindCommand(std::string_view name)
{
    for (const CommandSpec &command : Commands()) {
        if (command.Name == name)
            return &command;
    }
    return nullptr;
}

const std::vector<OptionSpec> &GlobalOptions()
{
    static const std::vector<OptionSpec> options{Data, Unsuppressed, Help, Version};
    return options;
}

std::string OptionUsage(const OptionSpec &option)
{
    std::string text(option.Name);
    switch (option.Value) {
    case OptionValue::None:
        return text;
    case OptionValue::ExportFormat:
        return text + " " + ExportFormatNames("|");
    case OptionValue::ListingFormat:
        return text + " " + ListingFormatNames("|");
    default:
        return text + " " + std::string(option.Placeholder);
    }
}

std::string ProgramUsage()
{
    return Words({"tarvel-batch", Optional(Data), Optional(Unsuppressed), "COMMAND [options]"});
}

std::string HelpText()
{
    std::string text = "tarvel-batch: the TARVEL viewer's tables, exports and prints from the command line\n"
                       "\n"
        + ProgramUsage() + "\n" + Words({"tarvel-batch", OptionUsage(Help), "|", OptionUsage(Version)}) + "\n";
    const std::string indent(UsageIndent, ' ');
    const std::string column(DescriptionColumn, ' ');
    for (const CommandSpec &command : Commands()) {
        for (std::size_t i = 0; i + 1 < command.Usage.size(); ++i)
            text += indent + command.Usage[i] + "\n";
        const std::string last = indent + command.Usage.back();
        std::size_t first = 0;
        if (last.size() < DescriptionColumn && !command.Description.empty()) {
            text += last + std::string(DescriptionColumn - last.size(), ' ') + std::string(command.Description[0])
                + "\n";
            first = 1;
        } else {
            text += last + "\n";
        }
        for (std::size_t i = first; i < command.Description.size(); ++i)
            text += column + std::string(command.Description[i]) + "\n";
    }
    const std::string format(opt::Format);
    text += "\n"
            "AREAS: all, or numbers and ranges (1,5-9). QUARTERS: last4 (the default),\n"
            "last5, last8, last9, all, a label range (2007.1-2008.1) or a comma list of\n"
            "labels. LINES: all (the default) or numbers and ranges.\n"
            "Without " + std::string(opt::Data) + " the data folder is the one the viewer would find.\n"
        + opt::Unsuppressed + " reads the \".xxx\" files as the viewer's unsuppressed mode does.\n"
        + OptionUsage(Listing) + ": text is the default; csv writes a header record and\n"
            "one record per line or area, json one object; values are the numbers as\n"
            "stored, as export " + format + " comma writes them, withheld ones empty (CSV,\n"
            "marked in its flags field) or null (JSON, with their reasons beside them);\n"
            "each row names its unit. Computed figures (" + std::string(opt::Units) + ") are written as the grid\n"
            "rounds them, without group commas; CSV names their units in a units\n"
            "column, JSON in a units member.\n"
        + UnitsHelp()
        + OptionUsage(Sort) + ": the states and DC ranked by that quarter, highest\n"
            "first (desc, the default) or lowest first (asc), cells without a value last;\n"
            "the nation stays first and the regions last.\n"
            "Exit status: 0 success; 1 a file that cannot be read or written; 2 usage error.\n";
    return text;
}

} // namespace tarvel::batch
