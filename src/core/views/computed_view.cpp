#include "core/views/computed_view.h"

#include "core/catalog/table_catalog.h"
#include "core/views/one_line_view.h"
#include "core/views/table_view_builder.h"
#include "core/views/units_transform.h"

#include <algorithm>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tarvel {

namespace {

const std::string WholeItemCaption = "     Item";
const std::string StateCaption = "    State";

Failure UsageFailure(std::string message)
{
    return {FailureKind::Usage, {}, std::move(message)};
}

// Rows whose codes are areas: a one-line view's and those of a table whose
// lines are the areas.
bool RowsAreAreas(const TableModel &model)
{
    return model.Line != 0 || ShapeOf(model.Code) == TableShape::AreaRows;
}

std::vector<std::uint8_t> AllQuarters(const std::string &code)
{
    return std::vector<std::uint8_t>(static_cast<std::size_t>(QuarterCount(code)) + 1, 255);
}

// The model of the same view over all the table's quarters, oldest first.
Result<std::shared_ptr<const TableModel>> WholeSeries(const TableModel &model, int area, const DataPaths &paths)
{
    const auto build = [&]() -> Result<Grid> {
        if (model.Line != 0) {
            OneLineSource source;
            source.Code = model.Code;
            source.Line = model.Line;
            source.QuarterShown = AllQuarters(model.Code);
            return BuildOneLineView(paths, source, false);
        }
        TableViewRequest request;
        request.Paths = paths;
        request.Code = model.Code;
        request.CurrentArea = area;
        request.QuarterSelected = AllQuarters(model.Code);
        return BuildTableView(request);
    };
    Result<Grid> whole = build();
    if (!whole)
        return whole.Error();
    if (!whole->Model)
        return UsageFailure("the table " + model.Code + " gave no figures");
    return whole->Model;
}

// The column of each table quarter (index 0 = quarter 1) when the model
// shows every quarter of its table, in any order: its rows then hold the
// whole series, and nothing is read again. Empty otherwise.
std::vector<std::size_t> ColumnOfEveryQuarter(const TableModel &model)
{
    const auto count = static_cast<std::size_t>(QuarterCount(model.Code));
    if (model.Quarters.size() != count || model.Unit != Units::Level)
        return {};
    std::vector<std::size_t> columns(count, count);
    for (std::size_t c = 0; c < count; ++c) {
        const int quarter = model.Quarters[c];
        const auto k = static_cast<std::size_t>(quarter - 1);
        if (quarter < 1 || k >= count || columns[k] != count)
            return {};
        columns[k] = c;
    }
    return columns;
}

// row's figures in table order, from a model that shows every quarter.
std::span<const Figure> InTableOrder(const ModelRow &row, const std::vector<std::size_t> &columns,
                                     std::vector<Figure> &scratch)
{
    if (row.Figures.size() != columns.size())
        return {};
    bool ordered = true;
    for (std::size_t k = 0; k < columns.size() && ordered; ++k)
        ordered = columns[k] == k;
    if (ordered)
        return row.Figures;
    scratch.resize(columns.size());
    for (std::size_t k = 0; k < columns.size(); ++k)
        scratch[k] = row.Figures[columns[k]];
    return scratch;
}

// The first count fields of a record, each with the comma after it.
std::string LeadingFields(std::string_view record, int count)
{
    std::size_t end = 0;
    for (int i = 0; i < count && end < record.size(); ++i) {
        const std::size_t comma = record.find(',', end);
        end = comma == std::string_view::npos ? record.size() : comma + 1;
    }
    return std::string(record.substr(0, end));
}

const ModelRow *RowOfCode(const TableModel &model, int code)
{
    for (const ModelRow &row : model.Rows) {
        if (row.Kind == RowKind::Data && row.Code == code)
            return &row;
    }
    return nullptr;
}

} // namespace

int IndexBaseQuarter(const UnitsChoice &choice, const std::vector<int> &shown)
{
    if (choice.BaseQuarter != 0)
        return choice.BaseQuarter;
    if (shown.empty())
        return 0;
    return *std::min_element(shown.begin(), shown.end());
}

std::string UnitsLabel(const std::string &code, const UnitsChoice &choice, const std::vector<int> &shown)
{
    const UnitsEntry &entry = UnitsEntryOf(choice.Unit);
    if (choice.Unit != Units::Index)
        return std::string(entry.Name);
    const int base = IndexBaseQuarter(choice, shown);
    if (base < 1 || base > QuarterCount(code))
        return std::string(entry.Name);
    return "Index, " + QuarterLabel(base, code) + " = 100";
}

std::string ComputedCaptionSuffix(const TableModel &model)
{
    if (model.Unit == Units::Level)
        return {};
    const UnitsChoice choice{model.Unit, model.BaseQuarter};
    return " ~ " + UnitsLabel(model.Code, choice, model.Quarters) + ", " + std::string(ComputedNote);
}

