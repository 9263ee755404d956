#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/program_inputs.h"
#include "core/catalog/safe_output_file.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/settings/settings_store.h"
#include "core/views/computed_view.h"
#include "core/views/one_line_view.h"
#include "core/views/state_map.h"
#include "core/views/state_map_svg.h"

#include <charconv>
#include <ostream>

namespace tarvel::batch {

namespace {

namespace opt = batch_option;

// The data line L of --line, within 1..LineCount.
std::optional<int> LineOption(const Context &context, const std::string &code, std::string &error)
{
    if (!context.Has(opt::Line)) {
        error = MissingOptionText(context, opt::Line);
        return std::nullopt;
    }
    const std::string text = Trim(context.Value(opt::Line));
    const int last = LineCount(code);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        error = "\"" + text + "\" is not a line number";
        return std::nullopt;
    }
    if (value < 1 || value > last) {
        error = "line " + text + " is outside 1-" + std::to_string(last) + " of " + code;
        return std::nullopt;
    }
    return value;
}

// One quarter label of the table ("2008.1") given as option; its number.
std::optional<int> QuarterOption(const Context &context, const std::string &option, const std::string &code,
                                 std::string &error)
{
    const std::string label = Trim(context.Value(option));
    const int k = QuarterIndex(label, code);
    if (k < 1 || k > QuarterCount(code) || QuarterLabel(k, code) != label) {
        error = option + " needs a quarter of " + code + " (" + QuarterLabel(1, code) + "-"
            + QuarterLabel(QuarterCount(code), code) + "), not \"" + label + "\"";
        return std::nullopt;
    }
    return k;
}

// --units and --base as show takes them; an index needs its base on a
// map, since a map shows one quarter and that quarter would be 100 in
// every state.
std::optional<UnitsChoice> MapUnitsOption(const Context &context, const std::string &code, std::string &error)
{
    std::optional<UnitsChoice> choice = UnitsOption(context, code, error);
    if (choice && UnitsEntryOf(choice->Unit).NeedsBase && !context.Has(opt::Base)) {
        error = std::string(opt::Units) + " " + std::string(UnitsEntryOf(choice->Unit).ShortName) + " needs "
            + opt::Base + " QUARTER on a map: the quarter shown would be 100 in every state";
        return std::nullopt;
    }
    return choice;
}

// The output's form from its name: SVG for "-" or a name ending in ".svg"
// (any case). Anything else is refused with what to do instead.
bool CheckMapOutputName(const std::string &name, std::string &error)
{
    const std::string lower = ToLower(name);
    const auto endsWith = [&lower](std::string_view ending) {
        return lower.size() > ending.size() && lower.compare(lower.size() - ending.size(), ending.size(), ending) == 0;
    };
    if (name == "-" || endsWith(".svg"))
        return true;
    if (endsWith(".png")) {
        error = "map writes SVG only, not PNG (" + name
            + "): give a name ending in .svg and convert it with an SVG tool if a picture is needed";
        return false;
    }
    error = std::string(opt::Output) + " of map needs a file name ending in .svg (or - for the standard output), not \""
        + name + "\"";
    return false;
}

} // namespace

int RunMap(const Context &context)
{
    std::string error;
    const std::optional<std::string> code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);
    if (ShapeOf(*code) == TableShape::AreaRows)
        return UsageError(context.err, "map does not apply to " + *code
                                           + ", whose lines are the areas: it maps one data line of a table of lines");
    const std::optional<int> line = LineOption(context, *code, error);
    if (!line)
        return UsageError(context.err, error);
    if (!context.Has(opt::Quarter))
        return UsageError(context.err, MissingOptionText(context, opt::Quarter));
    const std::optional<int> quarter = QuarterOption(context, opt::Quarter, *code, error);
    if (!quarter)
        return UsageError(context.err, error);
    const std::optional<UnitsChoice> choice = MapUnitsOption(context, *code, error);
    if (!choice)
        return UsageError(context.err, error);
    if (!context.Has(opt::Output))
        return UsageError(context.err, MissingOptionText(context, opt::Output));
    const std::string output = context.Value(opt::Output);
    if (!CheckMapOutputName(output, error))
        return UsageError(context.err, error);

    const DataPaths &paths = context.invocation.paths;
    if (output != "-" && IsProgramInputFile(paths, output, SettingsFilesRead())) {
        context.err << TerminalText("The file " + output + " is one of the files the program reads. A map never "
                                    "writes into them; please choose another output name.")
                    << '\n';
        return ExitFile;
    }

    const auto titles = ReadLineTitles(LineTitleFileName(paths, *code), *code);
    if (!titles)
        return FileError(context.err, titles.Error());
    OneLineSource source;
    source.Code = *code;
    source.Line = *line;
    source.Title = Trim((*titles)[static_cast<std::size_t>(*line - 1)]);
    source.QuarterShown.assign(static_cast<std::size_t>(QuarterCount(*code) + 1), 0);
    source.QuarterShown[static_cast<std::size_t>(*quarter)] = 255;
    Result<Grid> grid = BuildOneLineView(paths, source, false);
    if (grid && !choice->IsPublished())
        grid = ComputeGrid(*grid, *choice, paths);
    if (!grid) {
        if (grid.Error().kind == FailureKind::Usage)
            return UsageError(context.err, grid.Error().detail);
        return FileError(context.err, grid.Error());
    }
    // An annual average needs the whole year in the table.
    if (grid->Model && grid->Model->Unit == Units::Annual && grid->Model->Years.empty())
        return UsageError(context.err, std::string(opt::Units) + " annual: " + *code
                                           + " does not hold all four quarters of "
                                           + QuarterLabel(*quarter, *code).substr(0, 4));

    const auto areas = ReadAreaList(AreaListFileName(paths));
    if (!areas)
        return FileError(context.err, areas.Error());
    const Result<StateMap> map = BuildStateMap(*grid, *areas, 0);
    if (!map) {
        if (map.Error().kind == FailureKind::Usage)
            return UsageError(context.err, map.Error().detail);
        return FileError(context.err, map.Error());
    }

    // The whole picture or nothing: an earlier file stays until it is done.
    Result<SafeOutputFile> file = SafeOutputFile::Open(output, SafeOutputFile::Mode::Replace,
                                                       SafeOutputFile::Delivery::Whole);
    if (!file)
        return FileError(context.err, file.Error());
    if (!file->Write(StateMapSvg(*map)) || !file->Commit()) {
        Failure failure = Failure::NotAccessible(output);
        failure.error = file->Error();
        return FileError(context.err, failure);
    }
    return ExitOk;
}

} // namespace tarvel::batch
