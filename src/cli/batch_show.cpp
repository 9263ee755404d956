#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"

#include <charconv>
#include <ostream>

namespace tarvel::batch {

namespace {

// A whole number in first..last given as option, or a usage message naming it.
std::optional<int> NumberOption(const Context &context, const std::string &option, const std::string &what,
                                const std::string &placeholder, int first, int last, std::string &error)
{
    if (!context.Has(option)) {
        error = "the command " + context.invocation.command + " needs " + option + " " + placeholder;
        return std::nullopt;
    }
    const std::string text = Trim(context.Value(option));
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        error = "\"" + text + "\" is not a " + what + " number";
        return std::nullopt;
    }
    if (value < first || value > last) {
        error = what + " " + text + " is outside " + std::to_string(first) + "-" + std::to_string(last);
        return std::nullopt;
    }
    return value;
}

// The caption, then each row with its cells separated by tabs; LF line ends.
void WriteGrid(std::ostream &out, const Grid &grid)
{
    out << grid.Caption << '\n';
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Columns(); ++c) {
            if (c != 0)
                out << '\t';
            out << grid.Cell(r, c);
        }
        out << '\n';
    }
}

int Finish(const Context &context, const Result<Grid> &grid)
{
    if (!grid) {
        if (grid.Error().kind == FailureKind::Usage)
            return UsageError(context.err, grid.Error().detail);
        return FileError(context.err, grid.Error());
    }
    WriteGrid(context.out, *grid);
    return ExitOk;
}

} // namespace

int RunShow(const Context &context)
{
    std::string error;
    const std::optional<std::string> code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);

    TableViewRequest request;
    request.Paths = context.invocation.paths;
    request.Code = *code;
    // A table whose lines are the areas shows them all in one grid, so
    // --area means nothing there.
    if (ShapeOf(*code) != TableShape::AreaRows) {
        const std::optional<int> area = NumberOption(context, "--area", "area", "N", 1, AreaCount, error);
        if (!area)
            return UsageError(context.err, error);
        request.CurrentArea = *area;
    }
    const auto quarters = ParseQuarters(context.Value("--quarters"), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    request.QuarterSelected = *quarters;
    request.Reverse = context.Has("--reverse");
    return Finish(context, BuildTableView(request));
}

int RunShowLine(const Context &context)
{
    std::string error;
    const std::optional<std::string> code = TableOption(context, error);
    if (!code)
        return UsageError(context.err, error);
    if (ShapeOf(*code) == TableShape::AreaRows)
        return UsageError(context.err,
                          "show-line does not apply to " + *code + ", whose lines are the areas (use show)");

    const std::optional<int> line = NumberOption(context, "--line", "line", "L", 1, LineCount(*code), error);
    if (!line)
        return UsageError(context.err, error);
    const auto quarters = ParseQuarters(context.Value("--quarters"), *code, error);
    if (!quarters)
        return UsageError(context.err, error);

    // The caption carries the line's title, as the source window's row does.
    const DataPaths &paths = context.invocation.paths;
    const auto titles = ReadLineTitles(LineTitleFileName(paths, *code), *code);
    if (!titles)
        return FileError(context.err, titles.Error());

    OneLineSource source;
    source.Code = *code;
    source.Line = *line;
    source.Title = Trim((*titles)[static_cast<std::size_t>(*line - 1)]);
    source.QuarterShown = *quarters;
    return Finish(context, BuildOneLineView(paths, source, context.Has("--reverse")));
}

} // namespace tarvel::batch