std::string ComputedRowUnit(Units unit, const std::string &publishedUnit)
{
    switch (unit) {
    case Units::PercentChange:
    case Units::PercentChangeAnnualRate:
    case Units::PercentChangeFromYearAgo:
    case Units::Share:
        return "percent";
    case Units::Index:
        return "index";
    case Units::Level:
    case Units::Change:
    case Units::ChangeFromYearAgo:
    case Units::Annual:
        break;
    }
    return publishedUnit;
}

Grid RenderGrid(const TableModel &model)
{
    const bool annual = model.Unit == Units::Annual;
    const std::size_t columnCount = annual ? model.Years.size() : model.Quarters.size();
    const int rows = 1 + static_cast<int>(model.Rows.size());
    const int columns = 1 + static_cast<int>(columnCount);
    const bool oneLine = model.Line != 0;
    const UnitsEntry &entry = UnitsEntryOf(model.Unit);

    Grid grid(rows, columns);
    grid.Code = model.Code;
    grid.Area = model.Area;
    grid.Line = model.Line;
    if (oneLine) {
        grid.SetCell(0, 0, StateCaption);
        for (int c = 0; c < columns; ++c)
            grid.SetColumnAlignment(c, CellAlignment::RightCenter);
    } else {
        grid.SetColumnAlignment(0, CellAlignment::LeftTop);
        grid.SetCell(0, 0, WholeItemCaption);
    }
    for (int c = 1; c < columns; ++c) {
        const std::size_t at = static_cast<std::size_t>(c - 1);
        grid.SetCell(0, c, annual ? std::to_string(model.Years[at]) : QuarterLabel(model.Quarters[at], model.Code));
    }
    if (!oneLine)
        grid.SetRowAlignment(0, 1, CellAlignment::RightCenter);

    // A table view's data cells carry their own alignment, a one-line
    // view's take their column's.
    const CellAlignment dataAlignment = oneLine ? CellAlignment::Default : CellAlignment::RightCenter;
    for (int r = 1; r < rows; ++r) {
        const ModelRow &row = model.Rows[static_cast<std::size_t>(r - 1)];
        if (row.Kind == RowKind::Data) {
            const int shown = std::min(columns - 1, static_cast<int>(row.Figures.size()));
            char text[FigureTextRoom];
            for (int c = 1; c <= shown; ++c) {
                const char *const end = PutFigureText(text, entry, row.Figures[static_cast<std::size_t>(c - 1)]);
                grid.SetCell(r, c, std::string_view(text, static_cast<std::size_t>(end - text)));
                if (dataAlignment != CellAlignment::Default)
                    grid.SetCellAlignment(r, c, dataAlignment);
            }
        }
        grid.SetHalfHeight(r, row.Title.empty());
        grid.SetCell(r, 0, row.Title);
    }
    return grid;
}

