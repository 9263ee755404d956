#include "cli/batch_commands.h"

#include "core/catalog/data_files.h"
#include "core/catalog/data_paths.h"
#include "core/catalog/table_catalog.h"
#include "core/catalog/text_helpers.h"
#include "core/settings/settings_store.h"
#include "core/views/computed_view.h"
#include "core/views/table_view_builder.h"
#include "core/print/print_engine.h"

#include <ostream>
#include <string>
#include <vector>

namespace tarvel::batch {

namespace {

// The viewer's message boxes become lines on stderr: the text alone.
class ErrorStreamSink final : public MessageSink {
public:
    explicit ErrorStreamSink(std::ostream &err) : m_err(err) {}
    void ShowMessage(MessageIcon, const std::string &, const std::string &text) override
    {
        m_err << TerminalText(text) << '\n';
    }

private:
    std::ostream &m_err;
};

// The closing line of a job that wrote nothing because some areas could
// not be printed: every one of them by name ("Alabama [01]"), or by number
// when the area list itself cannot be read.
std::string NothingWrittenText(const std::vector<int> &failed, const DataPaths &paths)
{
    const Result<std::vector<AreaRecord>> list = ReadAreaList(AreaListFileName(paths));
    std::string names;
    for (const int area : failed) {
        if (!names.empty())
            names += ", ";
        const auto index = static_cast<std::size_t>(area - 1);
        if (list && index < list->size())
            names += Trim((*list)[index].name) + " [" + (*list)[index].code + "]";
        else
            names += "area " + std::to_string(area);
    }
    const std::size_t count = failed.size();
    return "Nothing was written: " + std::to_string(count) + (count == 1 ? " area" : " areas")
        + " could not be printed: " + names + ".";
}

} // namespace

int RunPrint(const Context &context)
{
    std::string error;
    const std::optional<std::string> code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);

    // A table whose lines are the areas is printed in one pass, so it needs
    // no --areas; a value given is still checked.
    std::vector<std::uint8_t> areaSelected(AreaCount + 1, 0);
    if (context.Has(batch_option::Areas)) {
        const auto areas = ParseAreas(context.Value(batch_option::Areas), error);
        if (!areas)
            return UsageError(context.err, error);
        areaSelected = *areas;
    } else if (ShapeOf(*code) != TableShape::AreaRows) {
        return UsageError(context.err, MissingOptionText(context, batch_option::Areas));
    }
    const auto quarters = ParseQuarters(context.Value(batch_option::Quarters), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    if (!context.Has(batch_option::Output))
        return UsageError(context.err, MissingOptionText(context, batch_option::Output));
    const std::optional<UnitsChoice> units = UnitsOption(context, *code, error);
    if (!units)
        return UsageError(context.err, error);

    PrintOptions options;
    options.PrintToFile = true;
    options.PrintFileName = context.Value(batch_option::Output);
    options.PrintFontSize = 8; // a file job, as the print dialog sets it
    options.IncludeFootnotes = context.Has(batch_option::Footnotes);

    ErrorStreamSink sink(context.err);
    if (CheckPrintRequest(options, sink) != RequestCheck::Go)
        return ExitUsage;
    const std::vector<int> areas = PrintAllAreaList(*code, areaSelected);
    if (areas.empty())
        return UsageError(context.err, std::string(batch_option::Areas) + " chooses no area");

    const DataPaths &paths = context.invocation.paths;
    // Once for the whole run, as the print dialog warns.
    if (paths.Unsuppressed)
        context.err << UnsuppressedPrintText << '\n';

    TableViewRequest request;
    request.Paths = paths;
    request.Code = *code;
    request.QuarterSelected = *quarters;
    request.Reverse = context.Has(batch_option::Reverse);
    request.PrintAllMode = true;
    // Each grid is printed and let go: nothing reads its values again, but
    // the figures of other units are computed from them.
    request.WithModel = !units->IsPublished();
    // The data file, titles and area list are read once for all areas.
    TableViewFiles files;
    const AreaGridBuilder build = [&request, &files, &units, last = areas.back()](int area) {
        request.CurrentArea = area;
        Result<Grid> grid = BuildTableView(request, files);
        // Nothing is read after the last area: the memory of the files (the
        // records read ahead) is free for the output.
        if (area == last)
            files = TableViewFiles{};
        if (!grid || units->IsPublished())
            return grid;
        return ComputeGrid(*grid, *units, request.Paths);
    };

    // A script re-runs a job that failed: so a job writes all its areas or
    // nothing (each area that failed reported), and a file appended to
    // never holds a failed job's part.
    const std::unique_ptr<FileTarget> target = MakeFileTarget(options.PrintFileName);
    target->SetWholeOrNothing(true);
    const PrintAllSummary summary = PrintAllAreas(areas, build, *target, options, paths, sink, SettingsFilesRead());
    if (summary.Failed == 0)
        return ExitOk;
    // Each failure has its own line above; this one names all the areas.
    if (!summary.FailedAreas.empty())
        context.err << TerminalText(NothingWrittenText(summary.FailedAreas, paths)) << '\n';
    return ExitFile;
}

} // namespace tarvel::batch
