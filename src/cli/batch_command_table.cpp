#include "cli/batch_command_table.h"

#include "cli/batch_commands.h"
#include "core/export/export_formats.h"
#include "core/export/script_tables.h"

namespace tarvel::batch {

namespace {

constexpr OptionSpec Table{"--table", OptionValue::Table};
constexpr OptionSpec Areas{"--areas", OptionValue::Areas};
constexpr OptionSpec Quarters{"--quarters", OptionValue::Quarters};
constexpr OptionSpec Output{"--output", OptionValue::File};
constexpr OptionSpec Reverse{"--reverse"};
constexpr OptionSpec Footnotes{"--footnotes"};
constexpr OptionSpec Listing{"--format", OptionValue::ListingFormat};
constexpr OptionSpec Sort{"--sort", OptionValue::SortKey};

std::vector<CommandSpec> MakeCommands()
{
    const std::string formats = ExportFormatNames("|");
    const std::string listing = "[--format " + ListingFormatNames("|") + "]";
    return {
        {"tables",
         {Listing},
         {"tables " + listing},
         {"one line per table: code, first year, last year,", "quarter count, line count (tab-separated)"},
         RunTables,
         false},
        {"areas",
         {Listing},
         {"areas " + listing},
         {"one line per area: number, code, region code,", "name, abbreviation (tab-separated)"},
         RunAreas},
        {"lines",
         {Table, Listing},
         {"lines --table CODE " + listing},
         {"one line per data line: number, line code, title"},
         RunLines},
        {"show",
         {Table, {"--area", OptionValue::Number}, Quarters, Reverse, Sort, Listing},
         {"show --table CODE --area N [--quarters QUARTERS] [--reverse]",
          "     [--sort QUARTER[:asc|:desc]] " + listing},
         {"the table-view grid of area N: the window caption,", "then one line per grid row (row 0 first), cells",
          "separated by tabs, each cell's text exactly as the", "display window shows it; --sort ranks the states",
          "of a table whose lines are the areas (ZR1)"},
         RunShow},
        {"show-line",
         {Table, {"--line", OptionValue::Number}, Quarters, Reverse, Sort, Listing},
         {"show-line --table CODE --line L [--quarters QUARTERS] [--reverse]",
          "          [--sort QUARTER[:asc|:desc]] " + listing},
         {"the one-line view grid of data line L (1-based", "within an area's block), in the same form"},
         RunShowLine},
        {"export",
         {Table,
          Areas,
          Quarters,
          {"--lines", OptionValue::Lines},
          {"--format", OptionValue::ExportFormat},
          Output,
          {"--per-area", OptionValue::Folder},
          {"--no-header"},
          {"--line-titles"},
          {"--no-line-titles"},
          {"--area-names"},
          {"--no-area-names"},
          {"--no-quotes"},
          {"--append"},
          Footnotes},
         {"export --table CODE --areas AREAS --quarters QUARTERS [--lines LINES]",
          "       --format " + formats + " (--output FILE | --per-area DIR)",
          "       [--no-header] [--line-titles|--no-line-titles]",
          "       [--area-names|--no-area-names] [--no-quotes] [--append] [--footnotes]"},
         {"the export writer; defaults as the wizard's first", "opening: header, line titles and quotes on; area",
          "names, append and footnotes off; xlsx writes an", "Excel workbook (no quotes, never appended)"},
         RunExport},
        {"print",
         {Table, Areas, Quarters, Output, Footnotes, Reverse},
         {"print --table CODE --areas AREAS --quarters QUARTERS --output FILE", "      [--footnotes] [--reverse]"},
         {"print-all to a file: HTML when FILE ends in", "\".htm\" (any case), plain text otherwise"},
         RunPrint},
    };
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
    static const std::vector<OptionSpec> options{
        {"--data", OptionValue::Folder}, {"--unsuppressed"}, {"--help"}, {"--version"}};
    return options;
}

std::string HelpText()
{
    std::string text = "tarvel-batch: the TARVEL viewer's tables, exports and prints from the command line\n"
                       "\n"
                       "tarvel-batch [--data DIR] [--unsuppressed] COMMAND [options]\n"
                       "tarvel-batch --help | --version\n";
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
    text += "\n"
            "AREAS: all, or numbers and ranges (1,5-9). QUARTERS: last4 (the default),\n"
            "last5, last8, last9, all, a label range (2007.1-2008.1) or a comma list of\n"
            "labels. LINES: all (the default) or numbers and ranges.\n"
            "Without --data the data folder is the one the viewer would find.\n"
            "--unsuppressed reads the \".xxx\" files as the viewer's unsuppressed mode does.\n"
            "--format text|csv|json: text is the default; csv writes a header record and\n"
            "one record per line or area, json one object; values are the numbers as\n"
            "stored, as export --format comma writes them, withheld ones empty (CSV,\n"
            "marked in its flags field) or null (JSON, with their reasons beside them);\n"
            "each row names its unit.\n"
            "--sort QUARTER[:asc|:desc]: the states and DC ranked by that quarter, highest\n"
            "first (desc, the default) or lowest first (asc), cells without a value last;\n"
            "the nation stays first and the regions last.\n"
            "Exit status: 0 success; 1 a file that cannot be read or written; 2 usage error.\n";
    return text;
}

} // namespace tarvel::batch
