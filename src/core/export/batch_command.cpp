#include "core/export/batch_command.h"

#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/export/batch_options.h"
#include "core/export/export_formats.h"
#include "core/views/area_sort.h"

namespace tarvel {

namespace {

namespace opt = batch_option;

bool IsPlainShellCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || std::string_view("_@%+=:,./-").find(c)
        != std::string_view::npos;
}

BatchCommand NoCommand(std::string reason)
{
    return {{}, std::move(reason)};
}

// A name the viewer would open relative to its working folder, in full.
std::string FullName(const BatchCommandBase &base, const std::string &name)
{
    if (name.empty() || name.front() == '/' || name == "-" || base.WorkingFolder.empty())
        return name;
    return base.WorkingFolder + name;
}

// The program, the global options and the command's name.
std::vector<std::string> Start(const BatchCommandBase &base, const DataPaths &paths, const char *command)
{
    std::vector<std::string> words{base.Program};
    if (paths.Unsuppressed)
        words.emplace_back(opt::Unsuppressed);
    words.insert(words.end(), {opt::Data, paths.DataFolder, command});
    return words;
}

// Why a print to this output cannot be a tarvel-batch command, or "".
std::string PrintOutputProblem(const PrintOptions &options)
{
    if (!options.PrintToFile)
        return "tarvel-batch prints to files only: choose a text or HTML file to print to (Change Printer, "
               "then print to a file), and the command that writes it can be copied.";
    if (Trim(options.PrintFileName).empty())
        return "Choose the file to print to first.";
    const std::string name = TrimRight(options.PrintFileName);
    if (name.size() >= 4 && ToLower(name.substr(name.size() - 4)) == ".pdf")
        return "tarvel-batch writes text and HTML files, not PDF: a print to a PDF file has no command.";
    return {};
}

} // namespace

