#include "cli/batch_commands.h"

#include "core/settings/data_folder.h"
#include "core/settings/settings_store.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/version.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <set>
#include <utility>

namespace tarvel::batch {

namespace {

namespace opt = batch_option;

// The last n quarters, by the word that chooses them.
const std::vector<std::pair<std::string, int>> &LastQuarters()
{
    static const std::vector<std::pair<std::string, int>> words{{"last4", 4}, {"last5", 5}, {"last8", 8}, {"last9", 9}};
    return words;
}

std::optional<int> ParseNumber(std::string_view text)
{
    int value = 0;
    const char *first = text.data();
    const char *last = text.data() + text.size();
    if (text.empty())
        return std::nullopt;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

std::vector<std::string> SplitAt(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// "all", or numbers and ranges within 1..count, as flags.
std::optional<std::vector<std::uint8_t>> ParseNumberList(const std::string &text, int count, const std::string &what,
                                                         std::string &error)
{
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(count) + 1, 0);
    const std::string trimmed = Trim(text);
    if (ToLower(trimmed) == "all") {
        for (int i = 1; i <= count; ++i)
            flags[static_cast<std::size_t>(i)] = 255;
        return flags;
    }
    for (const std::string &part : SplitAt(trimmed, ',')) {
        const std::size_t dash = part.find('-', 1);
        const auto from = ParseNumber(Trim(part.substr(0, dash)));
        const auto to = dash == std::string::npos ? from : ParseNumber(Trim(part.substr(dash + 1)));
        if (!from || !to || *from > *to) {
            error = "\"" + part + "\" is not a " + what + " number or range";
            return std::nullopt;
        }
        for (int n : {*from, *to}) {
            if (n < 1 || n > count) {
                error = what + " " + std::to_string(n) + " is outside 1-" + std::to_string(count);
                return std::nullopt;
            }
        }
        for (int i = *from; i <= *to; ++i)
            flags[static_cast<std::size_t>(i)] = 255;
    }
    return flags;
}

bool IsLabel(const std::string &text)
{
    if (text.size() != 6 || text[4] != '.')
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return text[5] >= '1' && text[5] <= '4';
}

std::optional<int> LabelIndex(const std::string &label, const std::string &code, std::string &error)
{
    const int count = QuarterCount(code);
    const int index = IsLabel(label) ? QuarterIndex(label, code) : 0;
    if (!IsLabel(label)) {
        error = "\"" + label + "\" is not a quarter label (YYYY.Q)";
        return std::nullopt;
    }
    if (index < 1 || index > count) {
        error = "quarter " + label + " is outside " + code + " (" + QuarterLabel(1, code) + "-"
            + QuarterLabel(count, code) + ")";
        return std::nullopt;
    }
    return index;
}

} // namespace

std::string Context::Value(const std::string &option) const
{
    const auto it = invocation.options.find(option);
    return it == invocation.options.end() ? std::string() : it->second;
}

int UsageError(std::ostream &err, const std::string &message)
{
    err << "tarvel-batch: " << TerminalText(message) << '\n'
        << "usage: " << ProgramUsage() << "  (tarvel-batch " << opt::Help << ")\n";
    return ExitUsage;
}

int OutputError(std::ostream &err, int error)
{
    err << "tarvel-batch: the standard output could not be written" << '\n';
    if (error != 0)
        err << SystemReason(error) << '\n';
    err.flush();
    return ExitFile;
}

int FileError(std::ostream &err, const Failure &failure)
{
    err << TerminalText(FailureText(failure)) << '\n';
    return ExitFile;
}

std::optional<std::vector<std::uint8_t>> ParseAreas(const std::string &text, std::string &error)
{
    return ParseNumberList(text, AreaCount, "area", error);
}

std::optional<std::vector<std::uint8_t>> ParseLines(const std::string &text, int lineCount, std::string &error)
{
    return ParseNumberList(text, lineCount, "line", error);
}

const std::vector<std::string> &QuarterWords()
{
    static const std::vector<std::string> words = [] {
        std::vector<std::string> all;
        for (const auto &[word, count] : LastQuarters())
            all.push_back(word);
        all.emplace_back("all");
        return all;
    }();
    return words;
}

std::optional<std::vector<std::uint8_t>> ParseQuarters(const std::string &text, const std::string &code,
                                                       std::string &error)
{
    const int count = QuarterCount(code);
    std::vector<std::uint8_t> flags(static_cast<std::size_t>(count) + 1, 0);
    const std::string trimmed = ToLower(Trim(text.empty() ? std::string("last4") : text));
    for (const auto &[word, last] : LastQuarters()) {
        if (trimmed != word)
            continue;
        for (int k = count - last + 1; k <= count; ++k) {
            if (k >= 1)
                flags[static_cast<std::size_t>(k)] = 255;
        }
        return flags;
    }
    if (trimmed == "all") {
        for (int k = 1; k <= count; ++k)
            flags[static_cast<std::size_t>(k)] = 255;
        return flags;
    }
    // A range "first-last" of labels, or a comma list of labels in any order.
    if (const std::size_t dash = trimmed.find('-'); dash != std::string::npos && trimmed.find(',') == std::string::npos) {
        const auto from = LabelIndex(Trim(trimmed.substr(0, dash)), code, error);
        if (!from)
            return std::nullopt;
        const auto to = LabelIndex(Trim(trimmed.substr(dash + 1)), code, error);
        if (!to)
            return std::nullopt;
        if (*from > *to) {
            error = "quarter range \"" + trimmed + "\" runs backwards";
            return std::nullopt;
        }
        for (int k = *from; k <= *to; ++k)
            flags[static_cast<std::size_t>(k)] = 255;
        return flags;
    }
    for (const std::string &label : SplitAt(trimmed, ',')) {
        const auto index = LabelIndex(label, code, error);
        if (!index)
            return std::nullopt;
        flags[static_cast<std::size_t>(*index)] = 255;
    }
    return flags;
}

std::string OptionUsage(const Context &context, std::string_view option)
{
    const CommandSpec *command = FindCommand(context.invocation.command);
    const OptionSpec *described = command ? command->FindOption(option) : nullptr;
    return described ? OptionUsage(*described) : std::string(option);
}

std::string MissingOptionText(const Context &context, std::string_view option)
{
    return "the command " + context.invocation.command + " needs " + OptionUsage(context, option);
}

std::optional<std::string> TableOption(const Context &context, std::string &error)
{
    if (!context.Has(opt::Table)) {
        error = MissingOptionText(context, opt::Table);
        return std::nullopt;
    }
    const std::string code = context.Value(opt::Table);
    if (QuarterCount(code) == 0) {
        std::string tables;
        for (const std::string &known : TableCodes())
            tables += (tables.empty() ? "" : ", ") + known;
        error = "\"" + code + "\" is not a table (tables: " + tables + ")";
        return std::nullopt;
    }
    return code;
}

std::optional<ListingFormat> ListingFormatOption(const Context &context, std::string &error)
{
    if (!context.Has(opt::Format))
        return ListingFormat::Text;
    const std::optional<ListingFormat> format = ListingFormatNamed(context.Value(opt::Format));
    if (!format) {
        error = "\"" + context.Value(opt::Format) + "\" is not an output format of " + context.invocation.command
            + " (" + ListingFormatNames(", ") + ")";
    }
    return format;
}

std::optional<UnitsChoice> UnitsOption(const Context &context, const std::string &code, std::string &error)
{
    UnitsChoice choice;
    if (context.Has(opt::Units)) {
        const std::string name = context.Value(opt::Units);
        const std::optional<Units> unit = UnitsFromShortName(name);
        if (!unit) {
            error = "\"" + name + "\" is not a unit of " + opt::Units + " (" + UnitsShortNames() + ")";
            return std::nullopt;
        }
        choice.Unit = *unit;
    }
    if (!context.Has(opt::Base))
        return choice;
    if (!UnitsEntryOf(choice.Unit).NeedsBase) {
        error = std::string(opt::Base) + " is the base quarter of " + opt::Units + " index, and only of it";
        return std::nullopt;
    }
    const std::string label = Trim(context.Value(opt::Base));
    std::string reason;
    const std::optional<int> base = LabelIndex(label, code, reason);
    if (!base) {
        error = std::string(opt::Base) + " needs a quarter of " + code + " (" + QuarterLabel(1, code) + "-"
            + QuarterLabel(QuarterCount(code), code) + "), not \"" + label + "\"";
        return std::nullopt;
    }
    choice.BaseQuarter = *base;
    return choice;
}

int Run(const std::vector<std::string> &args, const std::string &programFolder, std::ostream &out,
        std::ostream &err)
{
    // One run of the program: each folder it looks into is listed once.
    const FolderListingScope listings;
    Invocation invocation;
    invocation.paths.ProgramFolder = programFolder;
    std::optional<std::string> dataFolder;
    std::size_t i = 0;

    // Global options stand before the command.
    for (; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == opt::Help || arg == "-h") {
            out << HelpText();
            return out.flush() ? ExitOk : OutputError(err, StreamError(out));
        }
        if (arg == opt::Version) {
            out << "tarvel-batch " << VersionText << '\n';
            return out.flush() ? ExitOk : OutputError(err, StreamError(out));
        }
        if (arg == opt::Unsuppressed) {
            invocation.paths.Unsuppressed = true;
        } else if (arg == opt::Data) {
            if (i + 1 >= args.size())
                return UsageError(err, arg + " needs a folder");
            // An empty name (an unset script variable, say) would read the
            // working folder's files without naming it.
            if (args[++i].empty())
                return UsageError(err, arg + " needs a folder name, not an empty text");
            dataFolder = WithTrailingSlash(args[i]);
        } else if (arg.rfind("--", 0) == 0) {
            return UsageError(err, "unknown option " + arg);
        } else {
            break;
        }
    }
    if (i >= args.size())
        return UsageError(err, "no command given");

