#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/export/export_writer.h"

#include <ostream>

namespace tarvel::batch {

namespace {

// --on / --off pair: nullopt when both are given.
std::optional<bool> Switch(const Context &context, const std::string &on, const std::string &off, bool fallback)
{
    if (context.Has(on) && context.Has(off))
        return std::nullopt;
    if (context.Has(on))
        return true;
    if (context.Has(off))
        return false;
    return fallback;
}

} // namespace

int RunExport(const Context &context)
{
    std::string error;
    const auto code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);
    if (!context.Has("--areas"))
        return UsageError(context.err, "the command export needs --areas AREAS");
    const auto format = ExportFormatNamed(context.Value("--format"));
    if (!format)
        return UsageError(context.err, "the command export needs --format " + ExportFormatNames("|"));
    if (const ExportFormatInfo &info = FormatInfo(*format); !info.Appends && context.Has("--append")) {
        return UsageError(context.err, "--append has no meaning with --format " + std::string(info.Name) + ": "
                                           + std::string(info.NoAppendReason));
    }
    if (context.Has("--output") == context.Has("--per-area"))
        return UsageError(context.err, "the command export needs either --output FILE or --per-area DIR");
    const auto lineTitles = Switch(context, "--line-titles", "--no-line-titles", true);
    const auto areaNames = Switch(context, "--area-names", "--no-area-names", false);
    if (!lineTitles)
        return UsageError(context.err, "--line-titles and --no-line-titles exclude each other");
    if (!areaNames)
        return UsageError(context.err, "--area-names and --no-area-names exclude each other");

    const auto areas = ParseAreas(context.Value("--areas"), error);
    if (!areas)
        return UsageError(context.err, error);
    const auto quarters = ParseQuarters(context.Value("--quarters"), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    const std::string linesText = context.Has("--lines") ? context.Value("--lines") : std::string("all");
    const auto lines = ParseLines(linesText, LineCount(*code), error);
    if (!lines)
        return UsageError(context.err, error);

    // The wizard's list: the titles as it shows them.
    const DataPaths &paths = context.invocation.paths;
    const auto titles = ReadLineTitlesForExport(LineTitleFileName(paths, *code), *code);
    if (!titles)
        return FileError(context.err, titles.Error());

    ExportOptions options;
    options.TableCode = *code;
    options.Format = *format;
    options.Header = !context.Has("--no-header");
    options.LineTitle = *lineTitles;
    options.AreaName = *areaNames;
    options.Quote = !context.Has("--no-quotes");
    options.Append = context.Has("--append");
    options.Footnotes = context.Has("--footnotes");
    if (context.Has("--per-area")) {
        options.Output = ExportOutput::FilePerArea;
        options.FileName = WithTrailingSlash(context.Value("--per-area"));
    } else {
        options.FileName = context.Value("--output");
    }
    for (std::size_t k = 0; k < titles->size(); ++k)
        options.Lines.push_back({(*titles)[k], k + 1 < lines->size() && (*lines)[k + 1] != 0});

    ExportSelection selection;
    selection.Paths = paths;
    for (int a = 1; a <= AreaCount; ++a)
        selection.AreaSelected[static_cast<std::size_t>(a)] = (*areas)[static_cast<std::size_t>(a)];
    selection.QuarterSelected = *quarters;

    if (paths.Unsuppressed)
        context.err << UnsuppressedExportTitle << ": " << UnsuppressedExportText << '\n';

    const ExportResult result = tarvel::RunExport(options, selection);
    switch (result.status) {
    case ExportStatus::Completed:
        return ExitOk;
    case ExportStatus::Refused:
        // Refusing to write over a file the program reads is a file error,
        // as it is for print.
        if (result.outputIsInput) {
            context.err << TerminalText(result.text) << '\n';
            return ExitFile;
        }
        return UsageError(context.err, result.text);
    case ExportStatus::FileFailed:
        return FileError(context.err, result.failure);
    }
    return ExitOk;
}

} // namespace tarvel::batch
