#include "cli/batch_commands.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/table_catalog.h"
#include "core/views/area_sort.h"
#include "core/views/computed_view.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"

#include <charconv>
#include <ostream>

namespace tarvel::batch {

namespace {

namespace opt = batch_option;

// A whole number in first..last given as option, or a usage message naming it.
std::optional<int> NumberOption(const Context &context, const std::string &option, const std::string &what,
                                int first, int last, std::string &error)
{
    if (!context.Has(option)) {
        error = MissingOptionText(context, option);
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

// --sort QUARTER[:asc|:desc], read before the grid is built.
struct SortRequest {
    std::string Quarter;
    AreaOrder Order = AreaOrder::HighestFirst;
};

std::optional<SortRequest> SortOption(const Context &context, const std::string &code, std::string &error)
{
    const std::string text = Trim(context.Value(opt::Sort));
    const std::size_t colon = text.find(':');
    SortRequest request;
    request.Quarter = Trim(text.substr(0, colon));
    const std::string direction = colon == std::string::npos ? std::string("desc") : ToLower(Trim(text.substr(colon + 1)));
    if (direction == "asc") {
        request.Order = AreaOrder::LowestFirst;
    } else if (direction != "desc") {
        error = std::string(opt::Sort) + " takes QUARTER, QUARTER:desc (highest first) or QUARTER:asc (lowest first), not \"" + text
            + "\"";
        return std::nullopt;
    }
    const int k = QuarterIndex(request.Quarter, code);
    if (request.Quarter.size() != 6 || request.Quarter[4] != '.' || k < 1 || k > QuarterCount(code)
        || QuarterLabel(k, code) != request.Quarter) {
        error = std::string(opt::Sort) + " needs a quarter of " + code + " (" + QuarterLabel(1, code) + "-"
            + QuarterLabel(QuarterCount(code), code) + "), not \"" + request.Quarter + "\"";
        return std::nullopt;
    }
    return request;
}

// Writes the grid, sorted when asked, in the form asked for.
int Finish(const Context &context, const Result<Grid> &grid, const std::optional<SortRequest> &sort,
           ListingFormat format)
{
    if (!grid) {
        if (grid.Error().kind == FailureKind::Usage)
            return UsageError(context.err, grid.Error().detail);
        return FileError(context.err, grid.Error());
    }
    int column = 0;
    AreaOrder order = AreaOrder::ByArea;
    if (sort) {
        const std::optional<int> shown = ColumnOfQuarter(*grid, sort->Quarter);
        if (!shown)
            return UsageError(context.err, std::string(opt::Sort) + ": the quarter " + sort->Quarter
                                               + " is not among the quarters shown");
        column = *shown;
        order = sort->Order;
    }
    const Grid shownGrid = SortedAreaGrid(*grid, column, order);
    if (format == ListingFormat::Text) {
        WriteGrid(context.out, shownGrid);
        return ExitOk;
    }
    // The codes and flags are taken for the rows in area order, then follow
    // the rows to where the sort put them.
    Result<std::vector<ScriptRow>> rows = ModelScriptRows(context.invocation.paths, *grid);
    if (!rows)
        return FileError(context.err, rows.Error());
    const std::vector<ScriptRow> shownRows
        = order == AreaOrder::ByArea ? std::move(*rows) : InShownOrder(*rows, AreaRowOrder(*grid, column, order));
    if (format == ListingFormat::Csv) {
        context.out << GridCsv(shownGrid, shownRows);
    } else {
        ScriptGridInfo info;
        info.TableCode = grid->Code;
        if (sort) {
            info.SortQuarter = sort->Quarter;
            info.HighestFirst = sort->Order == AreaOrder::HighestFirst;
        }
        WriteGridJson(context.out, shownGrid, shownRows, info);
    }
    return ExitOk;
}

// The options every show command shares: --format, --units and --base,
// and --sort when given.
bool ReadOutputOptions(const Context &context, const std::string &code, std::optional<SortRequest> &sort,
                       ListingFormat &format, UnitsChoice &units, std::string &error)
{
    const std::optional<ListingFormat> listing = ListingFormatOption(context, error);
    if (!listing)
        return false;
    format = *listing;
    const std::optional<UnitsChoice> choice = UnitsOption(context, code, error);
    if (!choice)
        return false;
    units = *choice;
    if (context.Has(opt::Sort)) {
        sort = SortOption(context, code, error);
        if (!sort)
            return false;
        // Annual averages stand in columns of years, not of quarters.
        if (UnitsEntryOf(units.Unit).YearColumns) {
            error = std::string(opt::Sort) + " ranks by a quarter, and " + opt::Units + " "
                + std::string(UnitsEntryOf(units.Unit).ShortName) + " shows years";
            return false;
        }
    }
    return true;
}

// The grid in the units asked for; the published one as it was built.
Result<Grid> InUnits(Result<Grid> built, const UnitsChoice &units, const DataPaths &paths)
{
    if (!built || units.IsPublished())
        return built;
    return ComputeGrid(*built, units, paths);
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
        const std::optional<int> area = NumberOption(context, opt::Area, "area", 1, AreaCount, error);
        if (!area)
            return UsageError(context.err, error);
        request.CurrentArea = *area;
    }
    const auto quarters = ParseQuarters(context.Value(opt::Quarters), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    request.QuarterSelected = *quarters;
    request.Reverse = context.Has(opt::Reverse);
    std::optional<SortRequest> sort;
    ListingFormat format = ListingFormat::Text;
    UnitsChoice units;
    if (!ReadOutputOptions(context, *code, sort, format, units, error))
        return UsageError(context.err, error);
    // Only the areas can be ranked: a table of lines keeps its order.
    if (sort && ShapeOf(*code) != TableShape::AreaRows) {
        return UsageError(context.err, std::string(opt::Sort) + " ranks areas: show of " + *code
                                           + " shows lines (use show-line --sort for one line across the areas)");
    }
    // The text of an unsorted table is its cells: nothing reads its values,
    // unless other units are computed from them.
    request.WithModel = sort || format != ListingFormat::Text || !units.IsPublished();
    return Finish(context, InUnits(BuildTableView(request), units, request.Paths), sort, format);
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

    const std::optional<int> line = NumberOption(context, opt::Line, "line", 1, LineCount(*code), error);
    if (!line)
        return UsageError(context.err, error);
    const auto quarters = ParseQuarters(context.Value(opt::Quarters), *code, error);
    if (!quarters)
        return UsageError(context.err, error);
    std::optional<SortRequest> sort;
    ListingFormat format = ListingFormat::Text;
    UnitsChoice units;
    if (!ReadOutputOptions(context, *code, sort, format, units, error))
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
    return Finish(context, InUnits(BuildOneLineView(paths, source, context.Has(opt::Reverse)), units, paths), sort,
                  format);
}

} // namespace tarvel::batch