    invocation.command = args[i++];
    const CommandSpec *command = FindCommand(invocation.command);
    if (!command)
        return UsageError(err, "unknown command \"" + invocation.command + "\"");

    for (; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == opt::Help || arg == "-h") {
            out << HelpText();
            return out.flush() ? ExitOk : OutputError(err, StreamError(out));
        }
        const OptionSpec *known = command->FindOption(arg);
        if (!known)
            return UsageError(err, "the command " + invocation.command + " has no option \"" + arg + "\"");
        if (invocation.options.count(arg))
            return UsageError(err, arg + " is given twice");
        if (known->TakesValue()) {
            if (i + 1 >= args.size())
                return UsageError(err, arg + " needs a value");
            invocation.options[arg] = args[++i];
        } else {
            invocation.options[arg] = "";
        }
    }

    // A wrong table is a usage error whether or not a data folder is found.
    if (command->FindOption(opt::Table)) {
        const Context early{invocation, out, err};
        std::string error;
        if (!TableOption(early, error))
            return UsageError(err, error);
    }

    if (dataFolder) {
        invocation.paths.DataFolder = *dataFolder;
    } else if (command->ReadsData) {
        // The folder the viewer would find, from the same settings file. With
        // no settings file yet, the search runs on a store that cannot be
        // saved, so a batch run never creates the viewer's settings.
        std::error_code ec;
        const bool haveSettings = std::filesystem::exists(SettingsStore::DefaultFile(), ec);
        SettingsStore store(haveSettings ? SettingsStore::DefaultFile()
                                         : std::filesystem::path("/dev/null/tarvel-batch.reg"));
        // The mounted volumes are listed only when the remembered folder and
        // the program folder do not hold the data: most runs never scan them.
        invocation.paths.DataFolder = LocateDataFolder(store, programFolder, {});
        if (invocation.paths.DataFolder.empty())
            invocation.paths.DataFolder = LocateDataFolder(store, programFolder, DataFolderCandidates(programFolder));
        if (invocation.paths.DataFolder.empty())
            return FileError(err, Failure::NotAccessible(programFolder + "ZR5N.DFX"));
    }