Result<Grid> ComputeGrid(const Grid &published, const UnitsChoice &choice, const DataPaths &paths)
{
    if (choice.IsPublished())
        return published;
    const TableModel *const shown = published.Model.get();
    if (!shown)
        return UsageFailure("the window holds no figures to compute from");
    const std::string &code = shown->Code;
    const int quarterCount = QuarterCount(code);
    if (choice.Unit == Units::Index && (choice.BaseQuarter < 0 || choice.BaseQuarter > quarterCount)) {
        return UsageFailure("the base quarter " + std::to_string(choice.BaseQuarter) + " is not a quarter of " + code
                            + " (1-" + std::to_string(quarterCount) + ")");
    }

    const bool areaRows = RowsAreAreas(*shown);
    const int area = shown->Area >= 1 ? shown->Area : 1;
    // A window of every quarter holds the whole series already.
    const std::vector<std::size_t> everyQuarter = ColumnOfEveryQuarter(*shown);
    Result<std::shared_ptr<const TableModel>> whole = everyQuarter.empty()
        ? WholeSeries(*shown, area, paths)
        : Result<std::shared_ptr<const TableModel>>(published.Model);
    if (!whole)
        return whole.Error();
    // The nation's series of the same line: its own row where the rows are
    // the areas, else the nation's table view.
    std::shared_ptr<const TableModel> nation;
    if (UnitsEntryOf(choice.Unit).NeedsNation) {
        if (areaRows || area == 1) {
            nation = *whole;
        } else {
            Result<std::shared_ptr<const TableModel>> read = WholeSeries(*shown, 1, paths);
            if (!read)
                return read.Error();
            nation = *read;
        }
    }

    UnitsRequest request;
    request.Unit = choice.Unit;
    request.Shown = shown->Quarters;
    request.BaseQuarter = choice.Unit == Units::Index ? IndexBaseQuarter(choice, shown->Quarters) : 0;
    request.Start = TableStart{FirstYear(code), 1};

    auto model = std::make_shared<TableModel>();
    model->Code = code;
    model->Area = shown->Area;
    model->Line = shown->Line;
    model->Quarters = shown->Quarters;
    model->Unsuppressed = shown->Unsuppressed;
    model->Unit = choice.Unit;
    model->BaseQuarter = request.BaseQuarter;
    model->Rows.reserve(shown->Rows.size());
    bool yearsSet = false;
    std::vector<Figure> inOrder;
    std::vector<Figure> nationInOrder;
    for (const ModelRow &from : shown->Rows) {
        ModelRow row;
        row.Kind = from.Kind;
        row.Code = from.Code;
        row.Title = from.Title;
        row.Unit = from.Kind == RowKind::Data ? ComputedRowUnit(choice.Unit, from.Unit) : from.Unit;
        if (from.Kind == RowKind::Data) {
            const ModelRow *const series = RowOfCode(**whole, from.Code);
            if (!series)
                return UsageFailure("the row " + std::to_string(from.Code) + " of " + code + " was not read again");
            // The rows of the window itself follow its columns.
            const bool ownRows = whole->get() == shown;
            std::span<const Figure> nationSeries;
            if (nation) {
                const ModelRow *const nationRow = RowOfCode(*nation, areaRows ? 1 : from.Code);
                if (nationRow)
                    nationSeries = nation.get() == shown ? InTableOrder(*nationRow, everyQuarter, nationInOrder)
                                                         : std::span<const Figure>(nationRow->Figures);
            }
            const std::span<const Figure> figures
                = ownRows ? InTableOrder(*series, everyQuarter, inOrder) : std::span<const Figure>(series->Figures);
            UnitsResult result = ComputeUnits(request, figures, nationSeries);
            row.Figures = std::move(result.Figures);
            // The record's first four fields name the row (its line code)
            // for the listings; its values are the published ones, so they
            // are left out.
            row.Record = LeadingFields(from.Record, 4);
            if (!yearsSet) {
                model->Years = std::move(result.Years);
                yearsSet = true;
            }
        }
        model->Rows.push_back(std::move(row));
    }
    Grid grid = RenderGrid(*model);
    grid.Caption = published.Caption + ComputedCaptionSuffix(*model);
    grid.Tag = published.Tag;
    grid.Model = std::move(model);
    return grid;
}

UnitsChoice UnitsOf(const Grid &grid)
{
    if (!grid.Model)
        return {};
    return UnitsChoice{grid.Model->Unit, grid.Model->BaseQuarter};
}

std::string ComputedAxisTitle(const TableModel &computed, const std::string &publishedUnit)
{
    const UnitsChoice choice{computed.Unit, computed.BaseQuarter};
    std::string title = UnitsLabel(computed.Code, choice, computed.Quarters);
    if (!publishedUnit.empty() && ComputedRowUnit(computed.Unit, publishedUnit) == publishedUnit)
        title += " (" + publishedUnit + ")";
    return title + ", " + std::string(ComputedNote);
}

Result<ChartData> ChartInUnits(ChartData chart, const TableModel &computed)
{
    if (computed.Unit == Units::Level)
        return chart;
    const bool annual = computed.Unit == Units::Annual;
    const std::vector<int> &keys = annual ? computed.Years : computed.Quarters;
    // The columns oldest first, whichever way the window runs.
    std::vector<std::size_t> columns(keys.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = i;
    std::stable_sort(columns.begin(), columns.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });

    const UnitsEntry &entry = UnitsEntryOf(computed.Unit);
    const bool areaRows = RowsAreAreas(computed);
    chart.Labels.clear();
    for (const std::size_t c : columns)
        chart.Labels.push_back(annual ? std::to_string(keys[c]) : QuarterLabel(keys[c], computed.Code));
    for (ChartSeries &series : chart.Series) {
        const int code = areaRows ? series.Area : series.Line;
        const ModelRow *const row = RowOfCode(computed, code);
        if (!row)
            return UsageFailure("the line " + std::to_string(code) + " of " + computed.Code
                                + " is not in the window's figures");
        series.Points.clear();
        for (const std::size_t c : columns) {
            ChartPoint point;
            point.Quarter = annual ? 0 : keys[c];
            point.Label = annual ? std::to_string(keys[c]) : QuarterLabel(keys[c], computed.Code);
            if (c < row->Figures.size()) {
                const Figure &figure = row->Figures[c];
                point.CellText = FigureText(entry, figure);
                point.Withheld = figure.IsWithheld() || figure.State == FigureState::Confidential;
                if (figure.HasNumber())
                    point.Value = figure.Value;
            }
            series.Points.push_back(std::move(point));
        }
    }
    chart.Unit = ComputedAxisTitle(computed, chart.Unit);
    chart.LogScaleAllowed = !entry.CanBeNegative;
    return chart;
}

} // namespace tarvel