std::string ShellQuote(std::string_view word)
{
    bool plain = !word.empty();
    for (const char c : word)
        plain = plain && IsPlainShellCharacter(c);
    if (plain)
        return std::string(word);
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ShellCommand(const std::vector<std::string> &words)
{
    std::string text;
    for (const std::string &word : words)
        text += (text.empty() ? "" : " ") + ShellQuote(word);
    return text;
}

std::string NumberRangesText(std::span<const std::uint8_t> flags)
{
    std::string text;
    bool all = flags.size() > 1;
    const int count = static_cast<int>(flags.size()) - 1;
    for (int n = 1; n <= count; ++n) {
        if (flags[static_cast<std::size_t>(n)] == 0) {
            all = false;
            continue;
        }
        if (n > 1 && flags[static_cast<std::size_t>(n - 1)] != 0)
            continue;
        int last = n;
        while (last < count && flags[static_cast<std::size_t>(last + 1)] != 0)
            ++last;
        text += (text.empty() ? "" : ",") + std::to_string(n);
        if (last > n)
            text += "-" + std::to_string(last);
    }
    return all ? std::string("all") : text;
}

std::string QuartersText(std::span<const std::uint8_t> flags, std::string_view code)
{
    const int count = QuarterCount(code);
    std::vector<int> chosen;
    for (int k = 1; k <= count && static_cast<std::size_t>(k) < flags.size(); ++k) {
        if (flags[static_cast<std::size_t>(k)] != 0)
            chosen.push_back(k);
    }
    if (chosen.empty())
        return {};
    if (static_cast<int>(chosen.size()) == count)
        return "all";
    if (chosen.back() - chosen.front() + 1 == static_cast<int>(chosen.size())) {
        if (chosen.size() == 1)
            return QuarterLabel(chosen.front(), code);
        return QuarterLabel(chosen.front(), code) + "-" + QuarterLabel(chosen.back(), code);
    }
    std::string text;
    for (const int k : chosen)
        text += (text.empty() ? "" : ",") + QuarterLabel(k, code);
    return text;
}

BatchCommand ExportCommand(const BatchCommandBase &base, const ExportOptions &options, const ExportSelection &selection)
{
    const std::string &code = options.TableCode;
    if (LineCount(code) == 0)
        return NoCommand("No table is chosen.");
    std::vector<std::uint8_t> lines(1, 0);
    for (const ExportLine &line : options.Lines)
        lines.push_back(line.selected ? 255 : 0);
    const std::string linesText = NumberRangesText(lines);
    if (linesText.empty())
        return NoCommand("No records (line titles) are selected for export: select at least one on the page "
                         "\"Records to Export\".");
    const bool perArea = options.Output == ExportOutput::FilePerArea;
    const std::string name = Trim(options.FileName);
    const bool folderName = !name.empty() && name.back() == '/';
    if (name.empty() || name.rfind("-no", 0) == 0 || perArea != folderName) {
        return NoCommand(perArea ? "Select an output folder first (page \"Output Location\")."
                                 : "Select an output file first (page \"Output Location\").");
    }
    const bool oneRecordPerArea = ShapeOf(code) == TableShape::AreaRows;
    std::string areas = NumberRangesText(selection.AreaSelected);
    if (areas.empty()) {
        if (!oneRecordPerArea)
            return NoCommand("No State is selected.");
        // The table whose lines are the areas exports them all whatever is chosen.
        areas = "all";
    }
    const std::string quarters = QuartersText(selection.QuarterSelected, code);
    if (quarters.empty())
        return NoCommand("No quarter is selected.");
    if (selection.Paths.DataFolder.empty())
        return NoCommand("No data folder is known.");

    const ExportFormatInfo &format = FormatInfo(options.Format);
    std::vector<std::string> words = Start(base, selection.Paths, "export");
    words.insert(words.end(), {opt::Table, code, opt::Areas, areas, opt::Quarters, quarters, opt::Lines, linesText,
                               opt::Format, std::string(format.Name)});
    if (perArea)
        words.insert(words.end(), {opt::PerArea, FullName(base, options.FileName)});
    else
        words.insert(words.end(), {opt::Output, FullName(base, options.FileName)});
    if (!options.Header)
        words.emplace_back(opt::NoHeader);
    if (!options.LineTitle)
        words.emplace_back(opt::NoLineTitles);
    if (options.AreaName)
        words.emplace_back(opt::AreaNames);
    // A format that never quotes or appends ignores those choices.
    if (!options.Quote && format.Quotes)
        words.emplace_back(opt::NoQuotes);
    if (options.Append && format.Appends)
        words.emplace_back(opt::Append);
    if (options.Footnotes)
        words.emplace_back(opt::Footnotes);
    return {ShellCommand(words), {}};
}

BatchCommand PrintAllCommand(const BatchCommandBase &base, const DataPaths &paths, const std::string &code,
                             const std::vector<int> &areas, std::span<const std::uint8_t> quarterSelected,
                             bool reverse, const PrintOptions &options, const UnitsChoice &units)
{
    if (LineCount(code) == 0)
        return NoCommand("No table is chosen.");
    if (std::string problem = PrintOutputProblem(options); !problem.empty())
        return NoCommand(std::move(problem));
    if (areas.empty())
        return NoCommand("No State is selected.");
    const bool onePass = ShapeOf(code) == TableShape::AreaRows;
    std::vector<std::uint8_t> areaFlags(AreaCount + 1, 0);
    for (const int area : areas) {
        if (area >= 1 && area <= AreaCount)
            areaFlags[static_cast<std::size_t>(area)] = 255;
    }
    // tarvel-batch prints the areas in area order, each once.
    if (!onePass && areas != PrintAllAreaList(code, areaFlags))
        return NoCommand("This print-all runs through the areas in another order than area order, which "
                         "tarvel-batch cannot repeat.");
    const std::string quarters = QuartersText(quarterSelected, code);
    if (quarters.empty())
        return NoCommand("No quarter is selected.");
    if (paths.DataFolder.empty())
        return NoCommand("No data folder is known.");

    std::vector<std::string> words = Start(base, paths, "print");
    words.insert(words.end(), {opt::Table, code});
    if (!onePass)
        words.insert(words.end(), {opt::Areas, NumberRangesText(areaFlags)});
    words.insert(words.end(), {opt::Quarters, quarters, opt::Output, FullName(base, Trim(options.PrintFileName))});
    if (options.IncludeFootnotes)
        words.emplace_back(opt::Footnotes);
    if (reverse)
        words.emplace_back(opt::Reverse);
    if (!units.IsPublished()) {
        words.insert(words.end(), {opt::Units, std::string(UnitsEntryOf(units.Unit).ShortName)});
        if (units.Unit == Units::Index) {
            int base = units.BaseQuarter;
            for (std::size_t k = 1; base == 0 && k < quarterSelected.size(); ++k)
                base = quarterSelected[k] != 0 ? static_cast<int>(k) : 0;
            if (base < 1 || base > QuarterCount(code))
                return NoCommand("The base quarter of the index is no quarter of the table.");
            words.insert(words.end(), {opt::Base, QuarterLabel(base, code)});
        }
    }
    return {ShellCommand(words), {}};
}

BatchCommand PrintWindowCommand(const BatchCommandBase &base, const DataPaths &paths, const PrintSnapshot &snapshot,
                                const PrintOptions &options, bool sorted)
{
    if (snapshot.IsDocument || snapshot.Tag == ChildKind::Document)
        return NoCommand("tarvel-batch does not print documents.");
    if (snapshot.Tag == ChildKind::SOL)
        return NoCommand("tarvel-batch does not print one-line windows (\"tarvel-batch show-line\" writes their "
                         "text).");
    if (sorted)
        return NoCommand(std::string("tarvel-batch prints the areas in area order: the window is sorted (\"tarvel-batch "
                                     "show ") + opt::Sort + "\" writes its text).");
    const Grid &grid = snapshot.Table;
    const std::string &code = grid.Code;
    if (LineCount(code) == 0)
        return NoCommand("The window shows no table tarvel-batch knows.");
    if (std::string problem = PrintOutputProblem(options); !problem.empty())
        return NoCommand(std::move(problem));
    const bool onePass = ShapeOf(code) == TableShape::AreaRows;
    if (!onePass && (grid.Area < 1 || grid.Area > AreaCount))
        return NoCommand("The window shows no area tarvel-batch knows.");

    // The quarters and their order, from the window's own column labels;
    // a window of computed figures (whose columns may be years) from the
    // quarters its figures were computed for.
    const UnitsChoice units = UnitsOf(grid);
    std::vector<int> columns;
    if (units.IsPublished()) {
        for (int c = 1; c < grid.Columns(); ++c)
            columns.push_back(QuarterIndex(Trim(grid.Cell(0, c)), code));
    } else {
        columns = grid.Model->Quarters;
    }
    std::vector<std::uint8_t> quarters(static_cast<std::size_t>(QuarterCount(code)) + 1, 0);
    int first = 0;
    int last = 0;
    for (const int k : columns) {
        if (k < 1 || k > QuarterCount(code))
            return NoCommand("The window shows a column that is no quarter of its table.");
        quarters[static_cast<std::size_t>(k)] = 255;
        first = first == 0 ? k : first;
        last = k;
    }
    if (first == 0)
        return NoCommand("The window shows no quarter.");
    if (paths.DataFolder.empty())
        return NoCommand("No data folder is known.");

    std::vector<int> areas{onePass ? 1 : grid.Area};
    PrintOptions fileOptions = options;
    fileOptions.PrintAllMode = false;
    return PrintAllCommand(base, paths, code, areas, quarters, last < first, fileOptions, units);
}

} // namespace tarvel