    const Context context{invocation, out, err};
    const int status = command->Run(context);
    // Output that never reached its file (a full disk, /dev/full) is a
    // failure, never a success.
    if (!out.flush() && status == ExitOk)
        return OutputError(err, StreamError(out));
    return status;
}

int RunTables(const Context &context)
{
    std::string error;
    const std::optional<ListingFormat> format = ListingFormatOption(context, error);
    if (!format)
        return UsageError(context.err, error);
    ScriptList list;
    list.Names = {"code", "first_year", "last_year", "quarters", "lines"};
    for (const std::string &code : TableCodes()) {
        list.Records.push_back({ScriptField::Of(code), ScriptField::Num(FirstYear(code)),
                                ScriptField::Num(LastYear(code)), ScriptField::Num(QuarterCount(code)),
                                ScriptField::Num(LineCount(code))});
    }
    context.out << ListIn(*format, "tables", list);
    return ExitOk;
}

int RunAreas(const Context &context)
{
    std::string error;
    const std::optional<ListingFormat> format = ListingFormatOption(context, error);
    if (!format)
        return UsageError(context.err, error);
    const std::string path = AreaListFileName(context.invocation.paths);
    const auto areas = ReadAreaList(path);
    if (!areas)
        return FileError(context.err, areas.Error());
    ScriptList list;
    list.Names = {"number", "code", "region", "name", "abbreviation"};
    int number = 1;
    for (const AreaRecord &area : *areas) {
        list.Records.push_back({ScriptField::Num(number++), ScriptField::Of(area.code), ScriptField::Of(area.region),
                                ScriptField::Of(Trim(area.name)), ScriptField::Of(Trim(area.abbreviation))});
    }
    context.out << ListIn(*format, "areas", list);
    return ExitOk;
}

int RunLines(const Context &context)
{
    std::string error;
    const auto code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);
    const std::optional<ListingFormat> format = ListingFormatOption(context, error);
    if (!format)
        return UsageError(context.err, error);
    const DataPaths &paths = context.invocation.paths;

    const std::string titlePath = LineTitleFileName(paths, *code);
    const auto titles = ReadLineTitles(titlePath, *code);
    if (!titles)
        return FileError(context.err, titles.Error());

    // The line code is field 3 of the line's record in area 1's block.
    auto data = TableDataFile::Open(TableDataFileName(paths, *code), *code);
    if (!data)
        return FileError(context.err, data.Error());
    ScriptList list;
    list.Names = {"number", "code", "title"};
    const int lines = LineCount(*code);
    for (int line = 1; line <= lines; ++line) {
        const auto record = data->ReadRecordAt(data->Position(1, line));
        if (!record)
            return FileError(context.err, record.Error());
        const std::string &title = (*titles)[static_cast<std::size_t>(line - 1)];
        list.Records.push_back({ScriptField::Num(line), ScriptField::Of(Trim(record->lineCode)), ScriptField::Of(title)});
    }
    context.out << ListIn(*format, "lines", list, {{"table", ScriptField::Of(*code)}});
    return ExitOk;
}

} // namespace tarvel::batch
