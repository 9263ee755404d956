#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/export/export_writer.h"

#include <ostream>

namespace tarvel::batch {

namespace {

namespace opt = batch_option;

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
    if (!context.Has(opt::Areas))
        return UsageError(context.err, MissingOptionText(context, opt::Areas));
    const auto format = ExportFormatNamed(context.Value(opt::Format));
    if (!format)
        return UsageError(context.err, MissingOptionText(context, opt::Format));
    if (const ExportFormatInfo &info = FormatInfo(*format); !info.Appends && context.Has(opt::Append)) {
        return UsageError(context.err, std::string(opt::Append) + " has no meaning with " + opt::Format + " "
                                           + std::string(info.Name) + ": " + std::string(info.NoAppendReason));
    }
    if (context.Has(opt::Output) == context.Has(opt::PerArea)) {
        return UsageError(context.err, "the command export needs either " + OptionUsage(context, opt::Output) + " or "
                                           + OptionUsage(context, opt::PerArea));
    }
    const auto lineTitles = Switch(context, opt::LineTitles, opt::NoLineTitles, true);
    const auto areaNames = Switch(context, opt::AreaNames, opt::NoAreaNames, false);
    if (!lineTitles)
        return UsageError(context.err, std::string(opt::LineTitles) + " and " + opt::NoLineTitles + " exclude each other");
    if (!areaNames)
        return UsageError(context.err, std::string(opt::AreaNames) + " and " + opt::NoAreaNames + " exclude each other");

    const auto areas = ParseAreas(context.Value(opt::Areas), error);
    if (!areas)
        return UsageError(context.err, error);
    const auto quarters = ParseQuarters(context.Value(opt::Quarters), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    const std::string linesText = context.Has(opt::Lines) ? context.Value(opt::Lines) : std::string("all");
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
    options.Header = !context.Has(opt::NoHeader);
    options.LineTitle = *lineTitles;
    options.AreaName = *areaNames;
    options.Quote = !context.Has(opt::NoQuotes);
    options.Append = context.Has(opt::Append);
    options.Footnotes = context.Has(opt::Footnotes);
    if (context.Has(opt::PerArea)) {
        options.Output = ExportOutput::FilePerArea;
        options.FileName = WithTrailingSlash(context.Value(opt::PerArea));
    } else {
        options.FileName = context.Value(opt::Output);
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
